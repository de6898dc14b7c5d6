// The held-window records as the next start reads them after a crash, from a registry any program
// can write to, read through the A functions under the UTF-8 code page (app/held/HeldRecordRead).
// The input builds the Held key: values that are packed records (or hold anything), named as
// records or not, and sub-keys with a value per field as an older version wrote them (values of
// any type and UTF-16 data). Properties: exactly the sound records load, in order of their
// numbers, an older version's record before a packed one of the same number; their numbers are
// those the stored decimal texts mean (digits only, in range, a handle only when it survives 32
// bits) and their texts exactly as stored, even when another program lengthens the title between
// two reads; a value that is there but damaged makes its record damaged, never one with a field
// missing; owned windows write back to the same list; every key opened is closed.
// What input remains drives the state file of a portable copy (settings/StateFile, StateLines):
// a file that may start as any bytes, then changes through the store, some of them torn by a
// kill. Properties: what is read writes back to a text that reads the same; after every change
// the file reads as every change made; a kill during a change's write leaves the values before it
// or after it, never a part, and the next copy's changes read whole after the torn line.
#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "FuzzSupport.h"
#include "app/held/HeldRecordRead.h"
#include "app/held/HeldRecordText.h"
#include "settings/RegistryRead.h"
#include "settings/StateFile.h"
#include "standin/FakeFiles.h"
#include "standin/FakeRegistry.h"

namespace {

constexpr char kHeldKey[] = "Software\\Veilbox\\Held";

// The numbers of the record names the store was given, in order.
std::set<int> g_numbers;

std::vector<BYTE> Bytes(const std::u16string& units)
{
    const BYTE* begin = reinterpret_cast<const BYTE*>(units.data());
    return std::vector<BYTE>(begin, begin + units.size() * 2);
}

// A decimal text, mostly sound: a number, or one with a sign, blanks, junk or too many digits.
std::string NumberText(FuzzedDataProvider& in)
{
    static const char* const kForms[] = {"%llu", "-%llu", "+%llu", " %llu", "%llux", "%llu%llu", "%llu 7"};
    unsigned long long number = in.ConsumeIntegral<uint64_t>() >> in.ConsumeIntegralInRange<int>(0, 63);
    if (in.ConsumeIntegralInRange<int>(0, 7) == 0)
        number = ~number; // a sign-extended handle, or one beyond 31 bits
    const int form = in.ConsumeIntegralInRange<int>(0, 12);
    return NString::Format(form < 7 ? kForms[form] : "%llu", number, number).Text();
}

std::string OwnedList(FuzzedDataProvider& in, char separator)
{
    std::string text;
    const size_t count = in.ConsumeIntegralInRange<size_t>(0, in.ConsumeBool() ? 300 : 4);
    for (size_t i = 0; i < count && in.remaining_bytes(); ++i)
        text += (i ? std::string(1, separator) : "") + NumberText(in);
    return text;
}

// A text value, mostly REG_SZ with its terminator.
void Text(FuzzedDataProvider& in, const std::string& path, const std::u16string& name, const std::u16string& units)
{
    std::u16string stored = units;
    if (in.ConsumeIntegralInRange<int>(0, 7))
        stored += u'\0';
    fakereg::Put(path, name, in.ConsumeIntegralInRange<int>(0, 15) ? REG_SZ : REG_BINARY, Bytes(stored));
}

// A record name, now and then one that is no record's.
std::string Name(FuzzedDataProvider& in, size_t r)
{
    static const char* const kOthers[] = {"42", "000001", "+0001", "OwnerProcessId", "123456", "99999999", "100000000"};
    const int pick = in.ConsumeIntegralInRange<int>(0, 15);
    const std::string name = pick < 7 ? kOthers[pick] : NString::Format("%05d", static_cast<int>(r)).Text();
    int index = 0;
    if (ParseHeldRecordName(name.c_str(), index))
        g_numbers.insert(index);
    return name;
}

void BuildLegacy(FuzzedDataProvider& in, const std::string& path)
{
    fakereg::MakeKey(path);
    const DWORD processId = in.ConsumeIntegral<DWORD>();
    fakereg::Put(path, u"ProcessId", in.ConsumeIntegralInRange<int>(0, 15) ? REG_DWORD : REG_BINARY,
                 std::vector<BYTE>(reinterpret_cast<const BYTE*>(&processId),
                                   reinterpret_cast<const BYTE*>(&processId) + in.ConsumeIntegralInRange<int>(3, 4)));
    if (in.ConsumeIntegralInRange<int>(0, 7))
        Text(in, path, u"ProcessCreated", fakereg::Utf16(NumberText(in)));
    Text(in, path, u"Class", Units(in, in.ConsumeBool() ? 300 : 20, in.ConsumeIntegralInRange<int>(0, 3) == 0));
    Text(in, path, u"Title", Units(in, in.ConsumeBool() ? 300 : 20, in.ConsumeIntegralInRange<int>(0, 3) == 0));
    if (in.ConsumeBool())
        Text(in, path, u"Owned", fakereg::Utf16(OwnedList(in, ' ')));
    if (in.ConsumeIntegralInRange<int>(0, 7))
        Text(in, path, u"Window", fakereg::Utf16(NumberText(in)));
}

// "window process created owned classLength class+title", the class's length now and then off.
void BuildPacked(FuzzedDataProvider& in, const std::string& name)
{
    const std::u16string className = Units(in, in.ConsumeBool() ? 300 : 20, false);
    const std::u16string title = Units(in, in.ConsumeBool() ? 300 : 20, in.ConsumeIntegralInRange<int>(0, 3) == 0);
    const std::string owned = OwnedList(in, ',');
    long long classLength = static_cast<long long>(fakereg::Utf8(className).size());
    if (in.ConsumeIntegralInRange<int>(0, 7) == 0)
        classLength += in.ConsumeIntegralInRange<int>(-3, 3);
    const std::string head = NumberText(in) + " " + NumberText(in) + " " + NumberText(in) + " " +
                             (owned.empty() ? std::string("-") : owned) + " " + std::to_string(classLength) + " ";
    Text(in, kHeldKey, fakereg::Utf16(name), fakereg::Utf16(head) + className + title);
}

void BuildStore(FuzzedDataProvider& in)
{
    fakereg::MakeKey(kHeldKey);
    const size_t records = in.ConsumeIntegralInRange<size_t>(0, 6);
    for (size_t r = 0; r < records && in.remaining_bytes(); ++r) {
        const std::string name = Name(in, r);
        if (in.ConsumeIntegralInRange<int>(0, 3) == 0)
            BuildLegacy(in, std::string(kHeldKey) + "\\" + name);
        else
            BuildPacked(in, name);
    }
}

// --- The reference: what a stored record means, from the stored data alone. ---

// Digits only, 1 to 20 of them, within 64 bits; 0 for anything else.
uint64_t Decimal(const std::string& text)
{
    uint64_t value = 0;
    if (text.empty() || text.size() > 20)
        return 0;
    for (char c : text) {
        if (c < '0' || c > '9' || value > (UINT64_MAX - static_cast<uint64_t>(c - '0')) / 10)
            return 0;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return value;
}

bool IsNumber(const std::string& text)
{
    return Decimal(text) != 0 || text == "0";
}

// A handle keeps 32 significant bits: up to 0x7FFFFFFF, or the sign extension of one from 2^31.
HWND Handle(const std::string& text)
{
    const uint64_t value = Decimal(text);
    return value != 0 && (value <= 0x7FFFFFFFull || value >= 0xFFFFFFFF80000000ull) ? reinterpret_cast<HWND>(value)
                                                                                   : nullptr;
}

std::vector<HWND> Handles(const std::string& text, char separator)
{
    std::vector<HWND> handles;
    size_t begin = 0;
    while (begin < text.size() && handles.size() < kMaxOwnedPerRecord) {
        const size_t end = std::min(text.find(separator, begin), text.size());
        if (HWND window = Handle(text.substr(begin, end - begin)))
            handles.push_back(window);
        begin = end + 1;
    }
    return handles;
}

const fakereg::StoredValue* Find(const std::vector<fakereg::StoredValue>& values, const char* name)
{
    for (const fakereg::StoredValue& value : values)
        if (NString(fakereg::Utf8(value.name).c_str()).EqualsNoCase(name))
            return &value;
    return nullptr;
}

// What an A read of a REG_SZ value gives, up to its first zero; false for any other type.
bool ReadText(const fakereg::StoredValue& value, std::string& text)
{
    if (value.type != REG_SZ)
        return false;
    const std::vector<BYTE> ansi = fakereg::AnsiData(value.type, value.data);
    text.assign(ansi.begin(), ansi.end());
    text = text.substr(0, text.find('\0'));
    return true;
}

bool Packed(const std::string& text, HeldRecord& record)
{
    std::string words[5];
    size_t next = 0;
    for (std::string& word : words) {
        const size_t blank = text.find(' ', next);
        if (blank == std::string::npos)
            return false;
        word = text.substr(next, blank - next);
        next = blank + 1;
    }
    const uint64_t processId = Decimal(words[1]), classLength = Decimal(words[4]);
    record.window = Handle(words[0]);
    record.processCreated = Decimal(words[2]);
    if (!record.window || processId == 0 || processId > 0xFFFFFFFFull || !IsNumber(words[2]) ||
        !IsNumber(words[4]) || classLength > text.size() - next)
        return false;
    record.processId = static_cast<DWORD>(processId);
    record.owned = words[3] == "-" ? std::vector<HWND>() : Handles(words[3], ',');
    record.className = NString(text.substr(next, classLength).c_str());
    record.title = NString(text.substr(next + classLength).c_str());
    return true;
}

// Sound: a Window text that is a handle, a ProcessId of four bytes that is not 0, every other
// field there readable, a creation time there a number.
bool Legacy(const std::string& path, HeldRecord& record)
{
    const std::vector<fakereg::StoredValue> values = fakereg::Values(path);
    const fakereg::StoredValue* processId = Find(values, "ProcessId");
    std::string window, created, owned, className, title;
    if (!Find(values, "Window") || !ReadText(*Find(values, "Window"), window) || !(record.window = Handle(window)) ||
        !processId || processId->type != REG_DWORD || processId->data.size() != sizeof(DWORD))
        return false;
    std::memcpy(&record.processId, processId->data.data(), sizeof(DWORD));
    for (auto field : {std::make_pair("ProcessCreated", &created), std::make_pair("Class", &className),
                       std::make_pair("Title", &title), std::make_pair(kOwnedValue, &owned)}) {
        const fakereg::StoredValue* value = Find(values, field.first);
        if (value && !ReadText(*value, *field.second))
            return false;
    }
    if (Find(values, "ProcessCreated") && !IsNumber(created))
        return false;
    record.processCreated = Decimal(created);
    record.owned = Handles(owned, ' ');
    record.className = NString(className.c_str());
    record.title = NString(title.c_str());
    return record.processId != 0;
}

std::vector<HeldRecord> Expected()
{
    std::vector<HeldRecord> expected;
    for (int index : g_numbers) {
        const std::string name = HeldRecordName(index).Text();
        HeldRecord legacy, packed;
        legacy.index = packed.index = index;
        legacy.legacy = true;
        std::string text;
        if (Legacy(std::string(kHeldKey) + "\\" + name, legacy))
            expected.push_back(legacy);
        const std::vector<fakereg::StoredValue> values = fakereg::Values(kHeldKey);
        const fakereg::StoredValue* value = Find(values, name.c_str());
        if (value && ReadText(*value, text) && Packed(text, packed))
            expected.push_back(packed);
    }
    return expected;
}

void CheckRecord(const HeldRecord& read, const HeldRecord& meant)
{
    Check(read.index == meant.index && read.legacy == meant.legacy, "the records are the sound ones, in order");
    Check(read.window == meant.window, "the window is the handle its text means");
    Check(read.processId == meant.processId, "the process is the one stored");
    Check(read.processCreated == meant.processCreated, "the creation time is the number its text means");
    Check(SameText(read.className, meant.className), "the class is exactly as stored");
    Check(SameText(read.title, meant.title), "the title is exactly as stored");
    Check(read.owned == meant.owned, "the owned windows are the handles stored");
    Check(ParseOwned(OwnedText(read.owned, ','), ',') == read.owned, "owned windows write back to the same list");
}

// Reads of a title (a field of its own, or the end of a packed record) before this try are
// overtaken by another program lengthening it by 200 CJK characters, so the next read finds it
// longer than the size it was told.
int g_lengthenings = 0;

void LengthenTitle(HKEY key, const char* name, int attempt)
{
    int index = 0;
    if (name && (NString(name).EqualsNoCase("Title") || ParseHeldRecordName(name, index)) && attempt < g_lengthenings)
        fakereg::Lengthen(key, name, std::u16string(200, u'\u6771'));
}

// --- The state file. ---

const std::wstring kStateFile = L"C:\\Portable\\Veilbox.held";

std::string Lower(std::string text)
{
    for (char& c : text)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    return text;
}

// The values by name without case, as a copy started now reads them.
std::map<std::string, StateValue> StateNow()
{
    StateFileStore reader(kStateFile, kHeldKey);
    std::vector<StoredValue> listed;
    reader.ListValues(kHeldKey, listed, 1u << 20, true);
    std::map<std::string, StateValue> values;
    for (const StoredValue& value : listed)
        values[Lower(value.name.Text())] = {value.name.Text(), value.type, value.data};
    return values;
}

bool SameState(const std::map<std::string, StateValue>& a, const std::map<std::string, StateValue>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.first == y.first && x.second.type == y.second.type && x.second.data == y.second.data;
    });
}

std::string FileText()
{
    std::string text;
    fakefs::Get(kStateFile, text);
    return text;
}

void FuzzStateFile(FuzzedDataProvider& in)
{
    fakefs::Reset();
    if (in.ConsumeBool())
        fakefs::Put(kStateFile, in.ConsumeBytesAsString(in.ConsumeIntegralInRange<size_t>(0, 600)));
    std::map<std::string, StateValue> model = StateNow();
    StateValues read;
    for (const auto& value : model)
        read.push_back(value.second);
    const std::string text = StateText(read);
    Check(StateText(ReadStateText(text.data(), text.size())) == text, "what is read writes back the same");
    const ULONGLONG compactBytes = in.ConsumeIntegralInRange<ULONGLONG>(0, 2048);
    std::unique_ptr<StateFileStore> store(new StateFileStore(kStateFile, kHeldKey, compactBytes));
    store->HoldKey(kHeldKey);
    static const char* const kNames[] = {"00000", "00001", "OwnerProcessId", "ownerprocessid", "a b%", "\n\r\t"};
    for (int change = 0; change < 40 && in.remaining_bytes(); ++change) {
        const std::string before = FileText();
        const std::map<std::string, StateValue> old = model;
        const std::string name = in.ConsumeBool() ? kNames[in.ConsumeIntegralInRange<int>(0, 5)]
                                                  : fakereg::Utf8(Units(in, 8, false)) + "x";
        const std::string key = Lower(name);
        if (in.ConsumeIntegralInRange<int>(0, 3) == 0) {
            const LONG result = store->DeleteValue(kHeldKey, name.c_str());
            Check(result == (model.erase(key) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND), "a removal is made");
        } else {
            const std::string data = in.ConsumeBool() ? fakereg::Utf8(Units(in, 40, true)) : in.ConsumeRandomLengthString(80);
            StateValue value{name, in.ConsumeIntegralInRange<DWORD>(0, 12), std::vector<BYTE>(data.begin(), data.end())};
            Check(store->SetValue(kHeldKey, name.c_str(), value.type, value.data.data(), DWORD(data.size())) == ERROR_SUCCESS,
                  "a change is made");
            model[key] = value;
        }
        Check(SameState(StateNow(), model), "the file reads as every change made");
        const std::string after = FileText();
        if (in.ConsumeIntegralInRange<int>(0, 5) != 0 || after.size() <= before.size() || after.compare(0, before.size(), before) != 0)
            continue;
        // Killed during this change's write, which reached the file up to cut.
        store.reset();
        const size_t cut = in.ConsumeIntegralInRange<size_t>(before.size(), after.size() - 1);
        fakefs::Put(kStateFile, after.substr(0, cut));
        const std::map<std::string, StateValue> now = StateNow();
        Check(SameState(now, old) || (cut == after.size() - 1 && SameState(now, model)),
              "a kill leaves the values before the change or after it");
        model = now;
        store.reset(new StateFileStore(kStateFile, kHeldKey, compactBytes));
        store->HoldKey(kHeldKey);
    }
    LoadHeldRecords(*store, kHeldKey);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    fakereg::Reset(in.ConsumeBool());
    g_numbers.clear();
    g_checkContext = fakereg::Dump;
    BuildStore(in);
    g_lengthenings = in.ConsumeIntegralInRange<int>(0, 3);
    SetRegistryReadProbe(LengthenTitle);
    const std::vector<HeldRecord> records = LoadHeldRecords(ActiveSettings(), kHeldKey);
    SetRegistryReadProbe(nullptr);
    Check(fakereg::OpenHandles() == 0, "a load closes every key it opens");
    const std::vector<HeldRecord> expected = Expected();
    Check(records.size() == expected.size(), "exactly the sound records load");
    for (size_t i = 0; i < records.size(); ++i)
        CheckRecord(records[i], expected[i]);
    FuzzStateFile(in);
    return 0;
}
