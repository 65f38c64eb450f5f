// Whether the compiler targets SSE2, the vector instruction set every processor the program
// runs on has (the 32-bit build is made with -msse2; every x86-64 processor has it). Where it
// is there, VELLARN_HAVE_SSE2 is defined and <emmintrin.h> included; the pixel passes then
// take their vector paths, each of which gives the same bytes as its plain path.
#pragma once

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define VELLARN_HAVE_SSE2 1
#endif
