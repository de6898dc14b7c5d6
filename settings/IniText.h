// IniText: the text of a settings file and the keys and values it holds.
//
// The file mirrors the registry key it stands for. Each key below the program's key is a section
// named by its path relative to that key ("[Interface]", "[Rules\000]"); values of the program's
// key itself come before the first section, and a key outside it is a section of its whole path
// with a leading backslash ("[\Software\Other]"). Each value is one line "Name=data":
//   - a REG_DWORD of four bytes as a signed decimal number: Width=640, Left=-8;
//   - a REG_SZ that ends in its one zero and holds valid UTF-8 as quoted text with escapes
//     \\ \" \n \r \t and \xHH for every other control byte: Title="Größe \"A\"";
//   - any other value as hex(type):bytes, REG_BINARY as hex:bytes: Font=hex:01,ff.
// A name is written bare unless it is empty or holds characters that would read otherwise
// ("=", quotes, brackets, control characters, leading ; or #, spaces at either end): then it is
// quoted like text. A section name escapes "]", "%" and control bytes as %HH.
//
// Reading is lenient: CRLF or LF, with or without the UTF-8 byte order mark; blank lines and
// lines starting with ";" or "#" are comments. A line of a key that does not parse (a hand edit
// such as Title=Secret* without quotes, a number out of range, a bad escape, binary junk) is kept
// as an unreadable value under the name before its "=" (nameless when that cannot be read): the
// store answers it as a failure, and the text is written back word for word. Every value of a
// section whose name is not a path is skipped. A section named twice is one key; a value named twice in a key keeps its last data (the
// place of its first). Names compare without regard to ASCII case, as the registry's do.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

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

// The UTF-8 byte order mark every written file starts with.
constexpr char kIniByteOrderMark[] = "\xEF\xBB\xBF";

// The keys of text; root is the path the file stands for (the program's key).
IniDocument ParseIni(const char* text, size_t size, const std::string& root);
// The text of the keys, starting with the byte order mark; keys outside root keep their whole
// path. ParseIni(FormatIni(d)) gives back d (with the root's values first).
std::string FormatIni(const IniDocument& document, const std::string& root);

// True when a and b are equal without regard to ASCII case.
bool SameIniName(const std::string& a, const std::string& b);
// The key of document at path (compared as SameIniName), or null.
IniKey* FindIniKey(IniDocument& document, const std::string& path);
// True when value is the one named name: a nameless unreadable value is named by nothing.
bool IsIniValueNamed(const IniValue& value, const std::string& name);
// Sets the value in key, replacing one of the same name in its place.
void SetIniValue(IniKey& key, IniValue value);
