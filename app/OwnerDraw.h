// Owner drawing of the candidate list's entries and of the hidden-window
// menu's entries: a 16 x 16 icon at the left and the title beside it, both
// on a 21-pixel row. The brushes belong to the caller.
#pragma once

#include <windows.h>

// Height of a list entry and of a menu entry, in pixels.
constexpr UINT kEntryHeight = 21;

// Draws an entry of the candidate list; itemData is its CandidateRecord.
// An entry without a record is not drawn.
void DrawCandidateEntry(const DRAWITEMSTRUCT& item, HBRUSH windowBrush, HBRUSH highlightBrush);

// Draws an entry of the hidden-window menu; itemData is its MenuEntry. The
// entry shows the short form of its title.
void DrawMenuEntry(const DRAWITEMSTRUCT& item, HBRUSH menuBrush, HBRUSH highlightBrush);

// Sizes a candidate list entry.
void MeasureCandidateEntry(MEASUREITEMSTRUCT& item);

// Sizes a menu entry: kEntryHeight high and as wide as its short title in the
// dialog's plain device context.
void MeasureMenuEntry(MEASUREITEMSTRUCT& item, HWND dialog);
