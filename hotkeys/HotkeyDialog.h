// HOTKEY: the Hot Key options dialog. It switches the hotkeys and the help
// popups on and off, leads to the key bindings editor and to the User
// Interface options, and saves the table it was lent when the user presses
// OK (result 1); Cancel (result 2) writes nothing, though the table itself
// may have been edited in the key bindings editor.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "hotkeys/HelpPopup.h"
#include "hotkeys/HotkeyTable.h"
#include "settings/SettingsKey.h"
#include "winbase/ModalDialog.h"

class HOTKEY : public QF_MODALDIALOG {
public:
    // store is the program's key, where OK writes UseHotkey, UseHelpPopups
    // and the records' stored texts. The table is not owned.
    HOTKEY(HWND parent, HMODULE module, HotkeyTable& table, const SettingsKey& store);
    ~HOTKEY() override;

    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Shows the User Interface options over the window it is given; without
    // one the "Application Interface" button does nothing.
    void SetUserInterfaceOpener(std::function<void(HWND owner)> opener);

    // The popups while "Use Help Popups" is ticked, otherwise null.
    const HelpPopup* Popups() const { return m_popups.get(); }

protected:
    // The popups follow a move to a monitor with another DPI.
    void OnDpiChanged(UINT oldDpi, UINT newDpi) override;

private:
    void OnInit();
    void OnCommand(WPARAM wParam);
    void SetUpHelpPopups();
    void Save();
    void ChangeKeys();
    bool IsTicked(int id) const;

    HotkeyTable& m_table;
    std::unique_ptr<HelpPopup> m_popups;
    SettingsKey m_store;
    std::function<void(HWND)> m_openUserInterface;
};
