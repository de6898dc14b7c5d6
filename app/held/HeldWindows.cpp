#include "app/held/HeldWindows.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <utility>

#include "app/ForeignWindow.h"
#include "app/held/HeldRecordRead.h"
#include "app/held/WindowPlace.h"
#include "app/rules/WindowMatch.h"
#include "settings/RegistryRead.h"
#include "settings/StateFile.h"

namespace {

constexpr const char kHeldSubKey[] = "Held";
// Values of the Held key naming the copy that wrote the records.
constexpr const char kOwnerIdValue[] = "OwnerProcessId";
constexpr const char kOwnerCreatedValue[] = "OwnerCreated";

uint64_t OwnCreationTime()
{
    static const uint64_t created = ProcessCreationTime(GetCurrentProcessId());
    return created;
}

LONG SetText(SettingsStore& store, const NString& path, const char* name, const NString& text)
{
    const char* value = text.IsNull() ? "" : text.Text();
    return store.SetValue(path.Text(), name, REG_SZ, reinterpret_cast<const BYTE*>(value),
                          static_cast<DWORD>(std::strlen(value) + 1));
}

// The owner's process id and creation time as stored: a REG_DWORD of four bytes and a text.
bool ReadOwner(SettingsStore& store, const NString& path, DWORD& owner, NString& created)
{
    DWORD type = 0;
    std::vector<BYTE> data;
    if (store.QueryValue(path.Text(), kOwnerIdValue, &type, data, sizeof owner) != ERROR_SUCCESS || type != REG_DWORD ||
        data.size() != sizeof owner)
        return false;
    std::memcpy(&owner, data.data(), sizeof owner);
    if (store.QueryValue(path.Text(), kOwnerCreatedValue, &type, data, kRegistryMaxDataBytes) != ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    const char* chars = reinterpret_cast<const char*>(data.data());
    created = data.empty() ? NString("") : NString(chars, static_cast<uint32_t>(strnlen(chars, data.size())));
    return true;
}

} // namespace

HeldWindowStore::HeldWindowStore(const char* programKeyPath, const std::wstring& stateFile)
    : m_path(NString(programKeyPath) + "\\" + kHeldSubKey)
{
    if (!stateFile.empty())
        m_state.reset(new StateFileStore(stateFile, m_path.Text()));
}

HeldWindowStore::~HeldWindowStore()
{
    CloseKey();
}

std::vector<HeldRecord> HeldWindowStore::Load() const
{
    return LoadHeldRecords(Store(), m_path.Text());
}

// Records from versions that did not name their copy have no owner, and are never another's.
bool HeldWindowStore::OwnedByAnotherRunningCopy(SettingsStore& store) const
{
    DWORD owner = 0;
    NString created;
    if (!ReadOwner(store, m_path, owner, created))
        return false;
    const uint64_t ownerCreated = ParseDecimal(created);
    if (owner == 0 || ownerCreated == 0 || (owner == GetCurrentProcessId() && ownerCreated == OwnCreationTime()))
        return false;
    return ProcessRunning(owner, ownerCreated);
}

void HeldWindowStore::CloseKey()
{
    if (m_open)
        Store().ReleaseKey();
    m_open = false;
}

// Opened (made) once and kept, with this copy named as the records' writer: then a record costs
// one request to the system. Whether another running copy owns the key is asked only here, once
// per opening. That copy's records stay as they are; this copy is then unsure of what is stored,
// so each later Sync asks again (see Resume) and writes its records once that copy has ended.
bool HeldWindowStore::OpenKey()
{
    if (m_open)
        return true;
    if (OwnedByAnotherRunningCopy(Store())) {
        m_known = false;
        m_whole = false;
        return false;
    }
    const DWORD processId = GetCurrentProcessId();
    const NString created = NString::Format("%llu", static_cast<unsigned long long>(OwnCreationTime()));
    SettingsStore& store = Store();
    m_open = store.HoldKey(m_path.Text()) == ERROR_SUCCESS &&
             store.SetValue(m_path.Text(), kOwnerIdValue, REG_DWORD, reinterpret_cast<const BYTE*>(&processId),
                            sizeof processId) == ERROR_SUCCESS &&
             SetText(store, m_path, kOwnerCreatedValue, created) == ERROR_SUCCESS;
    if (!m_open)
        store.ReleaseKey();
    return m_open;
}

void HeldWindowStore::Write(const Stored& stored)
{
    if (!m_known || stored.record.index > kMaxHeldRecordIndex)
        return;
    if (!OpenKey() ||
        SetText(Store(), m_path, HeldRecordName(stored.record.index).Text(), PackHeldRecord(stored.record)) != ERROR_SUCCESS)
        m_failed = m_known;
}

// A record already gone is no failure.
void HeldWindowStore::Remove(const Stored& stored)
{
    const NString name = HeldRecordName(stored.record.index);
    LONG result = ERROR_SUCCESS;
    if (stored.record.legacy)
        result = Store().DeleteTree((m_path + "\\" + name).Text());
    else if (!m_known)
        return;
    else
        result = OpenKey() ? Store().DeleteValue(m_path.Text(), name.Text()) : ERROR_ACCESS_DENIED;
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
        m_failed = m_known;
}

// The records are written over what may still be there, never removed first: a copy killed
// meanwhile leaves every record stored. A second failure leaves this copy unsure of what is
// stored: the next Sync starts the records afresh (see Resume).
void HeldWindowStore::WriteAllAgain()
{
    m_failed = false;
    CloseKey();
    for (const Stored& stored : m_stored) {
        Write(stored);
        if (m_failed)
            break;
    }
    if (m_failed) {
        m_failed = false;
        m_known = false;
    }
}

// Unless this copy read the key whole, a record it never read may hold any number: a number is
// then taken only where no value is (and past the last one, the record stays in memory only, as
// renumbering would write over such records).
int HeldWindowStore::NextIndex()
{
    if (m_nextIndex > kMaxHeldRecordIndex && m_whole)
        Renumber();
    while (!m_whole && m_nextIndex <= kMaxHeldRecordIndex) {
        const LONG result = ValueAt(m_nextIndex);
        if (result == ERROR_FILE_NOT_FOUND)
            break;
        // A number whose value cannot be read (damaged, too large) may hold a record: it is not
        // free. Any other failure is the key's (denied, a file locked): no number can be known
        // free now, so this record stays in memory only until a later Sync finds it a number.
        if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA && result != ERROR_INVALID_DATA)
            return kMaxHeldRecordIndex + 1;
        ++m_nextIndex;
    }
    return m_nextIndex++;
}

LONG HeldWindowStore::ValueAt(int index) const
{
    DWORD type = 0;
    std::vector<BYTE> data;
    return Store().QueryValue(m_path.Text(), HeldRecordName(index).Text(), &type, data, kRegistryMaxDataBytes);
}

// Each record is written under its new number before any old name goes, so a kill meanwhile
// leaves a record twice at worst (Recover keeps one per window), never none. The records are in
// the order of their numbers, so a record's new number is at most its old one: a name written
// over belongs to a record already written under its new number. Records of older versions are
// sub-keys, whose names no value takes: they keep theirs until Sync writes them anew.
void HeldWindowStore::Renumber()
{
    const std::vector<Stored> old = m_stored;
    int next = 0;
    for (Stored& stored : m_stored) {
        if (!stored.record.legacy) {
            stored.record.index = next++;
            Write(stored);
        }
    }
    for (const Stored& gone : old) {
        if (!gone.record.legacy && gone.record.index >= next)
            Remove(gone);
    }
    m_nextIndex = next;
}

// Records are matched to entries by window; a window has at most one entry. A record of an older
// version is written anew before it goes. A copy unsure of what is stored writes every entry's
// record anew, and only then removes the records no entry holds (see Resume): a copy killed
// meanwhile leaves every held window's record stored.
void HeldWindowStore::Sync(const HiddenMenu& menu)
{
    const SettingsBatch batch(Store());
    const std::vector<const MenuEntry*> entries = menu.Entries();
    const bool unsure = !m_known;
    std::vector<Stored> stale;
    // No entry holds a window: every record may go at once.
    if (unsure && entries.empty()) {
        Clear();
        return;
    }
    if (unsure && !Resume(stale))
        return;
    // Of several records of one window (see Recover) the newest is matched; the others go.
    std::unordered_map<HWND, size_t> stored;
    for (size_t i = 0; i < m_stored.size(); ++i) {
        if (!m_stored[i].record.legacy)
            stored[m_stored[i].record.window] = i;
    }
    std::vector<bool> kept(m_stored.size(), false);
    for (const MenuEntry* entry : entries) {
        const auto found = stored.find(entry->window);
        if (found == stored.end() || kept[found->second]) {
            Stored added{DescribeWindow(entry->window, entry->title, entry->owned)};
            added.record.index = NextIndex();
            Write(added);
            m_stored.push_back(added);
            kept.push_back(true);
            continue;
        }
        kept[found->second] = true;
        HeldRecord& record = m_stored[found->second].record;
        // A record that found no free number (the key could not be read) asks for one again.
        const bool unstored = record.index > kMaxHeldRecordIndex;
        if (unstored)
            record.index = NextIndex();
        if (unstored || record.owned != entry->owned) {
            record.owned = entry->owned;
            Write(m_stored[found->second]);
        }
    }
    for (size_t i = kept.size(); i-- > 0;) {
        if (!kept[i]) {
            Remove(m_stored[i]);
            m_stored.erase(m_stored.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    if (m_failed)
        WriteAllAgain();
    if (unsure && m_known)
        RemoveStale(stale);
    // Still unsure: the stale records this copy read or wrote that are stored go with the next try.
    if (!m_known && !m_whole) {
        for (const Stored& gone : stale) {
            if (gone.record.legacy || gone.record.index <= kMaxHeldRecordIndex)
                m_stored.insert(m_stored.begin(), gone);
        }
    }
}

// A record left in the settings file by a version that kept them there was written by a copy that
// no longer runs (or that one still owns it): it gets a number after the state file's records, as
// it was hidden before them.
void HeldWindowStore::MoveRecordsOutOfTheSettings()
{
    SettingsStore& settings = ActiveSettings();
    if (!m_state || settings.KeyExists(m_path.Text()) != ERROR_SUCCESS || OwnedByAnotherRunningCopy(settings))
        return;
    bool whole = false, numbered = true;
    for (HeldRecord record : LoadHeldRecords(settings, m_path.Text(), &whole)) {
        record.legacy = false;
        record.index = NextIndex();
        numbered = numbered && record.index <= kMaxHeldRecordIndex;
        m_stored.push_back({record});
        Write(m_stored.back());
    }
    if (whole && numbered && !m_failed)
        settings.DeleteTree(m_path.Text());
}

// The records stay stored while the windows are taken back; Sync then drops those not taken.
int HeldWindowStore::Recover(HiddenMenu& menu)
{
    const SettingsBatch batch(Store());
    CloseKey();
    m_stored.clear();
    m_nextIndex = 0;
    // A copy that still runs has its windows in its own menu: they are not lost.
    m_known = !OwnedByAnotherRunningCopy(Store());
    // Records of a copy that still runs are not read: should it end without taking them away,
    // they are no less records this copy never read.
    m_whole = m_known;
    if (!m_known)
        return 0;
    const std::vector<HeldRecord> records = LoadHeldRecords(Store(), m_path.Text(), &m_whole);
    // This copy holds them from now on.
    if (!records.empty())
        OpenKey();
    for (const HeldRecord& record : records) {
        m_stored.push_back({record});
        m_nextIndex = std::max(m_nextIndex, record.index + 1);
    }
    MoveRecordsOutOfTheSettings();
    std::vector<HeldRecord> stored;
    for (const Stored& kept : m_stored)
        stored.push_back(kept.record);
    int recovered = 0;
    // A program that does not answer costs one probe, not one per window.
    SilentThreads silent;
    for (const HeldRecord& record : OneRecordPerWindow(stored))
        recovered += TakeBackHeldWindow(menu, record, silent) ? 1 : 0;
    Sync(menu);
    return recovered;
}
