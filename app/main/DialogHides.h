// The main dialog's own hides and shows, which act on its candidate list and its hidden-window
// menu together: the double-click hide, Hide Active, the unhide by menu command and the pruning
// of the menu. Each leaves the candidate list brought up to date.
#pragma once

#include <windows.h>

#include "app/held/HideOps.h"
#include "app/list/CandidateList.h"

// Reads a key's state the way GetAsyncKeyState does (high bit: held down).
using KeyStateReader = SHORT(WINAPI*)(int virtualKey);

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

// Shows the window of the menu entry with the command id again, brings it
// to the front and rebuilds the list. False when no entry has the id.
bool UnhideMenuEntry(UINT commandId, CandidateList& candidates, HiddenMenu& menu);

// Drops the menu entries whose windows are gone or visible again, then
// rebuilds the list. Runs before a menu of the dialog opens.
void PruneHiddenMenu(CandidateList& candidates, HiddenMenu& menu);
