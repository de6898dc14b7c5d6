#include "app/hidden/HiddenWindowKinds.h"

#include <cstring>

#include "winbase/ModuleInfo.h"

namespace {

enum class Match { Whole, Prefix };

struct PlumbingClass {
    const char* name;
    Match match;
    // Counts only while the window is cloaked.
    bool whenCloaked;
};

// The one list of plumbing classes. Each is made by the system or a runtime for every program
// (or every thread) that uses it, is titled by its maker rather than by the program, and
// showing it puts an empty frame on the screen or upsets the program that owns it.
constexpr PlumbingClass kPlumbingClasses[] = {
    // The input method manager's "Default IME" window, one for every thread with windows.
    {"IME", Match::Whole, false},
    // The text services' input method window, one for every thread with windows.
    {"MSCTFIME UI", Match::Whole, false},
    // The text services' window for calls between processes ("CicMarshalWnd").
    {"CicMarshalWndClass", Match::Whole, false},
    // GDI+'s hook window ("GDI+ Window"), made by every program that draws with GDI+.
    {"GDI+ Hook Window Class", Match::Whole, false},
    // The .NET runtime's listener for system events; the runtime's version and an application
    // domain's number follow the prefix.
    {".NET-BroadcastEventWindow.", Match::Prefix, false},
    // The DDE management library's event and monitor windows.
    {"DDEMLEvent", Match::Whole, false},
    {"DDEMLMom", Match::Whole, false},
    // COM's window for calls into a single-threaded apartment ("OleMainThreadWndName").
    {"OleMainThreadWndClass", Match::Whole, false},
    // OLE's bridge to DDE ("DDE Server Window").
    {"OleDdeWndClass", Match::Whole, false},
    // Tooltip controls, shown and hidden by their owners as the pointer moves.
    {"tooltips_class32", Match::Whole, false},
    // A store app's core window while the compositor keeps it out of view: the app is suspended
    // or its frame is elsewhere, and only the app itself may bring it back.
    {"Windows.UI.Core.CoreWindow", Match::Whole, true},
};

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Compares the first length characters of a and b without regard to ASCII case.
bool SameAsciiNoCase(const char* a, const char* b, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

bool NameMatches(const char* className, const PlumbingClass& plumbing)
{
    const size_t length = std::strlen(plumbing.name);
    const size_t given = std::strlen(className);
    if (plumbing.match == Match::Whole ? given != length : given < length) {
        return false;
    }
    return SameAsciiNoCase(className, plumbing.name, length);
}

// The compositor's answer; false where there is no compositor (before Windows 8, under Wine).
bool IsCloaked(HWND window)
{
    using GetAttribute = HRESULT(WINAPI*)(HWND, DWORD, PVOID, DWORD);
    constexpr DWORD kCloakedAttribute = 14;
    static const GetAttribute get = [] {
        HMODULE dwm = LoadSystemLibrary("dwmapi.dll");
        return dwm ? reinterpret_cast<GetAttribute>(
                         reinterpret_cast<void*>(GetProcAddress(dwm, "DwmGetWindowAttribute")))
                   : nullptr;
    }();
    DWORD cloaked = 0;
    return get && SUCCEEDED(get(window, kCloakedAttribute, &cloaked, sizeof cloaked)) && cloaked != 0;
}

// A minimised window's rectangle is its icon's; its restored rectangle says whether it has area.
bool HasEmptyRect(HWND window)
{
    RECT rect = {};
    if (IsIconic(window)) {
        WINDOWPLACEMENT placement = {sizeof placement};
        if (!GetWindowPlacement(window, &placement)) {
            return true;
        }
        rect = placement.rcNormalPosition;
    } else if (!GetWindowRect(window, &rect)) {
        return true;
    }
    return IsRectEmpty(&rect) != FALSE;
}

} // namespace

WindowLook LookOf(HWND window)
{
    WindowLook look;
    look.style = GetWindowLongPtrW(window, GWL_STYLE);
    look.exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
    char name[256] = {};
    if (GetClassNameA(window, name, sizeof name) > 0) {
        look.className = NString(name);
    }
    look.emptyRect = HasEmptyRect(window);
    look.cloaked = IsCloaked(window);
    return look;
}

bool IsPlumbingClass(const char* className, bool cloaked)
{
    if (!className) {
        return false;
    }
    for (const PlumbingClass& plumbing : kPlumbingClasses) {
        if ((cloaked || !plumbing.whenCloaked) && NameMatches(className, plumbing)) {
            return true;
        }
    }
    return false;
}

bool LooksLikeApplicationWindow(const WindowLook& look)
{
    const bool caption = (look.style & WS_CAPTION) == WS_CAPTION;
    const bool appWindow = (look.exStyle & WS_EX_APPWINDOW) != 0;
    if (!(caption || appWindow) || (look.exStyle & WS_EX_TOOLWINDOW) || (look.style & WS_DISABLED)) {
        return false;
    }
    return !look.emptyRect && !look.className.IsEmpty() && !IsPlumbingClass(look.className.Text(), look.cloaked);
}
