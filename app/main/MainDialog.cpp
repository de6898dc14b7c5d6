#include "app/main/MainDialog.h"

#include <windowsx.h>

#include "app/main/DialogHides.h"
#include "app/main/EntryDrawing.h"
#include "app/OwnerDraw.h"
#include "dialogs/UiDialog.h"
#include "res/MainDialogIds.h"
#include "settings/SettingsStore.h"
#include "text/Texts.h"
#include "winbase/Dpi.h"
#include "winbase/ListEnterKey.h"
#include "winbase/OwnRecords.h"

namespace {

// The finder's picture and cursor at 96 DPI.
constexpr int kFinderPictureSize = 32;

// The menu's item data is taken for an entry only when it is the record the menu holds under
// the item's command id.
bool IsMenuItemData(const HiddenMenu& menu, UINT itemId, ULONG_PTR data)
{
    return data == 0 || reinterpret_cast<ULONG_PTR>(menu.EntryById(itemId)) == data;
}

} // namespace

DIALOG::DIALOG(HMODULE module, bool startInTray)
    : QF_TRAYDIALOG("Veilbox", IDD_MAIN, nullptr, module), m_startHidden(startInTray)
{
    SelectLanguage(ReadLanguageChoice(Settings()).Text());
    FollowThemeChoice(ReadThemeChoice(Settings()));
}

DIALOG::~DIALOG() = default;

// The finder shows its picture, and the list its windows from the first refresh on; Enter in the
// list hides its selected window as a double click does.
void DIALOG::OnControlsMade()
{
    LoadFinderPictures();
    m_candidates.Attach(Item(IDC_MAIN_LIST), Window());
    EnterChoosesListRow(Item(IDC_MAIN_LIST));
}

// A start meant for the tray that shows at once (no tray) has made its controls only after its
// initialisation: the focus goes to the list then, where the dialog manager would give it to the
// first button in the tab order, Options, which would then take Enter.
void DIALOG::OnInitDone()
{
    HWND list = Item(IDC_MAIN_LIST);
    if (list && !m_startHidden && GetFocus() != list)
        SetFocus(list);
}

void DIALOG::OnInit()
{
    m_dragging = false;
    m_windowIcons.Attach(Window());
    SetSettingsFailureNotice(Window(), kSettingsUnwritten);
    ReadInterfaceOptions();
    m_hiddenMenu.Create(Window());
    m_held.Recover(m_hiddenMenu);
    // From here on every change of the menu is in the records before a window is hidden and
    // before anything could pump messages (Recover stores for itself).
    m_hiddenMenu.SetChangeHandler([this] { m_held.Sync(m_hiddenMenu); });
    BuildHotkeys();
    m_oneItemMenu.reset(LoadMenuA(Module(), MAKEINTRESOURCEA(IDM_ONE_ITEM)));
    m_oneItemPopup = m_oneItemMenu ? GetSubMenu(m_oneItemMenu.get(), 0) : nullptr;
    m_oneItemTexts.Take(m_oneItemPopup);
    // The list is filled when the dialog first shows.
    m_refreshSchedule.Start(Window());
    EntriesMayHaveChanged();
    StartRules(false);
    m_commands.Attach(Window());
    SetTimer(Window(), kFinishStartTimer, kFinishStartLatestMs, nullptr);
    // Hidden only where the tray icon can bring the dialog back; that icon answers clicks from now.
    if (m_startHidden && (IsTrayUnavailable() || !StartInTray()))
        m_startHidden = false;
    // A dialog that shows at once starts with the focus in the list, and Hide Me stays the button
    // Enter presses elsewhere (the dialog manager would give the focus to the first button in
    // the tab order, Options, which would then take Enter).
    if (HWND list = Item(IDC_MAIN_LIST); list && !m_startHidden)
        SetFocus(list);
}

void DIALOG::OnDestroy()
{
    SetSettingsFailureNotice(nullptr, 0);
    m_commands.Stop();
    m_hotkeys.UnregisterAll(Settings(), Window());
    m_ruleKeys.Release();
    DestroyHelpPopups();
    m_refreshSchedule.Stop();
    StopRules();
    m_minButtonHides = false;
    m_closeRules.clear();
    ConfigureTitleBar();
    m_candidates.Clear();
    m_windowIcons.RemoveAll();
    m_hiddenMenu.SetChangeHandler(nullptr);
    m_hiddenMenu.ReleaseAll();
    m_held.Clear();
    m_oneItemPopup = nullptr;
    m_oneItemMenu.reset();
    ReleaseFinderPictures();
}

// Only icons shown for entries still in the menu act, and the shell's second report of a click
// does not: a left click, Enter or Space chooses the entry as the menu does; a right click opens
// the menu as on the program's own icon, the context-menu key at the icon with its first entry
// selected.
void DIALOG::OnWindowIconMessage(WPARAM wParam, LPARAM lParam)
{
    const WindowTrayIcons::Report report = m_windowIcons.Take(wParam, lParam, m_hiddenMenu);
    if (report.commandId == 0)
        return;
    if (report.event == WM_LBUTTONUP || report.event == NIN_SELECT || report.event == NIN_KEYSELECT)
        PostMessageA(Window(), WM_COMMAND, report.commandId, 0);
    else if (report.event == WM_RBUTTONUP)
        PostMessageA(Window(), kTrayCallback, 0, WM_RBUTTONUP);
    else if (report.event == WM_CONTEXTMENU)
        PostMessageA(Window(), kWindowIconMenuKey, wParam, 0);
}

// Any program can set the item data of the list's entries, and send the dialog WM_DRAWITEM with
// a structure of its choosing (the base passes on only one that lies on this thread's stack).
// Item data is drawn only once found among the records the list or the menu owns; no data (0) is
// never read. The menu's fixed items the base draws itself.
INT_PTR DIALOG::OnDrawItem(WPARAM control, const DRAWITEMSTRUCT& item)
{
    if (control == IDC_MAIN_LIST && item.CtlType == ODT_LISTBOX) {
        if (item.itemData == 0 || m_candidates.OwnedRecord(item.itemData))
            DrawCandidateEntry(item, CurrentTheme().ListRows(), Dpi());
    } else if (control == 0 && item.CtlType == ODT_MENU && IsMenuItemData(m_hiddenMenu, item.itemID, item.itemData)) {
        DrawMenuEntry(item, CurrentTheme().MenuRows(), Dpi());
    }
    return TRUE;
}

INT_PTR DIALOG::OnMeasureItem(WPARAM control, MEASUREITEMSTRUCT& item)
{
    if (control == IDC_MAIN_LIST)
        MeasureCandidateEntry(item, Dpi());
    else if (control == 0 && item.CtlType == ODT_MENU && IsMenuItemData(m_hiddenMenu, item.itemID, item.itemData))
        MeasureMenuEntry(item, Window(), Dpi());
    return TRUE;
}

// The finder control (an icon static) takes the size of the picture it is given. Pictures that
// cannot be loaded leave the ones there were.
void DIALOG::LoadFinderPictures()
{
    const int size = ScaleToDpi(kFinderPictureSize, Dpi());
    if (HCURSOR cursor = LoadCursorAtSize(Module(), MAKEINTRESOURCEA(IDC_FINDER_CURSOR), size))
        m_finderCursor.reset(cursor);
    // The control shows the icon but does not own it.
    if (HICON icon = LoadIconAtSize(Module(), MAKEINTRESOURCEA(IDI_FINDER), size)) {
        SendMessageA(Item(IDC_MAIN_FINDER), STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
        m_finderIcon.reset(icon);
    }
}

void DIALOG::ReleaseFinderPictures()
{
    if (m_finderIcon)
        SendMessageA(Item(IDC_MAIN_FINDER), STM_SETICON, 0, 0);
    m_finderIcon.reset();
    m_finderCursor.reset();
}

void DIALOG::OnDpiChanged(UINT, UINT newDpi)
{
    ResizeListEntries(Item(IDC_MAIN_LIST), newDpi);
    RemeasureMenuEntries(m_hiddenMenu.Handle());
    LoadFinderPictures();
    if (m_helpPopups)
        m_helpPopups->SetDpi(newDpi);
}

INT_PTR DIALOG::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == TaskbarCreatedMessage())
        m_windowIcons.Restore();
    TitleBarWake(message, wParam);
    if (m_refreshSchedule.OnMessage(message, wParam, lParam))
        return 0;
    if (HeldForMenu(message, wParam, lParam))
        return 0;
    switch (message) {
    case WM_INITDIALOG:
        OnInit();
        break;
    case WM_COPYDATA:
        SetWindowLongPtrA(Window(), DWLP_MSGRESULT,
                          OnCopyData(wParam, reinterpret_cast<const COPYDATASTRUCT*>(lParam)));
        return TRUE;
    case kRunCommandsMessage:
        m_commands.RunQueued();
        break;
    case WM_SHOWWINDOW:
        if (wParam && !m_startFinished)
            SetTimer(Window(), kFinishStartTimer, USER_TIMER_MINIMUM, nullptr);
        if (wParam && m_popupsAwaitShow && !m_startHidden) {
            m_popupsAwaitShow = false;
            SetUpHelpPopups();
        }
        break;
    case WM_WINDOWPOSCHANGING:
        // Whoever shows the dialog of a start into the tray, it stays hidden and inactive until
        // restored.
        if (auto* position = StructOnThisStack<WINDOWPOS>(lParam); position && m_startHidden)
            position->flags = (position->flags & ~SWP_SHOWWINDOW) | SWP_NOACTIVATE;
        break;
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
            SetCursor(m_finderCursor.get());
        break;
    case WM_ENTERMENULOOP:
        m_inMenuLoop = true;
        m_commands.SetMenuOpen(true);
        PruneHiddenMenu(m_candidates, m_hiddenMenu);
        EntriesMayHaveChanged();
        break;
    case WM_EXITMENULOOP:
        m_inMenuLoop = false;
        m_commands.SetMenuOpen(false);
        // Events that came while the menu was open were left queued.
        PostMessageA(Window(), kRulesWake, 0, 0);
        PostHeldForMenu();
        if (!m_titleBarAfterMenu.empty())
            PostMessageA(Window(), kTitleBarAfterMenu, 0, 0);
        break;
    case WM_CONTEXTMENU:
        if (HWND list = Item(IDC_MAIN_LIST); list && reinterpret_cast<HWND>(wParam) == list)
            OnListContextMenu(lParam);
        break;
    case kTitleBarHide:
        OnTitleBarHide(reinterpret_cast<HWND>(wParam), lParam);
        break;
    case kTitleBarAfterMenu:
        HideTitleBarsAfterMenu();
        break;
    case kRulesWake:
        RunRules(wParam == kRulesWakeScan);
        break;
    case WM_COMMAND:
    case WM_HOTKEY:
        OnCommand(wParam, lParam);
        if (IsWindow(Window()))
            EntriesMayHaveChanged();
        break;
    case kWindowIconCallback:
        OnWindowIconMessage(wParam, lParam);
        break;
    case kWindowIconMenuKey:
        OpenTrayMenuFromKeyboard(TrayAnchor(wParam));
        break;
    case kSettingsUnwritten:
        TellSettingsUnwritten();
        break;
    case WM_TIMER:
        if (wParam == kRuleScanTimer) {
            RunRules(true);
        } else if (wParam == kFinishStartTimer) {
            FinishStart();
        } else if (wParam == kLaunchTimer) {
            m_commands.OnTimer();
        }
        break;
    }
    return 0;
}
