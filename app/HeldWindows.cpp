#include "app/HeldWindows.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/CandidateList.h"
#include "settings/SettingsKey.h"

namespace {

constexpr const char kHeldSubKey[] = "Held";
// Enough for many times the menu's 4001 entries, and a bound on what a damaged key can cost.
constexpr int kMaxRecords = 10000;

uint64_t ProcessCreationTime(DWORD processId)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        return 0;
    FILETIME created = {}, exited = {}, kernel = {}, user = {};
    uint64_t time = 0;
    if (GetProcessTimes(process, &created, &exited, &kernel, &user))
        time = (static_cast<uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
    CloseHandle(process);
    return time;
}

NString RecordName(int index)
{
    return NString::Format("%05d", index);
}

uint64_t ParseUnsigned(const NString& text)
{
    if (text.IsEmpty())
        return 0;
    char* end = nullptr;
    uint64_t value = _strtoui64(text.Text(), &end, 10);
    return end && *end == '\0' ? value : 0;
}

} // namespace

HeldRecord DescribeWindow(HWND window, const NString& title)
{
    HeldRecord record;
    record.window = window;
    record.title = title;
    if (!IsWindow(window))
        return record;
    GetWindowThreadProcessId(window, &record.processId);
    record.processCreated = ProcessCreationTime(record.processId);
    record.className = NString::FromClassName(window);
    return record;
}

bool StillHeld(const HeldRecord& record)
{
    if (!record.window || !IsWindow(record.window) || IsWindowVisible(record.window))
        return false;
    HeldRecord now = DescribeWindow(record.window, record.title);
    return now.processId != 0 && now.processId == record.processId &&
           now.processCreated == record.processCreated && now.className.Equals(record.className);
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
        NString window, created;
        int32_t processId = 0;
        if (!entry.ReadText("Window", window))
            break;
        HeldRecord record;
        record.window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(ParseUnsigned(window)));
        entry.ReadInt("ProcessId", processId);
        record.processId = static_cast<DWORD>(processId);
        entry.ReadText("ProcessCreated", created);
        record.processCreated = ParseUnsigned(created);
        entry.ReadText("Class", record.className);
        entry.ReadText("Title", record.title);
        if (record.window && record.processId)
            records.push_back(record);
    }
    return records;
}

void HeldWindowStore::Clear()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, m_path.Text());
    m_stored.clear();
    m_known = true;
}

void HeldWindowStore::Store(const std::vector<HeldRecord>& records)
{
    Clear();
    SettingsKey held(HKEY_CURRENT_USER, m_path.Text());
    int index = 0;
    for (const HeldRecord& record : records) {
        SettingsKey entry(held, RecordName(index++).Text());
        entry.WriteInt("ProcessId", static_cast<int32_t>(record.processId));
        entry.WriteText("ProcessCreated", NString::Format("%llu", static_cast<unsigned long long>(record.processCreated)).Text());
        entry.WriteText("Class", record.className.IsNull() ? "" : record.className.Text());
        entry.WriteText("Title", record.title.IsNull() ? "" : record.title.Text());
        // Written last: a record is complete once its window is there.
        entry.WriteText("Window", NString::Format("%llu", static_cast<unsigned long long>(
                                                              reinterpret_cast<UINT_PTR>(record.window))).Text());
        m_stored.push_back(record.window);
    }
}

void HeldWindowStore::Sync(const HiddenMenu& menu)
{
    std::vector<const MenuEntry*> entries = menu.Entries();
    std::vector<HWND> windows;
    for (const MenuEntry* entry : entries)
        windows.push_back(entry->window);
    if (m_known && windows == m_stored)
        return;
    std::vector<HeldRecord> records;
    for (const MenuEntry* entry : entries)
        records.push_back(DescribeWindow(entry->window, entry->title));
    if (records.empty())
        Clear();
    else
        Store(records);
}

int HeldWindowStore::Recover(HiddenMenu& menu)
{
    int recovered = 0;
    for (const HeldRecord& record : Load()) {
        if (!StillHeld(record))
            continue;
        CandidateRecord candidate;
        candidate.window = record.window;
        candidate.title = record.title.IsEmpty() ? StoredTitle(record.window) : record.title;
        candidate.icon = WindowIcon(record.window);
        if (menu.AddEntry(candidate))
            ++recovered;
    }
    m_known = false;
    Sync(menu);
    return recovered;
}
