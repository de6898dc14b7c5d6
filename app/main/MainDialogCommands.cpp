// The main dialog's command handler: buttons, keys, menu items and hotkeys all arrive here.
#include "app/main/MainDialog.h"

#include <algorithm>

#include "app/main/DialogHides.h"
#include "res/MainDialogIds.h"
#include "winbase/ProgramEnd.h"
#include "winbase/WindowOps.h"

namespace {

constexpr WPARAM kListDoubleClick = MAKEWPARAM(IDC_MAIN_LIST, LBN_DBLCLK);

} // namespace

// wParam is compared whole, so a notification code in its high word makes another command; the
// first matching row acts.
void DIALOG::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (wParam == IDC_MAIN_EXIT && m_dragging) {
        // Esc during a finder drag ends the drag, not the program.
        ReleaseCapture();
        FinderCaptureLost();
    } else if (wParam == IDC_MAIN_HIDE_ME) {
        PostMessageA(Window(), WM_CLOSE, 0, 0);
    } else if (wParam == IDC_MAIN_EXIT) {
        EndDialog(Window(), IDC_MAIN_EXIT);
    } else if (wParam == IDC_MAIN_HOTKEY_POPUP_MENU) {
        OpenMenuFromHotkey();
    } else if (wParam == kCmdExitFromMenu) {
        EndDialog(Window(), kCmdExitFromMenu);
    } else if (wParam == kCmdShowMainWindow) {
        ShowFromMenu();
    } else if (wParam == kCmdVisitWebSite) {
        VisitWebSite();
    } else if (LOWORD(wParam) == IDC_MAIN_LIST) {
        HWND list = Item(IDC_MAIN_LIST);
        if (wParam == kListDoubleClick && list && reinterpret_cast<HWND>(lParam) == list)
            HideSelectedCandidate(Window(), m_candidates, m_hiddenMenu, GetAsyncKeyState,
                                  [this](HWND) { TellHideRefused(); }, &m_unlisted);
    } else if (wParam == IDC_MAIN_HOTKEY_HIDE_ACTIVE) {
        // The window is found among the list's entries.
        MakeDeferredControls();
        HideActiveWindow(Window(), m_candidates, m_hiddenMenu, [this](HWND) { TellHideRefused(); });
    } else if (wParam == kRestoreLastHotkeyId) {
        RestoreLast();
    } else if (wParam == kRestoreAllHotkeyId) {
        RestoreAll();
    } else if (wParam == kHideProgramHotkeyId) {
        HideProgram();
    } else if (wParam == IDC_MAIN_OPTIONS) {
        RunOptions();
    } else if (wParam == IDC_MAIN_VIEW_HIDDEN) {
        RunHiddenWindows();
    } else if (wParam == IDC_MAIN_RULES) {
        RunRulesDialog();
    } else if (wParam >= kFirstEntryId) {
        UnhideMenuEntry(static_cast<UINT>(wParam), m_candidates, m_hiddenMenu);
    } else if (wParam == IDC_MAIN_ABOUT) {
        RunAbout();
    }
}

// The user is told last: the message box runs a message loop. While a menu of the dialog is open
// the answers wait (see HeldForMenu): a refused entry dropped then would leave the menu under the
// user's pointer, and the message would close the menu.
void DIALOG::SettleQueuedHides()
{
    const bool refused = !m_hiddenMenu.SettleQueuedHides().empty();
    EntriesMayHaveChanged();
    if (refused) {
        m_candidates.Refresh();
        TellHideRefused();
    }
}

bool DIALOG::HeldForMenu(UINT message, WPARAM wParam, LPARAM lParam)
{
    // Far more than a user presses while a menu is open; a flood beyond it is dropped.
    constexpr size_t kMostHeld = 64;
    if (!m_inMenuLoop)
        return false;
    // A hidden window's own icon, in either layout (WindowTrayIcons).
    const UINT iconEvent = message == kWindowIconCallback ? m_windowIcons.Read(wParam, lParam, m_hiddenMenu).event : 0;
    const bool iconMenu = iconEvent == WM_RBUTTONUP || iconEvent == WM_CONTEXTMENU || message == kWindowIconMenuKey;
    const bool iconClick =
        iconMenu || iconEvent == WM_LBUTTONUP || iconEvent == NIN_SELECT || iconEvent == NIN_KEYSELECT;
    // The word that the settings file could not be written waits for the menu, and is never dropped.
    const bool kept = message == kQueuedHideAnswered || message == kSettingsUnwritten;
    if (message != WM_HOTKEY && !kept && !iconClick)
        return false;
    const bool asksForMenu = (message == WM_HOTKEY && wParam == IDC_MAIN_HOTKEY_POPUP_MENU) || iconMenu;
    // A message held already is held once: a hotkey's repeats while its keys stay down are one
    // press. The answers of queued hides are never dropped, whatever else came: an entry whose
    // answer is lost would stay pending for good.
    const bool heldAlready = std::any_of(m_heldForMenu.begin(), m_heldForMenu.end(), [&](const HeldMessage& held) {
        return held.message == message && held.wParam == wParam && held.lParam == lParam;
    });
    if (!asksForMenu && !heldAlready && !ProgramEnding() && (kept || m_heldForMenu.size() < kMostHeld))
        m_heldForMenu.push_back({message, wParam, lParam});
    return true;
}

// Once the program is ending nothing waits for the menu any more: the held windows are being
// shown, and a hotkey or click posted now would act on them again.
void DIALOG::PostHeldForMenu()
{
    std::vector<HeldMessage> held;
    held.swap(m_heldForMenu);
    if (ProgramEnding())
        return;
    for (const HeldMessage& message : held)
        PostMessageA(Window(), message.message, message.wParam, message.lParam);
}

// The "Popup Menu" hotkey: the hidden-window menu opens at the pointer as a right click on the
// tray icon opens it, and the window that had the foreground gets it back afterwards.
void DIALOG::OpenMenuFromHotkey()
{
    HWND previous = GetForegroundWindow();
    SendMessageA(Window(), kTrayCallback, 0, WM_RBUTTONUP);
    SetForegroundWindow(previous);
}

void DIALOG::ShowFromMenu()
{
    SendMessageA(Window(), kTrayCallback, 0, WM_LBUTTONUP);
    SetForegroundWindow(Window());
}

// The one-item pop-up of a middle click on the tray icon; its item has no command behind it.
void DIALOG::OnTrayMiddleClick()
{
    POINT cursor = {};
    GetCursorPos(&cursor);
    SetForegroundWindow(Window());
    if (m_oneItemPopup && !ProgramEnding())
        TrackPopupMenu(m_oneItemPopup, TPM_LEFTBUTTON, cursor.x, cursor.y, 0, Window(), nullptr);
    SetForegroundWindow(Window());
    PostMessageA(Window(), WM_NULL, 0, 0);
}
