// QF_WINBASE: the object behind every dialog window of the program.
//
// A dialog object is bound to its window by the one dialog procedure at
// WM_INITDIALOG (from this thread's dialog manager, for an object that exists;
// once: a later WM_INITDIALOG runs no set-up) and found again in the program's own table of bound dialogs until
// WM_NCDESTROY or the object's end; never through a value the window holds,
// which any program can change (its DWLP_USER data). Before that, the object
// whose dialog the dialog manager is making hears of its window once, as the
// window gets its font and before the controls are made (OnWindowMade: only
// a start into the tray acts on it). Every message goes first
// through the base's own handling (timed message box, cleanup, the theme's
// colours and the colours of owned dialogs, layout, placement, tray,
// always-on-top, palette broadcast) and then, unless the base consumed it, to
// OnMessage. Owner drawing never reaches OnMessage: WM_DRAWITEM and
// WM_MEASUREITEM come to OnDrawItem and OnMeasureItem only with a structure
// that lies on this thread's stack, after the base drew the text items of the
// program's menus (winbase/MenuItems.h). No exception ever
// leaves the dialog procedure: it becomes the result 0 (-1 for
// WM_INITDIALOG) and the dialog keeps running.
//
// The object must outlive its window; dialogs are usually locals of the code
// that shows them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <vector>

#include "settings/SettingsKey.h"
#include "winbase/DialogTemplate.h"
#include "winbase/ScopedHandles.h"
#include "winbase/Theme.h"
#include "winbase/TrayEvents.h"
#include "winbase/TrayFirstAdd.h"
#include "text/NString.h"
#include "text/WString.h"

class QF_WINBASE {
public:
    // Window states, as stored with the placement.
    static constexpr int32_t kStateMaximised = 0;
    static constexpr int32_t kStateMinimised = 1;  // also: hidden in the tray
    static constexpr int32_t kStateNormal = 2;

    // Parts of the tray icon an update refreshes; they combine.
    static constexpr UINT kTrayTipAndMessage = 1;
    static constexpr UINT kTrayPicture = 2;
    static constexpr UINT kTrayAll = 3;

    // The message TrayMessage() returns when the dialog takes no tray
    // callback.
    static constexpr UINT kNoTrayMessage = 0xFFFFFFFFu;

    // keyName may be null: the settings key is then the maker's root
    // "Software\Quillfen"; otherwise "Software\Quillfen\<keyName>" under
    // HKEY_CURRENT_USER. parent may be null. module holds the dialog's
    // template, icons and bitmaps.
    QF_WINBASE(const char* keyName, HWND parent, HMODULE module);
    QF_WINBASE(const QF_WINBASE&) = delete;
    QF_WINBASE& operator=(const QF_WINBASE&) = delete;

    // The dialog's own message handler; its result is the dialog procedure's
    // result for every message the base does not consume.
    virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // Called at the very end of the WM_INITDIALOG processing.
    virtual void OnInitDone();
    // Builds the user font, gives it to every child control and returns it;
    // the object owns it.
    virtual HFONT CreateUserFont();
    // Gives font to the window and every child, re-lays the children of a
    // scalable dialog and repaints.
    virtual void ApplyFont(HFONT font);
    // Refreshes the tray icon's picture; ignored while a tray action runs.
    virtual void OnIconChanged();
    // Opens TrayMenu() at the cursor; restores the window when there is none.
    virtual void OnTrayRightClick();
    // Shows the window again (after the restore password, if one is set).
    // A visible window is only brought to the front.
    virtual void RestoreFromTray();
    virtual void OnTrayMiddleClick();
    virtual void OnTrayDoubleClick();
    // The dialog's control with this id, or null.
    virtual HWND Item(int id) const;
    // Called after the proportional layout has given a status bar its height.
    virtual void OnStatusBarSized(HWND statusBar);
    // Called at the end of a DPI change, once the window has its new rectangle and the
    // controls their places and fonts: the dialog brings its own pictures and sizes along.
    virtual void OnDpiChanged(UINT oldDpi, UINT newDpi);
    virtual bool IsScalable() const;
    // The template whose catalogue texts the dialog shows (winbase/DialogTexts.h); 0 for none.
    virtual int TextTemplateId() const;
    // Shows the dialog's texts in the language in use now, grown to fit, and takes the new
    // places as the proportional layout's reference (DialogProc.cpp).
    void ReapplyTexts();
    virtual bool UsesTray() const;
    virtual bool TrayOnlyWhenHidden() const;
    // True for a dialog that starts hidden in the tray: it does not take the foreground.
    virtual bool StartsHidden() const;
    // True for a dialog whose start hidden in the tray makes its window only: its controls are
    // made as it is first shown (DeferredControls.cpp). False by default.
    virtual bool MakesControlsWhenShown() const;
    // Called once the template's controls exist and show their texts, before they are fitted to
    // them and laid out: in a dialog made whole, just before OnMessage(WM_INITDIALOG); in one made
    // without them, as they are made (at its first show, or right after OnMessage(WM_INITDIALOG)
    // when it shows after all).
    virtual void OnControlsMade();
    virtual UINT TrayMessage() const;
    virtual HMENU TrayMenu() const;
    virtual NString Title() const;
    // Title() in UTF-16; empty when Title() is empty.
    virtual WString TitleWide() const;
    // Text background of the controls of an owned dialog.
    virtual COLORREF ControlBackColor() const;
    // Owner drawing of the dialog's controls and menus, with the system's structure (see above);
    // the answer is the dialog procedure's. Both answer 0 by default.
    virtual INT_PTR OnDrawItem(WPARAM control, const DRAWITEMSTRUCT& item);
    virtual INT_PTR OnMeasureItem(WPARAM control, MEASUREITEMSTRUCT& item);
    // Called once the theme changed and the base has given the window and its controls the new
    // look: a dialog brings what it colours itself along.
    virtual void OnThemeChanged();
    virtual ~QF_WINBASE();
    // Always 0; part of the interface for derived dialogs.
    virtual int ReservedQuery() const;

    HWND Window() const { return m_window; }
    HWND Parent() const { return m_parent; }
    HMODULE Module() const { return m_module; }
    SettingsKey& Settings() { return m_settings; }
    const SettingsKey& Settings() const { return m_settings; }
    int32_t WindowState() const { return m_windowState; }
    void SetWindowState(int32_t state) { m_windowState = state; }
    HICON Icon() const { return m_icon; }
    // The DPI the window is drawn at (see winbase/Dpi.h); 0 before WM_INITDIALOG.
    UINT Dpi() const { return m_dpi; }
    bool IsTrayUnavailable() const { return m_trayUnavailable != 0; }

    // Makes icon the window's large icon and returns the icon the window had
    // before. The tray picture follows.
    HICON SetIcon(HICON icon);

    // A message box owned by the window (or by the parent while there is no
    // window), given the window's icon and centred over it shortly after it
    // opens. caption may be null; iconId is an icon resource of Module(), or
    // 0 for the style's own icon. Returns the button MessageBoxIndirectA
    // reports (0 when the box could not be shown, or the program is ending).
    int TimedMessageBox(const char* text, const char* caption, UINT style, UINT iconId);

    // Hides the window and the process's console window, if any. The window
    // state is left to the caller.
    void HideWithConsole();
    // Shows and restores the window and the console window, if any; the
    // window state becomes normal.
    void ShowWithConsole();
    // The control's window rectangle in the dialog's client coordinates; an
    // empty rectangle when there is no such control.
    RECT ControlRect(int id) const;

    // The dialog procedure every dialog of the program runs with.
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // The system command that toggles always-on-top; 0 until the first
    // dialog of the process has been initialised. Dialogs that want a menu
    // item for it append one with this id to their system menu.
    static UINT AlwaysOnTopCommandId();
    // The registered "TaskbarCreated" message; kNoTrayMessage until a dialog
    // that uses the tray has been initialised.
    static UINT TaskbarCreatedMessage();

    // The theme (winbase/Theme.h): the option's choice taken, or Windows' facts read again (on
    // WM_SETTINGCHANGE and WM_SYSCOLORCHANGE, which reach every top-level dialog, hidden ones
    // too); when the look changed, every open dialog of the process takes it at once
    // (DialogTheme.cpp).
    static void FollowThemeChoice(ThemeChoice choice);
    static void LookAtThemeAgain();

protected:
    void StoreParent(HWND parent) { m_parent = parent; }

    // Tray icon (Tray.cpp). Update adds the icon when it does not exist yet
    // and sets the tray-unavailable flag when the shell refuses it. While the
    // dialog is made and initialised the first update runs on a thread of its
    // own (TrayFirstAdd; for a start into the tray it begins as the window is
    // made, see OnWindowMade); every other use of the icon, and the end of the
    // initialisation, waits for it first (FinishTrayAdd: false when the
    // shell did not answer in time, which marks the tray unavailable).
    void UpdateTrayIcon(UINT parts);
    void RemoveTrayIcon();
    bool FinishTrayAdd();
    // Called as the dialog manager comes back: a first add begun for a window that was never
    // bound (the dialog's making failed after its window was made) is finished (which may mark
    // the tray unavailable) and the icon taken away again.
    void ForgetEarlyTrayAdd();
    // A TrayMessage() arrived, in either layout (TrayEvents.h): a click, or Enter, Space or the
    // context-menu key on the focused icon, does its operation; one tray action at a time.
    void OnTrayCallback(WPARAM wParam, LPARAM lParam);
    // What the context-menu key (or Shift+F10) on the icon does: TrayMenu() opens at anchor, the
    // icon's place, with its first entry selected (the window is restored when there is no menu).
    // One tray action at a time: ignored while another runs.
    void OpenTrayMenuFromKeyboard(POINT anchor);

    // Hides the window into the tray for the action ("CloseToTray",
    // "MinimizeToTray") when the settings or the user say so (CloseToTray.cpp).
    // True when the window went to the tray; never while the shell refuses
    // the tray icon.
    bool GoToTray(const char* actionName);
    // Puts a dialog that starts hidden into the tray: the window state becomes
    // "in the tray" and the icon gets its tip and callback message at once, as
    // a trip by the close box gives them, so a click on it brings the dialog.
    // False, with nothing changed, when the shell refuses the icon.
    bool StartInTray();

    // True when the window may come back from the tray: no password is
    // asked for, or the user typed it (Password.cpp). Refused at once while
    // another check of this process is running.
    bool CheckRestorePassword();

    // What the tray behaviour asks and tells the user; QF_TRAYDIALOG (TrayDialog.h) answers with
    // the layer's dialogs. The base itself has none: it refuses the restore when a password is
    // stored, keeps the window out of the tray when the user would be asked, and tells nothing.
    // True when the user typed the stored password.
    virtual bool AskRestorePassword(NString& stored);
    // True when the user wants the window in the tray for the action ("CloseToTray", ...).
    virtual bool AskGoToTray(const char* actionName);
    // The notice that the window went to the tray for the action.
    virtual void TellGoneToTray(const char* actionName);

    // Placement persistence (Placement.cpp).
    void SavePlacement();
    void StoreFirstPlacement();
    // Puts the window at its saved place, or centres it over its parent or
    // the desktop.
    void RestorePlacement();

    // Proportional layout of the direct children (Layout.cpp).
    void RecordChildLayout();
    void ScaleChildren();
    // Moves and sizes every direct child by newDpi / oldDpi (Layout.cpp).
    void ScaleChildrenForDpi(UINT oldDpi, UINT newDpi);

    // For a dialog about to be made: a copy of the template without its controls, which are kept
    // to be made as the dialog is first shown; empty when the dialog is to be made whole
    // (DeferredControls.cpp).
    std::vector<BYTE> TemplateWithoutControls(int templateId);
    // Makes the controls a dialog made without them still lacks; nothing once they exist, and
    // nothing before the dialog's window has had its first size. Any show of a dialog no longer
    // kept hidden (ShowWithConsole, WM_SHOWWINDOW, a SetWindowPos with SWP_SHOWWINDOW) calls it
    // before the window shows; a dialog that needs its controls while hidden may call it.
    void MakeDeferredControls();
    bool ControlsDeferred() const { return !m_deferredItems.empty(); }

    // A DPI change (DpiChange.cpp): the window takes the suggested rectangle (when there is
    // one), its controls their places and fonts at dpi. A DPI out of range changes nothing.
    void ChangeDpi(UINT dpi, const RECT* suggested);

private:
    INT_PTR InitDialog(WPARAM wParam, LPARAM lParam);
    // A WM_SETFONT to a window no object is bound to, and the dialog's window made before its
    // controls (DialogProc.cpp).
    static void OnFontOfUnboundWindow(HWND window);
    void OnWindowMade(HWND window);
    // Notes that the object exists (its constructor), and takes it out of the objects that exist
    // and of the table of bound dialogs (its destructor).
    static void Enlist(const QF_WINBASE* self);
    static void Unbind(const QF_WINBASE* self);
    void TakeInitialIcon();
    void MakeTemplateControls();
    // Notes the client area's size, before the placement (DialogProc.cpp).
    void RecordMadeSize();
    // The steps of MakeDeferredControls (DeferredControls.cpp).
    void LayOutDeferredControls(UINT dpiNow);
    void ResizeToMadeClient();
    RECT FittedAt(const RECT& corner, UINT dpi) const;
    // The process-wide ids (SharedIds.cpp), taken by the first dialog that needs them.
    static void RegisterTaskbarCreated();
    static void TakeAlwaysOnTopCommandId();
    INT_PTR Route(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR RouteSysCommand(WPARAM wParam, LPARAM lParam);
    INT_PTR RouteMenuPopup(WPARAM wParam, LPARAM lParam);
    INT_PTR GeneralChecks(UINT message, WPARAM wParam, LPARAM lParam);
    // True when the message was answered with the owner's brush in brush.
    bool ColourOwnedControl(WPARAM deviceContext, LPARAM control, INT_PTR& brush);
    // The theme (DialogTheme.cpp): the window, its controls and owned help popups take the look
    // in use; the owner-draw messages and the menus' keys.
    void ApplyTheme();
    static void TellDialogsOfTheme();
    INT_PTR RouteOwnerDraw(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR RouteMenuChar(WPARAM wParam, LPARAM lParam);
    void SendToChildren(UINT message, WPARAM wParam, LPARAM lParam);
    void ToggleAlwaysOnTop();
    void CheckAlwaysOnTopItem();
    void CleanUpOnDestroy();
    void FitTimedMessageBox();
    // True when the settings key is more than the maker's root key.
    bool HasOwnSettingsKey() const;
    bool AnyChildDisplaced() const;
    // Gives the controls that show the template's font that font at the current DPI.
    void ScaleTemplateFont();
    // The icon the tray shows: the small icon of the module when the window shows the
    // module's own icon.
    HICON TrayPicture() const;
    bool EarlyAddShows(UINT parts) const;
    // Finishes the first add and asks the shell to take away window's icon (id 0); its answer is
    // not needed.
    void RemoveTrayIconOf(HWND window);
    // After an update that gave the icon its callback message: asks the shell for version 4 (the
    // keyboard's reports) once for the icon as it now exists (m_trayVersionAsked).
    void AskTrayVersion();
    // Opens TrayMenu() at point (the dialog takes the foreground for it and keeps it after), with
    // firstSelected its first entry selected; restores the window when there is no menu.
    void OpenTrayMenu(POINT point, bool firstSelected);
    // A menu waits for input (WM_ENTERIDLE): the first entry of the menu OpenTrayMenu opened
    // with firstSelected is selected, once.
    void OnMenuIdle(LPARAM menuWindow);

    uint32_t m_trayUnavailable = 0;
    uint32_t m_busy = 0;
    // The shell was asked for version 4 since the icon was last added, and took it.
    bool m_trayVersionAsked = false;
    bool m_trayVersion4 = false;
    TrayClickPairs m_trayClicks;
    // A menu opened by OpenTrayMenu awaits its first entry's selection.
    bool m_selectFirstEntry = false;
    HWND m_parent;
    HWND m_window = nullptr;
    HMODULE m_module;
    HICON m_icon = nullptr;
    HICON m_previousIcon = nullptr;
    OwnedFont m_font;
    HFONT m_priorFont = nullptr;
    LOGFONTA m_fontDescription = {};
    RECT m_layoutReference = {};
    std::map<HWND, RECT> m_childLayout;
    NString m_messageCaption;
    SettingsKey m_settings;
    int32_t m_windowState = kStateNormal;
    // The icon this object extracted from a module file; destroyed with the
    // object, after the window has given it back.
    OwnedIcon m_extractedIcon;
    // The same icon at the notification area's size; destroyed with the object.
    OwnedIcon m_smallIcon;
    UINT m_dpi = 0;
    // The DPI the template was laid out at, and the template's font made for the current DPI
    // when that differs (owned).
    UINT m_creationDpi = 0;
    OwnedFont m_dpiFont;
    // True once the window was given the dark look: a light one then has something to undo.
    bool m_darkApplied = false;
    // True while the dialog's initial icon is taken: the tray's first add may run alongside.
    bool m_trayAddAlongside = false;
    // The window and picture of a first add begun as the window was made (OnWindowMade), until
    // the dialog manager comes back.
    HWND m_earlyTrayWindow = nullptr;
    HICON m_earlyTrayPicture = nullptr;
    // The controls of a dialog made without them, until they are made.
    std::vector<DialogItem> m_deferredItems;
    // The client area's size as the initialisation left it, before the placement: a dialog made
    // without its controls lays them out against it later, whatever its frame is then.
    SIZE m_madeClient = {};
    // A DPI the system announced while the controls were being made, taken once they are.
    UINT m_dpiWhileMaking = 0;
    // True while the deferred controls are being made, and while such a dialog, with no placement
    // stored, waits for them to store its first one (nothing of its placement is stored before).
    bool m_makingControls = false;
    bool m_placementAwaitsControls = false;
    // Last, so that it waits for its thread before the icons it shows are destroyed.
    TrayFirstAdd m_trayAdd;
};
