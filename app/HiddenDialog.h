// HIDDEN: the Hidden Windows dialog. Lists every invisible, titled top-level window, whoever hid
// it, and shows one again on a double click. It is the way back for windows hidden without a menu
// entry and for windows other programs keep hidden.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "hotkeys/HelpPopup.h"
#include "winbase/ModalDialog.h"

class HIDDEN : public QF_MODALDIALOG {
public:
    HIDDEN(HWND parent, HMODULE module);
    ~HIDDEN() override;

    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Empties the list and fills it with the hidden windows: the entry's text is the window's
    // stored title, its item data the window handle.
    void FillList();
    const HelpPopup* HelpPopups() const { return m_helpPopups.get(); }

protected:
    void OnDpiChanged(UINT oldDpi, UINT newDpi) override;

private:
    void OnInit();
    void OnCommand(WPARAM wParam, LPARAM lParam);
    void ShowSelectedWindow();
    // The window an entry's item data names, when it is one the list was filled with; null
    // otherwise (any program can set an entry's data).
    HWND ListedWindow(LRESULT itemData) const;

    std::unique_ptr<HelpPopup> m_helpPopups;
    std::vector<HWND> m_listed;
};
