#include "winbase/PlacementStore.h"

#include <initializer_list>

#include "settings/SettingsStore.h"
#include "winbase/Dpi.h"
#include "winbase/WindowHelpers.h"

namespace {

constexpr char kStateValue[] = "WinState";
constexpr char kTopMostValue[] = "TopMost";
constexpr char kDpiValue[] = "WinDpi";
constexpr char kEdgeValues[4][9] = {"WPLeft", "WPTop", "WPRight", "WPBottom"};
constexpr double kMaxScreenRatio = 1.1;
// Farther than any desktop reaches: a stored edge beyond it is damage, and the rectangle's
// sizes stay far from overflowing when they are brought to another DPI.
constexpr LONG kMaxStoredCoordinate = 1 << 20;

// Moves [low, high) onto [0, limit] without changing its length where it fits.
void FitSpan(LONG& low, LONG& high, int limit)
{
    const LONG length = high - low;
    if (low < 0) {
        low = 0;
        high = length;
    } else if (high > limit) {
        low -= high - limit;
        high = limit;
    }
    if (length > limit) {
        low = 0;
        high = limit;
    }
}

// The rectangle a window gets when none, or an unusable one, is stored: the
// middle of the screen, half its width and height.
RECT DefaultRect()
{
    const unsigned width = static_cast<unsigned>(GetSystemMetrics(SM_CXSCREEN));
    const unsigned height = static_cast<unsigned>(GetSystemMetrics(SM_CYSCREEN));
    return RECT{static_cast<LONG>(width / 4), static_cast<LONG>(height / 4), static_cast<LONG>(width * 3 / 4),
                static_cast<LONG>(height * 3 / 4)};
}

bool IsUsableStoredRect(const RECT& rect)
{
    for (LONG edge : {rect.left, rect.top, rect.right, rect.bottom}) {
        if (edge < -kMaxStoredCoordinate || edge > kMaxStoredCoordinate) {
            return false;
        }
    }
    return rect.right > rect.left && rect.bottom > rect.top;
}

bool IsTopMost(HWND window)
{
    return (GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

}  // namespace

RECT FitRectOnDesktop(const RECT& stored, int desktopWidth, int desktopHeight)
{
    RECT fitted = stored;
    FitSpan(fitted.top, fitted.bottom, desktopHeight);
    FitSpan(fitted.left, fitted.right, desktopWidth);
    return fitted;
}

RECT RectForDpi(const RECT& stored, UINT storedDpi, UINT dpi)
{
    const auto scaled = [](LONG value, UINT to, UINT from) {
        return static_cast<LONG>(MulDiv(value, static_cast<int>(to), static_cast<int>(from)));
    };
    if (!IsUsableDpi(dpi)) {
        return stored;
    }
    if (!IsUsableDpi(storedDpi)) {
        return RECT{scaled(stored.left, dpi, kBaseDpi), scaled(stored.top, dpi, kBaseDpi),
                    scaled(stored.right, dpi, kBaseDpi), scaled(stored.bottom, dpi, kBaseDpi)};
    }
    return RECT{stored.left, stored.top, stored.left + scaled(stored.right - stored.left, dpi, storedDpi),
                stored.top + scaled(stored.bottom - stored.top, dpi, storedDpi)};
}

bool IsSavableWindowRect(const RECT& rect, int screenWidth, int screenHeight)
{
    const double width = static_cast<double>(rect.right) - rect.left;
    const double height = static_cast<double>(rect.bottom) - rect.top;
    if (width > kMaxScreenRatio * screenWidth || height > kMaxScreenRatio * screenHeight) {
        return false;
    }
    return rect.right >= 0 && rect.bottom >= 0;
}

bool SaveWindowPlacement(const SettingsKey& key, const char* name, HWND window, int32_t state, UINT dpi)
{
    if (!IsWindow(window) || !name || !*name) {
        return false;
    }
    SettingsKey sub(key, name);
    if (state == 0 || state == 1) {
        return sub.WriteInt(kStateValue, state);
    }
    // The seven values are one change of the settings file: it is written once, not seven times.
    const SettingsBatch batch;
    RECT rect = {};
    GetWindowRect(window, &rect);
    if (!IsSavableWindowRect(rect, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN))) {
        return false;
    }
    const LONG edges[4] = {rect.left, rect.top, rect.right, rect.bottom};
    for (int i = 0; i < 4; ++i) {
        if (!sub.WriteInt(kEdgeValues[i], edges[i])) {
            return false;
        }
    }
    const UINT measuredAt = dpi != 0 ? dpi : WindowDpi(window);
    return sub.WriteInt(kDpiValue, static_cast<int32_t>(measuredAt)) && sub.WriteInt(kStateValue, state) &&
           sub.WriteInt(kTopMostValue, IsTopMost(window) ? 1 : 0);
}

// An empty, inverted or far-off stored rectangle (a damaged value) would give
// the window no size at all: the default rectangle takes its place. A window that
// keeps its own size is fitted onto the desktop with that size.
bool PlacementStored(const SettingsKey& key, const char* name)
{
    int32_t state = 0;
    return name && *name && SettingsKey(key, name).ReadInt(kStateValue, state);
}

bool RestoreWindowPlacement(const SettingsKey& key, const char* name, HWND window, bool resizable, UINT dpi)
{
    if (!IsWindow(window) || !name || !*name) {
        return false;
    }
    SettingsKey sub(key, name);
    int32_t state = 2;
    if (!sub.ReadInt(kStateValue, state)) {
        CenterWindow(window, nullptr);
        SaveWindowPlacement(key, name, window, 2);
        return false;
    }
    if (state != 0 && state != 1) {
        state = 2;
    }
    RECT rect = DefaultRect();
    int32_t edges[4] = {rect.left, rect.top, rect.right, rect.bottom};
    bool allRead = true;
    for (int i = 0; i < 4; ++i) {
        allRead = sub.ReadInt(kEdgeValues[i], edges[i]) && allRead;
    }
    rect = RECT{edges[0], edges[1], edges[2], edges[3]};
    if (IsUsableStoredRect(rect) && allRead) {
        int32_t storedDpi = 0;
        sub.ReadInt(kDpiValue, storedDpi);
        rect = RectForDpi(rect, static_cast<UINT>(storedDpi), dpi != 0 ? dpi : WindowDpi(window));
    }
    if (!IsUsableStoredRect(rect)) {
        rect = DefaultRect();
    }
    if (!resizable) {
        RECT current = {};
        GetWindowRect(window, &current);
        rect.right = rect.left + (current.right - current.left);
        rect.bottom = rect.top + (current.bottom - current.top);
    }
    RECT desktop = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    MoveWindowToRect(window, FitRectOnDesktop(rect, desktop.right - desktop.left, desktop.bottom - desktop.top),
                     resizable);
    int32_t topMost = 0;
    sub.ReadInt(kTopMostValue, topMost);
    SetWindowPos(window, topMost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    if (state == 0) {
        SendMessageA(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    }
    return allRead;
}

void MoveWindowToRect(HWND window, const RECT& rect, bool resizable)
{
    if (resizable) {
        MoveWindow(window, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
        return;
    }
    RECT current = {};
    GetWindowRect(window, &current);
    MoveWindow(window, rect.left, rect.top, current.right - current.left, current.bottom - current.top, TRUE);
}
