#include "app/HiddenDialog.h"

#include <algorithm>

#include "app/list/CandidateList.h"
#include "app/held/ForeignWindow.h"
#include "app/list/ListBox.h"
#include "hotkeys/HotkeyTable.h"
#include "res/HiddenDialogIds.h"

namespace {

constexpr int kHelpPopupWidth = 350;

constexpr HelpText kPopups[] = {
    {IDC_HIDDEN_DONE, "Close this window"},
    {IDC_HIDDEN_LIST, "The list of hidden top level windows and documents the are not managed by Veilbox "
                      "in it's popup menu. To make a window or document visible double click it's entry."},
};

struct FillPass {
    HWND self;
    QF_LISTBOX* list;
    std::vector<HWND>* listed;
};

BOOL CALLBACK AddIfHidden(HWND window, LPARAM param)
{
    auto* pass = reinterpret_cast<FillPass*>(param);
    if (window == pass->self || IsWindowVisible(window))
        return TRUE;
    NString title = StoredTitle(window);
    if (title.IsEmpty() || title.Equals("Program Manager"))
        return TRUE;
    int index = pass->list->Add(title.Text());
    if (index >= 0) {
        pass->list->SetItemData(index, reinterpret_cast<LONG_PTR>(window));
        pass->listed->push_back(window);
    }
    return TRUE;
}

} // namespace

HIDDEN::HIDDEN(HWND parent, HMODULE module) : QF_MODALDIALOG(nullptr, IDD_HIDDEN, parent, module) {}

HIDDEN::~HIDDEN() = default;

void HIDDEN::FillList()
{
    QF_LISTBOX list(Item(IDC_HIDDEN_LIST));
    list.Reset();
    m_listed.clear();
    FillPass pass{Window(), &list, &m_listed};
    EnumWindows(AddIfHidden, reinterpret_cast<LPARAM>(&pass));
}

// The help popups follow the main dialog's switch, in the program's own key.
void HIDDEN::OnInit()
{
    FillList();
    m_helpPopups = HelpPopupsIfSwitchedOn(Module(), Window(), kHelpPopupWidth, kPopups);
}

// The window is shown where it was, not brought to the front; a menu entry it had is dropped
// the next time the menu opens.
void HIDDEN::ShowSelectedWindow()
{
    QF_LISTBOX list(Item(IDC_HIDDEN_LIST));
    int index = list.SelectedIndex();
    if (index < 0)
        return;
    HWND window = ListedWindow(list.ItemData(index));
    if (window && IsWindow(window))
        ShowForeignWindow(window, SW_SHOW);
    FillList();
}

HWND HIDDEN::ListedWindow(LRESULT itemData) const
{
    const HWND window = reinterpret_cast<HWND>(itemData);
    return std::find(m_listed.begin(), m_listed.end(), window) != m_listed.end() ? window : nullptr;
}

void HIDDEN::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (wParam == IDOK || wParam == IDCANCEL)
        EndDialog(Window(), static_cast<INT_PTR>(wParam));
    else if (wParam == MAKEWPARAM(IDC_HIDDEN_LIST, LBN_DBLCLK) &&
             reinterpret_cast<HWND>(lParam) == Item(IDC_HIDDEN_LIST))
        ShowSelectedWindow();
}

void HIDDEN::OnDpiChanged(UINT, UINT newDpi)
{
    if (m_helpPopups)
        m_helpPopups->SetDpi(newDpi);
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
