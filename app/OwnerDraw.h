// Owner drawing of the candidate list's entries and of the hidden-window
// menu's entries: a 16 x 16 icon at the left and the title beside it, both
// on a 21-pixel row at 96 DPI, and as much larger at a higher DPI. The
// brushes belong to the caller; dpi is the DPI of the window that draws.
#pragma once

#include <windows.h>

#include "winbase/Dpi.h"

// Height of a list entry and of a menu entry at 96 DPI, in pixels.
constexpr UINT kEntryHeight = 21;

// Height of an entry at dpi.
UINT EntryHeight(UINT dpi);

// Draws an entry of the candidate list; itemData is its CandidateRecord.
// An entry without a record is not drawn.
void DrawCandidateEntry(const DRAWITEMSTRUCT& item, HBRUSH windowBrush, HBRUSH highlightBrush, UINT dpi = kBaseDpi);

// Draws an entry of the hidden-window menu; itemData is its MenuEntry. The
// entry shows the short form of its title.
void DrawMenuEntry(const DRAWITEMSTRUCT& item, HBRUSH menuBrush, HBRUSH highlightBrush, UINT dpi = kBaseDpi);

// What an entry of the Hidden Windows list shows: the icon and the title as a candidate's, then
// the program's file name in grey (any text may be null).
struct HiddenEntryLook {
    const char* title = nullptr;
    const char* program = nullptr;
    HICON icon = nullptr;
};

// Draws an entry of the Hidden Windows list in the system's window and highlight colours. An
// item without an entry (an empty list) draws its focus rectangle only.
void DrawHiddenEntry(const DRAWITEMSTRUCT& item, const HiddenEntryLook& look, UINT dpi = kBaseDpi);

// Sizes a candidate list entry.
void MeasureCandidateEntry(MEASUREITEMSTRUCT& item, UINT dpi = kBaseDpi);

// Sizes a menu entry: EntryHeight high and as wide as its icon column and its
// short title in the menu font, both at dpi.
void MeasureMenuEntry(MEASUREITEMSTRUCT& item, HWND dialog, UINT dpi = kBaseDpi);

// After a DPI change: every entry of the owner-drawn list box gets the height
// for dpi, and the menu's owner-drawn items (and its sub-menus') are measured
// again the next time it opens.
void ResizeListEntries(HWND listBox, UINT dpi);
void RemeasureMenuEntries(HMENU menu);
