// The ways a window is hidden and shown again from the main dialog: the
// double-click hide, Hide Active, unhide by menu command and the pruning of
// the menu. Each works on the dialog's candidate list and hidden-window menu
// and leaves the candidate list rebuilt.
//
// Foreign windows are hidden and shown with ShowForeignWindow, so a program
// that does not answer never holds the dialog up. Nothing is asked of a
// window before its hide: the checks on the way read what the system keeps
// (the stored title, the candidate list's records), and the hide itself is
// the first message the window's program gets.
#pragma once

#include <windows.h>

#include <functional>

#include "app/list/CandidateList.h"
#include "app/held/ForeignWindow.h"
#include "app/held/HiddenMenu.h"
#include "app/held/UnlistedHides.h"

// Reads a key's state the way GetAsyncKeyState does (high bit: held down).
using KeyStateReader = SHORT(WINAPI*)(int virtualKey);

// Told about a window that stayed visible although its program answered the hide (it runs with
// higher rights, or it refuses the change). Such a window gets no menu entry: its entry is gone
// before the handler runs, and nothing of the hide is touched after it, so the handler may run
// a message loop.
using HideRefusedHandler = std::function<void(HWND window)>;

// Hides the window of the selected candidate. Without Shift held, the window
// first gets a menu entry; with Shift it is hidden without one (and if no
// entry can be made, the window is not hidden at all). Shift is read before
// the window is hidden, Ctrl after the list has been rebuilt; with Ctrl held
// WM_CLOSE is posted to dialog. False when nothing was selected. A window hidden without an
// entry is remembered in unlisted (may be null) before anything pumps messages.
bool HideSelectedCandidate(HWND dialog, CandidateList& candidates, HiddenMenu& menu,
                           KeyStateReader keyState = GetAsyncKeyState,
                           const HideRefusedHandler& refused = nullptr, UnlistedHides* unlisted = nullptr);

// Hides the foreground window when it is a listed candidate, with a menu
// entry (its list entry is selected before the hide, so the list is left
// without a selection), then activates the next visible window below it in the Z order.
// With the dialog itself in the foreground the dialog is sent WM_CLOSE
// instead; with the desktop ("Program Manager") in the foreground nothing
// happens at all. Returns the window hidden, or null.
HWND HideActiveWindow(HWND dialog, CandidateList& candidates, HiddenMenu& menu,
                      const HideRefusedHandler& refused = nullptr);

// Hides a window that need not be listed (a command-line request, a rule, the Hide Program
// hotkey) exactly as the double click hides a candidate: with a menu entry that carries its
// current title and icon. The window is not checked for being a candidate here; callers pick
// their windows. True when the window is hidden (or its hide is queued for a program that does
// not answer); false, with no entry left behind, when no entry could be made or the window
// refused the hide. The candidate list is not refreshed: a caller hiding many windows
// refreshes once at the end.
bool HideWindowIntoMenu(HWND window, HiddenMenu& menu, const HideRefusedHandler& refused = nullptr);

// Shows the window of the menu entry with the command id again, brings it
// to the front and rebuilds the list. False when no entry has the id.
bool UnhideMenuEntry(UINT commandId, CandidateList& candidates, HiddenMenu& menu);

// Drops the menu entries whose windows are gone or visible again, then
// rebuilds the list. Runs before a menu of the dialog opens.
void PruneHiddenMenu(CandidateList& candidates, HiddenMenu& menu);

// Activates the window below start in the Z order (the first that is visible, or the
// desktop), unless no window but the desktop is visible; as Hide Active does after a hide.
void ActivateNextBelow(HWND start);

// Activates the window and gives it the keyboard focus. A window whose
// program does not answer is only made the foreground window, without
// waiting for it. A thread already known to be silent is not asked (silent
// may be null).
void BringToFrontWithoutWaiting(HWND window, SilentThreads* silent = nullptr);
