// The tray icon of a dialog that uses the tray: updating and removing it, and
// turning its mouse messages into the tray operations.
#include "winbase/WinBase.h"

#include <shellapi.h>

#include "winbase/LateLibraries.h"
#include "winbase/ProgramEnd.h"
#include "winbase/TrayRecord.h"

// Every update modifies the icon and adds it when it does not exist yet; the
// wide record carries the title whenever there is one.
void QF_WINBASE::UpdateTrayIcon(UINT parts)
{
    if (!UsesTray()) {
        return;
    }
    if (EarlyAddShows(parts)) {
        return;
    }
    // The first add ends before this update; what the messages handled meanwhile changed (the
    // window restored, or destroyed) is read after it. A shell that left it unanswered is not
    // asked again at once.
    if (!FinishTrayAdd() || !IsWindow(m_window) || (m_windowState != kStateMinimised && TrayOnlyWhenHidden())) {
        return;
    }
    m_trayUnavailable = 0;
    const WString wideTitle = TitleWide();
    bool shown = false;
    if (!wideTitle.IsEmpty()) {
        NOTIFYICONDATAW record = WideTrayRecord(m_window, parts, wideTitle.Text(), TrayMessage(), TrayPicture());
        if (m_trayAddAlongside && m_trayAdd.Begin(record))
            return;
        shown = LateShellNotifyIconW(NIM_MODIFY, &record) || LateShellNotifyIconW(NIM_ADD, &record);
    } else {
        const NString title = Title();
        NOTIFYICONDATAA record = NarrowTrayRecord(m_window, parts, title.Text(), TrayMessage(), TrayPicture());
        shown = LateShellNotifyIconA(NIM_MODIFY, &record) || LateShellNotifyIconA(NIM_ADD, &record);
    }
    if (!shown) {
        m_trayUnavailable = 1;
    }
}

// The first add begun as the window was made (OnWindowMade) shows this picture already: while the
// initial icon is taken it is neither asked for again nor waited for.
bool QF_WINBASE::EarlyAddShows(UINT parts) const
{
    return parts == kTrayPicture && m_trayAddAlongside && m_earlyTrayWindow && m_trayAdd.Pending() &&
           TrayPicture() == m_earlyTrayPicture;
}

bool QF_WINBASE::FinishTrayAdd()
{
    const TrayFirstAdd::Outcome outcome = m_trayAdd.Finish();
    if (outcome == TrayFirstAdd::Outcome::kRefused || outcome == TrayFirstAdd::Outcome::kNoAnswer)
        m_trayUnavailable = 1;
    return outcome != TrayFirstAdd::Outcome::kNoAnswer;
}

HICON QF_WINBASE::TrayPicture() const
{
    return m_icon == m_extractedIcon.get() && m_smallIcon ? m_smallIcon.get() : m_icon;
}

// The shell's answer is not needed: an icon that is already gone is fine.
void QF_WINBASE::RemoveTrayIcon()
{
    if (!UsesTray()) {
        return;
    }
    RemoveTrayIconOf(m_window);
}

void QF_WINBASE::RemoveTrayIconOf(HWND window)
{
    FinishTrayAdd();
    NOTIFYICONDATAA record = NarrowTrayRecord(window, kTrayTipAndMessage, "", 0, nullptr);
    record.uFlags = NIF_TIP;
    LateShellNotifyIconA(NIM_DELETE, &record);
}

void QF_WINBASE::ForgetEarlyTrayAdd()
{
    const HWND early = m_earlyTrayWindow;
    m_earlyTrayWindow = nullptr;
    m_earlyTrayPicture = nullptr;
    if (early && early != m_window) {
        RemoveTrayIconOf(early);
    }
}

void QF_WINBASE::OnIconChanged()
{
    if (m_busy) {
        return;
    }
    m_busy = 1;
    if (UsesTray()) {
        UpdateTrayIcon(kTrayPicture);
    }
    m_busy = 0;
}

// One tray action at a time: a message that arrives while a menu or dialog of
// an earlier one is open is ignored.
void QF_WINBASE::OnTrayCallback(LPARAM lParam)
{
    if (m_busy) {
        return;
    }
    m_busy = 1;
    switch (lParam) {
    case WM_RBUTTONUP:
        OnTrayRightClick();
        break;
    case WM_LBUTTONUP:
        RestoreFromTray();
        break;
    case WM_MBUTTONUP:
        OnTrayMiddleClick();
        break;
    case WM_LBUTTONDBLCLK:
        OnTrayDoubleClick();
        break;
    default:
        break;
    }
    m_busy = 0;
}

void QF_WINBASE::OnTrayRightClick()
{
    if (ProgramEnding()) {
        return;
    }
    HMENU menu = TrayMenu();
    if (!menu) {
        RestoreFromTray();
        return;
    }
    POINT cursor = {};
    GetCursorPos(&cursor);
    SetForegroundWindow(m_window);
    TrackPopupMenu(menu, 0, cursor.x, cursor.y, 0, m_window, nullptr);
    SetForegroundWindow(m_window);
    PostMessageA(m_window, WM_NULL, 0, 0);
}

void QF_WINBASE::RestoreFromTray()
{
    if (IsWindowVisible(m_window)) {
        SetForegroundWindow(m_window);
        return;
    }
    if (!CheckRestorePassword()) {
        return;
    }
    ShowWithConsole();
    SetForegroundWindow(m_window);
    if (TrayOnlyWhenHidden()) {
        RemoveTrayIcon();
    }
}
