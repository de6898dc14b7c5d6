#include "app/held/WindowPlace.h"

#include <algorithm>
#include <cstring>

namespace {

// A longer chain of owners than this is taken for a cycle made while it was walked.
constexpr int kMaxOwnerDepth = 32;

struct MonitorSearch {
    const char* device;
    RECT found;
    bool matched;
};

BOOL CALLBACK MatchDevice(HMONITOR monitor, HDC, LPRECT, LPARAM param)
{
    auto* search = reinterpret_cast<MonitorSearch*>(param);
    MONITORINFOEXA info = {};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(monitor, &info) || std::strcmp(info.szDevice, search->device) != 0)
        return TRUE;
    search->found = info.rcMonitor;
    search->matched = true;
    return FALSE;
}

bool PrimaryMonitor(RECT& area)
{
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info))
        return false;
    area = info.rcMonitor;
    return true;
}

// Moves [low, high) by the least amount (shrinking it when it is too long) to lie in [from, to).
void FitSpan(LONG& low, LONG& high, LONG from, LONG to)
{
    LONG length = std::min(high - low, to - from);
    low = std::max(from, std::min(low, to - length));
    high = low + length;
}

// Queued for the window's thread, so that a program that does not answer holds nothing up.
void MoveWindowTo(HWND window, const RECT& to)
{
    SetWindowPos(window, nullptr, to.left, to.top, to.right - to.left, to.bottom - to.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
}

struct OwnedSearch {
    HWND owner;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectOwned(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<OwnedSearch*>(param);
    if (window != search->owner && IsWindowVisible(window) && IsOwnedBy(window, search->owner))
        search->found.push_back(window);
    return TRUE;
}

} // namespace

WindowPlace PlaceOf(HWND window)
{
    WindowPlace place;
    GetWindowRect(window, &place.window);
    place.maximised = IsZoomed(window) != FALSE;
    MONITORINFOEXA info = {};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(MonitorFromRect(&place.window, MONITOR_DEFAULTTONEAREST), &info)) {
        place.monitor = info.rcMonitor;
        place.work = info.rcWork;
        std::memcpy(place.device, info.szDevice, sizeof place.device);
        place.device[sizeof place.device - 1] = '\0';
    }
    return place;
}

RECT MoveOntoMonitor(const RECT& window, bool maximised, const RECT& from, const RECT& to)
{
    if (maximised) {
        return RECT{to.left + (window.left - from.left), to.top + (window.top - from.top),
                    to.right + (window.right - from.right), to.bottom + (window.bottom - from.bottom)};
    }
    RECT moved = {to.left + (window.left - from.left), to.top + (window.top - from.top),
                  to.left + (window.right - from.left), to.top + (window.bottom - from.top)};
    FitSpan(moved.left, moved.right, to.left, to.right);
    FitSpan(moved.top, moved.bottom, to.top, to.bottom);
    return moved;
}

void PutBackOnItsMonitor(HWND window, const WindowPlace& place)
{
    if (place.device[0] == '\0')
        return;
    MonitorSearch search = {place.device, {}, false};
    EnumDisplayMonitors(nullptr, nullptr, MatchDevice, reinterpret_cast<LPARAM>(&search));
    RECT to = search.found;
    if (!search.matched && !PrimaryMonitor(to))
        return;
    if (EqualRect(&to, &place.monitor))
        return;
    MoveWindowTo(window, MoveOntoMonitor(place.window, place.maximised, place.monitor, to));
}

void PutOnMonitorAtPointer(HWND window, const WindowPlace& known)
{
    const WindowPlace place = known.device[0] != '\0' ? known : PlaceOf(window);
    POINT pointer = {};
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (place.device[0] == '\0' || !GetCursorPos(&pointer) ||
        !GetMonitorInfoA(MonitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST), &info)) {
        PutBackOnItsMonitor(window, place);
        return;
    }
    if (!EqualRect(&info.rcWork, &place.work))
        MoveWindowTo(window, MoveOntoMonitor(place.window, place.maximised, place.work, info.rcWork));
}

bool IsOwnedBy(HWND window, HWND owner)
{
    HWND step = GetWindow(window, GW_OWNER);
    for (int depth = 0; step && depth < kMaxOwnerDepth; ++depth) {
        if (step == owner)
            return true;
        step = GetWindow(step, GW_OWNER);
    }
    return false;
}

std::vector<HWND> VisibleOwnedWindows(HWND owner)
{
    OwnedSearch search{owner, {}};
    EnumWindows(CollectOwned, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
