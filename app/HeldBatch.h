// Operations on many windows at once, shared by the command line, the Restore Last, Restore All
// and Hide Program hotkeys and the quit request. Each works through the hidden-window menu's
// public operations and keeps only window handles and command ids across anything that may
// pump messages, never an entry: an entry may be gone by the time a send returns. None of them
// refreshes the candidate list; the caller refreshes once afterwards.
#pragma once

#include <windows.h>

#include "app/HiddenMenu.h"

// Shows every held window and the windows it owned again at once, newest first, leaving the
// entries and the menu as they are (for the end of the program, which frees them later).
void UncoverHeldWindows(const HiddenMenu& menu);
