#include "app/rules/RuleKeys.h"

#include <algorithm>
#include <string>

#include "hotkeys/HotkeyTable.h"
#include "text/Texts.h"
#include "text/WString.h"
#include "winbase/ScopedHandles.h"

namespace {

// The hotkey control's modifier bits.
constexpr uint16_t kHotkeyShift = 1, kHotkeyControl = 2, kHotkeyAlt = 4;

// Held down, a key registered without it would toggle its windows back and forth.
bool RegisterKey(HWND window, uint32_t id, uint16_t word)
{
    const UINT modifiers = RuleHotkeyModifiers(word);
    const UINT key = word & 0xFF;
    if (RegisterHotKey(window, static_cast<int>(id), modifiers | MOD_NOREPEAT, key))
        return true;
    // A system without MOD_NOREPEAT refuses the flag itself.
    return GetLastError() == ERROR_INVALID_PARAMETER && RegisterHotKey(window, static_cast<int>(id), modifiers, key);
}

} // namespace

HotkeyRecord RuleHotkeyRecord(uint16_t word)
{
    const uint16_t flags = static_cast<uint16_t>(word >> 8);
    return HotkeyRecord("", (flags & kHotkeyControl) != 0, (flags & kHotkeyShift) != 0, (flags & kHotkeyAlt) != 0,
                        static_cast<uint16_t>(word & 0xFF), 0);
}

NString RuleHotkeyText(uint16_t word)
{
    return word == 0 ? NString("") : RuleHotkeyRecord(word).HotkeyText();
}

UINT RuleHotkeyModifiers(uint16_t word)
{
    const uint16_t flags = static_cast<uint16_t>(word >> 8);
    return ((flags & kHotkeyShift) ? MOD_SHIFT : 0) | ((flags & kHotkeyControl) ? MOD_CONTROL : 0) |
           ((flags & kHotkeyAlt) ? MOD_ALT : 0);
}

NString DescribeWithHotkey(const Rule& rule)
{
    NString text = rule.Describe();
    if (rule.hotkey != 0 && rule.trigger != RuleTrigger::HotkeyOnly)
        text += NString::Format(T(Tx::RuleDescribeHotkey), RuleHotkeyText(rule.hotkey).Text());
    return text;
}

uint32_t RuleKeys::NextId()
{
    const uint32_t id = m_next;
    m_next = m_next == kLastRuleKeyId ? kFirstRuleKeyId : m_next + 1;
    return id;
}

std::vector<NString> RuleKeys::Register(const std::vector<Rule>& rules, HWND window, bool quiet)
{
    Release();
    m_window = window;
    std::vector<NString> held;
    for (const Rule& rule : rules) {
        // The system tells keys by their combination: the control's extended-key bit aside.
        const bool taken = std::any_of(m_keys.begin(), m_keys.end(), [&rule](const Key& key) {
            return RuleHotkeyRecord(key.rule.hotkey).SameCombination(RuleHotkeyRecord(rule.hotkey));
        });
        if (!rule.Acts() || rule.hotkey == 0 || taken || m_keys.size() > kLastRuleKeyId - kFirstRuleKeyId)
            continue;
        Key key{rule, NextId(), false};
        key.registered = RegisterKey(window, key.id, rule.hotkey);
        if (!key.registered && !quiet && m_told.insert(rule.hotkey).second)
            held.push_back(NString::Format(T(Tx::MsgRuleKeyHeld), RuleHotkeyText(rule.hotkey).Text(),
                                           rule.Describe().Text()));
        m_keys.push_back(key);
    }
    return held;
}

void RuleKeys::Release()
{
    for (const Key& key : m_keys)
        if (key.registered)
            UnregisterHotKey(m_window, static_cast<int>(key.id));
    m_keys.clear();
}

const Rule* RuleKeys::RuleOf(uint32_t id) const
{
    for (const Key& key : m_keys)
        if (key.id == id && key.registered)
            return &key.rule;
    return nullptr;
}

// CREATE_NEW_CONSOLE as launch: a console program gets a window of its own, not Veilbox's none.
// The line is in the ANSI code page, as the Rule dialog's field and the store's A reads give it.
bool StartRuleCommand(const NString& commandLine)
{
    if (commandLine.IsEmpty())
        return false;
    const WString wide = WString::FromNarrow(commandLine.Text(), CP_ACP);
    // CreateProcess takes 32767 characters with the terminator.
    if (wide.IsNull() || wide.Length() == 0 || wide.Length() >= 32767)
        return false;
    std::wstring line(wide.Text(), wide.Length());
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr, nullptr, &startup,
                        &process))
        return false;
    const ProcessHandles started(process);
    AllowSetForegroundWindow(process.dwProcessId);
    return true;
}
