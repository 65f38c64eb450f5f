// libFuzzer harness: any bytes as a decoder plug-in's returned picture (see splitPluginResult)
// go through ImageBuffer::takeDecodedPicture into a texture.
#include <cstdlib>

#include "tests/fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (pluginResultTarget(std::span<const uint8_t>(data, size)) == TargetResult::broken)
        std::abort();
    return 0;
}
