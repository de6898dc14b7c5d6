#include "app/held/HeldWindows.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "app/held/ForeignWindow.h"
#include "app/list/CandidateList.h"
#include "app/rules/WindowMatch.h"
#include "app/held/WindowPlace.h"
#include "settings/SettingsKey.h"

namespace {

constexpr const char kHeldSubKey[] = "Held";
// Enough for many times the menu's 4001 entries, and a bound on what a damaged key can cost.
constexpr int kMaxRecords = 10000;
// Values of the Held key naming the copy that wrote the records.
constexpr const char kOwnerIdValue[] = "OwnerProcessId";
constexpr const char kOwnerCreatedValue[] = "OwnerCreated";
// A record's owned windows: their handles in decimal, separated by blanks. Absent in records of
// versions that kept no owned windows.
constexpr const char kOwnedValue[] = "Owned";
// Owned windows read at most per record: a bound on what a damaged value can cost.
constexpr size_t kMaxOwned = 256;

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

NString HandleText(HWND window)
{
    return NString::Format("%llu", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
}

HWND HandleOf(const NString& text)
{
    const uint64_t value = ParseUnsigned(text);
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

// Words that are no handle, and handles beyond kMaxOwned, are skipped.
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

uint64_t OwnCreationTime()
{
    static const uint64_t created = ProcessCreationTime(GetCurrentProcessId());
    return created;
}

// A record's number from its key's name: only names RecordName makes count.
bool ParseIndex(const char* name, int& index)
{
    const uint64_t value = ParseUnsigned(NString(name));
    if (value > static_cast<uint64_t>(INT32_MAX) || !RecordName(static_cast<int>(value)).Equals(NString(name)))
        return false;
    index = static_cast<int>(value);
    return true;
}

// The numbers of the stored records, in order. A name too long for the buffer is none of ours.
std::vector<int> StoredIndices(const NString& path)
{
    std::vector<int> indices;
    HKEY held = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.Text(), 0, KEY_READ, &held) != ERROR_SUCCESS)
        return indices;
    for (DWORD position = 0; position < static_cast<DWORD>(kMaxRecords); ++position) {
        char name[16] = {};
        DWORD length = sizeof name;
        const LONG result = RegEnumKeyExA(held, position, name, &length, nullptr, nullptr, nullptr, nullptr);
        int index = 0;
        if (result == ERROR_SUCCESS && ParseIndex(name, index))
            indices.push_back(index);
        else if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA)
            break;
    }
    RegCloseKey(held);
    std::sort(indices.begin(), indices.end());
    return indices;
}

void SetText(HKEY key, const char* name, const NString& text)
{
    const char* value = text.IsNull() ? "" : text.Text();
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                   static_cast<DWORD>(std::strlen(value) + 1));
}

NString RecordPath(const NString& held, int index)
{
    return held + "\\" + RecordName(index);
}

// One key opened for all of a record's values: a hide waits for this write.
void WriteRecord(const NString& held, int index, const HeldRecord& record)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, RecordPath(held, index).Text(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return;
    const DWORD processId = record.processId;
    RegSetValueExA(key, "ProcessId", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&processId), sizeof processId);
    SetText(key, "ProcessCreated", NString::Format("%llu", static_cast<unsigned long long>(record.processCreated)));
    SetText(key, "Class", record.className);
    SetText(key, "Title", record.title);
    if (!record.owned.empty())
        SetText(key, kOwnedValue, OwnedText(record.owned));
    // Written last: a record is complete once its window is there.
    SetText(key, "Window", HandleText(record.window));
    RegCloseKey(key);
}

void WriteOwned(const NString& held, int index, const std::vector<HWND>& owned)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, RecordPath(held, index).Text(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    if (owned.empty())
        RegDeleteValueA(key, kOwnedValue);
    else
        SetText(key, kOwnedValue, OwnedText(owned));
    RegCloseKey(key);
}

} // namespace

HeldRecord DescribeWindow(HWND window, const NString& title, const std::vector<HWND>& owned)
{
    HeldRecord record;
    record.window = window;
    record.title = title;
    record.owned = owned;
    // Zero for a window that is gone.
    if (!window || !GetWindowThreadProcessId(window, &record.processId))
        return record;
    record.processCreated = ProcessCreationTime(record.processId);
    record.className = NString::FromClassName(window);
    return record;
}

bool SameWindow(const HeldRecord& record)
{
    if (!record.window || !IsWindow(record.window))
        return false;
    HeldRecord now = DescribeWindow(record.window, record.title);
    return now.processId != 0 && now.processId == record.processId &&
           now.processCreated == record.processCreated && now.className.Equals(record.className);
}

bool StillHeld(const HeldRecord& record)
{
    return SameWindow(record) && !IsWindowVisible(record.window);
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

HeldWindowStore::HeldWindowStore(const char* programKeyPath)
    : m_path(NString(programKeyPath) + "\\" + kHeldSubKey)
{
}

// Each record is a sub-key "00000", "00001"... numbered in the order the windows were hidden;
// the numbers of records that went leave gaps.
std::vector<HeldRecord> HeldWindowStore::Load() const
{
    std::vector<HeldRecord> records;
    SettingsKey held(HKEY_CURRENT_USER, m_path.Text());
    for (int index : StoredIndices(m_path)) {
        SettingsKey entry(held, RecordName(index).Text());
        NString window, created;
        int32_t processId = 0;
        if (!entry.ReadText("Window", window))
            continue;
        HeldRecord record;
        record.index = index;
        record.window = HandleOf(window);
        entry.ReadInt("ProcessId", processId);
        record.processId = static_cast<DWORD>(processId);
        entry.ReadText("ProcessCreated", created);
        record.processCreated = ParseUnsigned(created);
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

// Records from versions that did not name their copy have no owner, and are never another's.
bool HeldWindowStore::OwnedByAnotherRunningCopy() const
{
    SettingsKey held(HKEY_CURRENT_USER, m_path.Text());
    int32_t ownerId = 0;
    NString created;
    if (!held.ReadInt(kOwnerIdValue, ownerId) || !held.ReadText(kOwnerCreatedValue, created))
        return false;
    const DWORD owner = static_cast<DWORD>(ownerId);
    const uint64_t ownerCreated = ParseUnsigned(created);
    if (owner == 0 || ownerCreated == 0 || (owner == GetCurrentProcessId() && ownerCreated == OwnCreationTime()))
        return false;
    return ProcessRunning(owner, ownerCreated);
}

// Another running copy's records are left alone; this copy stays unsure of what is stored, so
// the next Sync tries again (and succeeds once that copy has ended).
void HeldWindowStore::Clear()
{
    m_stored.clear();
    m_nextIndex = 0;
    m_ownerWritten = false;
    m_known = !OwnedByAnotherRunningCopy();
    if (m_known)
        RegDeleteTreeA(HKEY_CURRENT_USER, m_path.Text());
}

// One key opened for both values: the first hide into an empty store waits for this write.
void HeldWindowStore::WriteOwner()
{
    m_ownerWritten = true;
    HKEY held = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, m_path.Text(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &held, nullptr) !=
        ERROR_SUCCESS)
        return;
    const DWORD processId = GetCurrentProcessId();
    RegSetValueExA(held, kOwnerIdValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&processId), sizeof processId);
    SetText(held, kOwnerCreatedValue, NString::Format("%llu", static_cast<unsigned long long>(OwnCreationTime())));
    RegCloseKey(held);
}

void HeldWindowStore::Append(const MenuEntry& entry)
{
    const int index = m_nextIndex++;
    WriteRecord(m_path, index, DescribeWindow(entry.window, entry.title, entry.owned));
    m_stored.push_back({index, entry.window, entry.owned});
}

// Records are matched to entries by window; a window has at most one entry.
void HeldWindowStore::Sync(const HiddenMenu& menu)
{
    const std::vector<const MenuEntry*> entries = menu.Entries();
    if (!m_known) {
        Clear();
        if (!m_known || entries.empty())
            return;
    }
    if (!entries.empty() && !m_ownerWritten)
        WriteOwner();
    std::unordered_map<HWND, size_t> stored;
    for (size_t i = 0; i < m_stored.size(); ++i)
        stored.emplace(m_stored[i].window, i);
    std::vector<bool> kept(m_stored.size(), false);
    for (const MenuEntry* entry : entries) {
        const auto found = stored.find(entry->window);
        if (found == stored.end() || kept[found->second]) {
            Append(*entry);
            continue;
        }
        Stored& record = m_stored[found->second];
        kept[found->second] = true;
        if (record.owned != entry->owned) {
            WriteOwned(m_path, record.index, entry->owned);
            record.owned = entry->owned;
        }
    }
    for (size_t i = kept.size(); i-- > 0;) {
        if (kept[i])
            continue;
        RegDeleteKeyA(HKEY_CURRENT_USER, RecordPath(m_path, m_stored[i].index).Text());
        m_stored.erase(m_stored.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

// The records stay stored while the windows are taken back; Sync then drops those not taken.
int HeldWindowStore::Recover(HiddenMenu& menu)
{
    if (OwnedByAnotherRunningCopy()) {
        // A copy that still runs has its windows in its own menu: they are not lost.
        m_known = false;
        return 0;
    }
    const std::vector<HeldRecord> records = Load();
    m_stored.clear();
    m_nextIndex = 0;
    m_ownerWritten = false;
    m_known = true;
    for (const HeldRecord& record : records) {
        m_stored.push_back({record.index, record.window, record.owned});
        m_nextIndex = std::max(m_nextIndex, record.index + 1);
    }
    if (!records.empty())
        WriteOwner();
    int recovered = 0;
    for (const HeldRecord& record : records) {
        if (!StillHeld(record)) {
            if (SameWindow(record)) {
                for (HWND owned : StillOwned(record))
                    QueueShowWindow(owned, SW_SHOWNA);
            }
            continue;
        }
        CandidateRecord candidate;
        candidate.window = record.window;
        candidate.title = record.title.IsEmpty() ? StoredTitle(record.window) : record.title;
        candidate.icon = WindowIcon(record.window);
        if (MenuEntry* entry = menu.AddEntry(candidate)) {
            entry->owned = StillOwned(record);
            ++recovered;
        }
    }
    Sync(menu);
    return recovered;
}
