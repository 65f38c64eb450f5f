// CPUID probing for the SSE flag.
#include "math/cpu.h"

#if defined(_MSC_VER)
#include <intrin.h>
#elif defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

int32_t hasSse = 0;

int32_t readSseFlag()
{
    constexpr unsigned kSseBit = 1u << 25;  // EDX bit 25 of leaf 1
#if defined(_MSC_VER)
    int regs[4] = {};
    __cpuid(regs, 1);
    return (static_cast<unsigned>(regs[3]) & kSseBit) ? 1 : 0;
#elif defined(__i386__) || defined(__x86_64__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx))
        return 0;
    return (edx & kSseBit) ? 1 : 0;
#else
    return 0;
#endif
}

void initCpuFlags()
{
    hasSse = readSseFlag();
}
