// Checking held-window records against the windows as they are now, and taking the windows of
// a copy that was killed back into the menu (see HeldWindowStore::Recover).
#pragma once

#include <windows.h>

#include <vector>

#include "app/ForeignWindow.h"
#include "app/held/HeldRecordText.h"
#include "app/held/HiddenMenu.h"
#include "text/NString.h"

// The record for a window as it is now; processId 0 when the window is gone.
HeldRecord DescribeWindow(HWND window, const NString& title, const std::vector<HWND>& owned = {});

// True when the record still describes a live window of the same process (hidden or not).
bool SameWindow(const HeldRecord& record);
// True when SameWindow holds and the window is hidden.
bool StillHeld(const HeldRecord& record);

// The record's owned windows that may still be shown with it: each still exists, belongs to the
// record's process, is owned by the record's window (directly or through other owned windows)
// and is hidden (or, with hiddenOnly false, visible too: their hides may still be queued). A
// handle reused by the system for any other window is left out.
std::vector<HWND> StillOwned(const HeldRecord& record, bool hiddenOnly = true);

// One record per window, oldest first: of several records of a window the newest (the last
// given), with the owned windows of all of them.
std::vector<HeldRecord> OneRecordPerWindow(const std::vector<HeldRecord>& records);

// Puts the record's window back at the top of the menu with the owned windows StillOwned keeps,
// when it is the same window and hidden; true when it did. A visible window whose program does
// not answer a short probe (one probe per program, through silent) may have a hide still queued
// by the copy that wrote the record: its entry's hide is then pending (see
// HiddenMenu::AwaitQueuedHide) and keeps the owned windows visible now too. The owned windows of a
// window that is visible and answers are shown again. Sends bounded messages only.
bool TakeBackHeldWindow(HiddenMenu& menu, const HeldRecord& record, SilentThreads& silent);
