#include "app/rules/RuleEditDialog.h"

#include "hotkeys/HotkeyTable.h"
#include "res/RuleEditDialogIds.h"
#include "text/Texts.h"

namespace {

constexpr int kHelpPopupWidth = 320;
constexpr UINT_PTR kCountTimer = 1;
// The count follows typing after this pause, and open and closed windows every second.
constexpr UINT kTypingPauseMs = 150;
constexpr UINT kRecountMs = 1000;

constexpr int kFields[] = {IDC_RULE_EXE, IDC_RULE_CLASS, IDC_RULE_TITLE};

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
    {IDC_RULE_CANCEL, Tx::HelpRuleCancel},
};

} // namespace

RULE_EDIT::RULE_EDIT(HWND parent, HMODULE module, const Rule& rule)
    : QF_MODALDIALOG(nullptr, IDD_RULE_EDIT, parent, module), m_rule(rule)
{
}

RULE_EDIT::~RULE_EDIT() = default;

Rule RULE_EDIT::FromFields() const
{
    Rule rule;
    rule.enabled = m_rule.enabled;
    rule.exe = FieldText(Item(IDC_RULE_EXE));
    rule.className = FieldText(Item(IDC_RULE_CLASS));
    rule.title = FieldText(Item(IDC_RULE_TITLE));
    rule.trigger = RuleTrigger::Appears;
    if (IsDlgButtonChecked(Window(), IDC_RULE_MINIMISED) == BST_CHECKED)
        rule.trigger = RuleTrigger::Minimised;
    else if (IsDlgButtonChecked(Window(), IDC_RULE_CLOSE_BOX) == BST_CHECKED)
        rule.trigger = RuleTrigger::CloseBox;
    return rule;
}

void RULE_EDIT::OnInit()
{
    for (int field : kFields)
        SendMessageA(Item(field), EM_LIMITTEXT, kRuleFieldMaxChars, 0);
    SetWindowTextA(Item(IDC_RULE_EXE), m_rule.exe.Text());
    SetWindowTextA(Item(IDC_RULE_CLASS), m_rule.className.Text());
    SetWindowTextA(Item(IDC_RULE_TITLE), m_rule.title.Text());
    const int trigger = m_rule.trigger == RuleTrigger::Minimised  ? IDC_RULE_MINIMISED
                        : m_rule.trigger == RuleTrigger::CloseBox ? IDC_RULE_CLOSE_BOX
                                                                  : IDC_RULE_APPEARS;
    // One by one: the count's static lies between the buttons' ids.
    for (int button : {IDC_RULE_APPEARS, IDC_RULE_MINIMISED, IDC_RULE_CLOSE_BOX})
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
    if (wParam == IDC_RULE_OK) {
        const Rule rule = FromFields();
        if (!rule.IsValid())
            return;
        m_rule = rule;
        EndDialog(Window(), IDOK);
    } else if (wParam == IDC_RULE_CANCEL) {
        EndDialog(Window(), IDCANCEL);
    } else if (HIWORD(wParam) == EN_CHANGE && (id == IDC_RULE_EXE || id == IDC_RULE_CLASS || id == IDC_RULE_TITLE)) {
        SetTimer(Window(), kCountTimer, kTypingPauseMs, nullptr);
    }
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

bool EditRule(HWND parent, HMODULE module, Rule& rule)
{
    RULE_EDIT dialog(parent, module, rule);
    if (dialog.Show(parent) != IDOK)
        return false;
    rule = dialog.Edited();
    return true;
}
