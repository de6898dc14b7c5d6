// Rules: "hide windows like these automatically". A rule picks windows by a title pattern, a
// class name and a program file name (the same criteria and the same matching engine as the
// command line) and says when it acts: when such a window appears, when it is minimised, when
// its close box is clicked (instead of closing it), or only when its own hotkey is pressed. Its
// action is always the hide into the menu, so a rule never puts a window beyond the user's reach.
// A rule's hotkey, whatever its trigger, hides its program's window in front, brings its held
// windows back or its shown one to the front, or starts its program (see RuleKeys.h).
//
// Rules are kept under the program's key, sub-key "Rules", one sub-key per rule named "000",
// "001"... in the order the user sees them, with the values Enabled (REG_DWORD 0/1, 1 when
// absent), Title, Class, Exe (REG_SZ, absent or empty when not given), When (REG_DWORD,
// 0 only by its hotkey, 1 appears, 2 minimised, 3 close box clicked), Hotkey (REG_DWORD, the
// system hotkey control's word: low byte the virtual key, high byte HOTKEYF_SHIFT 1,
// HOTKEYF_CONTROL 2, HOTKEYF_ALT 4, HOTKEYF_EXT 8, with Ctrl or Alt; 0 or absent: none) and Run (REG_SZ, the
// command line its hotkey starts when no window matches; absent or empty: none). Hotkey and Run
// are written only when given, so a rule without them is stored as before they existed; a rule
// only by its hotkey without a hotkey is damage. A damaged value makes only its own rule invalid, and a rule the user
// did not change is never rewritten: moved to another place it is copied value for value. A
// value that cannot be read damages its rule too (never a rule with a field missing, which would
// pick more windows than the user asked): it is held as a REG_NONE value, which no rule stores,
// and copied as such, so the rule stays damaged where it moves.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "app/rules/WindowMatch.h"
#include "text/NString.h"

// CloseBox rules act through the title-bar hook, HotkeyOnly rules only through their hotkey.
enum class RuleTrigger : int32_t { HotkeyOnly = 0, Appears = 1, Minimised = 2, CloseBox = 3 };

// Longest title pattern, class or program name the edit dialog takes; a stored value longer than
// its UTF-8 form can be is damage.
constexpr uint32_t kRuleFieldMaxChars = 255;
// Longest command line a rule starts, as the Rule dialog takes it (cmd.exe's longest line); a
// stored one is damage past four bytes a character, which CreateProcess still takes whole.
constexpr uint32_t kRuleRunMaxChars = 8191;
// The hotkey control's modifier bits a stored Hotkey may carry, and those of which it needs one
// (Ctrl, Alt): the Rule dialog makes no other key, and a key without them would be taken from
// every program's typing.
constexpr uint16_t kRuleHotkeyModifiers = 0x0F;
constexpr uint16_t kRuleHotkeyNeedsOneOf = 0x06;
// Rules the store holds at most (sub-keys "000" to "999").
constexpr int kMaxRules = 1000;

struct Rule {
    bool enabled = true;
    NString title{""};      // title pattern, '*' and '?'
    NString className{""};
    NString exe{""};        // program file name, such as "notepad.exe"
    RuleTrigger trigger = RuleTrigger::Appears;
    uint16_t hotkey = 0;    // the hotkey control's word; 0: none
    NString run{""};        // the command line the hotkey starts; empty: none
    // Read from a damaged store entry; such a rule never acts.
    bool damaged = false;

    // Not damaged, at least one of the three fields given, and a hotkey for a rule only by it.
    bool IsValid() const;
    bool Acts() const { return enabled && IsValid(); }
    // The criteria of the three fields (title as a pattern).
    WindowCriteria Criteria() const;
    // One line for lists and messages: the fields given and the trigger.
    NString Describe() const;
    // Same fields, trigger, hotkey, command and enabled state (the damage mark aside).
    bool SameAs(const Rule& other) const;
};

// Text of the trigger for lists: "appears", "is minimised", "close box clicked" or "its hotkey
// is pressed".
const char* TriggerText(RuleTrigger trigger);

// True for a word the Rule dialog's hotkey control can give: 0, or a virtual key 1-254 in the low
// byte with only the control's modifier bits above it, Ctrl or Alt among them.
bool IsRuleHotkeyWord(uint32_t word);

// One stored value of a rule exactly as found: copied back unchanged when its rule moves. Type
// REG_NONE with no data marks a value that could not be read.
struct RawValue {
    NString name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

// A rule as the Rules dialog edits it: where it came from and whether the user changed it.
struct StoredRule {
    Rule rule;
    // The sub-key it was read from; empty for a rule the user added.
    NString keyName;
    std::vector<RawValue> raw;
    bool changed = false;
};

class RuleStore {
public:
    // programKeyPath: the program's key below HKEY_CURRENT_USER.
    explicit RuleStore(const char* programKeyPath);

    // The stored rules in their order ("000" first). Sub-keys that are not three digits are not
    // rules and are ignored. When the sub-keys cannot all be listed, the rules listed are
    // returned and LoadedWhole() is false until a later load reads them all.
    std::vector<StoredRule> Load() const;
    bool LoadedWhole() const { return m_loadedWhole; }
    // Only the rules that act, in order (of a partial list, the ones it holds: each of them is a
    // whole rule the user made).
    std::vector<Rule> LoadActing() const;
    // Makes the stored rules these, in this order: "000", "001"... A rule that is unchanged and
    // stays under its sub-key is not touched; one that moved is copied value for value; changed
    // and new rules are written afresh; sub-keys left over are removed. A key the user never saw is
    // never deleted nor written over: nothing is written (false) when a sub-key is there that the
    // last Load of this store did not read nor a Save since write, when the last Load was not
    // whole, or when the sub-keys cannot all be listed now. Writes nothing when nothing changed.
    // False when a write failed.
    bool Save(const std::vector<StoredRule>& rules) const;
    // Adds the rule after the last stored one without touching any other. False when the store
    // is full, its sub-keys cannot all be listed, or the write failed.
    bool Append(const Rule& rule) const;

private:
    // The sub-keys that name rules, in order; false when the listing ended on an error and names
    // holds only those before it.
    bool RuleKeyNames(std::vector<NString>& names) const;
    // True for a key the last Load read or a Save since wrote.
    bool WasLoaded(const NString& keyName) const;
    bool WriteFresh(const NString& keyName, const Rule& rule) const;
    bool WriteRaw(const NString& keyName, const std::vector<RawValue>& raw) const;
    NString RulePath(const NString& keyName) const;

    NString m_path;
    // What the last Load read (or a Save since wrote): the rule keys, and whether it listed them all (a store never
    // loaded saves into an empty key as if its load had been whole).
    mutable std::vector<NString> m_loadedKeys;
    mutable bool m_loadedWhole = true;
};
