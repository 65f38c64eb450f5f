// libFuzzer harness: any bytes as the settings file go through decodeSettings and back.
#include <cstdlib>

#include "tests/fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (settingsTarget(std::span<const uint8_t>(data, size)) == TargetResult::broken)
        std::abort();
    return 0;
}
