#include "winbase/DarkMode.h"

#include "winbase/LateLibraries.h"

namespace {

constexpr DWORD kFirstDarkBuild = 17763;
constexpr DWORD kAttributeTwentyBuild = 18985;
constexpr DWORD kPreferredAppModeBuild = 18362;
constexpr DWORD kDarkModeAttribute = 20;
constexpr DWORD kDarkModeAttributeBefore18985 = 19;

constexpr WORD kAllowDarkModeForWindow = 133;
// AllowDarkModeForApp(BOOL) on build 17763, SetPreferredAppMode(mode) from 18362 on.
constexpr WORD kPreferredAppMode = 135;
constexpr WORD kFlushMenuThemes = 136;
// SetPreferredAppMode's modes.
constexpr int kForceDark = 2;
constexpr int kForceLight = 3;

using AllowForWindow = BOOL(WINAPI*)(HWND, BOOL);
using PreferredMode = int(WINAPI*)(int);
using FlushMenus = void(WINAPI*)();

template <class Function>
Function ThemeOrdinal(WORD ordinal)
{
    if (!HasDarkModeOrdinals(WindowsBuild()))
        return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(LateThemeOrdinal(ordinal)));
}

// True once anything was darkened: only then does a light look have anything to undo.
bool g_everDark = false;

// True when the call has anything to do: always for dark, for light only after a dark one.
bool Needed(bool dark)
{
    g_everDark = g_everDark || dark;
    return g_everDark;
}

}  // namespace

DWORD WindowsBuild()
{
    static const DWORD build = [] {
        using GetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
        const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        const auto get = ntdll ? reinterpret_cast<GetVersion>(
                                     reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                               : nullptr;
        OSVERSIONINFOW version = {sizeof(version)};
        return get && get(&version) == 0 && version.dwMajorVersion >= 10 ? version.dwBuildNumber : DWORD{0};
    }();
    return build;
}

DWORD DarkTitleBarAttribute(DWORD build)
{
    if (build >= kAttributeTwentyBuild)
        return kDarkModeAttribute;
    return build >= kFirstDarkBuild ? kDarkModeAttributeBefore18985 : 0;
}

bool HasDarkModeOrdinals(DWORD build)
{
    return build >= kFirstDarkBuild;
}

void SetDarkTitleBar(HWND window, bool dark)
{
    if (!Needed(dark))
        return;
    const DWORD attribute = DarkTitleBarAttribute(WindowsBuild());
    if (!window || attribute == 0)
        return;
    const BOOL value = dark ? TRUE : FALSE;
    LateDwmSetWindowAttribute(window, attribute, &value, sizeof(value));
}

bool WasEverDark()
{
    return g_everDark;
}

// The process's preference is set again only when it changes.
void SetAppDarkMode(bool dark)
{
    static bool darkNow = false;
    if (!Needed(dark) || dark == darkNow)
        return;
    darkNow = dark;
    if (const auto prefer = ThemeOrdinal<PreferredMode>(kPreferredAppMode)) {
        // On build 17763 the ordinal takes a BOOL: 1 allows dark, 0 does not.
        const bool modes = WindowsBuild() >= kPreferredAppModeBuild;
        prefer(modes ? (dark ? kForceDark : kForceLight) : (dark ? 1 : 0));
    }
    if (const auto flush = ThemeOrdinal<FlushMenus>(kFlushMenuThemes))
        flush();
}

void SetControlSkin(HWND control, ControlSkin skin)
{
    if (!Needed(skin != ControlSkin::Standard) || !control)
        return;
    const bool dark = skin != ControlSkin::Standard && skin != ControlSkin::Classic;
    if (const auto allow = ThemeOrdinal<AllowForWindow>(kAllowDarkModeForWindow))
        allow(control, dark ? TRUE : FALSE);
    switch (skin) {
    case ControlSkin::DarkExplorer:
        LateSetWindowTheme(control, L"DarkMode_Explorer", nullptr);
        break;
    case ControlSkin::DarkEdit:
        LateSetWindowTheme(control, L"DarkMode_CFD", nullptr);
        break;
    case ControlSkin::DarkItems:
        LateSetWindowTheme(control, L"DarkMode_ItemsView", nullptr);
        break;
    case ControlSkin::Classic:
        // A class list that names no class: no style is found for the control. (Empty texts, the
        // documented way, are refused by Wine's theme library, which keeps the style then.)
        LateSetWindowTheme(control, nullptr, L" ");
        break;
    case ControlSkin::Standard:
        LateSetWindowTheme(control, nullptr, nullptr);
        break;
    }
}
