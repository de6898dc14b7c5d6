// IniText: the text of a settings file and the keys and values it holds.
//
// The file mirrors the registry key it stands for. Each key below the program's key is a section
// named by its path relative to that key ("[Interface]", "[Rules\000]"); values of the program's
// key itself come before the first section, and a key outside it is a section of its whole path
// with a leading backslash ("[\Software\Other]"). Each value is one line "Name=data":
//   - a REG_DWORD of four bytes as a signed decimal number: Width=640, Left=-8;
//   - a REG_SZ that ends in its one zero and holds valid UTF-8 as quoted text with escapes
//     \\ \" \n \r \t and \xHH for every other control byte: Title="Größe \"A\"" (a ";" or "#"
//     between quotes is text, not a comment);
//   - any other value as hex(type):bytes, REG_BINARY as hex:bytes: Font=hex:01,ff.
// A name is written bare unless it is empty or holds characters that would read otherwise
// ("=", quotes, brackets, control characters, leading ; or #, spaces at either end): then it is
// quoted like text, with \xHH for bytes that are not UTF-8. A section name escapes "]", "%",
// control bytes and bytes that are not UTF-8 as %HH.
//
// Reading is lenient, as a person who edits such files by hand expects: the file may be UTF-8
// with or without its mark or UTF-16 with its mark, its lines may end in CRLF, LF or CR (see
// IniLines.h); blank lines and lines starting with ";" or "#" are comments, and a ";" or "#"
// after a section header or after a value's data (outside quotes) starts a comment. A line of a
// key that does not parse (a hand edit such as Title=Secret* without quotes, a number out of
// range, a bad escape, binary junk) is kept as an unreadable value under the name before its "="
// (nameless when that cannot be read): the store answers it as a failure. A line starting with
// "[" that names no key (not closed, text that is no comment after "]", a bad path) starts a
// foreign section: its lines are no key's. A section named twice is one key; a value named twice
// in a key keeps its last data (the place of its first). Names compare without regard to ASCII
// case, as the registry's do.
//
// Writing keeps every line Veilbox does not change, byte for byte and in its place, with its
// line end, and the file's encoding and mark (see WriteIni). Comments, blank lines, foreign
// sections and lines that do not parse are written back word for word.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "settings/IniLines.h"

struct IniValue {
    std::string name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    // The line as read when its data could not be (then type and data are not used).
    std::string unread;
};

struct IniKey {
    // The key's whole path below HKEY_CURRENT_USER, without backslashes at either end.
    std::string path;
    std::vector<IniValue> values;
};

// Keys in the order of the text.
using IniDocument = std::vector<IniKey>;

// The UTF-8 byte order mark every new file starts with.
constexpr char kIniByteOrderMark[] = "\xEF\xBB\xBF";

// The keys of the file's bytes; root is the path the file stands for (the program's key). lines,
// when given, receives the file's lines for WriteIni.
IniDocument ParseIni(const char* text, size_t size, const std::string& root, IniLines* lines = nullptr);
// The file's bytes for document, made from the lines the file was read as, in their encoding:
//   - every line is written back as it was, in its place with its line end, unless it is the
//     line a value is read from and the document holds other data for it: then the data alone is
//     replaced, the name, blanks and a comment around it kept. Of a value named twice, the last
//     line (the one read) is the one changed; the others stay and read as before.
//   - the line of a value the document no longer holds goes, every line of its name;
//   - a section of a key the document no longer holds goes from its header to its last value,
//     with the comments among its values, and with one blank line just above its header; blank
//     lines and comments after its last value stay, as they may introduce what follows. A key
//     deleted and made again keeps its place: its values that are set again stay on their lines.
//   - a new value goes just after the last value (or the header) of the last section of its
//     key (a value of the program key, whose first lines have no header, at the start of the
//     file when the file has none of its values there); a new key is a section at the end
//     of the file, after a blank line unless the file is empty or ends in one. They end in the
//     line end most lines of the file have (CRLF when none do).
// For the lines of no file (IniLines()) this is a new file: the UTF-8 mark, CRLF, the program
// key's values first, then each key as a section after a blank line.
std::string WriteIni(const IniDocument& document, const IniLines& lines, const std::string& root,
                     IniLines* written = nullptr);
// The bytes of document as a new file. ParseIni(FormatIni(d)) gives back d (with the root's
// values first).
std::string FormatIni(const IniDocument& document, const std::string& root);

// True when a and b are equal without regard to ASCII case.
bool SameIniName(const std::string& a, const std::string& b);
// The key of document at path (compared as SameIniName), or null.
IniKey* FindIniKey(IniDocument& document, const std::string& path);
// True when value is the one named name: a nameless unreadable value is named by nothing.
bool IsIniValueNamed(const IniValue& value, const std::string& name);
// Sets the value in key, replacing the data of one of the same name in its place (its name keeps
// its letters' case, as the registry's does).
void SetIniValue(IniKey& key, IniValue value);
