// The User Interface options dialog on a throw-away options key and
// throw-away Startup folders, and Cancel on the program's own key and the
// system's Startup folders.
#include <gtest/gtest.h>

#include <windows.h>

#include <objbase.h>

#include <string>
#include <vector>

#include "dialogs/UiDialog.h"
#include "res/UiDialogIds.h"
#include "settings/SettingsKey.h"
#include "shell/Links.h"
#include "text/Texts.h"
#include "tests/support/ScriptedDialog.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestSupport.h"

namespace {

using Ui = ScriptedDialog<UI>;

// A throw-away options key of this process.
const std::string kTestKey = "Software\\Quillfen\\VeilboxUiDialogTest" + std::to_string(GetCurrentProcessId());
const char* const kTestOptions = kTestKey.c_str();

bool Checked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

std::string TextOf(HWND control)
{
    char text[256] = {};
    GetWindowTextA(control, text, sizeof(text));
    return text;
}

// Clicks an auto check box as the user would: its state flips and the
// dialog hears about it.
void Toggle(HWND dialog, int id)
{
    CheckDlgButton(dialog, id, Checked(dialog, id) ? BST_UNCHECKED : BST_CHECKED);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

class UiDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        m_guard.Clear();
        m_allUsers = m_temp.MakeFolder("AllUsers");
        m_user = m_temp.MakeFolder("User");
    }
    void TearDown() override { CoUninitialize(); }

    StartupFolders Folders() const { return StartupFolders{NString(m_allUsers.c_str()), NString(m_user.c_str())}; }

    // Runs the dialog over the throw-away key; returns its result.
    INT_PTR Run(Ui::Script script)
    {
        Ui dialog(std::move(script), GetModuleHandleA(nullptr), nullptr, kTestOptions, kStartupLinkName,
                  kStartupLinkDescription, Folders());
        dialog.Show(nullptr);
        return dialog.Result();
    }

    SettingsKey Key(const char* sub) const { return SettingsKey(SettingsKey(HKEY_CURRENT_USER, kTestOptions), sub); }
    int32_t Int(const char* sub, const char* name, int32_t missing = -1) const
    {
        int32_t value = missing;
        Key(sub).ReadInt(name, value);
        return value;
    }
    std::string Text(const char* sub, const char* name) const
    {
        NString value("<missing>");
        Key(sub).ReadText(name, value);
        return value.Text();
    }
    bool LinkIn(const std::string& folder) const { return TempFolder::Exists(folder + kStartupLinkName + ".lnk"); }
    ShortcutTarget Program() const { return ProgramShortcutTarget(GetModuleHandleA(nullptr), kStartupLinkName); }

    vbtest::RegistryKeyGuard m_guard{kTestOptions};
    TempFolder m_temp{"ui"};
    std::string m_allUsers;
    std::string m_user;
};

TEST_F(UiDialogTest, OpensWithDefaultsWhenNothingIsStored)
{
    bool ran = false;
    Run([&](Ui& dialog) {
        ran = true;
        const HWND w = dialog.Window();
        for (int id : {IDC_UI_CLOSE_TO_TRAY, IDC_UI_MINIMIZE_TO_TRAY, IDC_UI_USE_PASSWORD, IDC_UI_START_WITH_WINDOWS,
                       IDC_UI_RESTORE_AT_POINTER}) {
            EXPECT_FALSE(Checked(w, id)) << id;
        }
        EXPECT_TRUE(Checked(w, IDC_UI_MIN_BUTTON_HIDE)) << "the minimise button hides unless switched off";
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(w, IDC_UI_PASSWORD)));
        EXPECT_EQ("", TextOf(GetDlgItem(w, IDC_UI_PASSWORD)));
        return static_cast<WPARAM>(IDCANCEL);
    });
    EXPECT_TRUE(ran);
}

TEST_F(UiDialogTest, OpensWithTheStoredValues)
{
    Key("CloseToTray").WriteInt("CloseToTray", 1);
    Key("MinimizeToTray").WriteInt("MinimizeToTray", 1);
    Key("Password").WriteInt("UseSystrayPassword", 1);
    Key("Password").WriteText("Password", "s3cret");
    Key("Interface").WriteInt("MinButtonHide", 0);
    Key("Interface").WriteInt("RestoreAtPointer", 1);
    Key("Interface").WriteInt("Theme", 2);
    // A shortcut in the fallback folder counts as well.
    ASSERT_TRUE(CreateShortcut(Program(), "", nullptr, StartupFolders{NString(m_user.c_str()), NString()}));
    Run([&](Ui& dialog) {
        const HWND w = dialog.Window();
        for (int id : {IDC_UI_CLOSE_TO_TRAY, IDC_UI_MINIMIZE_TO_TRAY, IDC_UI_USE_PASSWORD, IDC_UI_START_WITH_WINDOWS,
                       IDC_UI_RESTORE_AT_POINTER}) {
            EXPECT_TRUE(Checked(w, id)) << id;
        }
        EXPECT_FALSE(Checked(w, IDC_UI_MIN_BUTTON_HIDE)) << "switched off";
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(w, IDC_UI_PASSWORD)));
        EXPECT_EQ("s3cret", TextOf(GetDlgItem(w, IDC_UI_PASSWORD)));
        EXPECT_EQ(SendDlgItemMessageA(w, IDC_UI_THEME, CB_GETCURSEL, 0, 0), 2) << "Dark";
        return static_cast<WPARAM>(IDCANCEL);
    });
}

TEST_F(UiDialogTest, PasswordBoxShowsTheStoredPasswordAgainWhenTicked)
{
    Key("Password").WriteText("Password", "stored");
    Run([&](Ui& dialog) {
        const HWND w = dialog.Window();
        const HWND edit = GetDlgItem(w, IDC_UI_PASSWORD);
        Toggle(w, IDC_UI_USE_PASSWORD);
        EXPECT_TRUE(IsWindowEnabled(edit));
        EXPECT_EQ("stored", TextOf(edit));
        SetWindowTextA(edit, "typed");
        Toggle(w, IDC_UI_USE_PASSWORD);
        EXPECT_FALSE(IsWindowEnabled(edit));
        EXPECT_EQ("", TextOf(edit));
        Toggle(w, IDC_UI_USE_PASSWORD);
        EXPECT_EQ("stored", TextOf(edit));
        return static_cast<WPARAM>(IDCANCEL);
    });
}

TEST_F(UiDialogTest, OkWritesEachValueIntoItsOwnSubKeyAndCreatesTheShortcut)
{
    const INT_PTR result = Run([&](Ui& dialog) {
        const HWND w = dialog.Window();
        Toggle(w, IDC_UI_CLOSE_TO_TRAY);
        Toggle(w, IDC_UI_USE_PASSWORD);
        SetWindowTextA(GetDlgItem(w, IDC_UI_PASSWORD), "pass word");
        Toggle(w, IDC_UI_START_WITH_WINDOWS);
        Toggle(w, IDC_UI_MIN_BUTTON_HIDE);
        Toggle(w, IDC_UI_RESTORE_AT_POINTER);
        SendDlgItemMessageA(w, IDC_UI_THEME, CB_SETCURSEL, 1, 0);
        return static_cast<WPARAM>(IDOK);
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(0, Int("Interface", "MinButtonHide"));
    EXPECT_EQ(1, Int("Interface", "RestoreAtPointer"));
    EXPECT_EQ(1, Int("Interface", "Theme"));
    EXPECT_EQ(CurrentTheme().Choice(), ThemeChoice::Light) << "taken at once";
    EXPECT_EQ(1, Int("CloseToTray", "CloseToTray"));
    EXPECT_EQ(0, Int("MinimizeToTray", "MinimizeToTray"));
    EXPECT_EQ(1, Int("Password", "UseSystrayPassword"));
    EXPECT_EQ("pass word", Text("Password", "Password"));
    SettingsKey options(HKEY_CURRENT_USER, kTestOptions);
    for (const char* name : {"CloseToTray", "MinimizeToTray", "UseSystrayPassword", "Password"}) {
        EXPECT_FALSE(options.ValueExists(name)) << name;
    }
    EXPECT_TRUE(LinkIn(m_allUsers));
    EXPECT_FALSE(LinkIn(m_user));
    EXPECT_TRUE(ShortcutPresent(Program(), Folders()));
}

TEST_F(UiDialogTest, OkWithBoxesUntickedErasesThePasswordAndRemovesTheShortcut)
{
    Key("Password").WriteInt("UseSystrayPassword", 1);
    Key("Password").WriteText("Password", "old");
    ASSERT_TRUE(CreateShortcut(Program(), "", nullptr, Folders()));
    Run([&](Ui& dialog) {
        Toggle(dialog.Window(), IDC_UI_USE_PASSWORD);
        Toggle(dialog.Window(), IDC_UI_START_WITH_WINDOWS);
        return static_cast<WPARAM>(IDOK);
    });
    EXPECT_EQ(0, Int("Password", "UseSystrayPassword"));
    EXPECT_EQ("", Text("Password", "Password"));
    EXPECT_FALSE(LinkIn(m_allUsers));
}

// The Language list: Windows default, then each language in its own name; the stored choice is
// selected (an unknown one shows as Windows default), and OK stores the one picked and uses it.
TEST_F(UiDialogTest, LanguageListShowsTheStoredChoiceAndOkStoresAndUsesThePickedOne)
{
    const std::vector<LanguageChoice> languages = AvailableLanguages();
    const struct {
        const char* stored;
        int shown;    // the list's selection as the dialog opens
        int picked;   // what the user picks before OK
        const char* written;
    } cases[] = {{nullptr, 0, 2, nullptr}, {"de-DE", 2, 0, ""}, {"xx-YY", 0, 7, "zh-CN"}, {"DE-de", 2, 1, "en-US"}};
    for (const auto& c : cases) {
        m_guard.Clear();
        if (c.stored)
            Key("Interface").WriteText("Language", c.stored);
        int shown = -1, count = 0;
        std::string first, windowsDefault;
        Run([&](Ui& dialog) {
            windowsDefault = T(Tx::UiLanguageDefault);
            const HWND list = GetDlgItem(dialog.Window(), IDC_UI_LANGUAGE);
            count = static_cast<int>(SendMessageA(list, CB_GETCOUNT, 0, 0));
            shown = static_cast<int>(SendMessageA(list, CB_GETCURSEL, 0, 0));
            char text[64] = {};
            SendMessageA(list, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
            first = text;
            SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(c.picked), 0);
            return static_cast<WPARAM>(IDOK);
        });
        EXPECT_EQ(count, static_cast<int>(languages.size()) + 1);
        EXPECT_EQ(first, windowsDefault);
        EXPECT_EQ(shown, c.shown) << (c.stored ? c.stored : "none");
        const std::string written = c.written ? c.written : languages[c.picked - 1].locale;
        EXPECT_EQ(Text("Interface", "Language"), written);
        if (!written.empty()) {
            EXPECT_EQ(LanguageInUse(), written);
        }
    }
    SelectLanguage("en-US");
}

// The program's own key and the system's Startup folders, as the Hot Key
// dialog opens it.
TEST(UiDialogProgram, CancelChangesNothingInTheRegistryOrTheStartupFolders)
{
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    vbtest::RegistryKeyGuard guard;
    guard.Clear();
    SettingsKey closeToTray(HKEY_CURRENT_USER, "Software\\Quillfen\\Veilbox\\CloseToTray");
    closeToTray.WriteInt("CloseToTray", 1);
    const StartupFolders system = StartupFoldersFor(true);
    const ShortcutTarget program = ProgramShortcutTarget(GetModuleHandleA(nullptr), kStartupLinkName);
    ASSERT_FALSE(ShortcutPresent(program, system));

    Ui dialog(
        [&](Ui& ui) {
            for (int id : {IDC_UI_CLOSE_TO_TRAY, IDC_UI_USE_PASSWORD, IDC_UI_START_WITH_WINDOWS}) {
                Toggle(ui.Window(), id);
            }
            SetWindowTextA(GetDlgItem(ui.Window(), IDC_UI_PASSWORD), "never saved");
            return static_cast<WPARAM>(IDCANCEL);
        },
        GetModuleHandleA(nullptr), nullptr, "Software\\Quillfen\\Veilbox", kStartupLinkName,
        kStartupLinkDescription, system);
    dialog.Show(nullptr);

    EXPECT_EQ(IDCANCEL, dialog.Result());
    int32_t value = -1;
    closeToTray.ReadInt("CloseToTray", value);
    EXPECT_EQ(1, value);
    HKEY password = nullptr;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Quillfen\\Veilbox\\Password", 0,
                                           KEY_READ, &password));
    for (const NString* folder : {&system.preferred, &system.fallback}) {
        EXPECT_FALSE(TempFolder::Exists(std::string(folder->Text()) + kStartupLinkName + ".lnk"));
    }
    CoUninitialize();
}

}  // namespace
