#include "winbase/TrayEvents.h"

#include <shellapi.h>

#include "winbase/LateLibraries.h"

bool AskTrayVersion4(HWND window, UINT id)
{
    NOTIFYICONDATAW record = {};
    record.cbSize = sizeof record;
    record.hWnd = window;
    record.uID = id;
    record.uVersion = NOTIFYICON_VERSION_4;
    return LateShellNotifyIconW(NIM_SETVERSION, &record) != FALSE;
}

bool IsVersion4Event(UINT event)
{
    return event == NIN_SELECT || event == NIN_KEYSELECT || event == WM_CONTEXTMENU;
}

POINT TrayAnchor(WPARAM wParam)
{
    POINT point = {static_cast<SHORT>(LOWORD(wParam)), static_cast<SHORT>(HIWORD(wParam))};
    if (wParam > 0xFFFFFFFFu || !MonitorFromPoint(point, MONITOR_DEFAULTTONULL)) {
        point = POINT{};
        GetCursorPos(&point);
    }
    return point;
}

bool TrayClickPairs::Admit(uint32_t icon, UINT event, bool fromShell)
{
    const bool sameClick = m_partner != 0 && event == m_partner && icon == m_icon && GetTickCount64() <= m_until;
    m_partner = 0;
    if (sameClick)
        return false;
    if (fromShell && (event == WM_LBUTTONUP || event == WM_RBUTTONUP)) {
        m_icon = icon;
        m_partner = event == WM_LBUTTONUP ? NIN_SELECT : WM_CONTEXTMENU;
        m_until = ~0ull;
    }
    return true;
}

void TrayClickPairs::Ended()
{
    if (m_until == ~0ull)
        m_until = GetTickCount64() + kSameClickMs;
}
