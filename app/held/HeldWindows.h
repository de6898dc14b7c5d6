// Held-window records: every window the hidden-window menu holds is also recorded, so that a
// copy of the program that crashed or was killed does not lose the user's hidden windows. A copy
// that ends normally leaves no records behind; the next start finds records only after an
// abnormal end, and takes their windows back into its menu. The records name the copy that wrote
// them (its process id and creation time): while that copy still runs, no other copy takes its
// records or writes over them: a second copy started while the first runs keeps its own records
// in memory only (it has no key of its own, so that one start recovers every record left behind,
// and there is one place to look).
//
// The records follow the menu as it changes (see HiddenMenu::SetChangeHandler): a window's
// record is written before the window is hidden, and goes only after the window is shown again.
// Each change writes only the records that changed, new ones before old ones go, so that a copy
// killed at any moment leaves at worst a record too many (of a visible window, which the next
// start drops), never one too few. A record is one value of the Held key (see PackHeldRecord):
// in the registry, one request to the system on a key the store keeps open; with a settings file,
// one line appended to the state file beside it (see StateFileStore), which no editor or sync
// tool writes. Every hide into the menu waits for it. Records that a version which kept them in
// the settings file left there move to the state file at the next start.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "app/held/HeldRecordText.h"
#include "app/held/HeldRecovery.h"
#include "app/held/HiddenMenu.h"
#include "settings/SettingsStore.h"
#include "text/NString.h"

class HeldWindowStore {
public:
    // programKeyPath: the program's key below HKEY_CURRENT_USER; records go to its "Held" sub-key,
    // in stateFile when one is named, else in the settings store in use.
    explicit HeldWindowStore(const char* programKeyPath, const std::wstring& stateFile = StateFileInUse());
    HeldWindowStore(const HeldWindowStore&) = delete;
    HeldWindowStore& operator=(const HeldWindowStore&) = delete;
    ~HeldWindowStore();

    // The stored records, oldest first. Damaged records are skipped.
    std::vector<HeldRecord> Load() const;
    // Makes the stored records those of the menu's entries: writes the records of new entries and
    // the owned windows that changed, then removes the records of entries that went. A copy that
    // was unsure of what is stored (see WriteAllAgain) writes every entry's record anew first, and
    // then removes the records no entry holds. Sends no message and runs no message loop, so the
    // menu may call it from inside its operations.
    void Sync(const HiddenMenu& menu);
    // Removes every record and the key that holds them (none while another running copy owns
    // them); when the last Recover could not read the key whole (its listing failed part of the
    // way, or another running copy owned it), only the records this copy read or wrote, so that
    // records it never read are neither deleted nor written over and the next start recovers
    // them. While the program runs, a Sync with no entries removes the records alone and keeps
    // the key.
    void Clear();

    // Puts each stored record whose window is still held back at the top of the menu (oldest
    // first, so the newest ends on top), with the owned windows that StillOwned keeps, and stores
    // exactly the menu's entries afterwards. A record whose window was shown meanwhile (by its
    // program, or never hidden by a copy killed in between) is dropped, and the owned windows
    // that StillOwned finds for it are shown again, so that none stays hidden out of reach. A
    // visible window whose program does not answer a short probe may still have the hide of the
    // copy that wrote the record queued: it is taken back as an entry whose hide is pending (see
    // HiddenMenu::AwaitQueuedHide). Of several records of one window (a copy killed between
    // writing a record anew and removing its old form) the newest is taken, with the owned
    // windows of all of them.
    // Records of another copy that still runs are skipped. Returns how many windows were taken
    // back. The menu must have no change handler meanwhile: the records not yet taken back would
    // go with the first entry. With a state file, the records a settings file holds move there
    // first (see MoveRecordsOutOfTheSettings).
    int Recover(HiddenMenu& menu);

private:
    struct Stored {
        HeldRecord record;
    };
    // The Held key, made if needed and marked open until Clear; opening it names this copy as
    // the records' writer.
    // Fails, leaving this copy's records in memory only, while another running copy owns them.
    bool OpenKey();
    // Makes this copy sure again of what is stored, unless another running copy owns the records:
    // its records so far move to stale, and every entry's is then written anew.
    bool Resume(std::vector<Stored>& stale);
    // Once every entry's record is written: removes the records no entry holds.
    void RemoveStale(std::vector<Stored>& stale);
    void CloseKey();
    // A failure is noted in m_failed, for WriteAllAgain.
    void Write(const Stored& stored);
    void Remove(const Stored& stored);
    // After a failed write or removal (the key deleted under this copy, say): opens (makes) the
    // key anew and writes every stored record again.
    void WriteAllAgain();
    // The number for a new record; past kMaxHeldRecordIndex the records are numbered anew first.
    int NextIndex();
    void Renumber();
    // The store's answer for the value of record number index.
    LONG ValueAt(int index) const;
    // True when the records of store name a copy other than this one that is still running.
    bool OwnedByAnotherRunningCopy(SettingsStore& store) const;
    // Writes the records of the settings file's Held key into the state file, after those there,
    // then removes them from the settings file: once, when every one was written and the key was
    // read whole; never those of another running copy.
    void MoveRecordsOutOfTheSettings();
    // Where the records are: the state file, or the settings store in use.
    SettingsStore& Store() const { return m_state ? *m_state : ActiveSettings(); }

    NString m_path;
    std::unique_ptr<SettingsStore> m_state;
    bool m_open = false;
    // What is stored, oldest first.
    std::vector<Stored> m_stored;
    int m_nextIndex = 0;
    bool m_known = false;
    bool m_failed = false;
    // The last Recover read every record stored (or found none): nothing stored is unknown to
    // this copy.
    bool m_whole = true;
};
