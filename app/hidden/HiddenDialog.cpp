#include "app/hidden/HiddenDialog.h"

#include "app/OwnerDraw.h"
#include "app/ForeignWindow.h"
#include "app/held/HideOps.h"
#include "app/list/ListBox.h"
#include "hotkeys/HotkeyTable.h"
#include "res/HiddenDialogIds.h"
#include "settings/SettingsKey.h"
#include "text/Texts.h"
#include "winbase/ListEnterKey.h"

namespace {

constexpr int kHelpPopupWidth = 350;

constexpr HelpText kPopups[] = {
    {IDC_HIDDEN_DONE, Tx::HelpHiddenDone},
    {IDC_HIDDEN_LIST, Tx::HelpHiddenList},
    {IDC_HIDDEN_SHOW_ALL, Tx::HelpHiddenShowAll},
};

SettingsKey InterfaceKey()
{
    return SettingsKey(SettingsKey(HKEY_CURRENT_USER, kProgramKeyPath), kInterfaceKey);
}

// Anything but 1 (another number, another type, no value) leaves the box unticked.
bool ReadShowAll()
{
    int32_t value = 0;
    return InterfaceKey().ReadInt(kShowAllHiddenValue, value) && value == 1;
}

} // namespace

HIDDEN::HIDDEN(HWND parent, HMODULE module, UnlistedHides* unlisted)
    : QF_MODALDIALOG(nullptr, IDD_HIDDEN, parent, module), m_unlisted(unlisted)
{
}

HIDDEN::~HIDDEN() = default;

// The help popups follow the main dialog's switch, in the program's own key. Enter in the list
// shows its selected window as a double click does.
void HIDDEN::OnInit()
{
    EnterChoosesListRow(Item(IDC_HIDDEN_LIST));
    m_showAll = ReadShowAll();
    CheckDlgButton(Window(), IDC_HIDDEN_SHOW_ALL, m_showAll ? BST_CHECKED : BST_UNCHECKED);
    FillList();
    m_helpPopups = HelpPopupsIfSwitchedOn(Module(), Window(), kHelpPopupWidth, kPopups);
}

void HIDDEN::OnShowAllClicked()
{
    m_showAll = IsDlgButtonChecked(Window(), IDC_HIDDEN_SHOW_ALL) == BST_CHECKED;
    InterfaceKey().WriteInt(kShowAllHiddenValue, m_showAll ? 1 : 0);
    FillList();
}

// The window comes back in front with the focus, restored if it was minimised, when it is still
// the window listed: the list is not refilled while open, and a handle of a window that died
// may name a new window by now. Its entry in the hidden-window menu, if it had one, is dropped
// the next time the menu opens. Bringing a window to the front lets messages in: nothing of the
// list is used after it but a fresh fill, which also drops a window gone meanwhile.
void HIDDEN::ShowSelectedWindow()
{
    QF_LISTBOX list(Item(IDC_HIDDEN_LIST));
    const int index = list.SelectedIndex();
    if (index < 0) {
        return;
    }
    const Row* row = RowOf(reinterpret_cast<HWND>(list.ItemData(index)));
    if (row && StillOffers(*row)) {
        ShowListedWindow(row->window);
    }
    if (IsWindow(Window())) {
        FillList();
    }
}

// A Shift-hidden window is forgotten only once its program has shown it; one whose program does
// not answer keeps its place in the list (and its mark) and is not brought to the front, since
// the show is still queued.
void HIDDEN::ShowListedWindow(HWND window)
{
    SilentThreads& silent = RememberedSilentThreads();
    silent.ForgetOlderThan(kSilenceMemoryMs);
    if (!ShowForeignWindow(window, IsIconic(window) ? SW_RESTORE : SW_SHOW, &silent)) {
        return;
    }
    if (m_unlisted) {
        m_unlisted->Remove(window);
    }
    BringToFrontWithoutWaiting(window, &silent);
}

void HIDDEN::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (wParam == IDOK || wParam == IDCANCEL) {
        EndDialog(Window(), static_cast<INT_PTR>(wParam));
    } else if (wParam == MAKEWPARAM(IDC_HIDDEN_LIST, LBN_DBLCLK) &&
               reinterpret_cast<HWND>(lParam) == Item(IDC_HIDDEN_LIST)) {
        ShowSelectedWindow();
    } else if (wParam == MAKEWPARAM(IDC_HIDDEN_SHOW_ALL, BN_CLICKED) &&
               reinterpret_cast<HWND>(lParam) == Item(IDC_HIDDEN_SHOW_ALL)) {
        OnShowAllClicked();
    }
}

// Any program can send the dialog WM_DRAWITEM (the base passes on only a structure on this
// thread's stack): an entry is drawn only when its item data is the list's own for that entry and
// names one of the dialog's rows.
INT_PTR HIDDEN::OnDrawItem(WPARAM control, const DRAWITEMSTRUCT& item)
{
    if (control != IDC_HIDDEN_LIST || item.CtlType != ODT_LISTBOX || item.hwndItem != Item(IDC_HIDDEN_LIST)) {
        return 0;
    }
    const RowLook rows = CurrentTheme().ListRows();
    if (static_cast<int>(item.itemID) < 0) {
        DrawHiddenEntry(item, HiddenEntryLook{}, rows, Dpi());
        return TRUE;
    }
    const auto data = static_cast<ULONG_PTR>(SendMessageA(item.hwndItem, LB_GETITEMDATA, item.itemID, 0));
    const Row* row = data == item.itemData ? RowOf(reinterpret_cast<HWND>(data)) : nullptr;
    if (row) {
        DrawHiddenEntry(item, HiddenEntryLook{row->title.Text(), row->program.Text(), row->icon}, rows, Dpi());
    }
    return TRUE;
}

// Any program can send the dialog WM_MEASUREITEM: only the list's own question is answered.
INT_PTR HIDDEN::OnMeasureItem(WPARAM control, MEASUREITEMSTRUCT& item)
{
    if (control == IDC_HIDDEN_LIST && item.CtlType == ODT_LISTBOX && item.CtlID == IDC_HIDDEN_LIST) {
        item.itemHeight = EntryHeight(Dpi());
        return TRUE;
    }
    return 0;
}

void HIDDEN::OnDpiChanged(UINT, UINT newDpi)
{
    ResizeListEntries(Item(IDC_HIDDEN_LIST), newDpi);
    if (m_helpPopups) {
        m_helpPopups->SetDpi(newDpi);
    }
}

INT_PTR HIDDEN::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInit();
        break;
    case WM_COMMAND:
        OnCommand(wParam, lParam);
        break;
    case WM_DESTROY:
        m_helpPopups.reset();
        break;
    }
    return 0;
}
