#include "app/held/HeldRecordText.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr char kNoOwned[] = "-";
// The words before the class: window, process, created, owned, class length.
constexpr int kPackedWords = 5;

} // namespace

NString HeldRecordName(int index)
{
    return NString::Format("%05d", index);
}

bool ParseHeldRecordName(const char* name, int& index)
{
    const uint64_t value = ParseDecimal(NString(name));
    if (value > static_cast<uint64_t>(kMaxHeldRecordIndex) || !HeldRecordName(static_cast<int>(value)).Equals(NString(name)))
        return false;
    index = static_cast<int>(value);
    return true;
}

// Digits only, and within 64 bits: _strtoui64 would also take blanks and a sign in front, and
// reads a number too large as the largest, whose text is the handle -1's.
uint64_t ParseDecimal(const NString& text)
{
    if (text.IsEmpty() || text.Length() > 20)
        return 0;
    uint64_t value = 0;
    for (uint32_t i = 0; i < text.Length(); ++i) {
        const char c = text.Text()[i];
        if (c < '0' || c > '9' || value > (UINT64_MAX - static_cast<uint64_t>(c - '0')) / 10)
            return 0;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return value;
}

bool ReadDecimal(const NString& text, uint64_t& value)
{
    value = ParseDecimal(text);
    return value != 0 || text.Equals("0");
}

NString HandleText(HWND window)
{
    return NString::Format("%llu", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
}

HWND HandleOf(const NString& text)
{
    const uint64_t value = ParseDecimal(text);
    const auto extended = static_cast<UINT_PTR>(static_cast<INT_PTR>(static_cast<int32_t>(value)));
    return static_cast<uint64_t>(extended) != value ? nullptr : reinterpret_cast<HWND>(extended);
}

NString OwnedText(const std::vector<HWND>& owned, char separator)
{
    const char between[2] = {separator, '\0'};
    NString text("");
    for (HWND window : owned) {
        if (!text.IsEmpty())
            text += between;
        text += HandleText(window);
    }
    return text;
}

std::vector<HWND> ParseOwned(const NString& text, char separator)
{
    std::vector<HWND> owned;
    const char* next = text.IsNull() ? "" : text.Text();
    while (*next && owned.size() < kMaxOwnedPerRecord) {
        const char* end = std::strchr(next, separator);
        const size_t length = end ? static_cast<size_t>(end - next) : std::strlen(next);
        if (HWND window = HandleOf(NString(next, static_cast<uint32_t>(length))))
            owned.push_back(window);
        next += length + (end ? 1 : 0);
    }
    return owned;
}

NString PackHeldRecord(const HeldRecord& record)
{
    const NString className = record.className.IsNull() ? NString("") : record.className;
    NString text = HandleText(record.window);
    text += NString::Format(" %lu %llu ", static_cast<unsigned long>(record.processId),
                            static_cast<unsigned long long>(record.processCreated));
    text += record.owned.empty() ? NString(kNoOwned) : OwnedText(record.owned, ',');
    text += NString::Format(" %lu ", static_cast<unsigned long>(className.Length()));
    text += className;
    if (!record.title.IsEmpty())
        text += record.title;
    return text;
}

bool UnpackHeldRecord(const NString& text, HeldRecord& record)
{
    if (text.IsEmpty())
        return false;
    const char* next = text.Text();
    const char* const end = next + text.Length();
    NString words[kPackedWords];
    for (NString& word : words) {
        const char* blank = static_cast<const char*>(std::memchr(next, ' ', static_cast<size_t>(end - next)));
        if (!blank)
            return false;
        word = NString(next, static_cast<uint32_t>(blank - next));
        next = blank + 1;
    }
    HeldRecord read;
    read.window = HandleOf(words[0]);
    const uint64_t processId = ParseDecimal(words[1]);
    uint64_t classLength = 0;
    if (!read.window || processId == 0 || processId > MAXDWORD || !ReadDecimal(words[2], read.processCreated) ||
        !ReadDecimal(words[4], classLength) ||
        classLength > static_cast<uint64_t>(end - next))
        return false;
    read.processId = static_cast<DWORD>(processId);
    if (!words[3].Equals(kNoOwned))
        read.owned = ParseOwned(words[3], ',');
    read.className = NString(next, static_cast<uint32_t>(classLength));
    read.title = NString(next + classLength, static_cast<uint32_t>(end - next - classLength));
    read.index = record.index;
    read.legacy = record.legacy;
    record = read;
    return true;
}
