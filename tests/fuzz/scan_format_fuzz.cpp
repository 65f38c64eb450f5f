// libFuzzer harness: any bytes as a line go through ScanFormat, the number readers and
// LineReader.
#include <cstdlib>

#include "tests/fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (scanFormatTarget(std::span<const uint8_t>(data, size)) == TargetResult::broken)
        std::abort();
    return 0;
}
