#include "app/rules/RulesDialog.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

#include "app/rules/RuleEditDialog.h"
#include "app/rules/RuleKeys.h"
#include "hotkeys/HotkeyTable.h"
#include "res/RulesDialogIds.h"
#include "winbase/Dpi.h"
#include "winbase/LateLibraries.h"
#include "winbase/WindowHelpers.h"
#include "text/Texts.h"
#include "text/WString.h"

namespace {

constexpr int kHelpPopupWidth = 320;
// Pixels at 96 DPI a heading or a cell keeps beside its text: the header's margins (three edges on
// either side) and the list's.
constexpr int kColumnPadding = 14;

struct Column {
    Tx heading;
    int percent;  // of the list's width
};
constexpr Column kColumns[] = {{Tx::RulesColumnProgram, 22}, {Tx::RulesColumnClass, 24}, {Tx::RulesColumnTitle, 22},
                               {Tx::RulesColumnWhen, 16},    {Tx::RulesColumnHotkey, 16}};

const char* WhenText(const Rule& rule)
{
    if (rule.damaged)
        return T(Tx::RulesWhenDamaged);
    if (rule.trigger == RuleTrigger::CloseBox)
        return T(Tx::RulesWhenCloseBox);
    if (rule.trigger == RuleTrigger::HotkeyOnly)
        return T(Tx::RulesWhenHotkey);
    return T(rule.trigger == RuleTrigger::Minimised ? Tx::RulesWhenMinimised : Tx::RulesWhenAppears);
}

constexpr HelpText kPopups[] = {
    {IDC_RULES_LIST, Tx::HelpRulesList},     {IDC_RULES_ADD, Tx::HelpRulesAdd},
    {IDC_RULES_EDIT, Tx::HelpRulesEdit},     {IDC_RULES_REMOVE, Tx::HelpRulesRemove},
    {IDC_RULES_UP, Tx::HelpRulesUp},         {IDC_RULES_DOWN, Tx::HelpRulesDown},
    {IDC_RULES_OK, Tx::HelpRulesOk},         {IDC_RULES_CANCEL, Tx::HelpRulesCancel},
};

// The width the list's font needs for the widest of texts, with the room a header or a cell keeps
// around its text.
// Measured in UTF-16: the list's A measure counts a UTF-8 text's bytes, a Cyrillic letter as two.
int WidestColumnText(HWND list, std::initializer_list<Tx> texts, UINT dpi)
{
    int widest = 0;
    for (const Tx text : texts) {
        const WString wide = WString::FromNarrow(T(text), CP_ACP);
        if (!wide.IsNull())
            widest = std::max(widest, static_cast<int>(SendMessageW(list, LVM_GETSTRINGWIDTHW, 0,
                                                                     reinterpret_cast<LPARAM>(wide.Text()))));
    }
    return widest + ScaleToDpi(kColumnPadding, dpi);
}

} // namespace

RULES::RULES(HWND parent, HMODULE module, const char* programKeyPath)
    : QF_MODALDIALOG(nullptr, IDD_RULES, parent, module), m_store(programKeyPath)
{
    // The template's list view needs its class registered before the dialog is made.
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES};
    LateInitCommonControlsEx(&classes);
}

RULES::~RULES() = default;

void RULES::OnInit()
{
    HWND list = Item(IDC_RULES_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    AddColumns();
    m_rules = m_store.Load();
    FillList(0);
    SetUpHelpPopups();
}

void RULES::AddColumns()
{
    int index = 0;
    for (const Column& column : kColumns) {
        LVCOLUMNA info = {};
        info.mask = LVCF_TEXT;
        info.pszText = const_cast<char*>(T(column.heading));
        SendMessageA(Item(IDC_RULES_LIST), LVM_INSERTCOLUMNA, index++, reinterpret_cast<LPARAM>(&info));
    }
    SizeColumns();
}

// Each column takes its share of the list's width, and at least what its heading needs; the When
// and Hotkey columns, whose texts are the program's own, at least what their widest text needs. The
// others share what those two leave in their proportions.
void RULES::SizeColumns()
{
    HWND list = Item(IDC_RULES_LIST);
    RECT client = {};
    GetClientRect(list, &client);
    const UINT dpi = Dpi();
    const int width = client.right - client.left - SystemMetricForDpi(SM_CXVSCROLL, dpi);
    constexpr int kWhen = 3;
    constexpr int kHotkey = 4;
    static_assert(std::size(kColumns) == kHotkey + 1, "the When and Hotkey columns come last");
    const int when = std::max({width * kColumns[kWhen].percent / 100,
                               WidestColumnText(list, {Tx::RulesColumnWhen, Tx::RulesWhenAppears, Tx::RulesWhenMinimised,
                                                       Tx::RulesWhenCloseBox, Tx::RulesWhenHotkey, Tx::RulesWhenDamaged},
                                                dpi)});
    const int hotkey = std::max(width * kColumns[kHotkey].percent / 100,
                                WidestColumnText(list, {Tx::RulesColumnHotkey}, dpi));
    const int sharedPercent = 100 - kColumns[kWhen].percent - kColumns[kHotkey].percent;
    for (int index = 0; index < kWhen; ++index) {
        const int share = std::max(0, width - when - hotkey) * kColumns[index].percent / sharedPercent;
        ListView_SetColumnWidth(list, index, std::max(share, WidestColumnText(list, {kColumns[index].heading}, dpi)));
    }
    ListView_SetColumnWidth(list, kWhen, when);
    ListView_SetColumnWidth(list, kHotkey, hotkey);
}

void RULES::OnDpiChanged(UINT, UINT newDpi)
{
    if (m_helpPopups)
        m_helpPopups->SetDpi(newDpi);
    SizeColumns();
}

void RULES::SetUpHelpPopups()
{
    m_helpPopups = HelpPopupsIfSwitchedOn(Module(), Window(), kHelpPopupWidth, kPopups);
}

void RULES::FillList(int select)
{
    HWND list = Item(IDC_RULES_LIST);
    m_filling = true;
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list);
    for (size_t i = 0; i < m_rules.size(); ++i) {
        const Rule& rule = m_rules[i].rule;
        const NString key = RuleHotkeyText(rule.hotkey);
        const char* texts[] = {rule.exe.Text(), rule.className.Text(), rule.title.Text(), WhenText(rule), key.Text()};
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<char*>(texts[0] ? texts[0] : "");
        const int index = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        for (int column = 1; column < static_cast<int>(std::size(texts)); ++column) {
            item.iItem = index;
            item.iSubItem = column;
            item.pszText = const_cast<char*>(texts[column] ? texts[column] : "");
            SendMessageA(list, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
        }
        ListView_SetCheckState(list, index, rule.enabled && !rule.damaged);
    }
    if (select >= 0 && select < static_cast<int>(m_rules.size())) {
        ListView_SetItemState(list, select, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(list, select, FALSE);
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    m_filling = false;
    UpdateButtons();
}

int RULES::SelectedIndex() const
{
    const int index = ListView_GetNextItem(Item(IDC_RULES_LIST), -1, LVNI_SELECTED);
    return index >= 0 && index < static_cast<int>(m_rules.size()) ? index : -1;
}

void RULES::UpdateButtons()
{
    const int index = SelectedIndex();
    const int last = static_cast<int>(m_rules.size()) - 1;
    EnableWindow(Item(IDC_RULES_ADD), m_rules.size() < static_cast<size_t>(kMaxRules));
    EnableWindow(Item(IDC_RULES_EDIT), index >= 0);
    EnableWindow(Item(IDC_RULES_REMOVE), index >= 0);
    EnableWindow(Item(IDC_RULES_UP), index > 0);
    EnableWindow(Item(IDC_RULES_DOWN), index >= 0 && index < last);
}

// A click on a box: the rule's enabled state follows it. A damaged rule cannot act, so its box
// goes back to empty.
void RULES::OnCheckChanged(int index)
{
    HWND list = Item(IDC_RULES_LIST);
    if (index < 0 || index >= static_cast<int>(m_rules.size()))
        return;
    StoredRule& stored = m_rules[static_cast<size_t>(index)];
    const bool checked = ListView_GetCheckState(list, index) != FALSE;
    if (stored.rule.damaged) {
        if (checked) {
            m_filling = true;
            ListView_SetCheckState(list, index, FALSE);
            m_filling = false;
        }
        return;
    }
    if (checked != stored.rule.enabled) {
        stored.rule.enabled = checked;
        stored.changed = true;
    }
}

void RULES::OnNotify(const NMHDR& header)
{
    if (header.idFrom != IDC_RULES_LIST || m_filling)
        return;
    if (header.code == LVN_ITEMCHANGED) {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if ((change.uChanged & LVIF_STATE) && ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK))
            OnCheckChanged(change.iItem);
        UpdateButtons();
    } else if (header.code == NM_DBLCLK) {
        EditSelected();
    }
}

RuleKeyHolder RULES::HolderBesides(int index) const
{
    std::vector<Rule> others;
    for (size_t i = 0; i < m_rules.size(); ++i)
        if (static_cast<int>(i) != index)
            others.push_back(m_rules[i].rule);
    return [others](uint16_t hotkey) { return HotkeyHolderAmong(hotkey, others); };
}

void RULES::AddRule()
{
    Rule rule;
    if (m_rules.size() >= static_cast<size_t>(kMaxRules) || !EditRule(Window(), Module(), rule, HolderBesides(-1)))
        return;
    StoredRule added;
    added.rule = rule;
    added.changed = true;
    m_rules.push_back(added);
    FillList(static_cast<int>(m_rules.size()) - 1);
}

// The edit dialog runs its own loop: the rule is looked up again by its place afterwards.
void RULES::EditSelected()
{
    const int index = SelectedIndex();
    if (index < 0)
        return;
    const Rule before = m_rules[static_cast<size_t>(index)].rule;
    Rule rule = before;
    rule.damaged = false;
    if (!EditRule(Window(), Module(), rule, HolderBesides(index)) || index >= static_cast<int>(m_rules.size()))
        return;
    StoredRule& stored = m_rules[static_cast<size_t>(index)];
    if (before.damaged || !rule.SameAs(before)) {
        stored.rule = rule;
        stored.changed = true;
    }
    FillList(index);
}

void RULES::RemoveSelected()
{
    const int index = SelectedIndex();
    if (index < 0)
        return;
    m_rules.erase(m_rules.begin() + index);
    FillList(std::min(index, static_cast<int>(m_rules.size()) - 1));
}

void RULES::MoveSelected(int by)
{
    const int index = SelectedIndex();
    const int target = index + by;
    if (index < 0 || target < 0 || target >= static_cast<int>(m_rules.size()))
        return;
    std::swap(m_rules[static_cast<size_t>(index)], m_rules[static_cast<size_t>(target)]);
    FillList(target);
}

// Rules that could not all be read are never saved over: a save would drop the ones not shown.
void RULES::SaveAndClose()
{
    if (!m_store.LoadedWhole()) {
        TimedMessageBox(T(Tx::MsgRulesNotAllRead), T(Tx::MsgRulesNotStoredCaption), MB_OK | MB_ICONWARNING, 0);
        return;
    }
    if (!m_store.Save(m_rules)) {
        TimedMessageBox(T(Tx::MsgRulesNotStored), T(Tx::MsgRulesNotStoredCaption), MB_OK | MB_ICONWARNING, 0);
        return;
    }
    EndDialog(Window(), IDOK);
}

void RULES::OnCommand(WPARAM wParam)
{
    switch (wParam) {
    case IDC_RULES_ADD:
        AddRule();
        break;
    case IDC_RULES_EDIT:
        EditSelected();
        break;
    case IDC_RULES_REMOVE:
        RemoveSelected();
        break;
    case IDC_RULES_UP:
        MoveSelected(-1);
        break;
    case IDC_RULES_DOWN:
        MoveSelected(1);
        break;
    case IDC_RULES_OK:
        SaveAndClose();
        break;
    case IDC_RULES_CANCEL:
        EndDialog(Window(), IDCANCEL);
        break;
    }
}

INT_PTR RULES::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInit();
        break;
    case WM_COMMAND:
        OnCommand(wParam);
        break;
    case WM_NOTIFY:
        // Only the list, a window of this thread, notifies the dialog.
        if (lParam && FromThisThread())
            OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
        break;
    case WM_DESTROY:
        m_helpPopups.reset();
        break;
    }
    return 0;
}

bool ShowRulesDialog(HWND parent, HMODULE module, const char* programKeyPath)
{
    RULES dialog(parent, module, programKeyPath);
    return dialog.Show(parent) == IDOK;
}
