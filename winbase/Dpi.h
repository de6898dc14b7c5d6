// Sizes at the DPI of a window. The program is per-monitor DPI aware: every window reports
// physical pixels and draws at the DPI of the monitor it is on. The system functions for that
// came after Windows 7 and are looked up at run time; without them every window has the
// system's DPI and the older functions give the right sizes.
#pragma once

#include <windows.h>

#include "text/NString.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

// The DPI every pixel size in the program's code and pictures is given for.
constexpr UINT kBaseDpi = 96;
// DPIs outside this range (from a damaged message or setting) are not taken.
constexpr UINT kMinDpi = 48;
constexpr UINT kMaxDpi = 960;

inline bool IsUsableDpi(UINT dpi)
{
    return dpi >= kMinDpi && dpi <= kMaxDpi;
}

// The DPI the window is drawn at; the system's DPI where windows have no DPI of their own
// (and for a null window).
UINT WindowDpi(HWND window);

// The window's DPI awareness, which may be another program's; DPI_AWARENESS_INVALID where the
// system cannot tell (before Windows 10 1607).
DPI_AWARENESS WindowDpiAwareness(HWND window);

// PhysicalToLogicalPointForPerMonitorDPI where the system has it (Windows 8.1 on): it turns a
// point in physical pixels into the coordinates the window itself works in.
using PhysicalToLogicalFunction = BOOL(WINAPI*)(HWND, POINT*);
PhysicalToLogicalFunction PhysicalToLogicalPointFunction();

// A length of pixelsAt96 pixels at 96 DPI, at dpi (rounded to the nearest pixel).
int ScaleToDpi(int pixelsAt96, UINT dpi);

// A system metric (SM_CXSMICON...) at dpi.
int SystemMetricForDpi(int index, UINT dpi);

// The message font, status font and the rest at dpi; false when they cannot be read.
bool NonClientMetricsForDpi(NONCLIENTMETRICSW& metrics, UINT dpi);

// An icon or cursor resource of module drawn at size x size pixels, picked from the sizes the
// resource holds (and scaled from the nearest one). The caller destroys it (DestroyIcon,
// DestroyCursor). Null when there is no such resource.
HICON LoadIconAtSize(HMODULE module, LPCSTR name, int size);
HCURSOR LoadCursorAtSize(HMODULE module, LPCSTR name, int size);

// A resource's name: a number or a text.
struct ResourceName {
    WORD id = 0;
    // The name when id is 0; empty for no resource at all.
    NString text;

    bool IsEmpty() const { return id == 0 && text.IsEmpty(); }
    LPCSTR Get() const { return id != 0 ? MAKEINTRESOURCEA(id) : text.Text(); }
};

// The first icon group of module: the icon ExtractIcon takes as the file's first. Empty when
// the module holds no icon.
ResourceName FirstIconName(HMODULE module);

// The icon resource of module at the size of the notification area's icons. The caller
// destroys it. Null when there is no such resource.
HICON LoadSmallIconMetric(HMODULE module, const ResourceName& name);

// Leaves the placing of the dialog's controls and fonts after a DPI change to the program
// (the system's own rescaling of dialogs is switched off where it exists).
void KeepDialogDpiScalingOurs(HWND dialog);
