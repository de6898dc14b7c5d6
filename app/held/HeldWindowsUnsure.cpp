// HeldWindowStore (see HeldWindows.h): removing the records, and how a copy that was unsure of
// what is stored (a write failed twice: a full disk, a removed drive, the key denied for a
// moment) becomes sure again without a moment where a held window has no record stored.
#include "app/held/HeldWindows.h"

#include <algorithm>
#include <unordered_set>

namespace {

// The values of the Held key listed at most, to remove those no entry holds: many times the
// menu's 4001 entries.
constexpr DWORD kMaxListedValues = 100000;

} // namespace

// Another running copy's records are left alone; this copy stays unsure of what is stored, so
// the next Sync tries again (and succeeds once that copy has ended), and it no longer knows the
// key whole: that copy may leave records this copy never read. The key goes whole only when this
// copy read it whole: otherwise it may hold records this copy never read, of windows still
// hidden, and only the records this copy read or wrote go.
void HeldWindowStore::Clear()
{
    const bool known = !OwnedByAnotherRunningCopy(Store());
    if (known && !m_whole) {
        m_known = true;
        for (const Stored& stored : m_stored)
            Remove(stored);
        m_failed = false;
    }
    CloseKey();
    m_stored.clear();
    m_nextIndex = 0;
    m_known = known;
    m_whole = m_whole && known;
    if (m_known && m_whole)
        Store().DeleteTree(m_path.Text());
}

// Nothing is removed here: every entry's record is written anew (see Sync) before the records set
// aside in stale go (see RemoveStale). Read whole, new numbers follow every number this copy has
// used since, so that none is written over a record still wanted; else they are numbers where no
// value is.
bool HeldWindowStore::Resume(std::vector<Stored>& stale)
{
    if (OwnedByAnotherRunningCopy(Store())) {
        Clear();
        return false;
    }
    // Opened anew, the key names this copy again.
    CloseKey();
    stale.swap(m_stored);
    if (!m_whole)
        m_nextIndex = 0;
    m_known = true;
    return true;
}

// Read whole, every value named by a number that no entry's record has goes, and every numbered
// sub-key of an older version: the records this copy forgot when a removal failed go with them.
// Else only the stale records this copy read or wrote go. A failure (or a listing cut short)
// leaves this copy unsure, so that the next Sync writes the records and removes again; stale then
// holds what was to go.
void HeldWindowStore::RemoveStale(std::vector<Stored>& stale)
{
    std::unordered_set<int> kept;
    for (const Stored& stored : m_stored) {
        kept.insert(stored.record.index);
        // A record in memory only (no free number found) may have no other form than a stale one.
        m_failed = m_failed || stored.record.index > kMaxHeldRecordIndex;
    }
    if (m_failed) {
        m_failed = false;
        m_known = false;
        return;
    }
    if (m_whole) {
        stale.clear();
        std::vector<StoredValue> values;
        std::vector<NString> keys;
        m_failed = Store().ListValues(m_path.Text(), values, kMaxListedValues, false) != ERROR_SUCCESS ||
                   Store().ListKeys(m_path.Text(), keys) != ERROR_SUCCESS;
        for (const StoredValue& value : values) {
            Stored gone;
            if (value.result == ERROR_SUCCESS && ParseHeldRecordName(value.name.Text(), gone.record.index))
                stale.push_back(gone);
        }
        for (const NString& key : keys) {
            Stored gone;
            gone.record.legacy = ParseHeldRecordName(key.Text(), gone.record.index);
            if (gone.record.legacy)
                stale.push_back(gone);
        }
    }
    // What is left in stale is what goes: on a failure, with the next try.
    stale.erase(std::remove_if(stale.begin(), stale.end(),
                               [&](const Stored& gone) {
                                   return !gone.record.legacy && (gone.record.index > kMaxHeldRecordIndex ||
                                                                  kept.count(gone.record.index) != 0);
                               }),
                stale.end());
    for (const Stored& gone : stale)
        Remove(gone);
    if (m_failed) {
        m_failed = false;
        m_known = false;
    }
}
