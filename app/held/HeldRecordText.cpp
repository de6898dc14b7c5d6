// The held records' text forms and their reading from the settings.
#include "app/held/HeldRecordText.h"

#include <cstring>

#include "app/held/HeldWindows.h"
#include "settings/SettingsKey.h"

namespace {

// The last read found its value but could not take it: of another type, or too large.
bool ValueDamaged(const SettingsKey& key)
{
    return key.LastError() == ERROR_BADKEY || key.LastError() == ERROR_MORE_DATA;
}

// An absent value leaves its field alone; true unless the value is there and could not be read.
bool ReadOptional(const SettingsKey& key, bool read)
{
    return read || key.LastError() == ERROR_FILE_NOT_FOUND;
}

} // namespace

NString RecordName(int index)
{
    return NString::Format("%05d", index);
}

// Digits only: the C runtime's reader would also take blanks and a sign (a "-1" read as the
// largest number) and give its largest number for one too large.
uint64_t ParseRecordNumber(const NString& text)
{
    uint64_t value = 0;
    if (text.IsEmpty())
        return 0;
    for (const char* c = text.Text(); *c; ++c) {
        const unsigned digit = static_cast<unsigned>(*c - '0');
        if (digit > 9 || value > (UINT64_MAX - digit) / 10)
            return 0;
        value = value * 10 + digit;
    }
    return value;
}

NString HandleText(HWND window)
{
    return NString::Format("%llu", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
}

HWND HandleOf(const NString& text)
{
    const uint64_t value = ParseRecordNumber(text);
    return value > static_cast<uint64_t>(UINTPTR_MAX) ? nullptr : reinterpret_cast<HWND>(static_cast<UINT_PTR>(value));
}

NString OwnedText(const std::vector<HWND>& owned)
{
    NString text("");
    for (HWND window : owned) {
        if (!text.IsEmpty())
            text += " ";
        text += HandleText(window);
    }
    return text;
}

std::vector<HWND> ParseOwned(const NString& text)
{
    std::vector<HWND> owned;
    const char* next = text.IsNull() ? "" : text.Text();
    while (*next && owned.size() < kMaxOwned) {
        const char* end = std::strchr(next, ' ');
        const size_t length = end ? static_cast<size_t>(end - next) : std::strlen(next);
        if (HWND window = HandleOf(NString(next, static_cast<uint32_t>(length))))
            owned.push_back(window);
        next += length + (end ? 1 : 0);
    }
    return owned;
}

HeldWindowStore::HeldWindowStore(const char* programKeyPath)
    : m_path(NString(programKeyPath) + "\\" + kHeldSubKey)
{
}

// Each record is a sub-key "00000", "00001"... in the order the windows were hidden.
std::vector<HeldRecord> HeldWindowStore::Load() const
{
    std::vector<HeldRecord> records;
    SettingsKey held(HKEY_CURRENT_USER, m_path.Text());
    for (int index = 0; index < kMaxRecords; ++index) {
        SettingsKey entry(held, RecordName(index).Text());
        NString window, created, owned;
        int32_t processId = 0;
        if (!entry.ReadText("Window", window) && !ValueDamaged(entry))
            break;
        HeldRecord record;
        // A value that is there but cannot be read damages its record: never a record with a
        // field missing, which would describe another window.
        const bool sound = entry.LastError() == ERROR_SUCCESS &&
                           ReadOptional(entry, entry.ReadInt("ProcessId", processId)) &&
                           ReadOptional(entry, entry.ReadText("ProcessCreated", created)) &&
                           ReadOptional(entry, entry.ReadText("Class", record.className)) &&
                           ReadOptional(entry, entry.ReadText("Title", record.title)) &&
                           ReadOptional(entry, entry.ReadText(kOwnedValue, owned));
        record.window = HandleOf(window);
        record.processId = static_cast<DWORD>(processId);
        record.processCreated = ParseRecordNumber(created);
        if (!owned.IsNull())
            record.owned = ParseOwned(owned);
        if (sound && record.window && record.processId)
            records.push_back(record);
    }
    return records;
}
