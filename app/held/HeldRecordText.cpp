// The held records' text forms and their reading from the settings.
#include "app/held/HeldRecordText.h"

#include <cstring>

#include "app/held/HeldWindows.h"
#include "settings/SettingsKey.h"

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

std::vector<HeldRecord> HeldWindowStore::Load() const
{
    std::vector<HeldRecord> records;
    SettingsKey held(HKEY_CURRENT_USER, m_path.Text());
    for (int index = 0; index < kMaxRecords; ++index) {
        SettingsKey entry(held, RecordName(index).Text());
        NString window, created;
        int32_t processId = 0;
        if (!entry.ReadText("Window", window))
            break;
        HeldRecord record;
        record.window = HandleOf(window);
        entry.ReadInt("ProcessId", processId);
        record.processId = static_cast<DWORD>(processId);
        entry.ReadText("ProcessCreated", created);
        record.processCreated = ParseRecordNumber(created);
        entry.ReadText("Class", record.className);
        entry.ReadText("Title", record.title);
        NString owned;
        if (entry.ReadText(kOwnedValue, owned))
            record.owned = ParseOwned(owned);
        if (record.window && record.processId)
            records.push_back(record);
    }
    return records;
}
