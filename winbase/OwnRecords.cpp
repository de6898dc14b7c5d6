#include "winbase/OwnRecords.h"

#include <cstdint>

bool OnThisThreadStack(const void* address, size_t size)
{
    const int onStack = 0;
    MEMORY_BASIC_INFORMATION stack = {};
    MEMORY_BASIC_INFORMATION at = {};
    if (!address || !VirtualQuery(&onStack, &stack, sizeof(stack)) || !VirtualQuery(address, &at, sizeof(at))) {
        return false;
    }
    const uintptr_t start = reinterpret_cast<uintptr_t>(address);
    const uintptr_t end = reinterpret_cast<uintptr_t>(at.BaseAddress) + at.RegionSize;
    const bool readable = at.State == MEM_COMMIT && !(at.Protect & (PAGE_GUARD | PAGE_NOACCESS));
    const bool whole = end > start && end - start >= size;
    return at.AllocationBase == stack.AllocationBase && readable && whole;
}
