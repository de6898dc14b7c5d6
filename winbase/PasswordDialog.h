// PASSWORD_DLG: the "Enter Password" dialog asked before a window comes back
// from the tray. It pushes itself in front of other programs: it takes the
// foreground at once and, one second later, minimises a window that has
// taken the foreground meanwhile, giving it back when the dialog ends.
#pragma once

#include <windows.h>

#include "text/NString.h"
#include "winbase/ModalDialog.h"

class PASSWORD_DLG : public QF_MODALDIALOG {
public:
    // owner is hidden again when the dialog ends, whatever the answer.
    explicit PASSWORD_DLG(HWND owner);
    // Wipes the entered text.
    ~PASSWORD_DLG() override;

    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Shown by the dialog when not null; set before Show.
    void SetStartIcon(HICON icon) { m_startIcon = icon; }
    // The text typed when OK ended the dialog; null otherwise (an empty
    // entry ends the dialog as Cancel). OK empties the edit box.
    const NString& EnteredText() const { return m_enteredText; }
    // The window the dialog minimised, or null.
    HWND PushedAside() const { return m_pushedAside; }

private:
    void OnInit();
    void OnFirstSecond();
    void OnOk();
    void OnDestroy();
    // Brings the dialog in front and puts the focus into the edit box; does
    // nothing while already doing so or once the dialog is ending.
    void TakeFront();

    HWND m_pushedAside = nullptr;
    NString m_enteredText;
    HICON m_startIcon = nullptr;
    bool m_takingFront = false;
    // The dialog was deactivated while it was taking the front.
    bool m_lostFrontMeanwhile = false;
    bool m_ending = false;
};

// Shows the dialog over owner with icon and answers whether the user typed
// exactly stored (case-sensitive). Cancel, an empty entry or a dialog that
// cannot be created answer false. Once compared, the typed text and stored
// are wiped (NString::Wipe).
bool AskPassword(HWND owner, NString& stored, HICON icon);
