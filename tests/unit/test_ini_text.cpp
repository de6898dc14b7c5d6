// The settings file's text: what a file as a person or another program may leave it reads as,
// and that every value the program can store is written so that it reads back the same.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
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

// text as UTF-16 with its mark, in either byte order.
std::string Utf16(const std::u16string& text, bool bigEndian)
{
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t unit : text) {
        const char high = char(unit >> 8), low = char(unit & 0xFF);
        out += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return out;
}

using Change = std::function<void(IniDocument&)>;

Change Set(const std::string& path, const std::string& name, int32_t number)
{
    return [=](IniDocument& document) {
        if (!FindIniKey(document, path))
            document.push_back({path, {}});
        SetIniValue(*FindIniKey(document, path), {name, REG_DWORD, Number(number), {}});
    };
}

Change Delete(const std::string& path, const std::string& name)
{
    return [=](IniDocument& document) {
        std::vector<IniValue>& values = FindIniKey(document, path)->values;
        for (size_t i = 0; i < values.size(); ++i)
            if (IsIniValueNamed(values[i], name))
                values.erase(values.begin() + i);
    };
}

Change DeleteKey(const std::string& path)
{
    return [=](IniDocument& document) {
        document.erase(document.begin() + (FindIniKey(document, path) - document.data()));
    };
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
        {"a comment after a section header", "[Interface] ; the options I chose\r\nIconPerWindow=1\r\n",
         root + "\\Interface", "IconPerWindow", REG_DWORD, Number(1)},
        {"a comment after a value", "[A]\nX=-3#three\n", root + "\\A", "X", REG_DWORD, Number(-3)},
        {"quotes keep ; and # as text", "[A]\nT=\"a;\\\"#\" ; c\n", root + "\\A", "T", REG_SZ, Text("a;\"#")},
        {"text after the closing quote that is no comment", "[A]\nT=\"a\" b ; c\n", root + "\\A", "T", REG_NONE, {}},
        {"lines that end in a lone CR", "[A]\rX=5\rY=6\r", root + "\\A", "Y", REG_DWORD, Number(6)},
        {"UTF-16 LE with its mark", Utf16(u"[\u6771]\r\nT=\"\u00E9\U0001F4BE\"\r\n", false), root + "\\\xE6\x9D\xB1", "T",
         REG_SZ, Text("\xC3\xA9\xF0\x9F\x92\xBE")},
        {"UTF-16 BE with its mark", Utf16(u"[A]\nX=2\n", true), root + "\\A", "X", REG_DWORD, Number(2)},
        {"text after ] that is no comment names no key", "[A]B=1\nX=1\n", root + "\\A", "X", REG_NONE, {}},
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

// A write into the lines the file was read as changes what the document changed and nothing
// else: every other line stays byte for byte in its place with its line end, in the file's
// encoding and with its mark or none.
TEST(IniText, AWriteKeepsEveryLineItDoesNotChange)
{
    const std::string root = kRoot, a = root + "\\A", held = root + "\\Held";
    const struct {
        const char* what;
        std::string before;
        Change change;
        std::string after;
    } cases[] = {
        {"comments and blank lines stay, a value changes in place with its comment",
         "\xEF\xBB\xBF; mine\r\n\r\n[A] ; chosen\r\n  X = 0 ; no\r\n#end", Set(a, "x", 1),
         "\xEF\xBB\xBF; mine\r\n\r\n[A] ; chosen\r\n  X = 1 ; no\r\n#end"},
        {"lone CR line ends, no mark", "[A]\rX=1\r", Set(a, "Y", 2), "[A]\rX=1\rY=2\r"},
        {"a new value before what introduces the next section", "[A]\nX=1\n\n; next\n[B]\n", Set(a, "Y", 2),
         "[A]\nX=1\nY=2\n\n; next\n[B]\n"},
        {"a new value in the last section of a key named twice, a new key at the end",
         "[A]\nX=1\n[Weird]Line=1\nX=1\n[a]\n[Rules\\001\n",
         [&](IniDocument& d) { Set(a, "Y", 2)(d), Set(held, "Z", 3)(d); },
         "[A]\nX=1\n[Weird]Line=1\nX=1\n[a]\nY=2\n[Rules\\001\n\n[Held]\nZ=3\n"},
        {"of a value named twice the last line changes", "[A]\nX=1\nX=2\n", Set(a, "X", 3), "[A]\nX=1\nX=3\n"},
        {"a value that goes takes every line of its name", "[A]\nX=1\n;c\nx=2\nY=1\n", Delete(a, "X"),
         "[A]\n;c\nY=1\n"},
        {"a key that goes takes its lines down to its last value and the blank line above",
         "X=1\r\n\r\n[Held]\r\n; inside\r\n0=1\r\n; after\r\n\r\n[B]\r\n", DeleteKey(held),
         "X=1\r\n; after\r\n\r\n[B]\r\n"},
        {"a key deleted and made again keeps its place, its comments and unchanged lines",
         "[A]\n; mine\nX=1\nJunk\nY=\"old\"\n[B]\n",
         [&](IniDocument& d) { DeleteKey(a)(d), Set(a, "X", 1)(d), Set(a, "Z", 3)(d); },
         "[A]\n; mine\nX=1\nZ=3\n[B]\n"},
        {"a last line without an end gains one", "[A]\nX=1", Set(a, "Y", 2), "[A]\nX=1\nY=2\n"},
        {"a blank line after a lone CR does not join it", "[A]\nX=1\nY=2\r", Set(held, "Z", 3),
         "[A]\nX=1\nY=2\r\r[Held]\nZ=3\n"},
        {"a line of the file left above a section that goes keeps its lone CR",
         "[A]\rX=1\r\r[Held]\r0=1\n\n[B]\rY=2\r", DeleteKey(held), "[A]\rX=1\r\r[B]\rY=2\r"},
        {"a new line before a blank LF line ends in CRLF, the blank line kept", "[A]\rX=1\n\n[B]\rY=2\r",
         Set(a, "Z", 3), "[A]\rX=1\nZ=3\r\n\n[B]\rY=2\r"},
        {"UTF-16 LE stays UTF-16 LE, a lone surrogate kept", Utf16(u"[A]\r\n; \xD800\r\nX=1\r\n", false),
         Set(a, "X", 2),
         Utf16(u"[A]\r\n; \xD800\r\nX=2\r\n", false)},
        {"UTF-16 BE with an odd last byte", Utf16(u"[A]\nX=1\n", true) + "\x01", Set(a, "Y", 2),
         Utf16(u"[A]\nX=1\nY=2\n", true) + "\x01"},
        {"an empty file is a new one", "", Set(a, "X", 1), "\xEF\xBB\xBF[A]\r\nX=1\r\n"},
        {"a UTF-16 file of its mark alone", "\xFF\xFE", Set(a, "X", 1), Utf16(u"[A]\r\nX=1\r\n", false)},
        {"a name that is not UTF-8 stays as written", "[A]\nN\x91\x87=1\nX=1\n", Set(a, "X", 2),
         "[A]\nN\x91\x87=1\nX=2\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        IniLines lines;
        IniDocument document = ParseIni(c.before.data(), c.before.size(), root, &lines);
        EXPECT_EQ(WriteIni(document, lines, root), c.before.empty() ? kIniByteOrderMark : c.before) << "unchanged";
        c.change(document);
        IniLines written;
        EXPECT_EQ(WriteIni(document, lines, root, &written), c.after);
        EXPECT_EQ(WriteIni(document, written, root), c.after) << "the lines written are those of the file";
    }
}
