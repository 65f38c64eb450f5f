// What a process holds, counted in ways that also work under Wine: the device tests and the
// frame harness check with them that bringing devices up and down leaks nothing.
#pragma once

#include <cstdint>

// Wine keeps no handle or GDI counters for a process, so they are found in the system's tables.
struct ProcessCounts {
    long handles = 0;             // kernel handles
    long gdiObjects = 0;          // GDI objects other than the stock ones
    uint64_t anonymousBytes = 0;  // committed private memory (under Wine: the anonymous resident set)
};

// The three counts of this process; handles or GDI objects -1 where they cannot be read (a
// 32-bit process under Wine finds no GDI table).
ProcessCounts processCounts();
