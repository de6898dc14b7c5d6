#include "dialogs/UiDialog.h"

#include "res/UiDialogIds.h"
#include "settings/SettingsStore.h"
#include "shell/Links.h"
#include "text/Texts.h"

namespace {

constexpr char kProgramOptionsPath[] = "Software\\Quillfen\\Veilbox";

// Sub-keys and value names of the options this dialog edits.
constexpr char kCloseToTray[] = "CloseToTray";
constexpr char kMinimizeToTray[] = "MinimizeToTray";
constexpr char kPasswordKey[] = "Password";
constexpr char kUsePasswordValue[] = "UseSystrayPassword";
constexpr char kPasswordValue[] = "Password";

int32_t ReadFlag(SettingsKey key, const char* name)
{
    int32_t value = 0;
    key.ReadInt(name, value);
    return value;
}

}  // namespace

NString ReadLanguageChoice(const SettingsKey& optionsKey)
{
    NString locale("");
    if (!SettingsKey(optionsKey, kInterfaceKey).ReadText(kLanguageValue, locale) || locale.IsNull())
        return NString("");
    return locale;
}

bool ReadIconPerWindow(const SettingsKey& optionsKey)
{
    return ReadFlag(SettingsKey(optionsKey, kInterfaceKey), kIconPerWindowValue) != 0;
}

bool ReadMinButtonHide(const SettingsKey& optionsKey)
{
    int32_t value = 1;
    SettingsKey(optionsKey, kInterfaceKey).ReadInt(kMinButtonHideValue, value);
    return value != 0;
}

bool ReadRestoreAtPointer(const SettingsKey& optionsKey)
{
    return ReadFlag(SettingsKey(optionsKey, kInterfaceKey), kRestoreAtPointerValue) != 0;
}

UI::UI(HMODULE module, HWND parent, const char* optionsPath, const char* linkName, const char* description,
       const StartupFolders& startupFolders)
    : QF_MODALDIALOG(nullptr, IDD_UI, parent, module),
      m_optionsPath(optionsPath),
      m_linkName(linkName),
      m_description(description),
      m_module(module),
      m_startupFolders(startupFolders)
{
}

UI::~UI() = default;

INT_PTR UI::OnMessage(UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        Load();
    } else if (message == WM_COMMAND) {
        switch (wParam) {
        case IDC_UI_USE_PASSWORD:
            OnPasswordToggled();
            break;
        case IDOK:
            Save();
            EndDialog(Window(), IDOK);
            break;
        case IDCANCEL:
            EndDialog(Window(), IDCANCEL);
            break;
        default:
            break;
        }
    }
    return 0;
}

SettingsKey UI::OptionKey(const char* subKey) const
{
    return SettingsKey(SettingsKey(HKEY_CURRENT_USER, m_optionsPath.Text()), subKey);
}

bool UI::IsChecked(int id) const
{
    return IsDlgButtonChecked(Window(), id) == BST_CHECKED;
}

NString UI::StoredPassword() const
{
    NString password("");
    OptionKey(kPasswordKey).ReadText(kPasswordValue, password);
    return password;
}

void UI::Load()
{
    CheckDlgButton(Window(), IDC_UI_CLOSE_TO_TRAY, ReadFlag(OptionKey(kCloseToTray), kCloseToTray) ? BST_CHECKED : 0);
    CheckDlgButton(Window(), IDC_UI_MINIMIZE_TO_TRAY,
                   ReadFlag(OptionKey(kMinimizeToTray), kMinimizeToTray) ? BST_CHECKED : 0);
    const bool usePassword = ReadFlag(OptionKey(kPasswordKey), kUsePasswordValue) != 0;
    CheckDlgButton(Window(), IDC_UI_USE_PASSWORD, usePassword ? BST_CHECKED : 0);
    if (usePassword) {
        SetWindowTextA(Item(IDC_UI_PASSWORD), StoredPassword().Text());
    } else {
        EnableWindow(Item(IDC_UI_PASSWORD), FALSE);
    }
    const bool startsWithWindows = ShortcutPresent(ProgramShortcutTarget(m_module, m_linkName.Text()), m_startupFolders);
    CheckDlgButton(Window(), IDC_UI_START_WITH_WINDOWS, startsWithWindows ? BST_CHECKED : 0);
    CheckDlgButton(Window(), IDC_UI_ICON_PER_WINDOW,
                   ReadIconPerWindow(SettingsKey(HKEY_CURRENT_USER, m_optionsPath.Text())) ? BST_CHECKED : 0);
    CheckDlgButton(Window(), IDC_UI_MIN_BUTTON_HIDE,
                   ReadMinButtonHide(SettingsKey(HKEY_CURRENT_USER, m_optionsPath.Text())) ? BST_CHECKED : 0);
    CheckDlgButton(Window(), IDC_UI_RESTORE_AT_POINTER,
                   ReadRestoreAtPointer(SettingsKey(HKEY_CURRENT_USER, m_optionsPath.Text())) ? BST_CHECKED : 0);
    LoadLanguages();
    LoadThemes();
}

// The list's entries in the order of the stored numbers (ThemeChoice); the stored one is selected.
void UI::LoadThemes()
{
    HWND list = Item(IDC_UI_THEME);
    for (Tx text : {Tx::UiThemeDefault, Tx::UiThemeLight, Tx::UiThemeDark})
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(T(text)));
    const ThemeChoice stored = ReadThemeChoice(SettingsKey(HKEY_CURRENT_USER, m_optionsPath.Text()));
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(stored), 0);
}

ThemeChoice UI::ChosenTheme() const
{
    return ThemeChoiceFromStored(static_cast<int32_t>(SendMessageA(Item(IDC_UI_THEME), CB_GETCURSEL, 0, 0)));
}

// "Windows default" first, then each language the code page can show in its own name; the stored
// choice is selected (Windows default when it names no language offered).
void UI::LoadLanguages()
{
    HWND list = Item(IDC_UI_LANGUAGE);
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(T(Tx::UiLanguageDefault)));
    const NString stored = ReadLanguageChoice(SettingsKey(HKEY_CURRENT_USER, m_optionsPath.Text()));
    int selected = 0;
    int index = 0;
    for (const LanguageChoice& language : AvailableLanguages()) {
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(language.ownName.c_str()));
        ++index;
        if (_stricmp(stored.Text(), language.locale.c_str()) == 0)
            selected = index;
    }
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    m_languageShown = selected;
    m_languageStored = stored;
}

// Stores the choice and switches to it at once. A list left as it opened stores the choice it was
// opened with, so that one this system's code page cannot show (a settings file carried over from
// a newer Windows) is kept for the system that can.
void UI::SaveLanguage()
{
    const int selected = static_cast<int>(SendMessageA(Item(IDC_UI_LANGUAGE), CB_GETCURSEL, 0, 0));
    if (selected == m_languageShown) {
        OptionKey(kInterfaceKey).WriteText(kLanguageValue, m_languageStored.Text());
        SelectLanguage(m_languageStored.Text());
        return;
    }
    const std::vector<LanguageChoice> languages = AvailableLanguages();
    const std::string locale =
        selected >= 1 && selected <= static_cast<int>(languages.size()) ? languages[selected - 1].locale : "";
    OptionKey(kInterfaceKey).WriteText(kLanguageValue, locale.c_str());
    SelectLanguage(locale);
}

// Ticking the box shows the stored password again, not what was typed before
// it was unticked.
void UI::OnPasswordToggled()
{
    HWND edit = Item(IDC_UI_PASSWORD);
    if (IsChecked(IDC_UI_USE_PASSWORD)) {
        SetWindowTextA(edit, StoredPassword().Text());
        EnableWindow(edit, TRUE);
    } else {
        SetWindowTextA(edit, "");
        EnableWindow(edit, FALSE);
    }
}

// The options first, as one write of the settings file; the shortcut, the language and the theme
// after it, outside that write, as the shortcut's calls may pump messages. The theme reaches every
// open dialog at once.
void UI::Save()
{
    const ThemeChoice theme = ChosenTheme();
    SaveOptions();
    SetStartWithWindows(IsChecked(IDC_UI_START_WITH_WINDOWS), ProgramShortcutTarget(m_module, m_linkName.Text()),
                        m_description.Text(), m_startupFolders);
    SaveLanguage();
    FollowThemeChoice(theme);
}

// The ticked options and the password, one write of the settings file. An unticked password box
// erases the stored password. Nothing here pumps messages, so nothing else waits for the write.
void UI::SaveOptions()
{
    const SettingsBatch batch;
    OptionKey(kCloseToTray).WriteInt(kCloseToTray, IsChecked(IDC_UI_CLOSE_TO_TRAY) ? 1 : 0);
    OptionKey(kMinimizeToTray).WriteInt(kMinimizeToTray, IsChecked(IDC_UI_MINIMIZE_TO_TRAY) ? 1 : 0);
    const bool usePassword = IsChecked(IDC_UI_USE_PASSWORD);
    SettingsKey password = OptionKey(kPasswordKey);
    password.WriteInt(kUsePasswordValue, usePassword ? 1 : 0);
    const NString typed = usePassword ? NString::FromWindowText(Item(IDC_UI_PASSWORD)) : NString("");
    password.WriteText(kPasswordValue, typed.IsNull() ? "" : typed.Text());
    OptionKey(kInterfaceKey).WriteInt(kIconPerWindowValue, IsChecked(IDC_UI_ICON_PER_WINDOW) ? 1 : 0);
    OptionKey(kInterfaceKey).WriteInt(kMinButtonHideValue, IsChecked(IDC_UI_MIN_BUTTON_HIDE) ? 1 : 0);
    OptionKey(kInterfaceKey).WriteInt(kRestoreAtPointerValue, IsChecked(IDC_UI_RESTORE_AT_POINTER) ? 1 : 0);
    OptionKey(kInterfaceKey).WriteInt(kThemeValue, static_cast<int32_t>(ChosenTheme()));
}

void ShowUserInterfaceDialog(HMODULE module, HWND parent, const char* optionsPath, const char* linkName,
                             const char* description)
{
    UI dialog(module, parent, optionsPath, linkName, description, StartupFoldersFor(true));
    dialog.Show(parent);
}

void ShowProgramUserInterfaceDialog(HMODULE module, HWND parent)
{
    ShowUserInterfaceDialog(module, parent, kProgramOptionsPath, kStartupLinkName, kStartupLinkDescription);
}
