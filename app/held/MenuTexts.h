// The fixed items of the hidden-window menu in the language in use.
#pragma once

#include <windows.h>

// Appends the fixed items (Show Window Veilbox, Visit Quillfen, Exit) to menu.
void AppendFixedItems(HMENU menu);
// Gives menu's fixed items their texts in the language in use; the held entries stay as they are.
void RenameFixedItems(HMENU menu);
