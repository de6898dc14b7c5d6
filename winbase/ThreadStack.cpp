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

// The lowest byte of the committed, writable run of pages of one reservation that holds address:
// the stack's lowest committed page, above its guard page, when address is on a stack.
std::uintptr_t CommittedRunStart(const void* address)
{
    MEMORY_BASIC_INFORMATION info = {};
    if (!VirtualQuery(address, &info, sizeof info))
        return reinterpret_cast<std::uintptr_t>(address);
    const void* reservation = info.AllocationBase;
    std::uintptr_t start = reinterpret_cast<std::uintptr_t>(info.BaseAddress);
    MEMORY_BASIC_INFORMATION below = {};
    while (start > reinterpret_cast<std::uintptr_t>(reservation) &&
           VirtualQuery(reinterpret_cast<const void*>(start - 1), &below, sizeof below) &&
           below.AllocationBase == reservation && below.State == MEM_COMMIT && below.Protect == PAGE_READWRITE)
        start = reinterpret_cast<std::uintptr_t>(below.BaseAddress);
    return start;
}

} // namespace

void ReleaseUnusedStack()
{
    volatile char here = 0;
    SYSTEM_INFO system = {};
    GetSystemInfo(&system);
    const StackRange range = UnusedStackRange(CommittedRunStart(const_cast<char*>(&here)),
                                              reinterpret_cast<std::uintptr_t>(&here), system.dwPageSize);
    if (range.high > range.low)
        VirtualAlloc(reinterpret_cast<void*>(range.low), range.high - range.low, MEM_RESET, PAGE_READWRITE);
}
