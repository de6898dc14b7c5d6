// Closing and minimising a dialog that uses the tray into the tray, as the
// stored decision for the action or the user's answer to the query says, and
// a dialog that starts in the tray.
#include "winbase/WinBase.h"

#include "winbase/TrayDialogs.h"

namespace {

constexpr wchar_t kTrayQuestion[] = L"Would you like to hide the application and run it in the system tray?";

}  // namespace

// The action's value under its own sub-key: not 0 sends the window to the
// tray (after the notice), 0 lets the action proceed, absent asks the user.
// A window is hidden only once its tray icon exists, so it can always be
// brought back.
bool QF_WINBASE::GoToTray(const char* actionName)
{
    if (!UsesTray() || m_trayUnavailable) {
        return false;
    }
    SettingsKey action(m_settings, actionName);
    int32_t decision = 0;
    if (action.ReadInt(actionName, decision)) {
        if (decision == 0) {
            return false;
        }
        ShowTrayNotice(m_window, m_icon, m_settings, actionName);
    } else {
        QueryRequest request;
        request.owner = m_window;
        request.keyPath = m_settings.Path();
        request.name = actionName;
        request.text = kTrayQuestion;
        if (!AskQuery(request)) {
            return false;
        }
    }
    UpdateTrayIcon(kTrayAll);
    if (m_trayUnavailable) {
        return false;
    }
    HideWithConsole();
    return true;
}

bool QF_WINBASE::StartInTray()
{
    if (!UsesTray()) {
        return false;
    }
    const int32_t state = m_windowState;
    m_windowState = kStateMinimised;
    UpdateTrayIcon(kTrayAll);
    if (m_trayUnavailable) {
        m_windowState = state;
        return false;
    }
    return true;
}
