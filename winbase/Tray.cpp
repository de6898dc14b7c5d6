// The tray icon of a dialog that uses the tray: updating and removing it, and
// turning its mouse messages into the tray operations.
#include "winbase/WinBase.h"

// No icon is made yet: a dialog that uses the tray is told that there is no
// notification area, so it never hides itself into one.
void QF_WINBASE::UpdateTrayIcon(UINT)
{
    if (UsesTray()) {
        m_trayUnavailable = 1;
    }
}

void QF_WINBASE::RemoveTrayIcon() {}

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
