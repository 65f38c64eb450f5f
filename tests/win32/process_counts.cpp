// Handle, GDI object and memory counts of this process that also work under Wine.
#include "process_counts.h"

#include <windows.h>

#include <psapi.h>
#include <winternl.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace {

// A function of ntdll, looked up at run time (the tests do not link ntdll).
template <class F>
F ntdllFunction(const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll"), name)));
}

// Kernel handles: this process's entries in the system's handle list.
long kernelHandleCount()
{
    struct Entry {
        ULONG processId;
        BYTE objectType;
        BYTE flags;
        USHORT value;
        PVOID object;
        ULONG access;
    };
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    constexpr ULONG kSystemHandleInformation = 16;
    constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
    const auto query = ntdllFunction<Query>("NtQuerySystemInformation");
    if (!query)
        return -1;
    struct Table {
        ULONG count;
        Entry entries[1];
    };
    std::vector<uint8_t> buffer(1 << 16);
    LONG status;
    auto ask = [&] { return query(kSystemHandleInformation, buffer.data(), ULONG(buffer.size()), nullptr); };
    while ((status = ask()) == kInfoLengthMismatch)
        buffer.resize(buffer.size() * 2);
    if (status != 0)
        return -1;
    ULONG count;
    std::memcpy(&count, buffer.data(), sizeof count);
    const size_t first = offsetof(Table, entries);
    if (count > (buffer.size() - first) / sizeof(Entry))
        return -1;
    long mine = 0;
    for (ULONG i = 0; i < count; ++i) {
        Entry entry;
        std::memcpy(&entry, buffer.data() + first + i * sizeof entry, sizeof entry);
        mine += entry.processId == GetCurrentProcessId();
    }
    return mine;
}

// GDI objects: the non-stock entries of the process's GDI handle table (found through the
// process environment block), owned by this process or, as Wine records them, by no one. -1 when
// there is no table to read.
long gdiObjectCount()
{
    struct Entry {
        uint64_t object;
        uint16_t ownerProcess;
        uint16_t ownerCount;
        uint8_t extType;  // bit 7: stock object
        uint8_t generation;
        uint8_t type;
        uint8_t flags;
        uint64_t user;
    };
    static_assert(sizeof(Entry) == 24);
    constexpr size_t kTableOffset = sizeof(void*) == 8 ? 0xF8 : 0x94;
    constexpr size_t kTableEntries = 0x10000;
    using Query = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const auto query = ntdllFunction<Query>("NtQueryInformationProcess");
    PROCESS_BASIC_INFORMATION basic{};
    if (!query || query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0)
        return -1;
    const Entry* table;
    std::memcpy(&table, reinterpret_cast<const uint8_t*>(basic.PebBaseAddress) + kTableOffset, sizeof table);
    if (!table)
        return -1;
    const auto self = static_cast<uint16_t>(GetCurrentProcessId());
    long mine = 0;
    for (size_t i = 0; i < kTableEntries; ++i) {
        const Entry& e = table[i];
        mine += e.type != 0 && !(e.extType & 0x80) && (e.ownerProcess == self || e.ownerProcess == 0);
    }
    return mine;
}

}  // namespace

ProcessCounts processCounts()
{
    ProcessCounts counts;
    counts.handles = kernelHandleCount();
    counts.gdiObjects = gdiObjectCount();
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (K32GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory))
        counts.anonymousBytes = memory.PagefileUsage;
    return counts;
}
