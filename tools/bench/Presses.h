// Hides as a user asks for them, each timed until the window is invisible (polled every
// millisecond, as a 5 ms poll would be coarser than the bare program's whole figure). Defined in
// HideBench.cpp; the title-bar section pairs its clicks with the hotkey's presses.
#pragma once

#include <windows.h>

// Clicks the middle of the window's client area until it has been the foreground window for a
// moment (60 ms); false when it never stays there within 5 s.
bool SteadyInFront(HWND window);
// Waits until Ctrl and Shift are up; false after 3 s.
bool ModifiersUp();
// Ctrl+Shift+H pressed and released, until the window is invisible: milliseconds, -1 when it
// did not go within 3 s.
double MsUntilHiddenByHotkey(HWND window);
