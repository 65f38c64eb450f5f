// libFuzzer harness: any bytes as the view file go through decodeView, back, and into a scene.
#include <cstdlib>

#include "tests/fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (viewTarget(std::span<const uint8_t>(data, size)) == TargetResult::broken)
        std::abort();
    return 0;
}
