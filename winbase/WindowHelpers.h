// Placing a window over another one inside the desktop, and finding the
// console window of this process.
#pragma once

#include <windows.h>

// Where CenterWindow puts a window with rectangle window over reference on a
// desktop of the given size that starts at (0, 0). Halvings round toward zero,
// so an odd width or height loses one pixel. The result stays on the desktop
// where it fits; a window wider or taller than the desktop gets its right or
// bottom edge on the desktop's edge, except that a window taller than a
// reference whose top is above the screen gets its top at 0.
RECT CenteredRect(const RECT& window, const RECT& reference, int desktopWidth, int desktopHeight);

// Moves window to CenteredRect over reference (null: the desktop) and
// repaints it. Does nothing when window is not a window; a reference that is
// no longer a window counts as the desktop.
void CenterWindow(HWND window, HWND reference);

// The top-level window whose title contains this process's console title
// (ignoring case); null when the process has no console or none is found.
HWND ConsoleWindow();

// False while the message being handled comes from another thread or program that waits for the
// answer: a pointer it carries, such as a WM_NOTIFY's header, lies in the sender's memory. (The
// system refuses to post messages of that kind.)
inline bool FromThisThread()
{
    return !(InSendMessageEx(nullptr) & ISMEX_SEND);
}
