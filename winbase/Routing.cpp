// The base's handling of each message after WM_INITDIALOG, in front of the
// dialog's own OnMessage.
#include "winbase/WinBase.h"

#include "winbase/Dpi.h"
#include "winbase/OwnRecords.h"
#include "winbase/ThemedWindows.h"

namespace {

constexpr UINT_PTR kTimedBoxTimer = 0xFFFFFFFFu;
constexpr char kCloseAction[] = "CloseToTray";
constexpr char kMinimiseAction[] = "MinimizeToTray";

}  // namespace

INT_PTR QF_WINBASE::Route(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        if (wParam == kTimedBoxTimer) {
            KillTimer(m_window, kTimedBoxTimer);
            FitTimedMessageBox();
            return 0;
        }
        break;
    case WM_DESTROY:
        CleanUpOnDestroy();
        return OnMessage(message, wParam, lParam);
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        if (CurrentTheme().IsDark()) {
            return DarkColourAnswer(message, reinterpret_cast<HDC>(wParam));
        }
        return OnMessage(message, wParam, lParam);
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC: {
        if (CurrentTheme().IsDark()) {
            return DarkColourAnswer(message, reinterpret_cast<HDC>(wParam));
        }
        INT_PTR brush = 0;
        if (ColourOwnedControl(wParam, lParam, brush)) {
            return brush;
        }
        return OnMessage(message, wParam, lParam);
    }
    case WM_SHOWWINDOW:
        // Sent before ShowWindow shows the window; the dialog manager's own first show of a
        // dialog that stays hidden in the tray makes nothing.
        if (wParam && ControlsDeferred() && !StartsHidden()) {
            MakeDeferredControls();
        }
        return OnMessage(message, wParam, lParam);
    case WM_WINDOWPOSCHANGING:
        // Any other show (SetWindowPos, a maximise) of a dialog no longer kept hidden.
        if (ControlsDeferred() && !StartsHidden()) {
            const auto* position = StructOnThisStack<const WINDOWPOS>(lParam);
            if (position && (position->flags & SWP_SHOWWINDOW)) {
                MakeDeferredControls();
            }
        }
        return OnMessage(message, wParam, lParam);
    case WM_SIZE:
        if (IsScalable() && !IsIconic(m_window)) {
            ScaleChildren();
        }
        return OnMessage(message, wParam, lParam);
    case WM_SYSCOMMAND:
        return RouteSysCommand(wParam, lParam);
    case WM_DPICHANGED:
        // Announced while the controls are made (the window's own resizing may cross monitors):
        // taken once they are.
        if (m_makingControls) {
            m_dpiWhileMaking = LOWORD(wParam);
            return TRUE;
        }
        // Handled whole here: the dialog manager's own rescaling is switched off. Any program
        // can send or post the message with any lParam: a suggested rectangle anywhere but on
        // this thread's stack, where the system puts it, is not read.
        ChangeDpi(LOWORD(wParam), StructOnThisStack<const RECT>(lParam));
        return TRUE;
    case WM_ENTERIDLE:
        if (wParam == MSGF_MENU) {
            OnMenuIdle(lParam);
        }
        return OnMessage(message, wParam, lParam);
    case WM_INITMENUPOPUP:
        if (HIWORD(lParam) == 0) {
            ThemeMenuBackground(reinterpret_cast<HMENU>(wParam));
            break;
        }
        return RouteMenuPopup(wParam, lParam);
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
        return RouteOwnerDraw(message, wParam, lParam);
    case WM_MENUCHAR:
        return RouteMenuChar(wParam, lParam);
    case WM_SETTINGCHANGE:
        LookAtThemeAgain();
        return OnMessage(message, wParam, lParam);
    case WM_SYSCOLORCHANGE:
        LookAtThemeAgain();
        SendToChildren(message, wParam, lParam);
        return 0;
    case WM_PALETTECHANGED:
    case WM_PALETTEISCHANGING:
    case WM_QUERYNEWPALETTE:
        SendToChildren(message, wParam, lParam);
        return 0;
    default:
        break;
    }
    return GeneralChecks(message, wParam, lParam);
}

// Maximise and minimise save the placement with the state the window had
// before; a minimise that does not go to the tray answers 0 so that the
// dialog manager minimises the window itself.
INT_PTR QF_WINBASE::RouteSysCommand(WPARAM wParam, LPARAM lParam)
{
    switch (wParam & 0xFFF0) {
    case SC_MAXIMIZE:
        SavePlacement();
        m_windowState = kStateMaximised;
        return OnMessage(WM_SYSCOMMAND, wParam, lParam);
    case SC_MINIMIZE:
        SavePlacement();
        m_windowState = kStateMinimised;
        return GoToTray(kMinimiseAction) ? 1 : 0;
    case SC_RESTORE:
        m_windowState = kStateNormal;
        return OnMessage(WM_SYSCOMMAND, wParam, lParam);
    default:
        break;
    }
    const UINT alwaysOnTop = AlwaysOnTopCommandId();
    if (alwaysOnTop != 0 && wParam == alwaysOnTop) {
        ToggleAlwaysOnTop();
        return 1;
    }
    return OnMessage(WM_SYSCOMMAND, wParam, lParam);
}

// Only the window's own system menu is the base's; other system-flagged menus
// are the dialog's.
INT_PTR QF_WINBASE::RouteMenuPopup(WPARAM wParam, LPARAM lParam)
{
    if (reinterpret_cast<HMENU>(wParam) != GetSystemMenu(m_window, FALSE)) {
        return OnMessage(WM_INITMENUPOPUP, wParam, lParam);
    }
    CheckAlwaysOnTopItem();
    return 1;
}

INT_PTR QF_WINBASE::GeneralChecks(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == TrayMessage()) {
        OnTrayCallback(wParam, lParam);
        return OnMessage(message, wParam, lParam);
    }
    if (message == WM_CLOSE) {
        if (!UsesTray()) {
            return OnMessage(message, wParam, lParam);
        }
        // Saved first, as for a minimise: a window closed in its normal state
        // reopens where it was closed.
        SavePlacement();
        m_windowState = kStateMinimised;
        if (GoToTray(kCloseAction)) {
            return 1;
        }
        // Not to the tray: the close ends the dialog by destroying its window.
        return DefWindowProcA(m_window, WM_CLOSE, 0, 0);
    }
    if (message == TaskbarCreatedMessage()) {
        // A new shell has no icon: the one added again is asked for its version again.
        m_trayVersionAsked = m_trayVersion4 = false;
        UpdateTrayIcon(kTrayAll);
    }
    return OnMessage(message, wParam, lParam);
}

// Everything but edit controls is painted with the brush the owner uses for
// its static texts, on the dialog's control background colour.
bool QF_WINBASE::ColourOwnedControl(WPARAM deviceContext, LPARAM control, INT_PTR& brush)
{
    if (!m_parent) {
        return false;
    }
    NString className = NString::FromClassName(reinterpret_cast<HWND>(control));
    className.ToUpper();
    if (className.Contains("EDIT")) {
        return false;
    }
    const WindowDc ownDc(m_window);
    const LRESULT answer = SendMessageA(m_parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(ownDc.get()),
                                        reinterpret_cast<LPARAM>(m_window));
    HDC dc = reinterpret_cast<HDC>(deviceContext);
    SetBkMode(dc, TRANSPARENT);
    SetBkColor(dc, ControlBackColor());
    brush = static_cast<INT_PTR>(answer);
    return true;
}

void QF_WINBASE::SendToChildren(UINT message, WPARAM wParam, LPARAM lParam)
{
    for (HWND child = GetWindow(m_window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        SendMessageA(child, message, wParam, lParam);
    }
}

void QF_WINBASE::ToggleAlwaysOnTop()
{
    const bool topmost = (GetWindowLongPtrA(m_window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    SetWindowPos(m_window, topmost ? HWND_NOTOPMOST : HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void QF_WINBASE::CheckAlwaysOnTopItem()
{
    const bool topmost = (GetWindowLongPtrA(m_window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    CheckMenuItem(GetSystemMenu(m_window, FALSE), AlwaysOnTopCommandId(),
                  MF_BYCOMMAND | (topmost ? MF_CHECKED : MF_UNCHECKED));
}

// Runs before the dialog's own WM_DESTROY handling.
void QF_WINBASE::CleanUpOnDestroy()
{
    m_deferredItems.clear();
    if (UsesTray()) {
        RemoveTrayIcon();
    }
    SavePlacement();
    SendMessageA(m_window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_previousIcon));
    if (m_smallIcon) {
        SendMessageA(m_window, WM_SETICON, ICON_SMALL, 0);
    }
    m_font.reset();
}
