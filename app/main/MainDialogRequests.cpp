// The main dialog's answers to other processes (the installer's quit request, the command line)
// and the hotkeys that act on many windows at once.
#include "app/main/MainDialog.h"

#include "app/held/HeldBatch.h"
#include "app/SingleInstance.h"
#include "res/MainDialogIds.h"
#include "winbase/ProgramEnd.h"

namespace {

// How long a quit request leaves the loops inside the dialog to return before the process ends
// regardless.
constexpr DWORD kQuitBackstopMs = 1000;
// The exit code of a process the backstop ended, which tells it from a normal end (0).
constexpr UINT kBackstopExitCode = 1;

} // namespace

LRESULT DIALOG::OnCopyData(WPARAM wParam, const COPYDATASTRUCT* data)
{
    if (!data)
        return FALSE;
    if (data->dwData == kQuitRequest) {
        OnQuitRequest();
        return TRUE;
    }
    return m_commands.Take(*data, reinterpret_cast<HWND>(wParam)) ? TRUE : FALSE;
}

// The quit request of an installer ends the program within a second whatever is open: the held
// windows are shown at once, the menu and every dialog and message box are ended, and the
// dialog ends as soon as the loops inside it have returned. Nothing of ours is freed here, so
// the code after each of those loops runs on live objects; it opens nothing new (see
// ProgramEnd.h). Should a loop not return, the backstop ends the process: by then every held
// window is visible.
void DIALOG::OnQuitRequest()
{
    ReplyMessage(TRUE);
    if (ProgramEnding())
        return;
    BeginProgramEnd();
    UncoverHeldWindows(m_hiddenMenu);
    EndModalLoops(Window());
    EndDialog(Window(), 1);
    EndProcessAfter(kQuitBackstopMs, kBackstopExitCode);
}

// A start into the tray stays kept hidden until a restore really shows the dialog: a refused or
// cancelled password leaves it so, and no other program's show gets past it. Its first show puts
// the focus in the list, as a dialog shown at start has it.
void DIALOG::RestoreFromTray()
{
    const bool keptHidden = m_startHidden;
    m_startHidden = false;
    QF_MODALDIALOG::RestoreFromTray();
    if (keptHidden && IsWindow(Window()) && !IsWindowVisible(Window()))
        m_startHidden = true;
    else if (HWND list = Item(IDC_MAIN_LIST); keptHidden && list && IsWindowVisible(Window()))
        SetFocus(list);
}

void DIALOG::RestoreLast()
{
    if (RestoreLastHeld(m_hiddenMenu))
        m_candidates.Refresh();
}

void DIALOG::RestoreAll()
{
    if (!ShowHeldWindows(m_hiddenMenu).empty())
        m_candidates.Refresh();
}

// As Hide Active does, the dialog itself in front goes to the tray; windows that stay visible
// are reported once, after the whole program was tried.
void DIALOG::HideProgram()
{
    BatchHide outcome;
    if (!HideForegroundProgram(m_hiddenMenu, outcome)) {
        SendMessageA(Window(), WM_CLOSE, 0, 0);
        return;
    }
    if (!outcome.hidden.empty())
        m_candidates.Refresh();
    if (outcome.refused > 0)
        TellHideRefused();
}
