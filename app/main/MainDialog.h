// DIALOG: the main dialog, the program's one long-lived window. It runs modally from start-up to
// exit, lists the candidate windows, owns the hidden-window menu, the hotkeys and (through the
// window base) the tray icon, and turns every user action into the hiding operations.
#pragma once

#include <windows.h>

#include <memory>
#include <utility>
#include <vector>

#include "app/list/CandidateList.h"
#include "app/command/CommandServer.h"
#include "app/held/HeldWindows.h"
#include "app/held/HiddenMenu.h"
#include "app/held/UnlistedHides.h"
#include "app/list/RefreshSchedule.h"
#include "app/rules/RuleEngine.h"
#include "app/rules/RuleEvents.h"
#include "app/rules/RuleKeys.h"
#include "app/held/WindowTrayIcons.h"
#include "app/titlebar/TitleBarHook.h"
#include "hotkeys/HelpPopup.h"
#include "hotkeys/HotkeyTable.h"
#include "winbase/TrayDialog.h"
#include "winbase/ScopedHandles.h"

// The main dialog's title; a second start finds the running copy by it.
constexpr const char kMainDialogTitle[] = "Window Veilbox";
// The tray callback; also how a second start and the "Popup Menu" hotkey act on the dialog.
constexpr UINT kTrayCallback = WM_APP + 1;
// The callback of the hidden windows' own tray icons (see WindowTrayIcons).
constexpr UINT kWindowIconCallback = WM_APP + 16;
// Posted when the context-menu key (or Shift+F10) is pressed on such an icon: the menu of hidden
// windows opens at wParam's point (TrayAnchor) with its first entry selected.
constexpr UINT kWindowIconMenuKey = WM_APP + 17;
// Posted by the rules' event watch (wParam 0), and at start and after the rules changed
// (wParam kRulesWakeScan): the rules look at the windows.
constexpr UINT kRulesWake = WM_APP + 0x52;
constexpr WPARAM kRulesWakeScan = 1;
// The rules' once-a-second scan: a timer of its own, apart from the list's refresh.
// The dialog's other timers: 1 and 4 the list's refresh (RefreshSchedule), 2 the launch watch
// (CommandServer), kFinishStartTimer the start's last steps; each id has one owner.
constexpr UINT_PTR kRuleScanTimer = 0x52;
// Fires once the dialog has shown and painted (a timer's message comes after the paints), or after
// kFinishStartLatestMs when it is not shown: then the start's steps the first screen does not need
// are done (DIALOG::FinishStart).
constexpr UINT_PTR kFinishStartTimer = 0x57;
constexpr UINT kFinishStartLatestMs = 250;
// Posted by the title-bar hook: wParam the window to hide, lParam its TitleBarButton. Only a
// window the hook handed on a moment ago is hidden.
constexpr UINT kTitleBarHide = WM_APP + 0x54;
// Posted at a menu's end when title-bar hides waited for it.
constexpr UINT kTitleBarAfterMenu = WM_APP + 0x55;
// Posted by the settings store after its first failed write of the settings file: the user is
// told once, outside the write.
constexpr UINT kSettingsUnwritten = WM_APP + 0x56;

class DIALOG : public QF_TRAYDIALOG {
public:
    // startInTray: the dialog starts hidden in the notification area (when the tray icon can be
    // shown), as a copy started by a command does.
    explicit DIALOG(HMODULE module, bool startInTray = false);
    ~DIALOG() override;

    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnTrayMiddleClick() override;
    void RestoreFromTray() override;
    bool StartsHidden() const override { return m_startHidden; }
    bool IsScalable() const override { return true; }
    // A start into the tray makes the dialog's controls as it is first shown, or as Hide Active
    // first needs the list.
    bool MakesControlsWhenShown() const override { return true; }
    bool UsesTray() const override { return true; }
    UINT TrayMessage() const override { return kTrayCallback; }
    HMENU TrayMenu() const override { return m_hiddenMenu.Handle(); }
    NString Title() const override { return kMainDialogTitle; }

    // The environment variable that limits how the rules notice windows, for tests: "scan" (no
    // WinEvent hook) or "events" (no once-a-second scan). Unset, both run.
    static constexpr const char kRuleWatchVariable[] = "VEILBOX_RULE_WATCH";

    // For tests and the held-window records: the dialog's working parts.
    CandidateList& Candidates() { return m_candidates; }
    const RefreshSchedule& Schedule() const { return m_refreshSchedule; }
    HiddenMenu& Menu() { return m_hiddenMenu; }
    // After a change of language: the dialog's texts (grown to fit) and the menu's fixed items in
    // the language in use; the help popups follow when they are made again.
    void ShowTextsInLanguage();
    const HotkeyTable& Hotkeys() const { return m_hotkeys; }
    const HelpPopup* HelpPopups() const { return m_helpPopups.get(); }
    const WindowTrayIcons& WindowIcons() const { return m_windowIcons; }
    TitleBarHook& TitleBar() { return m_titleBar; }
    // True once the start's last steps are done: the help popups made and the title-bar hook set
    // as the options want. Until then the hook does not run and the dialog has no help popups.
    bool StartFinished() const { return m_startFinished; }

protected:
    void OnDpiChanged(UINT oldDpi, UINT newDpi) override;
    void OnControlsMade() override;
    void OnInitDone() override;
    // Owner drawing of the candidate list and the hidden-window menu's entries.
    INT_PTR OnDrawItem(WPARAM control, const DRAWITEMSTRUCT& item) override;
    INT_PTR OnMeasureItem(WPARAM control, MEASUREITEMSTRUCT& item) override;

private:
    void OnInit();
    void OnDestroy();
    // Tells the user that the settings file could not be written.
    void TellSettingsUnwritten();
    void OnCommand(WPARAM wParam, LPARAM lParam);
    // Requests from other processes (MainDialogRequests.cpp): the quit request and the command
    // line's; the result is WM_COPYDATA's answer.
    LRESULT OnCopyData(WPARAM wParam, const COPYDATASTRUCT* data);
    void OnQuitRequest();
    // The Restore Last, Restore All and Hide Program hotkeys.
    void RestoreLast();
    void RestoreAll();
    void HideProgram();
    // EntriesMayHaveChanged, TellHideRefused and HeldWindows live in MainDialogHeld.cpp, which
    // the other parts call and which calls none of them.
    // Brings everything that mirrors the menu's entries (the held-window records) up to date.
    // Called after anything that may have added or removed entries; cheap when nothing changed.
    void EntriesMayHaveChanged();
    // Reads the User Interface options the dialog itself acts on and sets the title bar's hook
    // to match (MainDialogTitleBar.cpp).
    void ReadInterfaceOptions();
    // A report of a hidden window's own tray icon (see WindowTrayIcons).
    void OnWindowIconMessage(WPARAM wParam, LPARAM lParam);
    // The finder's picture and cursor at the dialog's DPI.
    void LoadFinderPictures();
    void ReleaseFinderPictures();
    void OpenMenuFromHotkey();
    void ShowFromMenu();
    void VisitWebSite();
    // Tells the user that a window stayed visible (a program with higher rights).
    void TellHideRefused();
    // Takes the answers of programs whose hides were queued (see HiddenMenu::SettleQueuedHides).
    void SettleQueuedHides();
    // While a menu of the dialog is open, whatever would change the entries under the user's
    // pointer or put a message box over the menu waits: the hotkeys, a click on a hidden window's
    // own icon (or Enter or Space on it) and the answers of queued hides are kept (true) and posted
    // again, in the order they came, once the menu has closed (PostHeldForMenu). The Popup Menu
    // hotkey and a right click or the context-menu key on such an icon ask for the menu that is
    // open: they are dropped (true).
    bool HeldForMenu(UINT message, WPARAM wParam, LPARAM lParam);
    void PostHeldForMenu();
    void BuildHotkeys();
    // The help popups and the title-bar hook, which nothing needs in the first moments: made once
    // the dialog has shown, so that they do not delay its first appearance (see kFinishStartTimer).
    void FinishStart();
    void SetUpHelpPopups();
    void DestroyHelpPopups();
    void RunOptions();
    void RunHiddenWindows();
    void RunAbout();

    // Rules (MainDialogRules.cpp).
    // Reads the acting rules and starts or stops the scan and the hook to suit them; with lookNow
    // the first scan comes at once, else after the scan's interval (at start: once the dialog
    // shows, so that nothing it says comes before it).
    void StartRules(bool lookNow);
    void StopRules();
    // Handles the queued events, and with scan a pass over every window; then refreshes what
    // mirrors the menu and tells of refused hides.
    void RunRules(bool scan);
    RuleHideResult HideByRule(HWND window);
    // The rules' own hotkeys: registered once the start has finished (and at once after any
    // change of the rules from then on), released while a dialog that captures keys is open.
    void RegisterRuleKeys();
    // A rule's hotkey was pressed: its windows are hidden, brought back or to the front, or its
    // command is started (see ToggleMatching).
    void OnRuleKey(uint32_t id);
    // Title bar (MainDialogTitleBar.cpp): starts or stops the hook to suit the option and the
    // close-box rules, and hides a window its hook handed on; while a menu is open the menu is
    // ended and the hide waits for its end.
    void ConfigureTitleBar();
    // Asks the hook's thread to look at its hook on a wake the dialog has anyway.
    void TitleBarWake(UINT message, WPARAM wParam);
    void OnTitleBarHide(HWND window, LPARAM button);
    void HideTitleBarsAfterMenu();
    void HideFromTitleBar(HWND window, TitleBarButton button);
    std::vector<HWND> HeldWindows() const;
    void RunRulesDialog();
    // The main list's context menu; screen is where it was asked for (-1, -1: from the keyboard).
    void OnListContextMenu(LPARAM screen);
    void NewRuleLike(HWND window);

    // Finder tool (Finder.cpp).
    void FinderPress(int x, int y);
    void FinderDrop(int x, int y);
    // A drag that lost the mouse capture (or was cancelled) ends with nothing selected.
    void FinderCaptureLost();
    bool IsOnFinder(int x, int y) const;

    // Loaded for the dialog's DPI; owned.
    OwnedCursor m_finderCursor;
    OwnedIcon m_finderIcon;
    HiddenMenu m_hiddenMenu;
    // The windows hidden without an entry while this copy runs; the Hidden Windows dialog offers
    // them whatever they look like.
    UnlistedHides m_unlisted;
    WindowTrayIcons m_windowIcons{kWindowIconCallback};
    bool m_iconPerWindow = false;
    OwnedMenu m_oneItemMenu;
    // The first sub-menu of m_oneItemMenu, which owns it, and the records of its one item.
    HMENU m_oneItemPopup = nullptr;
    MenuTextItems m_oneItemTexts;
    bool m_dragging = false;
    HotkeyTable m_hotkeys;
    std::unique_ptr<HelpPopup> m_helpPopups;
    CandidateList m_candidates;
    RefreshSchedule m_refreshSchedule{m_candidates};
    HeldWindowStore m_held{kProgramKeyPath};
    RuleEngine m_rules{[this](HWND window) { return HideByRule(window); }};
    RuleEvents m_ruleWatch;
    RuleKeys m_ruleKeys;
    // The acting rules as StartRules last read them: their keys are registered from these.
    std::vector<Rule> m_actingRules;
    TitleBarHook m_titleBar{kTitleBarHide};
    bool m_minButtonHides = true;
    // The session's changes are told to the dialog (WTSRegisterSessionNotification).
    bool m_sessionNotices = false;
    std::vector<WindowCriteria> m_closeRules;
    bool m_ruleScan = true;
    bool m_ruleEvents = true;
    bool m_inMenuLoop = false;
    struct HeldMessage {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    // See HeldForMenu.
    std::vector<HeldMessage> m_heldForMenu;
    // Windows the title-bar hook handed on while a menu was open, hidden at its end.
    std::vector<std::pair<HWND, TitleBarButton>> m_titleBarAfterMenu;
    bool m_startHidden = false;
    bool m_startFinished = false;
    // The start finished while the dialog was hidden: the help popups come with its first show.
    bool m_popupsAwaitShow = false;
    CommandServer m_commands{m_hiddenMenu, [this] {
                                 m_candidates.Refresh();
                                 EntriesMayHaveChanged();
                             }};
};
