// vb_objcount.dll: counts the GDI and USER objects of the process it is loaded into, and reads
// its processor time. The benchmark loads it into Veilbox.exe only where the system cannot
// report these figures for another process (under Wine GetGuiResources is not implemented and
// GetProcessTimes gives another process no user or kernel time) and runs each export in a thread
// of its own there; the thread's exit code is the figure.
//
// Both object tables are probed by index: under Wine a handle whose high word is zero names the
// table entry of that index whatever its generation, so one probe per index finds every live
// object of the process, and entries of other processes do not answer.
#include "LinuxCpu.h"
#include <windows.h>

namespace {

// Wine's USER handles: two handle values per table entry, starting here.
constexpr UINT_PTR kFirstUserHandle = 0x0020;
constexpr UINT_PTR kLastUserHandle = 0xffef;

struct WindowTally {
    DWORD process;
    DWORD count;
};

BOOL CALLBACK CountChild(HWND window, LPARAM param)
{
    (void)window;
    ++reinterpret_cast<WindowTally*>(param)->count;
    return TRUE;
}

// A window of this process with all its descendants.
void CountTree(HWND window, WindowTally& tally)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != tally.process)
        return;
    ++tally.count;
    EnumChildWindows(window, CountChild, reinterpret_cast<LPARAM>(&tally));
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM param)
{
    CountTree(window, *reinterpret_cast<WindowTally*>(param));
    return TRUE;
}

// Top-level and message-only windows of this process and their children.
DWORD CountWindows()
{
    WindowTally tally{GetCurrentProcessId(), 0};
    EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&tally));
    for (HWND window = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); window;
         window = FindWindowExA(HWND_MESSAGE, window, nullptr, nullptr))
        CountTree(window, tally);
    return tally.count;
}

// Menus, icons and cursors. GetIconInfo makes two bitmaps for every icon it describes; they are
// deleted at once, so the count of GDI objects is left as it was.
DWORD CountMenusAndIcons()
{
    DWORD count = 0;
    for (UINT_PTR value = kFirstUserHandle; value <= kLastUserHandle; value += 2) {
        if (IsMenu(reinterpret_cast<HMENU>(value))) {
            ++count;
            continue;
        }
        ICONINFO info = {};
        if (GetIconInfo(reinterpret_cast<HICON>(value), &info)) {
            ++count;
            if (info.hbmMask)
                DeleteObject(info.hbmMask);
            if (info.hbmColor)
                DeleteObject(info.hbmColor);
        }
    }
    return count;
}

} // namespace

// type: null for all GDI objects, else one OBJ_ type (OBJ_BITMAP...) cast to a pointer.
extern "C" __declspec(dllexport) DWORD WINAPI VbCountGdiObjects(LPVOID type)
{
    const DWORD wanted = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(type));
    DWORD count = 0;
    for (UINT_PTR value = 1; value <= 0xffff; ++value) {
        DWORD found = GetObjectType(reinterpret_cast<HGDIOBJ>(value));
        if (found && (!wanted || found == wanted))
            ++count;
    }
    return count;
}

// Windows, menus, icons and cursors: the USER objects a program makes and may leak.
extern "C" __declspec(dllexport) DWORD WINAPI VbCountUserObjects(LPVOID)
{
    return CountWindows() + CountMenusAndIcons();
}

// Kernel plus user time of this process, in microseconds (the low 32 bits). Not /proc/self: under
// Wine the wineserver opens files, so that names the wineserver's figures.
extern "C" __declspec(dllexport) DWORD WINAPI VbProcessCpuUs(LPVOID)
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    auto ticks = [](const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<DWORD>((ticks(kernel) + ticks(user)) / 10);
}

// Kernel plus user time of this process, in milliseconds (the low 32 bits).
extern "C" __declspec(dllexport) DWORD WINAPI VbProcessCpuMs(LPVOID)
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    auto ticks = [](const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<DWORD>((ticks(kernel) + ticks(user)) / 10000);
}
