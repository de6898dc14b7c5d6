// The main dialog's owner-drawn rows: the entries of its candidate list and of its hidden-window
// menu, drawn as OwnerDraw.h draws every row of the program.
#pragma once

#include <windows.h>

#include "winbase/Dpi.h"
#include "winbase/Theme.h"

// Draws an entry of the candidate list in the list rows' colours; itemData is its
// CandidateRecord. An entry without a record is not drawn.
void DrawCandidateEntry(const DRAWITEMSTRUCT& item, const RowLook& rows, UINT dpi = kBaseDpi);

// Draws an entry of the hidden-window menu in the menu rows' colours; itemData is its MenuEntry.
// The entry shows the short form of its title.
void DrawMenuEntry(const DRAWITEMSTRUCT& item, const RowLook& rows, UINT dpi = kBaseDpi);

// Sizes a candidate list entry.
void MeasureCandidateEntry(MEASUREITEMSTRUCT& item, UINT dpi = kBaseDpi);

// Sizes a menu entry: EntryHeight high and as wide as its icon column and its
// short title in the menu font, both at dpi.
void MeasureMenuEntry(MEASUREITEMSTRUCT& item, HWND dialog, UINT dpi = kBaseDpi);
