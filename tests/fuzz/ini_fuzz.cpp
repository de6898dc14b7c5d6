// The settings file as the program reads it at start, after any editor, a sync tool or a damaged
// disk had its hands on it (settings/IniText, settings/FileStore). The input is the whole file.
// Properties: the text of what was read reads back as the same keys and values (a second write
// writes the same text); every value read is answered by the store exactly; a change while the
// file cannot be written is answered from memory and leaves the file as it was, and the next
// write that can be made holds it with everything else and leaves no temporary file behind; a change
// while another hand changed the file and holds it is written, with the other's change, once the
// file reads whole; a line that does not parse is answered as unreadable; a file that could not be
// read is never replaced. A change of one value (one the file holds, a new one in a key it holds,
// one in a new key) keeps the file's mark and every line but that value's (or adds one line to its
// section, or one section at its end), and the file reads as before with the value set. One input
// size in three stands for a UTF-16 file of its bytes.
#include <string>

#include "FuzzSupport.h"
#include "settings/FileStore.h"
#include "settings/IniText.h"
#include "standin/FakeFiles.h"

namespace {

constexpr char kRoot[] = "Software\\Veilbox";
const std::wstring kFile = L"C:\\Portable\\Veilbox.ini";

bool SameDocument(const IniDocument& a, const IniDocument& b)
{
    return FormatIni(a, kRoot) == FormatIni(b, kRoot);
}

void CheckStoreAnswers(FileStore& store, const IniDocument& document)
{
    for (const IniKey& key : document) {
        Check(store.KeyExists(key.path.c_str()) == ERROR_SUCCESS, "every key read is there");
        for (const IniValue& value : key.values) {
            DWORD type = REG_NONE;
            std::vector<BYTE> data;
            const LONG result = store.QueryValue(key.path.c_str(), value.name.c_str(), &type, data, 1u << 24);
            if (!value.unread.empty()) {
                Check(value.name.empty() || result == ERROR_INVALID_DATA, "a line that did not parse is unreadable");
                continue;
            }
            Check(result == ERROR_SUCCESS && type == value.type && data == value.data,
                  "every value read is answered as read");
        }
    }
}

// The lines of a file as an editor splits them, each with its end, in the file's own bytes.
struct RawLines {
    std::string mark, tail;
    std::vector<std::string> lines;
    bool lastOpen = false;
};

RawLines SplitRaw(const std::string& bytes)
{
    RawLines raw;
    const bool utf16 = bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0;
    raw.mark = utf16 ? bytes.substr(0, 2) : bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? bytes.substr(0, 3) : "";
    const size_t unit = utf16 ? 2 : 1, low = bytes[0] == '\xFF' ? 0 : unit - 1;
    const size_t end = raw.mark.size() + (bytes.size() - raw.mark.size()) / unit * unit;
    auto is = [&](size_t at, char c) {
        return at < end && bytes[at + low] == c && (unit == 1 || bytes[at + 1 - low] == 0);
    };
    size_t start = raw.mark.size();
    for (size_t at = start; at < end; at += unit) {
        if (!is(at, '\r') && !is(at, '\n'))
            continue;
        at += is(at, '\r') && is(at + unit, '\n') ? unit : 0;
        raw.lines.push_back(bytes.substr(start, at + unit - start));
        start = at + unit;
    }
    raw.lastOpen = start < end;
    if (raw.lastOpen)
        raw.lines.push_back(bytes.substr(start, end - start));
    raw.tail = bytes.substr(end);
    return raw;
}

// after differs from before in one line at most, or by one line or one section (with a blank
// line) more at the end; a last line without an end may gain one.
void CheckOneLineChanged(const std::string& before, const std::string& after)
{
    const RawLines a = SplitRaw(before), b = SplitRaw(after);
    Check((a.mark == b.mark || (before.empty() && b.mark == kIniByteOrderMark)) && a.tail == b.tail,
          "a write keeps the file's encoding and mark (an empty file is a new one)");
    size_t same = 0, sameEnd = 0;
    while (same < a.lines.size() && same < b.lines.size() && a.lines[same] == b.lines[same])
        ++same;
    if (a.lastOpen && same + 1 == a.lines.size() && same < b.lines.size() &&
        b.lines[same].compare(0, a.lines[same].size(), a.lines[same]) == 0)
        ++same;
    while (sameEnd + same < a.lines.size() && sameEnd + same < b.lines.size() &&
           a.lines[a.lines.size() - 1 - sameEnd] == b.lines[b.lines.size() - 1 - sameEnd])
        ++sameEnd;
    const size_t removed = a.lines.size() - same - sameEnd, added = b.lines.size() - same - sameEnd;
    Check(removed <= 1 && (added <= 1 || (removed == 0 && sameEnd == 0 && added <= 3)),
          "a change of one value changes its line alone, or adds one line or one section");
}

// ascii in the encoding of file: UTF-16 units in its byte order when it has a UTF-16 mark.
std::string InEncodingOf(const std::string& file, const std::string& ascii)
{
    const bool big = file.compare(0, 2, "\xFE\xFF") == 0;
    if (!big && file.compare(0, 2, "\xFF\xFE") != 0)
        return ascii;
    std::string out;
    for (const char c : ascii)
        out += big ? std::string{'\0', c} : std::string{c, '\0'};
    return out;
}

// Sets one value through a store on a file of text, and checks the file it writes.
void CheckOneChange(const std::string& text, const std::string& path, const std::string& name, const IniValue& value)
{
    fakefs::Reset();
    fakefs::Put(kFile, text);
    FileStore store(kFile, kRoot);
    Check(store.SetValue(path.c_str(), name.c_str(), value.type, value.data.data(), DWORD(value.data.size())) ==
              ERROR_SUCCESS,
          "a value is set");
    std::string after;
    Check(fakefs::Get(kFile, after), "the file is there");
    CheckOneLineChanged(text, after);
    IniDocument expected = ParseIni(text.data(), text.size(), kRoot);
    if (!FindIniKey(expected, path))
        expected.push_back({path, {}});
    SetIniValue(*FindIniKey(expected, path), {name, value.type, value.data, {}});
    Check(SameDocument(ParseIni(after.data(), after.size(), kRoot), expected),
          "the file reads as before, with the value set");
}

// The file of an input: its bytes, or for one size in three the text of a UTF-16 file (LE or BE,
// with its mark), each byte a unit and FC, FD, FE a character of CJK, a low and a high surrogate.
std::string FileOf(const uint8_t* bytes, size_t size)
{
    std::string file(reinterpret_cast<const char*>(bytes), size);
    if (size % 6 > 1)
        return file;
    const bool big = size % 6 == 1;
    file = big ? "\xFE\xFF" : "\xFF\xFE";
    for (size_t i = 0; i < size; ++i) {
        static const uint16_t kWide[] = {0x6771, 0xDE00, 0xD83D};
        const uint16_t unit = bytes[i] >= 0xFC && bytes[i] <= 0xFE ? kWide[bytes[i] - 0xFC] : bytes[i];
        const char high = char(unit >> 8), low = char(unit & 0xFF);
        file += big ? std::string{high, low} : std::string{low, high};
    }
    return file;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    const std::string text = FileOf(bytes, size);
    const IniDocument document = ParseIni(text.data(), text.size(), kRoot);
    const std::string written = FormatIni(document, kRoot);
    const IniDocument again = ParseIni(written.data(), written.size(), kRoot);
    Check(SameDocument(document, again) && FormatIni(again, kRoot) == written, "what is written reads back the same");

    // The value changed, the key of the new value and the new data are picked by the input's size.
    const std::string mixed = "a;\"b\" #\xC3\xA9";
    const std::vector<BYTE> text8(mixed.c_str(), mixed.c_str() + mixed.size() + 1);
    const IniValue set = size % 2 ? IniValue{"", REG_SZ, text8, {}} : IniValue{"", REG_DWORD, {7, 0, 0, 0}, {}};
    std::vector<std::pair<std::string, std::string>> named;
    for (const IniKey& key : document)
        for (const IniValue& value : key.values)
            if (IsIniValueNamed(value, value.name))
                named.push_back({key.path, value.name});
    if (!named.empty())
        CheckOneChange(text, named[size % named.size()].first, named[size % named.size()].second, set);
    if (!document.empty())
        CheckOneChange(text, document[size % document.size()].path, "VbFuzzNew", set);
    CheckOneChange(text, std::string(kRoot) + "\\VbFuzzKey", "VbFuzzNew", set);

    fakefs::Reset();
    fakefs::Put(kFile, text);
    FileStore store(kFile, kRoot);
    CheckStoreAnswers(store, document);

    const std::string record = "1a2b|4242|1|Class|Title \xCE\xA3\n\"x\"";
    const BYTE* data = reinterpret_cast<const BYTE*>(record.c_str());
    fakefs::FailWrites(true);
    Check(store.SetValue("Software\\Veilbox\\Held", "00000", REG_SZ, data, DWORD(record.size() + 1)) == ERROR_SUCCESS,
          "a change is kept in memory when the file cannot be written");
    std::string now;
    Check(fakefs::Get(kFile, now) && now == text && store.Unsaved(), "a failed write leaves the file as it was");
    std::vector<BYTE> read;
    DWORD type = REG_NONE;
    Check(store.QueryValue("Software\\Veilbox\\Held", "00000", &type, read, 1u << 20) == ERROR_SUCCESS &&
              read == std::vector<BYTE>(data, data + record.size() + 1),
          "memory answers the change the file lacks");

    fakefs::FailWrites(false);
    const DWORD one = 1;
    store.SetValue("Software\\Veilbox\\Interface", "IconPerWindow", REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4);
    Check(fakefs::Get(kFile, now) && !store.Unsaved() && fakefs::Count() == 1, "the next write is made whole");
    IniDocument saved = ParseIni(now.data(), now.size(), kRoot);
    const IniKey* held = FindIniKey(saved, "Software\\Veilbox\\Held");
    bool found = false;
    for (const IniValue& value : held ? held->values : std::vector<IniValue>())
        found = found || (value.name == "00000" && value.type == REG_SZ && value.data == read);
    Check(found, "the record written from memory is in the file");

    // Another program changes the file (in its encoding; an odd last byte of UTF-16 it drops) and
    // holds it while a record is written: once it reads whole again, the store's next use writes
    // the other's change with the record.
    std::string after;
    const bool wide = InEncodingOf(now, "x").size() == 2;
    const std::string other =
        now.substr(0, wide ? now.size() / 2 * 2 : now.size()) + InEncodingOf(now, "[Other]\r\nByHand=2\r\n");
    fakefs::Put(kFile, other);
    fakefs::FailReads(true);
    store.SetValue("Software\\Veilbox\\Held", "00003", REG_SZ, data, DWORD(record.size() + 1));
    Check(fakefs::Get(kFile, after) && after == other && store.Unsaved(),
          "a file changed and not read is left as it was");
    fakefs::FailReads(false);
    store.KeyExists("Software\\Veilbox\\Held");
    Check(fakefs::Get(kFile, after) && !store.Unsaved(), "the file is written once it reads whole");
    saved = ParseIni(after.data(), after.size(), kRoot);
    held = FindIniKey(saved, "Software\\Veilbox\\Held");
    found = false;
    for (const IniValue& value : held ? held->values : std::vector<IniValue>())
        found = found || (value.name == "00003" && value.data == read);
    Check(found && after.find(InEncodingOf(now, "\r\nByHand=2\r\n")) != std::string::npos,
          "the next write holds the other's change and the record made meanwhile");
    now = after;

    // A file that could not be read at start is never replaced: what was not read is not lost.
    fakefs::FailReads(true);
    FileStore unread(kFile, kRoot);
    fakefs::FailReads(false);
    unread.SetValue("Software\\Veilbox\\Held", "00001", REG_SZ, data, DWORD(record.size() + 1));
    Check(fakefs::Get(kFile, after) && after == now && unread.Unsaved() && fakefs::Count() == 1,
          "a file not read is left as it was");
    return 0;
}
