#include "app/rules/RuleEditDialog.h"

#include <algorithm>
#include <iterator>

#include <commctrl.h>

#include "app/rules/RuleKeys.h"
#include "hotkeys/HotkeyTable.h"
#include "res/RuleEditDialogIds.h"
#include "text/Texts.h"
#include "winbase/LateLibraries.h"

namespace {

constexpr int kHelpPopupWidth = 320;
constexpr UINT_PTR kCountTimer = 1;
// The count follows typing after this pause, and open and closed windows every second.
constexpr UINT kTypingPauseMs = 150;
constexpr UINT kRecountMs = 1000;

constexpr int kFields[] = {IDC_RULE_EXE, IDC_RULE_CLASS, IDC_RULE_TITLE};
constexpr int kTriggers[] = {IDC_RULE_APPEARS, IDC_RULE_MINIMISED, IDC_RULE_CLOSE_BOX, IDC_RULE_HOTKEY_ONLY};

NString FieldText(HWND control)
{
    NString text = NString::FromWindowText(control);
    if (text.IsNull())
        return NString("");
    text.Trim(" \t");
    return text;
}

constexpr HelpText kPopups[] = {
    {IDC_RULE_EXE, Tx::HelpRuleExe},           {IDC_RULE_CLASS, Tx::HelpRuleClass},
    {IDC_RULE_TITLE, Tx::HelpRuleTitle},       {IDC_RULE_APPEARS, Tx::HelpRuleAppears},
    {IDC_RULE_MINIMISED, Tx::HelpRuleMinimised}, {IDC_RULE_CLOSE_BOX, Tx::HelpRuleCloseBox},
    {IDC_RULE_COUNT, Tx::HelpRuleCount},       {IDC_RULE_OK, Tx::HelpRuleOk},
    {IDC_RULE_CANCEL, Tx::HelpRuleCancel},     {IDC_RULE_HOTKEY, Tx::HelpRuleHotkey},
    {IDC_RULE_HOTKEY_ONLY, Tx::HelpRuleHotkeyOnly}, {IDC_RULE_RUN, Tx::HelpRuleRun},
};

} // namespace

RULE_EDIT::RULE_EDIT(HWND parent, HMODULE module, const Rule& rule, RuleKeyHolder holder)
    : QF_MODALDIALOG(nullptr, IDD_RULE_EDIT, parent, module), m_rule(rule), m_holder(std::move(holder))
{
    // The template's hotkey control needs its class registered before the dialog is made.
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_HOTKEY_CLASS};
    LateInitCommonControlsEx(&classes);
}

RULE_EDIT::~RULE_EDIT() = default;

Rule RULE_EDIT::FromFields() const
{
    Rule rule;
    rule.enabled = m_rule.enabled;
    rule.exe = FieldText(Item(IDC_RULE_EXE));
    rule.className = FieldText(Item(IDC_RULE_CLASS));
    rule.title = FieldText(Item(IDC_RULE_TITLE));
    rule.run = FieldText(Item(IDC_RULE_RUN));
    const LRESULT hotkey = SendMessageA(Item(IDC_RULE_HOTKEY), HKM_GETHOTKEY, 0, 0);
    rule.hotkey = IsRuleHotkeyWord(static_cast<uint32_t>(hotkey)) ? static_cast<uint16_t>(hotkey) : 0;
    rule.trigger = RuleTrigger::Appears;
    if (IsDlgButtonChecked(Window(), IDC_RULE_MINIMISED) == BST_CHECKED)
        rule.trigger = RuleTrigger::Minimised;
    else if (IsDlgButtonChecked(Window(), IDC_RULE_CLOSE_BOX) == BST_CHECKED)
        rule.trigger = RuleTrigger::CloseBox;
    else if (IsDlgButtonChecked(Window(), IDC_RULE_HOTKEY_ONLY) == BST_CHECKED)
        rule.trigger = RuleTrigger::HotkeyOnly;
    return rule;
}

void RULE_EDIT::OnInit()
{
    for (int field : kFields)
        SendMessageA(Item(field), EM_LIMITTEXT, kRuleFieldMaxChars, 0);
    SetWindowTextA(Item(IDC_RULE_EXE), m_rule.exe.Text());
    SetWindowTextA(Item(IDC_RULE_CLASS), m_rule.className.Text());
    SetWindowTextA(Item(IDC_RULE_TITLE), m_rule.title.Text());
    SendMessageA(Item(IDC_RULE_RUN), EM_LIMITTEXT, kRuleRunMaxChars, 0);
    SetWindowTextA(Item(IDC_RULE_RUN), m_rule.run.Text());
    // A key without Ctrl or Alt would be taken from every program's typing: Ctrl+Alt is added.
    HWND hotkey = Item(IDC_RULE_HOTKEY);
    SendMessageA(hotkey, HKM_SETRULES, HKCOMB_NONE | HKCOMB_S, MAKELPARAM(HOTKEYF_CONTROL | HOTKEYF_ALT, 0));
    SendMessageA(hotkey, HKM_SETHOTKEY, m_rule.hotkey, 0);
    const int trigger = m_rule.trigger == RuleTrigger::Minimised    ? IDC_RULE_MINIMISED
                        : m_rule.trigger == RuleTrigger::CloseBox   ? IDC_RULE_CLOSE_BOX
                        : m_rule.trigger == RuleTrigger::HotkeyOnly ? IDC_RULE_HOTKEY_ONLY
                                                                    : IDC_RULE_APPEARS;
    // One by one: the count's static lies between the buttons' ids.
    for (int button : kTriggers)
        CheckDlgButton(Window(), button, button == trigger ? BST_CHECKED : BST_UNCHECKED);
    SetUpHelpPopups();
    UpdateCount();
    SetTimer(Window(), kCountTimer, kRecountMs, nullptr);
}

void RULE_EDIT::SetUpHelpPopups()
{
    m_helpPopups = HelpPopupsIfSwitchedOn(Module(), Window(), kHelpPopupWidth, kPopups);
}

void RULE_EDIT::OnDpiChanged(UINT, UINT newDpi)
{
    if (m_helpPopups)
        m_helpPopups->SetDpi(newDpi);
}

void RULE_EDIT::UpdateCount()
{
    const Rule rule = FromFields();
    NString text(T(Tx::RuleFillInOne));
    if (!rule.title.IsEmpty() || !rule.className.IsEmpty() || !rule.exe.IsEmpty())
        text = T(Tx::RuleNeedsHotkey);
    if (rule.IsValid()) {
        const size_t count = VisibleMatchingWindows(rule.Criteria()).size();
        text = count == 1 ? NString(T(Tx::RuleMatchesOne))
                          : NString::Format(T(Tx::RuleMatchesMany), static_cast<unsigned>(count));
    }
    SetWindowTextA(Item(IDC_RULE_COUNT), text.Text());
    EnableWindow(Item(IDC_RULE_OK), rule.IsValid());
}

void RULE_EDIT::OnCommand(WPARAM wParam)
{
    const int id = LOWORD(wParam);
    const bool trigger = std::find(std::begin(kTriggers), std::end(kTriggers), id) != std::end(kTriggers);
    if (wParam == IDC_RULE_OK) {
        OnOk();
    } else if (wParam == IDC_RULE_CANCEL) {
        EndDialog(Window(), IDCANCEL);
    } else if ((HIWORD(wParam) == EN_CHANGE && (id == IDC_RULE_EXE || id == IDC_RULE_CLASS || id == IDC_RULE_TITLE ||
                                                 id == IDC_RULE_HOTKEY)) ||
               (HIWORD(wParam) == BN_CLICKED && trigger)) {
        SetTimer(Window(), kCountTimer, kTypingPauseMs, nullptr);
    }
}

// The message box runs a loop of its own: the dialog stays, and the user picks another key.
void RULE_EDIT::OnOk()
{
    const Rule rule = FromFields();
    if (!rule.IsValid())
        return;
    const NString holder = rule.hotkey && m_holder ? m_holder(rule.hotkey) : NString("");
    if (!holder.IsEmpty()) {
        TimedMessageBox(NString::Format(T(Tx::MsgRuleKeyTaken), RuleHotkeyText(rule.hotkey).Text(), holder.Text()).Text(),
                        T(Tx::MsgRulesCaption), MB_OK | MB_ICONWARNING, 0);
        if (IsWindow(Window()))
            SetFocus(Item(IDC_RULE_HOTKEY));
        return;
    }
    m_rule = rule;
    EndDialog(Window(), IDOK);
}

INT_PTR RULE_EDIT::OnMessage(UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInit();
        break;
    case WM_COMMAND:
        OnCommand(wParam);
        break;
    case WM_TIMER:
        if (wParam == kCountTimer) {
            UpdateCount();
            SetTimer(Window(), kCountTimer, kRecountMs, nullptr);
        }
        break;
    case WM_DESTROY:
        KillTimer(Window(), kCountTimer);
        m_helpPopups.reset();
        break;
    }
    return 0;
}

bool EditRule(HWND parent, HMODULE module, Rule& rule, RuleKeyHolder holder)
{
    RULE_EDIT dialog(parent, module, rule, std::move(holder));
    if (dialog.Show(parent) != IDOK)
        return false;
    rule = dialog.Edited();
    return true;
}

NString HotkeyHolderAmong(uint16_t hotkey, const std::vector<Rule>& otherRules)
{
    const HotkeyRecord wanted = RuleHotkeyRecord(hotkey);
    SettingsKey store(HKEY_CURRENT_USER, kProgramKeyPath);
    HotkeyTable actions;
    actions.Load(store);
    for (const HotkeyRecord& action : actions)
        if (action.IsAssigned() && action.SameCombination(wanted))
            return NString(HotkeyDisplayName(action.name.Text()));
    for (const Rule& other : otherRules)
        if (!other.damaged && other.hotkey != 0 && RuleHotkeyRecord(other.hotkey).SameCombination(wanted))
            return NString::Format(T(Tx::RuleKeyHolderRule), other.Describe().Text());
    return NString("");
}
