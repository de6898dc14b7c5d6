#include "winbase/ModuleInfo.h"

namespace {

// Large enough for any path GetModuleFileNameA reports without the long-path
// prefix; only success matters here.
constexpr DWORD kNameBufferSize = 260;

bool IsLoadedModule(HMODULE candidate)
{
    char name[kNameBufferSize];
    return candidate && GetModuleFileNameA(candidate, name, kNameBufferSize) != 0;
}

}  // namespace

HMODULE ModuleOfAddress(const void* address)
{
    if (!address) {
        return nullptr;
    }
    // An image is mapped as one allocation, so the allocation that holds the
    // address starts at the module's base when the address belongs to one.
    MEMORY_BASIC_INFORMATION info = {};
    if (VirtualQuery(address, &info, sizeof(info)) == 0 || info.State == MEM_FREE) {
        return nullptr;
    }
    HMODULE base = static_cast<HMODULE>(info.AllocationBase);
    return IsLoadedModule(base) ? base : nullptr;
}

VB_NOINLINE HMODULE ModuleOfCaller()
{
    return ModuleOfAddress(VB_RETURN_ADDRESS());
}

NString ModuleFileName(HMODULE module)
{
    return NString::FromModuleFileName(module);
}
