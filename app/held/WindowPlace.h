// What goes away and comes back with a hidden window besides the window itself: the visible
// windows it owns (a find box, a tool palette, an owned dialog) and the monitor it was on.
// Nothing here sends a message to the window, so none of it can wait on a stuck program.
#pragma once

#include <windows.h>

#include <vector>

// Where a window was when it was hidden.
struct WindowPlace {
    RECT window = {};
    bool maximised = false;
    // The whole area, the work area and the device name of the monitor it was on; an empty name
    // when unknown.
    RECT monitor = {};
    RECT work = {};
    char device[CCHDEVICENAME] = {};
};

WindowPlace PlaceOf(HWND window);

// The rectangle that keeps a window's place when its monitor moves from `from` to `to`: a
// maximised window keeps its distance to every edge of the monitor (so it fills the new one);
// any other keeps its distance to the top-left corner, moved back and shrunk as far as needed to
// lie wholly on the new monitor.
RECT MoveOntoMonitor(const RECT& window, bool maximised, const RECT& from, const RECT& to);

// Before a hidden window is shown again: when the monitor it was hidden on has gone, it is moved
// onto the primary monitor; when that monitor has moved or changed its size, it is moved along.
// The move is queued for the window's thread, ahead of anything queued after it.
void PutBackOnItsMonitor(HWND window, const WindowPlace& place);

// Before a hidden window is shown again where the user is: it is moved onto the monitor under the
// pointer, at its place relative to that monitor's work area and its size, shrunk and moved back
// as far as needed to lie wholly in it; a maximised window fills the new work area as it filled
// the old one. A place not known (a window taken back after a crash) is read from the hidden
// window. Queued as PutBackOnItsMonitor's move; nothing moves when the pointer is on the work area
// the window left.
void PutOnMonitorAtPointer(HWND window, const WindowPlace& place);

// True when owner owns window, directly or through other owned windows.
bool IsOwnedBy(HWND window, HWND owner);

// The visible top-level windows that owner owns, directly or through other owned windows, in
// the Z order from the top.
std::vector<HWND> VisibleOwnedWindows(HWND owner);
