#include "hotkeys/KeyBindingsDialog.h"

#include <algorithm>
#include <string>
#include <vector>

#include "hotkeys/KeyNames.h"
#include "res/KeyBindingsDialogIds.h"
#include "winbase/DialogTexts.h"
#include "winbase/ModuleInfo.h"
#include "winbase/OwnRecords.h"
#include "text/Texts.h"

namespace {

constexpr int kPopupWidth = 350;
// The capture box of each open dialog, with its dialog object: the object is found here, never
// through a property of the box, which any program can set.
WindowTable<MODAL>& CaptureBoxes()
{
    static WindowTable<MODAL> boxes;
    return boxes;
}

// The key's state as of the key message being handled, so that a quick
// press and release keeps its modifiers however late the message is handled.
bool IsDown(int virtualKey)
{
    return (GetKeyState(virtualKey) & 0x8000) != 0;
}

// The action id the list's selected entry stands for; -1 without a selection.
LRESULT SelectedActionId(HWND list)
{
    const LRESULT index = SendMessageA(list, LB_GETCURSEL, 0, 0);
    return index == LB_ERR ? -1 : SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(index), 0);
}

// An action without a combination shows as "none".
NString ShownBinding(const HotkeyRecord& record)
{
    return record.IsAssigned() ? BindingText(record) : NString(T(Tx::HotkeyNone));
}

} // namespace

MODAL::MODAL(HWND owner, HotkeyTable& table)
    : QF_MODALDIALOG(nullptr, IDD_KEY_BINDINGS, owner, ModuleOfCaller()),
      m_collidesWith(), m_table(table)
{
}

MODAL::~MODAL()
{
    CaptureBoxes().Forget(this);
}

INT_PTR MODAL::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInit();
        return TRUE;
    case WM_COMMAND:
        OnCommand(wParam, lParam);
        return TRUE;
    case WM_DESTROY:
        m_popups.reset();
        return 0;
    default:
        return FALSE;
    }
}

void MODAL::OnInit()
{
    if (m_table.IsEmpty()) {
        TimedMessageBox(T(Tx::MsgNoKeysToEdit), nullptr, MB_OK, 0);
        EndDialog(Window(), IDCANCEL);
        return;
    }
    HWND edit = Item(IDC_KEYS_CAPTURE);
    CaptureBoxes().Bind(edit, this);
    m_previousEditProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MODAL::CaptureProc)));
    HWND list = Item(IDC_KEYS_LIST);
    for (const HotkeyRecord& record : m_table) {
        const LRESULT at =
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(HotkeyDisplayName(record.name.Text())));
        if (at >= 0)
            SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(record.id));
    }
    m_selected = m_table[0];
    SendMessageA(list, LB_SETCURSEL, 0, 0);
    Refresh();
    FitFields();
    if (m_popupsWanted)
        AddHelpPopups();
}

// The fields are as wide as the widest text they may show, in the language in use at the dialog's
// DPI: each action's combination, each of the table's keys and a key of the numeric pad with every
// modifier, "none", and each action's name; the column of fields grows with its labels, and the
// buttons beside and below it move along. The list's rows are fitted with the dialog's texts.
void MODAL::FitFields()
{
    std::vector<std::string> bindings{T(Tx::HotkeyNone)}, names;
    const auto withEveryModifier = [](uint16_t key) {
        return std::string(BindingText(HotkeyRecord("", true, true, true, key, 0)).Text());
    };
    for (const HotkeyRecord& record : m_table) {
        bindings.push_back(ShownBinding(record).Text());
        bindings.push_back(withEveryModifier(record.key));
        names.push_back(HotkeyDisplayName(record.name.Text()));
    }
    bindings.push_back(withEveryModifier(VK_NUMPAD0));
    const LONG cx = std::max({TextsShortfall(Item(IDC_KEYS_CURRENT), bindings, Dpi()),
                              TextsShortfall(Item(IDC_KEYS_CAPTURE), bindings, Dpi()),
                              TextsShortfall(Item(IDC_KEYS_COLLIDES), names, Dpi())});
    WidenColumn(Window(), {IDC_KEYS_CURRENT, IDC_KEYS_CAPTURE, IDC_KEYS_COLLIDES, IDC_KEYS_LABEL1, IDC_KEYS_LABEL2},
                {IDC_KEYS_ASSIGN, IDC_KEYS_CANCEL}, cx);
}

void MODAL::AddHelpPopups()
{
    m_popups = HelpPopup::Create(Module(), Window(), kPopupWidth);
    m_popups->SetDpi(Dpi());
    m_popups->Add(IDC_KEYS_LIST, T(Tx::HelpKeysList));
    m_popups->Add(IDC_KEYS_CURRENT, T(Tx::HelpKeysCurrent));
    m_popups->Add(IDC_KEYS_ASSIGN, T(Tx::HelpKeysAssign));
    m_popups->Add(IDC_KEYS_CAPTURE, T(Tx::HelpKeysCapture));
    m_popups->Add(IDC_KEYS_COLLIDES, T(Tx::HelpKeysCollides));
}

void MODAL::OnDpiChanged(UINT, UINT newDpi)
{
    if (m_popups)
        m_popups->SetDpi(newDpi);
}

// wParam is compared whole, except for the list's selection change.
void MODAL::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (wParam == IDC_KEYS_OK) {
        // Enter in the capture box is a key to capture, not the end of the dialog.
        if (GetDlgCtrlID(GetFocus()) == IDC_KEYS_CAPTURE)
            SendMessageA(Item(IDC_KEYS_CAPTURE), WM_KEYDOWN, VK_RETURN, 0);
        else
            EndDialog(Window(), IDOK);
    } else if (wParam == IDC_KEYS_CANCEL) {
        EndDialog(Window(), 0);
    } else if (wParam == IDC_KEYS_CAPTURE) {
        ShowCaptured();
    } else if (wParam == IDC_KEYS_ASSIGN) {
        OnAssign();
    } else if (wParam == MAKEWPARAM(IDC_KEYS_LIST, LBN_SELCHANGE) &&
               reinterpret_cast<HWND>(lParam) == Item(IDC_KEYS_LIST)) {
        Refresh();
    }
}

// A collision exchanges the two actions' combinations, except for an action without one: it
// never takes another action's combination, which would leave that action without any unnoticed.
// The collision line then keeps naming the holder and the table stays as it is.
void MODAL::OnAssign()
{
    m_collidesWith = "";
    SetItemText(IDC_KEYS_COLLIDES, m_collidesWith.Text());
    if (!CheckCollision())
        Assign();
    else if (TakesAnothersOnlyCombination())
        SetItemText(IDC_KEYS_COLLIDES, m_collidesWith.Text());
    else
        AssignWithCollision();
}

bool MODAL::TakesAnothersOnlyCombination() const
{
    return !m_selected.IsAssigned() && !m_collidesWith.IsEmpty();
}

// Assign is offered unless it would be refused.
void MODAL::OfferAssign()
{
    EnableWindow(Item(IDC_KEYS_ASSIGN), TakesAnothersOnlyCombination() ? FALSE : TRUE);
}

// The selected action is the record of the list's selected entry, found by its action id (not by
// its text, which two actions may share in a language; Assign moves records in the table); without
// one it stays as it was. The capture box starts from it and no collision is shown.
void MODAL::Refresh()
{
    const LRESULT id = SelectedActionId(Item(IDC_KEYS_LIST));
    for (const HotkeyRecord& record : m_table) {
        if (id >= 0 && record.id == static_cast<uint32_t>(id)) {
            m_selected = record;
            break;
        }
    }
    m_collidesWith = "";
    m_captured = m_selected;
    SetItemText(IDC_KEYS_CURRENT, ShownBinding(m_selected).Text());
    SetItemText(IDC_KEYS_CAPTURE, ShownBinding(m_captured).Text());
    SetItemText(IDC_KEYS_COLLIDES, m_collidesWith.Text());
    OfferAssign();
}

void MODAL::ShowCaptured()
{
    SetItemText(IDC_KEYS_CURRENT, ShownBinding(m_selected).Text());
    SetItemText(IDC_KEYS_CAPTURE, ShownBinding(m_captured).Text());
    m_collidesWith = "";
    SetItemText(IDC_KEYS_COLLIDES, m_collidesWith.Text());
    if (CheckCollision())
        SetItemText(IDC_KEYS_COLLIDES, m_collidesWith.Text());
    OfferAssign();
}

// A pressed combination equal to another action's makes the captured record
// a full copy of that action's record and names it.
bool MODAL::CheckCollision()
{
    if (m_captured.SameCombination(m_selected))
        return false;
    for (const HotkeyRecord& record : m_table) {
        if (record.SameCombination(m_captured)) {
            m_captured = record;
            m_collidesWith = HotkeyDisplayName(record.name.Text());
            return true;
        }
    }
    return false;
}

// The selected action takes the captured combination, keeping its name, id
// and the registered flag of that id.
void MODAL::Assign()
{
    m_table.RemoveFirstSame(m_selected);
    m_captured.name = m_selected.name;
    m_captured.id = m_selected.id;
    m_captured.registered = m_selected.registered;
    m_table.Append(m_captured);
    Refresh();
}

// The two actions exchange combinations; each keeps its name and id, and so
// the registered flag that belongs to that id.
void MODAL::AssignWithCollision()
{
    const HotkeyRecord colliding = m_captured;
    m_table.RemoveFirstSame(colliding);
    m_table.RemoveFirstSame(m_selected);
    HotkeyRecord other = m_selected;
    other.name = colliding.name;
    other.id = colliding.id;
    other.registered = colliding.registered;
    HotkeyRecord mine = colliding;
    mine.name = m_selected.name;
    mine.id = m_selected.id;
    mine.registered = m_selected.registered;
    m_table.Append(other);
    m_table.Append(mine);
    Refresh();
    SetItemText(IDC_KEYS_COLLIDES, m_collidesWith.Text());
}

void MODAL::SetItemText(int id, const char* text)
{
    SetDlgItemTextA(Window(), id, text);
}

LRESULT CALLBACK MODAL::CaptureProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam)
{
    MODAL* self = CaptureBoxes().Find(edit);
    if (!self)
        return DefWindowProcA(edit, message, wParam, lParam);
    switch (message) {
    case WM_KEYDOWN:
        if (wParam != VK_SHIFT && wParam != VK_CONTROL && wParam != VK_MENU)
            self->OnCapturedKey(wParam);
        return 0;
    case WM_KEYUP:
    case WM_CHAR:
    case WM_DEADCHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
    case WM_SYSDEADCHAR:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        return 0;
    case WM_LBUTTONUP:
        SetFocus(edit);
        return 0;
    case WM_NCDESTROY: {
        const WNDPROC previous = self->m_previousEditProc;
        CaptureBoxes().Unbind(edit);
        return CallWindowProcA(previous, edit, message, wParam, lParam);
    }
    default:
        return CallWindowProcA(self->m_previousEditProc, edit, message, wParam, lParam);
    }
}

void MODAL::OnCapturedKey(WPARAM key)
{
    m_captured = HotkeyRecord("?", IsDown(VK_CONTROL), IsDown(VK_SHIFT), IsDown(VK_MENU),
                              static_cast<uint16_t>(key & 0xFF), 0);
    SendMessageA(GetParent(Item(IDC_KEYS_CAPTURE)), WM_COMMAND, IDC_KEYS_CAPTURE, 0);
}

bool RunKeyBindingsDialog(HWND owner, HotkeyTable& table, bool helpPopupsWanted)
{
    MODAL dialog(owner, table);
    dialog.SetHelpPopupsWanted(helpPopupsWanted);
    dialog.Show();
    return dialog.Result() == IDOK;
}
