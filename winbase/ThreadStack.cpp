#include "winbase/ThreadStack.h"

#include <windows.h>

StackRange UnusedStackRange(std::uintptr_t limit, std::uintptr_t frame, std::uintptr_t pageSize)
{
    const std::uintptr_t mask = ~(pageSize - 1);
    const std::uintptr_t low = (limit + pageSize - 1) & mask;
    if (frame < low + kStackKeptBelowFrame)
        return {low, low};
    const std::uintptr_t high = (frame - kStackKeptBelowFrame) & mask;
    return high > low ? StackRange{low, high} : StackRange{low, low};
}

namespace {

// The lowest byte of the committed, writable run of pages of one reservation that holds address,
// when that run rests on a guard page, as a thread's stack does: 0 when address is not on such a
// run (a frame kept elsewhere, as by a sanitizer in heap memory; a stack that lost its guard page).
std::uintptr_t StackRunStart(const void* address)
{
    MEMORY_BASIC_INFORMATION info = {};
    if (!VirtualQuery(address, &info, sizeof info) || info.State != MEM_COMMIT)
        return 0;
    const void* reservation = info.AllocationBase;
    std::uintptr_t start = reinterpret_cast<std::uintptr_t>(info.BaseAddress);
    MEMORY_BASIC_INFORMATION below = {};
    while (start > reinterpret_cast<std::uintptr_t>(reservation) &&
           VirtualQuery(reinterpret_cast<const void*>(start - 1), &below, sizeof below) &&
           below.AllocationBase == reservation && below.State == MEM_COMMIT) {
        if (below.Protect & PAGE_GUARD)
            return start;
        if (below.Protect != PAGE_READWRITE)
            return 0;
        start = reinterpret_cast<std::uintptr_t>(below.BaseAddress);
    }
    return 0;
}

} // namespace

StackRange ReleaseUnusedStack()
{
    volatile char here = 0;
    const std::uintptr_t runStart = StackRunStart(const_cast<char*>(&here));
    if (!runStart)
        return {};
    SYSTEM_INFO system = {};
    GetSystemInfo(&system);
    const StackRange range = UnusedStackRange(runStart, reinterpret_cast<std::uintptr_t>(&here), system.dwPageSize);
    if (range.high == range.low ||
        !VirtualAlloc(reinterpret_cast<void*>(range.low), range.high - range.low, MEM_RESET, PAGE_READWRITE))
        return {};
    return range;
}
