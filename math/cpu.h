// The processor's SSE flag, read once at start-up and consulted by the matrix product.
#pragma once

#include <cstdint>

// 1 when the processor supports SSE (CPUID leaf 1, EDX bit 25), else 0. Set once by
// initCpuFlags() during program initialisation and never changed afterwards.
extern int32_t hasSse;

// Reads the SSE bit with the processor identification instruction; 0 where it is unavailable.
int32_t readSseFlag();

// Sets hasSse from readSseFlag().
void initCpuFlags();
