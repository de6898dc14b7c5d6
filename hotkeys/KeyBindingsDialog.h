// MODAL: the Change Key Bindings dialog. The user selects an action, presses
// a new combination in a box that captures key presses instead of text, sees
// which other action already uses it, and commits with Assign (which
// exchanges the two actions' combinations; an action without one is not
// given another's, and Assign is then unavailable). Every Assign
// edits the lent table at once (the changed record moves to the end of it);
// OK and Cancel only end the dialog. Saving and registration are the
// caller's business.
#pragma once

#include <windows.h>

#include <memory>

#include "hotkeys/HelpPopup.h"
#include "hotkeys/HotkeyTable.h"
#include "text/NString.h"
#include "winbase/ModalDialog.h"

class MODAL : public QF_MODALDIALOG {
public:
    // The template comes from the module that holds this code. The table is
    // not owned.
    MODAL(HWND owner, HotkeyTable& table);
    ~MODAL() override;

    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // On by default.
    void SetHelpPopupsWanted(bool wanted) { m_popupsWanted = wanted; }

protected:
    // The popups follow a move to a monitor with another DPI.
    void OnDpiChanged(UINT oldDpi, UINT newDpi) override;

private:
    void OnInit();
    void OnCommand(WPARAM wParam, LPARAM lParam);
    void Refresh();
    void FitFields();
    void ShowCaptured();
    bool CheckCollision();
    void OnAssign();
    bool TakesAnothersOnlyCombination() const;
    void OfferAssign();
    void Assign();
    void AssignWithCollision();
    void AddHelpPopups();
    void SetItemText(int id, const char* text);

    // The capture box's window procedure and the handling of a key press in it.
    static LRESULT CALLBACK CaptureProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam);
    void OnCapturedKey(WPARAM key);

    NString m_collidesWith;
    std::unique_ptr<HelpPopup> m_popups;
    HotkeyRecord m_selected;
    HotkeyTable& m_table;
    bool m_popupsWanted = true;
    // The combination last pressed in the capture box, or a copy of the
    // selected record.
    HotkeyRecord m_captured;
    WNDPROC m_previousEditProc = nullptr;
};

// Runs the dialog over owner; true when it ended with OK.
bool RunKeyBindingsDialog(HWND owner, HotkeyTable& table, bool helpPopupsWanted);
