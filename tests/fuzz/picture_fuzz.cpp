// libFuzzer harness: any bytes as a texture file (.bmp or .tga by VELLARN_FUZZ_EXTENSION) go
// through ImageBuffer::load and the texture's resize.
#include <cstdlib>

#include "tests/fuzz/fuzz_targets.h"
#include "tests/fuzz/scratch_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ScratchFile file(VELLARN_FUZZ_EXTENSION);
    if (pictureFileTarget(file.write(data, size)) == TargetResult::broken)
        std::abort();
    return 0;
}
