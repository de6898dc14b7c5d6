#include "app/MainDialog.h"

#include <windowsx.h>

#include "app/HideOps.h"
#include "app/OwnerDraw.h"
#include "res/MainDialogIds.h"

namespace {

constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshIntervalMs = 1000;
constexpr ULONG_PTR kQuitRequest = 1;

} // namespace

DIALOG::DIALOG(HMODULE module) : QF_MODALDIALOG("Veilbox", IDD_MAIN, nullptr, module) {}

DIALOG::~DIALOG() = default;

void DIALOG::OnInit()
{
    m_finderCursor = LoadCursorA(Module(), MAKEINTRESOURCEA(IDC_FINDER_CURSOR));
    m_dragging = false;
    m_hiddenMenu.Create(Window());
    m_held.Recover(m_hiddenMenu);
    m_windowBrush = GetSysColorBrush(COLOR_WINDOW);
    m_highlightBrush = GetSysColorBrush(COLOR_HIGHLIGHT);
    m_menuBrush = GetSysColorBrush(COLOR_MENU);
    BuildHotkeys();
    SetUpHelpPopups();
    m_oneItemMenu = LoadMenuA(Module(), MAKEINTRESOURCEA(IDM_ONE_ITEM));
    m_oneItemPopup = m_oneItemMenu ? GetSubMenu(m_oneItemMenu, 0) : nullptr;
    m_candidates.Attach(Item(IDC_MAIN_LIST), Window());
    m_candidates.Refresh();
    SetTimer(Window(), kRefreshTimer, kRefreshIntervalMs, nullptr);
}

void DIALOG::OnDestroy()
{
    m_hotkeys.UnregisterAll(Settings(), Window());
    DestroyHelpPopups();
    KillTimer(Window(), kRefreshTimer);
    m_candidates.Clear();
    m_hiddenMenu.ReleaseAll();
    m_held.Clear();
    if (m_oneItemMenu)
        DestroyMenu(m_oneItemMenu);
    m_oneItemMenu = m_oneItemPopup = nullptr;
    // The brushes are the system's colour brushes, which must not be deleted.
    m_windowBrush = m_highlightBrush = m_menuBrush = nullptr;
    // A cursor loaded from a resource is shared and freed with the module.
    m_finderCursor = nullptr;
}

void DIALOG::EntriesMayHaveChanged()
{
    m_held.Sync(m_hiddenMenu);
}

INT_PTR DIALOG::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInit();
        break;
    case WM_COPYDATA: {
        auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (data && data->dwData == kQuitRequest)
            EndDialog(Window(), 1);
        break;
    }
    case WM_DESTROY:
        OnDestroy();
        break;
    case WM_LBUTTONDOWN:
        FinderPress(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        break;
    case WM_LBUTTONUP:
        FinderDrop(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        break;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != Window())
            FinderCaptureLost();
        break;
    case kQueuedHideAnswered:
        SettleQueuedHides();
        break;
    case WM_MOUSEMOVE:
        if (m_dragging)
            SetCursor(m_finderCursor);
        break;
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (wParam == IDC_MAIN_LIST)
            DrawCandidateEntry(*item, m_windowBrush, m_highlightBrush);
        else
            DrawMenuEntry(*item, m_menuBrush, m_highlightBrush);
        break;
    }
    case WM_MEASUREITEM: {
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (wParam == IDC_MAIN_LIST)
            MeasureCandidateEntry(*item);
        else
            MeasureMenuEntry(*item, Window());
        break;
    }
    case WM_ENTERMENULOOP:
        PruneHiddenMenu(m_candidates, m_hiddenMenu);
        EntriesMayHaveChanged();
        break;
    case WM_COMMAND:
    case WM_HOTKEY:
        OnCommand(wParam, lParam);
        if (IsWindow(Window()))
            EntriesMayHaveChanged();
        break;
    case WM_TIMER:
        m_candidates.Refresh();
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE)
            m_candidates.Refresh();
        break;
    }
    return 0;
}
