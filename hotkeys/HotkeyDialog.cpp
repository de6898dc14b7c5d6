#include "hotkeys/HotkeyDialog.h"

#include "hotkeys/KeyBindingsDialog.h"
#include "res/HotkeyDialogIds.h"
#include "settings/SettingsStore.h"
#include "text/Texts.h"

namespace {

constexpr int kPopupWidth = 350;

} // namespace

HOTKEY::HOTKEY(HWND parent, HMODULE module, HotkeyTable& table, const SettingsKey& store)
    : QF_MODALDIALOG(nullptr, IDD_HOTKEY, parent, module), m_table(table), m_store(store)
{
}

HOTKEY::~HOTKEY() = default;

void HOTKEY::SetUserInterfaceOpener(std::function<void(HWND owner)> opener)
{
    m_openUserInterface = std::move(opener);
}

INT_PTR HOTKEY::OnMessage(UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInit();
        return TRUE;
    case WM_COMMAND:
        OnCommand(wParam);
        return TRUE;
    case WM_DESTROY:
        m_popups.reset();
        return 0;
    default:
        return FALSE;
    }
}

void HOTKEY::OnInit()
{
    CheckDlgButton(Window(), IDC_HOTKEY_USE_HOTKEYS,
                   ReadSwitch(m_store, kUseHotkeyValue) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(Window(), IDC_HOTKEY_USE_HELP_POPUPS,
                   ReadSwitch(m_store, kUseHelpPopupsValue) ? BST_CHECKED : BST_UNCHECKED);
    SetUpHelpPopups();
}

// wParam is compared whole: notifications other than a click make no command.
void HOTKEY::OnCommand(WPARAM wParam)
{
    switch (wParam) {
    case IDC_HOTKEY_OK:
        Save();
        EndDialog(Window(), IDOK);
        break;
    case IDC_HOTKEY_CANCEL:
        EndDialog(Window(), IDCANCEL);
        break;
    case IDC_HOTKEY_CHANGE_KEYS:
        ChangeKeys();
        break;
    case IDC_HOTKEY_USE_HELP_POPUPS:
        SetUpHelpPopups();
        break;
    case IDC_HOTKEY_APP_INTERFACE:
        if (m_openUserInterface)
            m_openUserInterface(Window());
        break;
    default:
        break;
    }
}

// The "Use Hot Keys" text lists the current combinations only while that box
// is ticked; it is built afresh each time the popups are set up.
void HOTKEY::SetUpHelpPopups()
{
    m_popups.reset();
    if (!IsTicked(IDC_HOTKEY_USE_HELP_POPUPS))
        return;
    m_popups = HelpPopup::Create(Module(), Window(), kPopupWidth);
    m_popups->SetDpi(Dpi());
    NString useHotkeys(T(Tx::HelpHotkeyUse));
    if (IsTicked(IDC_HOTKEY_USE_HOTKEYS))
        useHotkeys.Append(m_table.CurrentHotkeysText());
    m_popups->Add(IDC_HOTKEY_USE_HOTKEYS, useHotkeys.Text());
    m_popups->Add(IDC_HOTKEY_USE_HELP_POPUPS, T(Tx::HelpHotkeyPopups));
    m_popups->Add(IDC_HOTKEY_CHANGE_KEYS, T(Tx::HelpHotkeyChangeKeys));
    m_popups->Add(IDC_HOTKEY_OK, T(Tx::HelpHotkeyOk));
    m_popups->Add(IDC_HOTKEY_CANCEL, T(Tx::HelpHotkeyCancel));
}

void HOTKEY::OnDpiChanged(UINT, UINT newDpi)
{
    if (m_popups)
        m_popups->SetDpi(newDpi);
}

// Failed writes are not reported: the dialog closes as after a full save.
void HOTKEY::Save()
{
    const SettingsBatch batch;
    m_store.WriteInt(kUseHotkeyValue, IsTicked(IDC_HOTKEY_USE_HOTKEYS) ? 1 : 0);
    m_store.WriteInt(kUseHelpPopupsValue, IsTicked(IDC_HOTKEY_USE_HELP_POPUPS) ? 1 : 0);
    m_table.Save(m_store);
}

// The editor shows popups exactly when this dialog does; afterwards the
// popups are rebuilt so that they list the new combinations.
void HOTKEY::ChangeKeys()
{
    const bool hadPopups = m_popups != nullptr;
    m_popups.reset();
    RunKeyBindingsDialog(Window(), m_table, hadPopups);
    SetUpHelpPopups();
}

bool HOTKEY::IsTicked(int id) const
{
    return IsDlgButtonChecked(Window(), id) == BST_CHECKED;
}
