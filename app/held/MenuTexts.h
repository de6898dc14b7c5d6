// The fixed items of the hidden-window menu in the language in use.
#pragma once

#include <windows.h>

#include "winbase/MenuItems.h"

// Appends the fixed items (Show Window Veilbox, Visit Quillfen, Exit) to menu, drawn by the
// program as text items of fixed.
void AppendFixedItems(HMENU menu, MenuTextItems& fixed);
// Gives the fixed items their texts in the language in use; the held entries stay as they are.
void RenameFixedItems(MenuTextItems& fixed);
