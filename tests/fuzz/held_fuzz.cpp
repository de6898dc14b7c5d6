// The held-window records as the next start reads them after a crash, from a registry any program
// can write to, read through the A functions under the UTF-8 code page. The input builds the Held
// key's records "00000"... (values of any type and UTF-16 data). Properties: exactly the records
// whose every value can be read and that name a window and a process load; their numbers are
// those the stored decimal texts mean (digits only, in range) and their texts exactly as stored,
// even when another program lengthens the title between two reads; owned windows are at most
// kMaxOwned, none null, and write back to the same list; handles survive their text form; every
// key opened is closed.
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "app/held/HeldRecordText.h"
#include "app/held/HeldWindows.h"
#include "settings/RegistryRead.h"
#include "standin/FakeRegistry.h"

namespace {

constexpr char kProgramKey[] = "Software\\Veilbox";
constexpr char kHeldKey[] = "Software\\Veilbox\\Held";

std::vector<BYTE> Bytes(const std::u16string& units)
{
    const BYTE* begin = reinterpret_cast<const BYTE*>(units.data());
    return std::vector<BYTE>(begin, begin + units.size() * 2);
}

// A decimal text, mostly sound: a number, or one with a sign, blanks, junk or too many digits.
std::u16string NumberText(FuzzedDataProvider& in)
{
    static const char* const kForms[] = {"%llu", "-%llu", "+%llu", " %llu", "%llux", "%llu%llu", "%llu 7"};
    const unsigned long long number = in.ConsumeIntegral<uint64_t>() >> in.ConsumeIntegralInRange<int>(0, 63);
    const int form = in.ConsumeIntegralInRange<int>(0, 12);
    const NString text = NString::Format(form < 7 ? kForms[form] : "%llu", number, number);
    return fakereg::Utf16(text.Text());
}

std::u16string OwnedList(FuzzedDataProvider& in)
{
    std::u16string text;
    const size_t count = in.ConsumeIntegralInRange<size_t>(0, in.ConsumeBool() ? 300 : 4);
    for (size_t i = 0; i < count && in.remaining_bytes(); ++i)
        text += (i ? u" " : u"") + NumberText(in);
    return text;
}

void Text(FuzzedDataProvider& in, const std::string& path, const char16_t* name, const std::u16string& units)
{
    std::u16string stored = units;
    if (in.ConsumeIntegralInRange<int>(0, 7))
        stored += u'\0';
    fakereg::Put(path, name, in.ConsumeIntegralInRange<int>(0, 15) ? REG_SZ : REG_BINARY, Bytes(stored));
}

void BuildStore(FuzzedDataProvider& in)
{
    const size_t records = in.ConsumeIntegralInRange<size_t>(0, 5);
    for (size_t r = 0; r < records; ++r) {
        const std::string path = std::string(kHeldKey) + "\\" +
                                 NString::Format("%05d", static_cast<int>(r + (in.ConsumeIntegralInRange<int>(0, 15) == 0))).Text();
        fakereg::MakeKey(path);
        const DWORD processId = in.ConsumeIntegral<DWORD>();
        fakereg::Put(path, u"ProcessId", in.ConsumeIntegralInRange<int>(0, 15) ? REG_DWORD : REG_BINARY,
                     std::vector<BYTE>(reinterpret_cast<const BYTE*>(&processId),
                                       reinterpret_cast<const BYTE*>(&processId) + in.ConsumeIntegralInRange<int>(3, 4)));
        Text(in, path, u"ProcessCreated", NumberText(in));
        Text(in, path, u"Class", Units(in, in.ConsumeBool() ? 300 : 20, in.ConsumeIntegralInRange<int>(0, 3) == 0));
        Text(in, path, u"Title", Units(in, in.ConsumeBool() ? 300 : 20, in.ConsumeIntegralInRange<int>(0, 3) == 0));
        if (in.ConsumeBool())
            Text(in, path, u"Owned", OwnedList(in));
        Text(in, path, u"Window", NumberText(in));
    }
}

// What a stored decimal text means: digits only, within the range; 0 for anything else.
uint64_t MeantNumber(const std::string& text, uint64_t limit)
{
    uint64_t value = 0;
    if (text.empty())
        return 0;
    for (char c : text) {
        if (c < '0' || c > '9' || value > (limit - (c - '0')) / 10)
            return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}

// The text an A read gives for a stored text, up to its first zero; "" when absent or not text.
std::string StoredText(const std::string& path, const char* name)
{
    for (const fakereg::StoredValue& value : fakereg::Values(path)) {
        if (!NString(fakereg::Utf8(value.name).c_str()).EqualsNoCase(name) || value.type != REG_SZ)
            continue;
        const std::vector<BYTE> ansi = fakereg::AnsiData(value.type, value.data);
        const std::string text(ansi.begin(), ansi.end());
        return text.substr(0, text.find('\0'));
    }
    return "";
}

bool Has(const std::string& path, const char* name)
{
    for (const fakereg::StoredValue& value : fakereg::Values(path))
        if (NString(fakereg::Utf8(value.name).c_str()).EqualsNoCase(name))
            return true;
    return false;
}

// Every value of the record that is there can be read: texts are REG_SZ, the process a REG_DWORD.
bool Readable(const std::string& path)
{
    for (const fakereg::StoredValue& value : fakereg::Values(path)) {
        const NString name(fakereg::Utf8(value.name).c_str());
        if (name.EqualsNoCase("ProcessId") && (value.type != REG_DWORD || value.data.size() != sizeof(DWORD)))
            return false;
        for (const char* text : {"Window", "ProcessCreated", "Class", "Title", kOwnedValue})
            if (name.EqualsNoCase(text) && value.type != REG_SZ)
                return false;
    }
    return true;
}

DWORD ProcessId(const std::string& path)
{
    DWORD id = 0;
    for (const fakereg::StoredValue& value : fakereg::Values(path))
        if (NString(fakereg::Utf8(value.name).c_str()).EqualsNoCase("ProcessId") && value.type == REG_DWORD &&
            value.data.size() == sizeof id)
            std::memcpy(&id, value.data.data(), sizeof id);
    return id;
}

void CheckRecord(const HeldRecord& record, const std::string& path)
{
    Check(record.window && record.processId == ProcessId(path), "a record names its window and process");
    Check(reinterpret_cast<uintptr_t>(record.window) == MeantNumber(StoredText(path, "Window"), UINTPTR_MAX),
          "the window is the handle its text means");
    Check(record.processCreated == MeantNumber(StoredText(path, "ProcessCreated"), UINT64_MAX),
          "the creation time is the number its text means");
    Check(SameText(record.title, NString(StoredText(path, "Title").c_str())), "the title is exactly as stored");
    Check(SameText(record.className, NString(StoredText(path, "Class").c_str())), "the class is exactly as stored");
    Check(record.owned.size() <= kMaxOwned, "at most kMaxOwned owned windows");
    for (HWND window : record.owned) {
        Check(window != nullptr, "no owned window is null");
        Check(HandleOf(HandleText(window)) == window, "a handle survives its text form");
    }
    Check(ParseOwned(OwnedText(record.owned)) == record.owned, "owned windows write back to the same list");
}

// Reads of a Title before this try are overtaken by another program lengthening it by 200 CJK
// characters, so the next read finds it longer than the size it was told.
int g_lengthenings = 0;

void LengthenTitle(HKEY key, const char* name, int attempt)
{
    if (name && NString(name).EqualsNoCase("Title") && attempt < g_lengthenings)
        fakereg::Lengthen(key, name, std::u16string(200, u'\u6771'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    fakereg::Reset(in.ConsumeBool());
    g_checkContext = fakereg::Dump;
    BuildStore(in);
    g_lengthenings = in.ConsumeIntegralInRange<int>(0, 3);
    SetRegistryReadProbe(LengthenTitle);
    const std::vector<HeldRecord> records = HeldWindowStore(kProgramKey).Load();
    Check(fakereg::OpenHandles() == 0, "a load closes every key it opens");
    // Records load in order from "00000" until the first without a window value; a record with a
    // value that is there but cannot be read, or without a window or a process, is skipped.
    size_t next = 0;
    for (int index = 0; index < kMaxRecords; ++index) {
        const std::string path = std::string(kHeldKey) + "\\" + RecordName(index).Text();
        if (!Has(path, "Window"))
            break;
        if (Readable(path) && MeantNumber(StoredText(path, "Window"), UINTPTR_MAX) && ProcessId(path)) {
            Check(next < records.size(), "every sound record loads");
            CheckRecord(records[next++], path);
        }
    }
    Check(next == records.size(), "every record loaded is a sound one stored");
    return 0;
}
