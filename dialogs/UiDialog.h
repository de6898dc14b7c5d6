// The User Interface options dialog: close to tray, minimise to tray, the
// restore password, start with Windows, a tray icon for each hidden window, the
// minimise button's right click, windows brought back at the pointer, the language and the theme
// (both take effect as OK is pressed).
// Values are read when it opens and written only on OK, each into its own
// sub-key of the options key.
#pragma once

#include <windows.h>

#include "settings/SettingsKey.h"
#include "shell/Shortcut.h"
#include "text/NString.h"
#include "winbase/ModalDialog.h"
#include "winbase/Theme.h"

// "Show each hidden window as its own tray icon": a REG_DWORD in the options
// key's sub-key Interface (kInterfaceKey), off when absent.
constexpr char kIconPerWindowValue[] = "IconPerWindow";

// "Right-click a minimise button to hide its window": a REG_DWORD in the same sub-key, on when
// absent.
constexpr char kMinButtonHideValue[] = "MinButtonHide";

// "Bring windows back on the monitor with the pointer": a REG_DWORD in the same sub-key, off when
// absent.
constexpr char kRestoreAtPointerValue[] = "RestoreAtPointer";

// The interface's language: a REG_SZ locale name ("de-DE") in the same sub-key; empty, absent or
// unknown means the language of Windows' display.
constexpr char kLanguageValue[] = "Language";

// The stored language choice ("" when none), read from the options key.
NString ReadLanguageChoice(const SettingsKey& optionsKey);
// Whether each hidden window has its own tray icon, read from the options key.
bool ReadIconPerWindow(const SettingsKey& optionsKey);
// Whether a right click on a window's minimise button hides it, read from the options key.
bool ReadMinButtonHide(const SettingsKey& optionsKey);
// Whether a window brought back comes back on the monitor under the pointer, read from the options key.
bool ReadRestoreAtPointer(const SettingsKey& optionsKey);

class UI : public QF_MODALDIALOG {
public:
    // optionsPath names the options key below HKEY_CURRENT_USER; linkName and
    // description describe the Startup shortcut to module's file, which is
    // looked for (and created or removed) in startupFolders.
    UI(HMODULE module, HWND parent, const char* optionsPath, const char* linkName, const char* description,
       const StartupFolders& startupFolders);
    ~UI() override;

    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Load();
    void LoadLanguages();
    void SaveLanguage();
    void LoadThemes();
    ThemeChoice ChosenTheme() const;
    void OnPasswordToggled();
    void Save();
    void SaveOptions();
    SettingsKey OptionKey(const char* subKey) const;
    bool IsChecked(int id) const;
    NString StoredPassword() const;

    NString m_optionsPath;
    NString m_linkName;
    NString m_description;
    HMODULE m_module;
    StartupFolders m_startupFolders;
    // The Language list's selection as the dialog opened, and the stored choice it stood for.
    int m_languageShown = 0;
    NString m_languageStored;
};

// Runs the dialog over parent with the Startup folders of the system
// (all users first, then the current user's).
void ShowUserInterfaceDialog(HMODULE module, HWND parent, const char* optionsPath, const char* linkName,
                             const char* description);

// The program's own use: its options key, shortcut name and description.
void ShowProgramUserInterfaceDialog(HMODULE module, HWND parent);
