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

bool RestrictDllSearchToSystemFolder()
{
    // Looked up, not imported: the function is missing from older systems.
    using SetDirectories = BOOL(WINAPI*)(DWORD);
    const auto set = reinterpret_cast<SetDirectories>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories"));
    return set && set(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

HMODULE LoadSystemLibrary(const char* name)
{
    HMODULE module = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER) {
        return module;
    }
    // A system without the search flags: the file's full path in the system
    // folder, its own dependencies looked for beside it first.
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return nullptr;
    }
    NString path(folder);
    path.EnsureTrailing('\\').Append(name);
    return LoadLibraryExA(path.Text(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
