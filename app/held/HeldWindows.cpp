#include "app/held/HeldWindows.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/held/HeldRecordText.h"
#include "app/list/CandidateList.h"
#include "app/rules/WindowMatch.h"
#include "app/held/WindowPlace.h"
#include "settings/SettingsKey.h"

namespace {

// Values of the Held key naming the copy that wrote the records.
constexpr const char kOwnerIdValue[] = "OwnerProcessId";
constexpr const char kOwnerCreatedValue[] = "OwnerCreated";

std::vector<HWND> StoredForm(HWND window, const std::vector<HWND>& owned)
{
    std::vector<HWND> stored{window};
    stored.insert(stored.end(), owned.begin(), owned.end());
    return stored;
}

uint64_t OwnCreationTime()
{
    static const uint64_t created = ProcessCreationTime(GetCurrentProcessId());
    return created;
}

} // namespace

HeldRecord DescribeWindow(HWND window, const NString& title, const std::vector<HWND>& owned)
{
    HeldRecord record;
    record.window = window;
    record.title = title;
    record.owned = owned;
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

std::vector<HWND> StillOwned(const HeldRecord& record)
{
    std::vector<HWND> owned;
    for (HWND window : record.owned) {
        DWORD processId = 0;
        if (!window || window == record.window || !IsWindow(window) || IsWindowVisible(window) ||
            std::find(owned.begin(), owned.end(), window) != owned.end())
            continue;
        GetWindowThreadProcessId(window, &processId);
        if (processId == record.processId && IsOwnedBy(window, record.window))
            owned.push_back(window);
    }
    return owned;
}

// Records from versions that did not name their copy have no owner, and are never another's.
bool HeldWindowStore::OwnedByAnotherRunningCopy() const
{
    SettingsKey held(HKEY_CURRENT_USER, m_path.Text());
    int32_t ownerId = 0;
    NString created;
    if (!held.ReadInt(kOwnerIdValue, ownerId) || !held.ReadText(kOwnerCreatedValue, created))
        return false;
    const DWORD owner = static_cast<DWORD>(ownerId);
    const uint64_t ownerCreated = ParseRecordNumber(created);
    if (owner == 0 || ownerCreated == 0 || (owner == GetCurrentProcessId() && ownerCreated == OwnCreationTime()))
        return false;
    return ProcessRunning(owner, ownerCreated);
}

// Another running copy's records are left alone; this copy stays unsure of what is stored, so
// the next Sync tries again (and succeeds once that copy has ended).
void HeldWindowStore::Clear()
{
    m_stored.clear();
    m_known = !OwnedByAnotherRunningCopy();
    if (m_known)
        RegDeleteTreeA(HKEY_CURRENT_USER, m_path.Text());
}

void HeldWindowStore::Store(const std::vector<HeldRecord>& records)
{
    Clear();
    if (!m_known)
        return;
    SettingsKey held(HKEY_CURRENT_USER, m_path.Text());
    held.WriteInt(kOwnerIdValue, static_cast<int32_t>(GetCurrentProcessId()));
    held.WriteText(kOwnerCreatedValue, NString::Format("%llu", static_cast<unsigned long long>(OwnCreationTime())).Text());
    int index = 0;
    for (const HeldRecord& record : records) {
        SettingsKey entry(held, RecordName(index++).Text());
        entry.WriteInt("ProcessId", static_cast<int32_t>(record.processId));
        entry.WriteText("ProcessCreated", NString::Format("%llu", static_cast<unsigned long long>(record.processCreated)).Text());
        entry.WriteText("Class", record.className.IsNull() ? "" : record.className.Text());
        entry.WriteText("Title", record.title.IsNull() ? "" : record.title.Text());
        if (!record.owned.empty())
            entry.WriteText(kOwnedValue, OwnedText(record.owned).Text());
        // Written last: a record is complete once its window is there.
        entry.WriteText("Window", HandleText(record.window).Text());
        m_stored.push_back(StoredForm(record.window, record.owned));
    }
}

void HeldWindowStore::Sync(const HiddenMenu& menu)
{
    std::vector<const MenuEntry*> entries = menu.Entries();
    std::vector<std::vector<HWND>> windows;
    for (const MenuEntry* entry : entries)
        windows.push_back(StoredForm(entry->window, entry->owned));
    if (m_known && windows == m_stored)
        return;
    std::vector<HeldRecord> records;
    for (const MenuEntry* entry : entries)
        records.push_back(DescribeWindow(entry->window, entry->title, entry->owned));
    if (records.empty())
        Clear();
    else
        Store(records);
}

int HeldWindowStore::Recover(HiddenMenu& menu)
{
    int recovered = 0;
    // A copy that still runs has its windows in its own menu: they are not lost.
    const std::vector<HeldRecord> records =
        OwnedByAnotherRunningCopy() ? std::vector<HeldRecord>() : Load();
    for (const HeldRecord& record : records) {
        if (!StillHeld(record))
            continue;
        CandidateRecord candidate;
        candidate.window = record.window;
        candidate.title = record.title.IsEmpty() ? StoredTitle(record.window) : record.title;
        candidate.icon = WindowIcon(record.window);
        if (MenuEntry* entry = menu.AddEntry(candidate)) {
            entry->owned = StillOwned(record);
            ++recovered;
        }
    }
    m_known = false;
    Sync(menu);
    return recovered;
}
