// Held-window records: every window the hidden-window menu holds is also written to the
// settings, so that a copy of the program that crashed or was killed does not lose the user's
// hidden windows. A copy that ends normally leaves no records behind; the next start finds
// records only after an abnormal end, and takes their windows back into its menu. The records
// name the copy that wrote them (its process id and creation time): while that copy still runs,
// no other copy takes its records or writes over them.
//
// The records follow the menu as it changes (see HiddenMenu::SetChangeHandler): a window's
// record is written before the window is hidden, and goes only after the window is shown again.
// Each change writes only the records that changed, new ones before old ones go, so that a copy
// killed at any moment leaves at worst a record too many (of a visible window, which the next
// start drops), never one too few. A record is one value of the Held key (see PackHeldRecord),
// written with one request to the system on a key kept open: every hide into the menu waits for
// it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "app/held/HeldRecordText.h"
#include "app/held/HiddenMenu.h"
#include "text/NString.h"

// The record for a window as it is now; processId 0 when the window is gone.
HeldRecord DescribeWindow(HWND window, const NString& title, const std::vector<HWND>& owned = {});

// True when the record still describes a live window of the same process (hidden or not).
bool SameWindow(const HeldRecord& record);
// True when SameWindow holds and the window is hidden.
bool StillHeld(const HeldRecord& record);

// The record's owned windows that may still be shown with it: each still exists, belongs to the
// record's process, is owned by the record's window (directly or through other owned windows)
// and is hidden. A handle reused by the system for any other window is left out.
std::vector<HWND> StillOwned(const HeldRecord& record);

class HeldWindowStore {
public:
    // programKeyPath: the program's key below HKEY_CURRENT_USER; records go to its "Held" sub-key.
    explicit HeldWindowStore(const char* programKeyPath);
    HeldWindowStore(const HeldWindowStore&) = delete;
    HeldWindowStore& operator=(const HeldWindowStore&) = delete;
    ~HeldWindowStore();

    // The stored records, oldest first. Damaged records are skipped.
    std::vector<HeldRecord> Load() const;
    // Makes the stored records those of the menu's entries: writes the records of new entries and
    // the owned windows that changed, then removes the records of entries that went. Sends no
    // message and runs no message loop, so the menu may call it from inside its operations.
    void Sync(const HiddenMenu& menu);
    // Removes every record and the key that holds them (none while another running copy owns
    // them). While the program runs, a Sync with no entries removes the records alone and keeps
    // the key.
    void Clear();

    // Puts each stored record whose window is still held back at the top of the menu (oldest
    // first, so the newest ends on top), with the owned windows that StillOwned keeps, and stores
    // exactly the menu's entries afterwards. A record whose window was shown meanwhile (by its
    // program, or never hidden by a copy killed in between) is dropped, and the owned windows
    // that StillOwned finds for it are shown again, so that none stays hidden out of reach.
    // Records of another copy that still runs are skipped. Returns how many windows were taken
    // back. The menu must have no change handler meanwhile: the records not yet taken back would
    // go with the first entry.
    int Recover(HiddenMenu& menu);

private:
    struct Stored {
        HeldRecord record;
    };
    // The Held key, opened for writing and kept until Clear; opening it names this copy as the
    // records' writer.
    bool OpenKey();
    void CloseKey();
    void Write(const Stored& stored);
    void Remove(const Stored& stored);
    // True when the stored records name a copy other than this one that is still running.
    bool OwnedByAnotherRunningCopy() const;

    NString m_path;
    HKEY m_key = nullptr;
    // What is stored, oldest first.
    std::vector<Stored> m_stored;
    int m_nextIndex = 0;
    bool m_known = false;
};
