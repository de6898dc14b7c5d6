// StateLines: the text of the state file (see StateFile.h), a journal of the changes to one key's
// values, one line each, applied in order:
//   "<checksum> set <name> <type> <data>"   the value named name is now of type, with data;
//   "<checksum> del <name>"                 it is gone.
// The checksum is the CRC-32 of everything after its blank up to the line's end, as eight
// lower-case hexadecimal digits: a line torn by a kill, or damaged in any byte, fails it. The type
// is decimal. A name writes every byte but the printable ASCII ones other than "%" as %HH; the
// data, the rest of the line, keeps its blanks too, and a text (REG_SZ) its bytes from 0x80 on, so
// that a text reads as itself in UTF-8 (its terminating zero is its last %00).
//
// Reading takes every line that passes its check and skips every other one (a torn or damaged
// line, junk, a line of a later version): nothing read is ever a part of a line.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

struct StateValue {
    std::string name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

// In the order each name was first set; names compare without regard to ASCII case.
using StateValues = std::vector<StateValue>;

// The line of each change, ending in its line feed. A name must not be empty.
std::string StateSetLine(const StateValue& value);
std::string StateDeleteLine(const std::string& name);
// The values of a whole text, as the lines of text apply.
StateValues ReadStateText(const char* text, size_t size);
// A text that reads as values: one set line each.
std::string StateText(const StateValues& values);

// The value named name, or null.
StateValue* FindStateValue(StateValues& values, const std::string& name);
// Sets or removes a value as its line does; false when a removal found nothing.
void SetStateValue(StateValues& values, StateValue value);
bool RemoveStateValue(StateValues& values, const std::string& name);
