// Operations on many windows at once, shared by the command line, the Restore Last, Restore All
// and Hide Program hotkeys and the quit request. Each works through the hidden-window menu's
// public operations and keeps only window handles and command ids across anything that may
// pump messages, never an entry: an entry may be gone by the time a send returns. None of them
// refreshes the candidate list; the caller refreshes once afterwards.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "app/held/HiddenMenu.h"
#include "app/rules/WindowMatch.h"

// The held entries' command ids in the menu's order: the newest (top) first.
std::vector<uint32_t> HeldIdsNewestFirst(const HiddenMenu& menu);

// Shows every held window that wanted accepts (every one when wanted is empty), oldest first,
// and drops its entry; the menu stays. The last one shown, the newest, is brought to the front.
// Returns the windows shown, oldest first. Stops early once the program is ending.
std::vector<HWND> ShowHeldWindows(HiddenMenu& menu, const std::function<bool(HWND)>& wanted = nullptr);

// Shows the newest held window, drops its entry and brings the window to the front; null when
// nothing is held.
HWND RestoreLastHeld(HiddenMenu& menu);

// Shows every held window and the windows it owned again at once, newest first, leaving the
// entries and the menu as they are (for the end of the program, which frees them later).
void UncoverHeldWindows(const HiddenMenu& menu);

struct BatchHide {
    std::vector<HWND> hidden;  // front-most last, so it holds the top entry
    int refused = 0;           // windows that stayed visible
};

// Hides the windows, given front to back, into the menu (one entry each), back to front so that
// the front-most window gets the top entry. Windows that refuse the hide are counted, not
// reported. Stops early once the program is ending.
BatchHide HideIntoMenu(const std::vector<HWND>& frontToBack, HiddenMenu& menu);

enum class ToggleAct { Nothing, Hidden, Shown, Fronted };

struct ToggleOutcome {
    ToggleAct act = ToggleAct::Nothing;
    std::vector<HWND> windows;  // hidden (front-most last), shown (oldest first) or brought to front
    int refused = 0;            // windows that stayed visible
};

// A rule's hotkey and the toggle command over the windows that match the criteria, once the menu
// has dropped the entries of windows gone or shown again (see HiddenMenu::Prune), in this order:
// when the window in front (foreground, or the window that owns it) matches, every visible
// matching window is hidden into the menu (one entry each, with its owned windows); else the held
// matching windows are shown, the newest in front; else, with frontShown, the front-most visible
// matching window is brought to the front, restored first when minimised, and without it the
// visible matching windows are hidden. Nothing when no window matches (act Nothing). Every call to
// another program's window is bounded.
ToggleOutcome ToggleMatching(HiddenMenu& menu, const WindowCriteria& criteria, HWND foreground, bool frontShown);

// The Hide Program hotkey: hides every visible window that may be acted on of the foreground
// window's program (the same program file by its full path, or the same process when the file
// cannot be named), then brings the window that was below the foreground window to the front.
// Nothing happens for the desktop; for one of this process's windows, the caller decides
// (outcome empty, false).
bool HideForegroundProgram(HiddenMenu& menu, BatchHide& outcome);
