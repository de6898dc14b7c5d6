// The parts of the program's windows that Windows itself draws and only its own calls can darken:
// the title bars (the window manager's attribute 20, 19 on builds before 18985), and the scroll
// bars, buttons, combo boxes and menus (the theme library's SetWindowTheme and its ordinals 133,
// 135 and 136, looked up at run time on builds from 17763 on). Their libraries are loaded only
// when a dark look first needs them, and every call is safe where a library, a function or an
// ordinal is missing (older Windows, Wine): the window then keeps the system's light parts.
#pragma once

#include <windows.h>

// Windows' build number (RtlGetVersion, which does not depend on the manifest); 0 when unknown.
DWORD WindowsBuild();

// The window manager's attribute that darkens a title bar on the build: 20 from build 18985 on,
// 19 from 17763, 0 (none) before.
DWORD DarkTitleBarAttribute(DWORD build);
// True on builds whose theme library has the dark-mode ordinals 133, 135 and 136.
bool HasDarkModeOrdinals(DWORD build);

// True once anything was made dark in this process: only then has a light look anything to undo.
bool WasEverDark();

// The title bar of a top-level window dark or light again.
void SetDarkTitleBar(HWND window, bool dark);

// The process's preference for the system's own parts (menus, the system menu): dark, or as
// the light look has them. Nothing is loaded while the program was never dark.
void SetAppDarkMode(bool dark);

// How a control's native parts are drawn.
enum class ControlSkin {
    // The system's visual style, as before any darkening.
    Standard,
    // The dark visual style of Explorer (push buttons, scroll bars, lists).
    DarkExplorer,
    // The dark visual style of the file dialogs (edit boxes, combo boxes).
    DarkEdit,
    // The dark visual style of item views (a list view's header).
    DarkItems,
    // No visual style: the control draws itself in the colours its owner gives (check boxes,
    // radio buttons and group boxes, whose styled texts ignore those colours).
    Classic,
};
void SetControlSkin(HWND control, ControlSkin skin);
