// The main dialog's part of hiding from a window's title bar, with the User Interface options
// the dialog acts on: the hook runs while the option or a close-box rule wants it, and each window it hands on is hidden as a double click in the list
// hides a window.
#include "app/main/MainDialog.h"

#include <wtsapi32.h>

#include "app/held/HideOps.h"
#include "dialogs/UiDialog.h"
#include "winbase/LateLibraries.h"
#include "winbase/ProgramEnd.h"

namespace {

// The most hides that wait for a menu's end; a click beyond them is dropped.
constexpr size_t kMostAfterMenu = 8;

} // namespace

void DIALOG::ReadInterfaceOptions()
{
    m_iconPerWindow = ReadIconPerWindow(Settings());
    m_minButtonHides = ReadMinButtonHide(Settings());
    m_hiddenMenu.SetComeBackAtPointer(ReadRestoreAtPointer(Settings()));
    ConfigureTitleBar();
}

// Before the start has finished the hook waits (FinishStart sets it up with the options then in
// force). While the hook runs the dialog hears of the session's unlock (see TitleBarWake).
void DIALOG::ConfigureTitleBar()
{
    m_titleBar.Configure(Window(), m_startFinished && m_minButtonHides, m_startFinished ? m_closeRules
                                                                                        : std::vector<WindowCriteria>());
    const bool running = m_titleBar.IsRunning();
    if (running && !m_sessionNotices) {
        m_sessionNotices = LateWTSRegisterSessionNotification(Window(), NOTIFY_FOR_THIS_SESSION) != FALSE;
    } else if (!running && m_sessionNotices) {
        LateWTSUnRegisterSessionNotification(Window());
        m_sessionNotices = false;
    }
}

// The hook's thread has no timer of its own: it is asked to look at its hook on the wakes the
// dialog has anyway (its hotkeys, its tray icons, a command, the shown list's refresh), at most
// once in TitleBarHook::kCheckGapMs, and to set it again after a resume from sleep or an unlock
// of the session, when the system may have dropped it.
void DIALOG::TitleBarWake(UINT message, WPARAM wParam)
{
    switch (message) {
    case WM_HOTKEY:
    case WM_COPYDATA:
    case kTrayCallback:
    case kWindowIconCallback:
        m_titleBar.CheckHook();
        break;
    case WM_TIMER:
        if (wParam == RefreshSchedule::kRefreshTimer)
            m_titleBar.CheckHook();
        break;
    case WM_POWERBROADCAST:
        if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND)
            m_titleBar.SetHookAgain();
        break;
    case WM_WTSSESSION_CHANGE:
        if (wParam == WTS_SESSION_UNLOCK || wParam == WTS_CONSOLE_CONNECT || wParam == WTS_REMOTE_CONNECT)
            m_titleBar.SetHookAgain();
        break;
    }
}

// Any program can post the dialog this message: only a window the hook handed on is taken. While
// a menu of the dialog is open the menu is ended, as a click outside it would have ended it, and
// the hide waits for the menu's end (WM_EXITMENULOOP).
void DIALOG::OnTitleBarHide(HWND window, LPARAM button)
{
    if (button != static_cast<LPARAM>(TitleBarButton::Minimise) && button != static_cast<LPARAM>(TitleBarButton::Close))
        return;
    const auto which = static_cast<TitleBarButton>(button);
    if (!m_titleBar.TakeHandedOn(window, which))
        return;
    if (!m_inMenuLoop) {
        HideFromTitleBar(window, which);
        return;
    }
    if (m_titleBarAfterMenu.size() < kMostAfterMenu)
        m_titleBarAfterMenu.emplace_back(window, which);
    EndMenu();
}

// Each hide pumps: a menu opened meanwhile leaves the rest waiting for its own end.
void DIALOG::HideTitleBarsAfterMenu()
{
    std::vector<std::pair<HWND, TitleBarButton>> waiting;
    waiting.swap(m_titleBarAfterMenu);
    for (size_t i = 0; i < waiting.size(); ++i) {
        if (!IsWindow(Window()))
            return;
        if (m_inMenuLoop) {
            m_titleBarAfterMenu.insert(m_titleBarAfterMenu.end(), waiting.begin() + i, waiting.end());
            return;
        }
        HideFromTitleBar(waiting[i].first, waiting[i].second);
    }
}

// The hook found the window may be acted on as it handed it on; it is hidden if it is still
// visible and the option or a close-box rule still wants it.
void DIALOG::HideFromTitleBar(HWND window, TitleBarButton button)
{
    if (ProgramEnding() || !IsWindowVisible(window))
        return;
    const bool wanted = (button == TitleBarButton::Minimise && m_titleBar.MinimiseButtonHides()) ||
                        (button == TitleBarButton::Close && m_titleBar.CloseRuleNames(window));
    if (!wanted)
        return;
    const bool hidden = HideWindowIntoMenu(window, m_hiddenMenu, [this](HWND) { TellHideRefused(); });
    if (!IsWindow(Window()))
        return;
    if (hidden && IsWindowVisible(Window()) && !IsIconic(Window()))
        m_candidates.Refresh();
    EntriesMayHaveChanged();
}
