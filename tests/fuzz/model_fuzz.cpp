// libFuzzer harness: any bytes as a model file (.mqo, .rok or .x by VELLARN_FUZZ_EXTENSION) go
// through loadModel; a crash, leak, overrun or broken model is a finding.
#include <cstdlib>

#include "tests/fuzz/fuzz_targets.h"
#include "tests/fuzz/scratch_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ScratchFile file(VELLARN_FUZZ_EXTENSION);
    if (modelTarget(file.write(data, size)) == TargetResult::broken)
        std::abort();
    return 0;
}
