// The settings file's text: what a file as a person or another program may leave it reads as,
// and that every value the program can store is written so that it reads back the same.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "settings/IniText.h"

namespace {

constexpr char kRoot[] = "Software\\Quillfen\\Veilbox";

std::vector<BYTE> Text(const std::string& text)
{
    std::vector<BYTE> data(text.begin(), text.end());
    data.push_back(0);
    return data;
}

std::vector<BYTE> Number(int32_t number)
{
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&number);
    return std::vector<BYTE>(bytes, bytes + sizeof number);
}

// The value at path\name of the parsed text, or a REG_NONE value when it is not there.
IniValue Lookup(const std::string& text, const std::string& path, const std::string& name)
{
    IniDocument document = ParseIni(text.data(), text.size(), kRoot);
    const IniKey* key = FindIniKey(document, path);
    for (const IniValue& value : key ? key->values : std::vector<IniValue>())
        if (SameIniName(value.name, name))
            return value;
    return IniValue{};
}

} // namespace

TEST(IniText, ReadsWhatAPersonOrAnotherProgramMayWrite)
{
    const std::string root = kRoot;
    const struct {
        const char* what;
        std::string text;
        std::string path, name;
        DWORD type;
        std::vector<BYTE> data;
    } cases[] = {
        {"a number, CRLF and a byte order mark", "\xEF\xBB\xBF[Interface]\r\nMinButtonHide=1\r\n", root + "\\Interface",
         "minbuttonhide", REG_DWORD, Number(1)},
        {"a negative number, LF without a mark", "[MainWindow]\nLeft = -8\n", root + "\\MainWindow", "Left", REG_DWORD,
         Number(-8)},
        {"the largest DWORD", "[A]\nB=4294967295\n", root + "\\A", "B", REG_DWORD, Number(-1)},
        {"a number out of range is not read", "[A]\nB=4294967296\n", root + "\\A", "B", REG_NONE, {}},
        {"text with escapes and Unicode", "[Rules\\000]\nTitle=\"\xCE\xA3 \\\"q\\\" \\\\ \\n\\x01\"\n",
         root + "\\Rules\\000", "Title", REG_SZ, Text("\xCE\xA3 \"q\" \\ \n\x01")},
        {"a bad escape is not read", "[A]\nT=\"a\\qb\"\n", root + "\\A", "T", REG_NONE, {}},
        {"text after the closing quote is not read", "[A]\nT=\"a\" b\n", root + "\\A", "T", REG_NONE, {}},
        {"binary as hex", "[Fonts]\nList=hex:01,FF,00\n", root + "\\Fonts", "List", REG_BINARY, {1, 0xFF, 0}},
        {"another type by its number", "[A]\nM=hex(7):61,00,00\n", root + "\\A", "M", 7, {'a', 0, 0}},
        {"values before any section are the program key's", "OwnerProcessId=12\n[A]\n", root, "OwnerProcessId",
         REG_DWORD, Number(12)},
        {"a key outside the program's by its whole path", "[\\Software\\Other]\nX=1\n", "Software\\Other", "X",
         REG_DWORD, Number(1)},
        {"a section named twice is one key, the last value wins", "[Held]\nA=1\n[held]\na=2\n", root + "\\Held", "A",
         REG_DWORD, Number(2)},
        {"a quoted name with an equals sign", "[A]\n\"x=y\"=\"v\"\n", root + "\\A", "x=y", REG_SZ, Text("v")},
        {"comments and junk lines are skipped", "[A]\n;X=1\n#X=2\n\x01\xFF\xFE\nX\nX=3\n", root + "\\A", "X",
         REG_DWORD, Number(3)},
        {"the values of a section that names no key are skipped", "[a\\\\b]\nX=1\n", root + "\\a\\\\b", "X",
         REG_NONE, {}},
        {"an escaped bracket in a section name", "[a%5Db]\nX=1\n", root + "\\a]b", "X", REG_DWORD, Number(1)},
        {"a line of megabytes of zero bytes is skipped, not the next",
         "[A]\n" + std::string(3u << 20, '\0') + "\nX=4\n", root + "\\A", "X", REG_DWORD, Number(4)},
        {"a text of a megabyte", "[A]\nT=\"" + std::string(1u << 20, 'a') + "\"\n", root + "\\A", "T", REG_SZ,
         Text(std::string(1u << 20, 'a'))},
        {"quoted bytes that are not UTF-8 are kept", "[A]\nT=\"\xFF\xC0\x80\"\n", root + "\\A", "T", REG_SZ,
         Text("\xFF\xC0\x80")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const IniValue value = Lookup(c.text, c.path, c.name);
        EXPECT_EQ(value.type, c.type);
        EXPECT_EQ(value.data, c.data);
    }
}

TEST(IniText, EveryStoredValueReadsBackTheSame)
{
    const std::string root = kRoot;
    IniDocument document = {
        {root, {{"OwnerCreated", REG_SZ, Text("13349842100000000")}}},
        {root + "\\Interface", {{"IconPerWindow", REG_DWORD, Number(1)}, {"Left", REG_DWORD, Number(-2147483647 - 1)}}},
        {root + "\\Rules\\000",
         {{"Title", REG_SZ, Text("\xE6\x9D\xB1\xE4\xBA\xAC \"*\" \\ \r\n\t\x7F end ")},
          {"Odd", REG_SZ, {'a', 0, 'b', 0}},
          {"Cut", REG_SZ, {'a', 'b'}},
          {"Latin1", REG_SZ, Text("\xE9t\xE9")},
          {"Short", REG_DWORD, {1, 2}},
          {"", REG_SZ, Text("default")},
          {" spaced =[x]", REG_BINARY, {}},
          {";lead", 11, {1, 2, 3, 4, 5, 6, 7, 8}}}},
        {root + "\\Empty", {}},
        {"Software\\Other Program", {{"X", REG_DWORD, Number(7)}}},
    };
    const std::string text = FormatIni(document, root);
    EXPECT_EQ(0, std::memcmp(text.data(), kIniByteOrderMark, 3));
    const IniDocument read = ParseIni(text.data(), text.size(), root);
    ASSERT_EQ(read.size(), document.size()) << text;
    for (size_t k = 0; k < document.size(); ++k) {
        EXPECT_TRUE(SameIniName(read[k].path, document[k].path)) << read[k].path;
        ASSERT_EQ(read[k].values.size(), document[k].values.size()) << text;
        for (size_t v = 0; v < document[k].values.size(); ++v) {
            SCOPED_TRACE(document[k].values[v].name);
            EXPECT_EQ(read[k].values[v].name, document[k].values[v].name);
            EXPECT_EQ(read[k].values[v].type, document[k].values[v].type);
            EXPECT_EQ(read[k].values[v].data, document[k].values[v].data);
        }
    }
    EXPECT_NE(text.find("\r\n[Interface]\r\nIconPerWindow=1\r\nLeft=-2147483648\r\n"), std::string::npos) << text;
}

// A hand-edited line that does not parse is neither lost nor read as something else: it stays a
// value that cannot be read (under its name when that reads), is written back word for word, and
// a value set under its name replaces it.
TEST(IniText, ALineThatDoesNotParseIsKeptWordForWord)
{
    const std::string root = kRoot;
    const struct {
        const char* what;
        std::string line, name;
    } cases[] = {
        {"text without quotes", "Title=Secret*", "Title"},
        {"a number out of range", "Left=4294967296", "Left"},
        {"a bad escape under a quoted name", "\"T i\"=\"a\\qb\"", "T i"},
        {"a line with no name", "\x01\xFF junk", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string text = "[Rules\\000]\r\nExe=\"notepad.exe\"\r\n" + c.line + "\r\n";
        IniDocument document = ParseIni(text.data(), text.size(), root);
        IniKey* key = FindIniKey(document, root + "\\Rules\\000");
        ASSERT_TRUE(key && key->values.size() == 2u);
        EXPECT_EQ(key->values[1].unread, c.line);
        EXPECT_EQ(key->values[1].name, c.name);
        EXPECT_NE(FormatIni(document, root).find("\r\n" + c.line + "\r\n"), std::string::npos) << "written back";
        EXPECT_EQ(IsIniValueNamed(key->values[1], c.name), !c.name.empty()) << "a nameless line answers no name";
        SetIniValue(*key, {c.name, REG_SZ, Text("set"), {}});
        EXPECT_EQ(key->values.size(), c.name.empty() ? 3u : 2u);
        EXPECT_EQ(FormatIni(document, root).find(c.line) != std::string::npos, c.name.empty()) << "replaced";
    }
}
