// Key names and the display texts of a key combination.
//
// Text is only ever produced from a combination, never parsed back: stored
// combinations are numbers and captured ones come from key presses.
#pragma once

#include <cstdint>

#include "text/NString.h"

struct HotkeyRecord;

// Name of a virtual-key code ("RETURN", "F1", "NUMPAD7", "VK_OEM_CLEAR"...).
// Only the low 8 bits of a code without a name count: below 0x80 they give
// the one character of that code, so letter and digit keys read "A".."Z" and
// "0".."9" and 0 gives the empty text; from 0x80 up, what the key shows in
// the keyboard layout (";" for VK_OEM_1 on a US keyboard), else the layout's
// name of the key, else the code ("0xE8"). Codes above 0xFF never match a
// name (0x141 reads "A").
NString KeyName(uint32_t code);

// KeyName of the record's key.
NString RecordKeyName(const HotkeyRecord& record);

// Combination as shown in messages and help popups: "Ctrl+", "Alt+", "Shft+"
// in that order, then the key name (Ctrl+Alt+Shft+F1). The modifiers are named
// in the language in use (German: Strg+Alt+Umschalt+F1); only what is shown
// changes with the language, never what is stored.
NString HotkeyText(const HotkeyRecord& record);

// Combination as shown by the key bindings editor: "Ctrl+", "Shft+", "Alt+"
// in that order, then the key name (Ctrl+Shft+Alt+F1), named as above.
NString BindingText(const HotkeyRecord& record);
