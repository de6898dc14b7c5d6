// The in-memory registry behind the stand-in Reg*A functions, and what a fuzz target needs to
// fill and inspect it. It keeps what the real registry keeps: names and REG_SZ texts as UTF-16.
// The A functions convert as they do under the UTF-8 code page: a text reads back as UTF-8, up to
// 3 bytes for every 2 stored (a lone surrogate reads as U+FFFD), a read into a short buffer fails
// with ERROR_MORE_DATA and the size it needs, and RegQueryInfoKeyA reports the stored UTF-16
// sizes. Names and keys compare without case; sub-keys enumerate sorted, values in the order made.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace fakereg {

// Empties the registry. sizeQueryReportsStored: a size query (no buffer) answers the stored
// UTF-16 size, as real Windows may, instead of the size of the UTF-8 form.
void Reset(bool sizeQueryReportsStored);

// Makes the key below HKEY_CURRENT_USER (path in UTF-8, parts separated by backslashes).
void MakeKey(const std::string& path);
// Stores a value exactly as given, as another program writing with the W functions would.
void Put(const std::string& path, const std::u16string& name, DWORD type, const std::vector<BYTE>& stored);

// A value as stored, and the values of a key below HKEY_CURRENT_USER in the order made (none for
// a key that does not exist).
struct StoredValue {
    std::u16string name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};
std::vector<StoredValue> Values(const std::string& path);

// Lengthens the text value of an open key, before its terminator, as another program rewriting
// it would; nothing for a value that is absent or not a text.
void Lengthen(HKEY key, const char* name, const std::u16string& more);

// The UTF-16 form of UTF-8 text (invalid bytes as U+FFFD) and the UTF-8 form of UTF-16 units
// (lone surrogates as U+FFFD).
std::u16string Utf16(const std::string& text);
std::string Utf8(const std::u16string& units);
// The bytes an A read hands back for data stored with this type.
std::vector<BYTE> AnsiData(DWORD type, const std::vector<BYTE>& stored);

// The whole registry as text, to tell whether anything changed.
std::string Dump();
// Handles opened and not yet closed.
int OpenHandles();

} // namespace fakereg
