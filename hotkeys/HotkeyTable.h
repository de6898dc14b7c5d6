// The desktop-wide hotkeys: one record per action, the table the main dialog
// owns, their text form in the settings store and their registration.
//
// A pressed hotkey arrives as WM_HOTKEY with the record's id as wParam; the
// id is also the command id of the action, so the owner handles WM_HOTKEY
// like WM_COMMAND.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "settings/SettingsKey.h"
#include "text/NString.h"

constexpr uint32_t kHideActiveHotkeyId = 1009;
constexpr uint32_t kPopupMenuHotkeyId = 1010;
constexpr uint32_t kRestoreLastHotkeyId = 1013;
constexpr uint32_t kRestoreAllHotkeyId = 1014;
constexpr uint32_t kHideProgramHotkeyId = 1015;
constexpr const char kHideActiveName[] = "Hide Active";
constexpr const char kPopupMenuName[] = "Popup Menu";
constexpr const char kRestoreLastName[] = "Restore Last";
constexpr const char kRestoreAllName[] = "Restore All";
constexpr const char kHideProgramName[] = "Hide Program";
// REG_DWORD switches in the program's key; both default to 1 when absent.
constexpr const char kUseHotkeyValue[] = "UseHotkey";
constexpr const char kUseHelpPopupsValue[] = "UseHelpPopups";
// The program's key below HKEY_CURRENT_USER.
constexpr const char kProgramKeyPath[] = "Software\\Quillfen\\Veilbox";

// What the dialogs show for an action without a combination.
constexpr const char kUnassignedText[] = "none";
// The name of a hotkey's action as the user reads it: the stored name (kHideActiveName...) in
// the language in use; any other name as it is.
const char* HotkeyDisplayName(const char* storedName);

// Asks the user a yes/no question shown as a message box without caption or
// icon; returns the button id (IDYES, IDNO...).
using HotkeyConflictAsker = std::function<int(const char* text)>;

struct HotkeyRecord {
    NString name{"none"};
    bool registered = false; // held with the system for this record
    bool ctrl = false;
    bool shift = false;
    bool alt = false;
    uint16_t key = 0; // virtual-key code of the main key
    uint32_t id = 0;  // RegisterHotKey id and the action's command id

    HotkeyRecord() = default;
    HotkeyRecord(const char* name, bool ctrl, bool shift, bool alt, uint16_t key, uint32_t id);

    // "ctrl,shift,alt,key,id" as unsigned decimals; the name is the value's name.
    NString ToStoredText() const;
    // Reads the five comma-separated fields in that order. Nothing is
    // validated: a missing or non-numeric field reads 0, a nonzero flag reads
    // as set, and the key keeps the low 16 bits of its number.
    static HotkeyRecord FromStoredText(const char* name, const NString& text);

    // MOD_CONTROL / MOD_SHIFT / MOD_ALT of the set flags.
    UINT Modifiers() const;
    // Registers the combination for window under the record's id; the result
    // is kept in registered and returned.
    bool Register(HWND window);
    // Display text, e.g. Ctrl+Shft+H.
    NString HotkeyText() const;

    // False for an action without a combination (key 0): it is never registered, and the
    // dialogs show it as kUnassignedText.
    bool IsAssigned() const { return key != 0; }

    // Same ctrl, shift, alt and key.
    bool SameCombination(const HotkeyRecord& other) const;
    // Same combination and same id (name and registered flag do not count).
    bool SameRecord(const HotkeyRecord& other) const;
};

// Ordered records; records are only appended at the end or removed.
class HotkeyTable {
public:
    using const_iterator = std::vector<HotkeyRecord>::const_iterator;

    std::size_t Count() const { return m_records.size(); }
    bool IsEmpty() const { return m_records.empty(); }
    const HotkeyRecord& operator[](std::size_t index) const { return m_records[index]; }
    const_iterator begin() const { return m_records.begin(); }
    const_iterator end() const { return m_records.end(); }

    void Clear() { m_records.clear(); }
    void Append(const HotkeyRecord& record) { m_records.push_back(record); }
    // Removes the first record that is SameRecord as the given one; false when none is.
    bool RemoveFirstSame(const HotkeyRecord& record);
    // First record with exactly this name (case-sensitive), or null.
    const HotkeyRecord* FindByName(const char* name) const;

    // Replaces the contents by "Hide Active", "Popup Menu", "Restore Last",
    // "Restore All" and "Hide Program", each read from its string value in
    // store or, when that is absent or not a string, the default
    // (Ctrl+Shift+H id 1009, Ctrl+Shift+M id 1010, Ctrl+Shift+U id 1013,
    // Ctrl+Alt+Shift+U id 1014, Ctrl+Alt+Shift+H id 1015). A value that is
    // exactly the unassigned record's text ("0,0,0,0,<id>") leaves its action
    // unassigned (key 0, no modifiers); any other value naming no key counts
    // as absent. The default of Restore Last, Restore All or Hide Program is
    // left unassigned where it equals the combination stored for another
    // action, and so is one of them stored with exactly its default where
    // Hide Active or Popup Menu is stored with that combination. Writes nothing.
    void Load(SettingsKey& store);
    // Releases what this table holds, loads it again and registers it.
    void Build(SettingsKey& store, HWND window, const HotkeyConflictAsker& ask);
    // Registers each assigned record in order unless UseHotkey is 0; an
    // unassigned one is passed over and counts for nothing. A failed
    // registration asks whether to stop (Yes ends registration); when every
    // assigned record has failed the last failure ends it without asking.
    void RegisterAll(SettingsKey& store, HWND window, const HotkeyConflictAsker& ask);
    // Releases every registered record unless UseHotkey is 0. A record whose
    // release fails stays marked registered.
    void UnregisterAll(SettingsKey& store, HWND window);
    // Writes each record's stored text under its name, in table order.
    void Save(SettingsKey& store) const;

    // "\nCurrent hotkeys are" followed by "\n<name> <hotkey text>" per record
    // ("none" for an unassigned one).
    NString CurrentHotkeysText() const;

private:
    std::vector<HotkeyRecord> m_records;
};

// UseHotkey / UseHelpPopups from store, 1 when absent or unreadable.
bool ReadSwitch(SettingsKey& store, const char* name);
