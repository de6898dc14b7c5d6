// Owner drawing of the program's entry rows (the candidate list, the hidden-window menu and the
// Hidden Windows list): a 16 x 16 icon at the left and the text beside it, both on a 21-pixel row
// at 96 DPI (kEntryHeight), and as much larger at a higher DPI, in the colours of the kind of row
// (winbase/Theme.h: RowLook). dpi is the DPI of the window that draws. Texts are in the ANSI code page and shown
// as they are (an & is a plain &).
#pragma once

#include <windows.h>

#include "winbase/Dpi.h"
#include "winbase/MenuItems.h"
#include "winbase/Theme.h"

// What differs between the kinds of rows.
struct EntryLook {
    const char* text;
    HICON icon;
    // The row keeps the icon's column free of the selection fill.
    bool iconColumn;
    // Drawn in grey after the text; may be null.
    const char* note = nullptr;
};

// Draws one row as the item asks (the whole row, its selection or its focus).
void DrawEntry(const DRAWITEMSTRUCT& item, const EntryLook& look, const RowLook& rows, UINT dpi);

// True for the item a list box draws while it has no entries (its focus rectangle only).
bool IsNoItem(const DRAWITEMSTRUCT& item);

// What an entry of the Hidden Windows list shows: the icon and the title as a candidate's, then
// the program's file name in grey (any text may be null).
struct HiddenEntryLook {
    const char* title = nullptr;
    const char* program = nullptr;
    HICON icon = nullptr;
};

// Draws an entry of the Hidden Windows list in the rows' colours. An item without an entry (an
// empty list) draws its focus rectangle only.
void DrawHiddenEntry(const DRAWITEMSTRUCT& item, const HiddenEntryLook& look, const RowLook& rows,
                     UINT dpi = kBaseDpi);

// The width of a menu row: its icon column (or the narrower start without an icon) and its text
// in the menu font at dpi; 0 when it cannot be measured.
UINT MenuEntryWidth(const char* text, bool withIcon, HWND dialog, UINT dpi);

// After a DPI change: every entry of the owner-drawn list box gets the height
// for dpi, and the menu's owner-drawn items (and its sub-menus') are measured
// again the next time it opens.
void ResizeListEntries(HWND listBox, UINT dpi);
void RemeasureMenuEntries(HMENU menu);
