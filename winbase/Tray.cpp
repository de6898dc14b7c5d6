// The tray icon of a dialog that uses the tray: updating and removing it, and
// turning the shell's reports of clicks and keys on it into the tray operations.
#include "winbase/WinBase.h"

#include <shellapi.h>

#include "winbase/LateLibraries.h"
#include "winbase/ProgramEnd.h"
#include "winbase/TrayRecord.h"

namespace {

// A pop-up menu's window made by this thread.
bool IsOwnMenuWindow(HWND window)
{
    char className[8] = {};
    return IsWindow(window) && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId() &&
           GetClassNameA(window, className, sizeof className) && lstrcmpA(className, "#32768") == 0;
}

}  // namespace

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
    bool modified = false, added = false;
    if (!wideTitle.IsEmpty()) {
        NOTIFYICONDATAW record = WideTrayRecord(m_window, parts, wideTitle.Text(), TrayMessage(), TrayPicture());
        if (m_trayAddAlongside && m_trayAdd.Begin(record))
            return;
        modified = LateShellNotifyIconW(NIM_MODIFY, &record);
        added = !modified && LateShellNotifyIconW(NIM_ADD, &record);
    } else {
        const NString title = Title();
        NOTIFYICONDATAA record = NarrowTrayRecord(m_window, parts, title.Text(), TrayMessage(), TrayPicture());
        modified = LateShellNotifyIconA(NIM_MODIFY, &record);
        added = !modified && LateShellNotifyIconA(NIM_ADD, &record);
    }
    if (!modified && !added) {
        m_trayUnavailable = 1;
        return;
    }
    // An icon added anew has the first version.
    if (added) {
        m_trayVersionAsked = m_trayVersion4 = false;
    }
    if (parts & kTrayTipAndMessage) {
        AskTrayVersion();
    }
}

// An icon without its callback message reports nothing: the version is asked for once the icon
// has it, and then once for each icon the shell adds.
void QF_WINBASE::AskTrayVersion()
{
    if (m_trayVersionAsked) {
        return;
    }
    m_trayVersionAsked = true;
    m_trayVersion4 = AskTrayVersion4(m_window, 0);
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
    if (window == m_window)
        m_trayVersionAsked = m_trayVersion4 = false;
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

// One tray action at a time: a message that arrives while a menu or dialog of an earlier one is
// open is ignored. The own icon has id 0, so lParam is the event in either layout; any other
// lParam is not the icon's. A report with an anchor (wParam) to an icon of version 4 is the
// shell's: its second report of a click (TrayClickPairs) is dropped.
void QF_WINBASE::OnTrayCallback(WPARAM wParam, LPARAM lParam)
{
    if (lParam < 0 || lParam > 0xFFFF) {
        return;
    }
    const UINT event = static_cast<UINT>(lParam);
    if ((IsVersion4Event(event) && !m_trayVersion4) || !m_trayClicks.Admit(0, event, m_trayVersion4 && wParam != 0) ||
        m_busy) {
        return;
    }
    m_busy = 1;
    switch (event) {
    case WM_RBUTTONUP:
        OnTrayRightClick();
        break;
    case WM_CONTEXTMENU:
        OpenTrayMenu(TrayAnchor(wParam), true);
        break;
    case WM_LBUTTONUP:
    case NIN_SELECT:
    case NIN_KEYSELECT:
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
    m_trayClicks.Ended();
}

void QF_WINBASE::OpenTrayMenuFromKeyboard(POINT anchor)
{
    if (m_busy) {
        return;
    }
    m_busy = 1;
    OpenTrayMenu(anchor, true);
    m_busy = 0;
    m_trayClicks.Ended();
}

void QF_WINBASE::OnTrayRightClick()
{
    POINT cursor = {};
    GetCursorPos(&cursor);
    OpenTrayMenu(cursor, false);
}

void QF_WINBASE::OpenTrayMenu(POINT point, bool firstSelected)
{
    if (ProgramEnding()) {
        return;
    }
    HMENU menu = TrayMenu();
    if (!menu) {
        RestoreFromTray();
        return;
    }
    SetForegroundWindow(m_window);
    m_selectFirstEntry = firstSelected;
    TrackPopupMenu(menu, 0, point.x, point.y, 0, m_window, nullptr);
    m_selectFirstEntry = false;
    SetForegroundWindow(m_window);
    PostMessageA(m_window, WM_NULL, 0, 0);
}

// A menu opened from the keyboard shows where its choice is: its first entry is selected, as a
// Down key selects it. The key goes to the menu's own window: the one WM_ENTERIDLE names when
// that is a menu window of this thread, else the menu window this thread shows.
void QF_WINBASE::OnMenuIdle(LPARAM menuWindow)
{
    if (!m_selectFirstEntry) {
        return;
    }
    HWND window = reinterpret_cast<HWND>(menuWindow);
    if (!IsOwnMenuWindow(window)) {
        window = nullptr;
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND each, LPARAM found) {
                if (!IsOwnMenuWindow(each) || !IsWindowVisible(each))
                    return TRUE;
                *reinterpret_cast<HWND*>(found) = each;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&window));
    }
    if (window) {
        m_selectFirstEntry = false;
        PostMessageA(window, WM_KEYDOWN, VK_DOWN, 0);
    }
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
