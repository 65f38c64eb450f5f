// libFuzzer harness: any bytes as a .bmp texture file go through ImageBuffer::load and the
// texture's resize.
#include <cstdlib>

#include "tests/fuzz/fuzz_targets.h"
#include "tests/fuzz/scratch_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ScratchFile file(".bmp");
    if (bmpTarget(file.write(data, size)) == TargetResult::broken)
        std::abort();
    return 0;
}
