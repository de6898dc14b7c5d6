// Rules' own hotkeys: the key of every rule that is ticked, sound and has one, registered with
// the system for the main dialog. A pressed key arrives as WM_HOTKEY with an id from
// kFirstRuleKeyId to kLastRuleKeyId, a range no other command of the program uses (the dialog's
// controls and the actions' hotkeys lie from 1000 to 1100, the menu's entries from 4000 to
// 8000). The ids are handed out in turn and wrap around, so a press queued before the rules
// changed finds no rule rather than another one. What a key does is the owner's (see
// ToggleMatching in app/held/HeldBatch.h and StartRuleCommand below).
#pragma once

#include <windows.h>

#include <cstdint>
#include <set>
#include <vector>

#include "app/rules/Rules.h"
#include "text/NString.h"

// The hotkey word (see Rules.h) as a combination of the hotkeys' table (the key and Ctrl, Shift,
// Alt), id 0; as shown in lists and messages ("Ctrl+Alt+N", empty for none); and as
// RegisterHotKey's modifiers.
struct HotkeyRecord RuleHotkeyRecord(uint16_t word);
NString RuleHotkeyText(uint16_t word);
UINT RuleHotkeyModifiers(uint16_t word);
// The rule as Describe gives it, with its hotkey when it has one besides its trigger.
NString DescribeWithHotkey(const Rule& rule);

constexpr uint32_t kFirstRuleKeyId = 9000;
constexpr uint32_t kLastRuleKeyId = 9999;

class RuleKeys {
public:
    RuleKeys() = default;
    RuleKeys(const RuleKeys&) = delete;
    RuleKeys& operator=(const RuleKeys&) = delete;

    // Releases the keys held, then registers for window the keys of the acting rules (a key two
    // rules name goes to the first). Returns a line for each key another program holds, each key
    // told once while the program runs; with quiet (a second copy of Veilbox, whose keys the
    // first holds) none.
    std::vector<NString> Register(const std::vector<Rule>& rules, HWND window, bool quiet);
    // Releases every key held.
    void Release();
    // The rule whose key has the id, or null.
    const Rule* RuleOf(uint32_t id) const;
    size_t Count() const { return m_keys.size(); }

private:
    struct Key {
        Rule rule;
        uint32_t id = 0;
        bool registered = false;
    };
    uint32_t NextId();

    HWND m_window = nullptr;
    std::vector<Key> m_keys;
    uint32_t m_next = kFirstRuleKeyId;
    std::set<uint16_t> m_told;
};

// Starts a rule's command line as the launch command starts a program, shown, on the user's
// desktop, and lets it take the foreground; false when it cannot be started.
bool StartRuleCommand(const NString& commandLine);
