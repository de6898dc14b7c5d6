// Held-window records: every window the hidden-window menu holds is also written to the
// settings, so that a copy of the program that crashed or was killed does not lose the user's
// hidden windows. A copy that ends normally leaves no records behind; the next start finds
// records only after an abnormal end, and takes their windows back into its menu. The records
// name the copy that wrote them (its process id and creation time): while that copy still runs,
// no other copy takes its records or writes over them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "app/held/HiddenMenu.h"
#include "text/NString.h"

// What identifies a held window across a restart of this program. Handles and process ids are
// reused by the system, so a record also names the process's creation time and the class.
struct HeldRecord {
    HWND window = nullptr;
    DWORD processId = 0;
    uint64_t processCreated = 0;
    NString className;
    NString title;
    // The windows hidden with it (its owned windows), shown again with it.
    std::vector<HWND> owned;
};

// The record for a window as it is now; processId 0 when the window is gone.
HeldRecord DescribeWindow(HWND window, const NString& title, const std::vector<HWND>& owned = {});

// True when the record still describes a live window of the same process that is hidden.
bool StillHeld(const HeldRecord& record);

// The record's owned windows that may still be shown with it: each still exists, belongs to the
// record's process, is owned by the record's window (directly or through other owned windows)
// and is hidden. A handle reused by the system for any other window is left out.
std::vector<HWND> StillOwned(const HeldRecord& record);

class HeldWindowStore {
public:
    // programKeyPath: the program's key below HKEY_CURRENT_USER; records go to its "Held" sub-key.
    explicit HeldWindowStore(const char* programKeyPath);

    // The stored records, oldest first. Damaged records are skipped.
    std::vector<HeldRecord> Load() const;
    // Makes the stored records those of the menu's entries; writes only when they changed.
    void Sync(const HiddenMenu& menu);
    // Removes every record (none while another running copy owns them).
    void Clear();

    // Puts each stored record whose window is still held back at the top of the menu (oldest
    // first, so the newest ends on top), with the owned windows that StillOwned keeps, and stores
    // exactly the menu's entries afterwards.
    // Records of another copy that still runs are skipped. Returns how many windows were taken
    // back.
    int Recover(HiddenMenu& menu);

private:
    void Store(const std::vector<HeldRecord>& records);
    // True when the stored records name a copy other than this one that is still running.
    bool OwnedByAnotherRunningCopy() const;

    NString m_path;
    // What is stored: per record, its window followed by its owned windows.
    std::vector<std::vector<HWND>> m_stored;
    bool m_known = false;
};
