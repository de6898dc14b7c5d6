// The ways a window is hidden into the menu and brought to the front again, for every caller:
// the main dialog's hides, the batches of the command line and the hotkeys, the rules and the
// title bar. None of them touches the candidate list (the main dialog's own hides, which act on
// the list and the menu together, build on these).
//
// Foreign windows are hidden and shown with ShowForeignWindow, so a program that does not answer
// never holds the caller up. Nothing is asked of a window before its hide: the checks on the way
// read what the system keeps (the stored title), and the hide itself is the first message the
// window's program gets.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

#include "app/ForeignWindow.h"
#include "app/TitleAndIcon.h"
#include "app/held/HiddenMenu.h"
#include "app/held/UnlistedHides.h"

// Told about a window that stayed visible although its program answered the hide (it runs with
// higher rights, or it refuses the change). Such a window gets no menu entry: its entry is gone
// before the handler runs, and nothing of the hide is touched after it, so the handler may run
// a message loop.
using HideRefusedHandler = std::function<void(HWND window)>;

// Hides the window without a menu entry; true when the window is hidden or its hide is queued.
// The window is remembered in unlisted (may be null) before the hide and forgotten again when
// the program refuses it.
bool HideWithoutEntry(HWND window, const HideRefusedHandler& refused, UnlistedHides* unlisted);

// Hides the window with an entry in the menu made from its title and icon; false, leaving the
// window alone, when no entry can be made, so a window is never hidden beyond the user's reach
// by accident. A window that refuses the hide is not claimed: its entry is gone before the
// handler is told, and nothing is touched after the handler, which may run a message loop. A
// second hide while the first is still queued keeps the one entry. The entry's command id is
// stored in id.
bool HideWithEntry(const TitledWindow& window, HiddenMenu& menu, const HideRefusedHandler& refused,
                   uint32_t& id);

// Hides a window that need not be listed (a command-line request, a rule, the Hide Program
// hotkey) exactly as the double click hides a candidate: with a menu entry that carries its
// current title and icon. The window is not checked for being a candidate here; callers pick
// their windows. True when the window is hidden (or its hide is queued for a program that does
// not answer); false, with no entry left behind, when no entry could be made or the window
// refused the hide. The candidate list is not refreshed: a caller hiding many windows
// refreshes once at the end.
bool HideWindowIntoMenu(HWND window, HiddenMenu& menu, const HideRefusedHandler& refused = nullptr);

// Activates the window below start in the Z order (the first that is visible, or the
// desktop), unless no window but the desktop is visible; as Hide Active does after a hide.
void ActivateNextBelow(HWND start);

// Activates the window and gives it the keyboard focus. A window whose
// program does not answer is only made the foreground window, without
// waiting for it. A thread already known to be silent is not asked (silent
// may be null).
void BringToFrontWithoutWaiting(HWND window, SilentThreads* silent = nullptr);
