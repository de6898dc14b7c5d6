// Which invisible top-level windows the Hidden Windows dialog offers by default: those a user may
// have hidden, not the windows programs keep hidden for the system's plumbing (input methods,
// text services, graphics and runtime helpers). Everything here is read from what the system
// keeps about a window, without a message to it, so a stuck program costs nothing.
#pragma once

#include <windows.h>

#include "text/NString.h"

// What the decision reads of a window.
struct WindowLook {
    LONG_PTR style = 0;
    LONG_PTR exStyle = 0;
    NString className;
    // The window's rectangle (its restored one while it is minimised) has no area.
    bool emptyRect = false;
    // The desktop compositor keeps the window out of view (DWMWA_CLOAKED).
    bool cloaked = false;
};

// The look of a live window; a window that is gone has an empty class and rectangle.
WindowLook LookOf(HWND window);

// True for a class that only the system's plumbing uses: a whole class name or a documented
// prefix, without regard to case (as the system compares class names). Some classes count only
// while their window is cloaked.
bool IsPlumbingClass(const char* className, bool cloaked);

// True when the window looks like an application window a user could have hidden: it has a
// caption or WS_EX_APPWINDOW, is no tool window, is enabled, has area and is of no plumbing
// class.
bool LooksLikeApplicationWindow(const WindowLook& look);
