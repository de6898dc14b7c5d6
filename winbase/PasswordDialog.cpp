#include "winbase/PasswordDialog.h"

#include <string>
#include <utility>

#include "res/PasswordDialogIds.h"
#include "winbase/ModuleInfo.h"
#include "winbase/WindowHelpers.h"
#include "winbase/WindowOps.h"

namespace {

constexpr UINT_PTR kPushTimer = 1;
constexpr UINT kPushDelayMs = 1000;
constexpr int kFrontTries = 3;

}  // namespace

PASSWORD_DLG::PASSWORD_DLG(HWND owner) : QF_MODALDIALOG(nullptr, IDD_PASSWORD, owner, ModuleOfCaller()) {}

PASSWORD_DLG::~PASSWORD_DLG()
{
    m_enteredText.Wipe();
}

// The owner is brought forward only while it is visible: bringing a window to
// the front clicks it, and a click would show the hidden window before the
// password has been given.
void PASSWORD_DLG::OnInit()
{
    if (m_startIcon) {
        SetIcon(m_startIcon);
    }
    if (IsWindowVisible(Parent())) {
        BringWindowToFront(Parent());
    }
    TakeFront();
    MessageBeep(MB_ICONEXCLAMATION);
    CenterWindow(Window(), nullptr);
    SetTimer(Window(), kPushTimer, kPushDelayMs, nullptr);
    SetFocus(Item(IDC_PASSWORD_EDIT));
}

// Taking the front pumps messages: a window that takes the front meanwhile deactivates the
// dialog while it is still at it, and would keep the front unless the dialog tries again (a
// few times, never an endless fight).
void PASSWORD_DLG::TakeFront()
{
    if (m_takingFront || m_ending) {
        return;
    }
    m_takingFront = true;
    for (int tries = 0; tries < kFrontTries && !m_ending; ++tries) {
        m_lostFrontMeanwhile = false;
        BringWindowToFront(Window());
        SetFocus(Item(IDC_PASSWORD_EDIT));
        if (!m_lostFrontMeanwhile) {
            break;
        }
    }
    m_takingFront = false;
}

// One tick only: whatever took the foreground since the dialog opened is put
// aside for as long as the dialog runs.
void PASSWORD_DLG::OnFirstSecond()
{
    KillTimer(Window(), kPushTimer);
    HWND foreground = GetForegroundWindow();
    if (foreground && foreground != Parent() && foreground != Window() && !m_pushedAside) {
        m_pushedAside = foreground;
        ShowWindow(foreground, SW_MINIMIZE);
        if (IsWindowVisible(Parent())) {
            BringWindowToFront(Parent());
        }
        TakeFront();
        ShowWindow(Window(), SW_SHOW);
        ShowWindow(Window(), SW_SHOW);
        SetFocus(Item(IDC_PASSWORD_EDIT));
    }
    CenterWindow(Window(), nullptr);
}

// The typed text is moved, never copied, and the edit box is written over
// before it is emptied: the only copy left is the dialog's own, wiped with it.
void PASSWORD_DLG::OnOk()
{
    HWND edit = Item(IDC_PASSWORD_EDIT);
    NString text = NString::FromWindowText(edit);
    SetWindowTextA(edit, std::string(text.Length(), '*').c_str());
    SetWindowTextA(edit, "");
    m_ending = true;
    if (text.IsEmpty()) {
        EndDialog(Window(), IDCANCEL);
        return;
    }
    m_enteredText = std::move(text);
    EndDialog(Window(), IDOK);
}

void PASSWORD_DLG::OnDestroy()
{
    m_ending = true;
    KillTimer(Window(), kPushTimer);
    if (m_pushedAside) {
        ShowWindow(m_pushedAside, SW_RESTORE);
    }
    ShowWindow(Parent(), SW_HIDE);
}

INT_PTR PASSWORD_DLG::OnMessage(UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInit();
        break;
    case WM_ACTIVATE:
    case WM_ACTIVATEAPP:
        if (m_takingFront) {
            const bool lost = message == WM_ACTIVATE ? LOWORD(wParam) == WA_INACTIVE : wParam == FALSE;
            m_lostFrontMeanwhile = m_lostFrontMeanwhile || lost;
        } else {
            TakeFront();
        }
        break;
    case WM_TIMER:
        OnFirstSecond();
        break;
    case WM_COMMAND:
        if (wParam == IDOK) {
            OnOk();
        } else if (wParam == IDCANCEL) {
            m_ending = true;
            EndDialog(Window(), IDCANCEL);
        }
        break;
    case WM_DESTROY:
        OnDestroy();
        break;
    default:
        break;
    }
    return 0;
}

bool AskPassword(HWND owner, NString& stored, HICON icon)
{
    bool right = false;
    {
        PASSWORD_DLG dialog(owner);
        dialog.SetStartIcon(icon);
        right = dialog.Show(owner) != 0 && dialog.Result() != IDCANCEL && dialog.EnteredText().Equals(stored);
    }
    stored.Wipe();
    return right;
}
