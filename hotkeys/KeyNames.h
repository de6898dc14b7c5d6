// Key names and the display texts of a key combination.
//
// Text is only ever produced from a combination, never parsed back: stored
// combinations are numbers and captured ones come from key presses.
#pragma once

#include <cstdint>

#include "text/NString.h"

struct HotkeyRecord;

// Name of a virtual-key code ("RETURN", "F1", "NUMPAD7", "VK_OEM_CLEAR"...).
// A code without a name gives the one character whose code is the low 8 bits
// of the argument, so letter and digit keys read "A".."Z" and "0".."9"; a code
// whose low 8 bits are 0 gives the empty text. Codes above 0xFF never match
// a name (0x141 reads "A").
NString KeyName(uint32_t code);

// KeyName of the record's key.
NString RecordKeyName(const HotkeyRecord& record);

// Combination as shown in messages and help popups: "Ctrl+", "Alt+", "Shft+"
// in that order, then the key name (Ctrl+Alt+Shft+F1).
NString HotkeyText(const HotkeyRecord& record);

// Combination as shown by the key bindings editor: "Ctrl+", "Shft+", "Alt+"
// in that order, then the key name (Ctrl+Shft+Alt+F1).
NString BindingText(const HotkeyRecord& record);
