// Closing and minimising a dialog that uses the tray into the tray, as the
// stored decision for the action or the user's answer to the query says, and
// a dialog that starts in the tray.
#include "winbase/WinBase.h"

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
        TellGoneToTray(actionName);
    } else if (!AskGoToTray(actionName)) {
        return false;
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

bool QF_WINBASE::AskGoToTray(const char*)
{
    return false;
}

void QF_WINBASE::TellGoneToTray(const char*) {}
