// IniData: the pieces of the settings file's text below its lines (see IniText.h): quoted text
// with its escapes, value data in its three forms, and the bytes they are made of.
#pragma once

#include <string>

#include "settings/IniText.h"

namespace initext {

char LowerAscii(char c);
// The value of a hexadecimal digit, or -1.
int HexDigit(char c);
// prefix and the byte as two upper-case hexadecimal digits, appended to out.
void AppendHexByte(std::string& out, const char* prefix, unsigned char byte);
// Length of the valid UTF-8 sequence at text (shortest form, no surrogate), or 0.
size_t Utf8SequenceLength(const unsigned char* text, size_t left);
// True when text is valid UTF-8 (shortest forms, no surrogates).
bool IsValidUtf8(const unsigned char* text, size_t size);
// text between quotes; every control byte, every byte that is not UTF-8, the quote and the
// backslash escaped (so that the quoted text is UTF-8 whatever text is).
std::string Quote(const char* text, size_t size);
// Reads quoted text at line[at] (the opening quote) into text; at ends past the closing quote.
bool Unquote(const std::string& line, size_t& at, std::string& text);
// True for a name that would not read back bare.
bool NameNeedsQuotes(const std::string& name);
// The data of a value as the text after "=", and back.
std::string FormatData(const IniValue& value);
bool ParseData(const std::string& text, IniValue& value);

} // namespace initext
