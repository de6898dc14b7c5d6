// IniLines: the bytes of the settings file as lines of UTF-8 text, and back to the same bytes.
//
// A file's first bytes decide its encoding: the UTF-8 mark (EF BB BF), the UTF-16 LE mark
// (FF FE, Notepad's "Unicode") or the UTF-16 BE one (FE FF); any other file is UTF-8 without a
// mark, whatever its bytes. An empty file is a new one: it is written with the UTF-8 mark.
// UTF-16 text is held as UTF-8 in which a lone surrogate keeps its three-byte form, so that any
// sequence of units is written back unit for unit; an odd last byte is kept apart and written
// last. UTF-8 text is held as it is, bytes that are not UTF-8 included.
//
// A line ends in CRLF, LF or a lone CR (in UTF-16 the units 000D and 000A); the last line of a
// file may have no end.
#pragma once

#include <cstddef>
#include <string>

enum class IniEncoding { Utf8, Utf8Marked, Utf16Le, Utf16Be };

// A file's text as lines of UTF-8, with what it takes to write them back in the file's form.
struct IniLines {
    IniEncoding encoding = IniEncoding::Utf8Marked;
    // The text without the mark.
    std::string text;
    // The odd last byte of a UTF-16 file.
    std::string tail;
};

IniLines DecodeIniFile(const char* bytes, size_t size);
// The bytes of lines in their encoding, with the mark. Text that is not UTF-8 becomes U+FFFD in a
// UTF-16 file (text decoded from one is always UTF-8).
std::string EncodeIniFile(const IniLines& lines);

// One line of a text: its first byte, its length without its end, and the length of its end.
struct IniLineSpan {
    size_t start = 0;
    size_t size = 0;
    size_t endSize = 0;
    size_t Next() const { return start + size + endSize; }
};

// The line of text that starts at at (below text.size()).
IniLineSpan IniLineAt(const std::string& text, size_t at);
