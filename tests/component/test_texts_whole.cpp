// The texts the dialogs show while they run, whole in every language at the display scaling the
// parent test (DisplayScalingTest.DialogsFollowTheDisplayScalingAProcessStartsWith) starts this
// program with: the rows of the lists, the columns of the Rules list and the fields that Change
// Key Bindings fills in.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "ClippedTexts.h"
#include "app/rules/RulesDialog.h"
#include "dialogs/UiDialog.h"
#include "hotkeys/KeyBindingsDialog.h"
#include "res/KeyBindingsDialogIds.h"
#include "support/ScriptedDialog.h"
#include "support/TestSupport.h"
#include "text/Texts.h"

namespace {

// Every action with every modifier, then with its key alone, pressed into the capture box with
// each row selected: the list's rows, the combination fields and each name Collides With shows.
void KeyBindingsTexts(const std::string& locale, std::vector<std::string>& clipped)
{
    const char* names[] = {kHideActiveName, kPopupMenuName, kRestoreLastName, kRestoreAllName, kHideProgramName};
    const uint16_t keys[] = {'H', 'M', 'U', VK_F12, VK_NUMPAD5};
    for (const bool bare : {false, true}) {
        HotkeyTable table;
        for (int i = 0; i < 5; ++i)
            table.Append({names[i], !bare, !bare, !bare, keys[i], 1009u + i});
        ScriptedDialog<MODAL> dialog([&](ScriptedDialog<MODAL>& d) -> WPARAM {
            for (int i = 0; i < 5; ++i) {
                SendMessageA(d.Item(IDC_KEYS_LIST), LB_SETCURSEL, i, 0);
                SendMessageA(d.Window(), WM_COMMAND, MAKEWPARAM(IDC_KEYS_LIST, LBN_SELCHANGE),
                             reinterpret_cast<LPARAM>(d.Item(IDC_KEYS_LIST)));
                if (bare)
                    SendMessageA(d.Item(IDC_KEYS_CAPTURE), WM_KEYDOWN, keys[(i + 1) % 5], 0);
                cliptest::CollectClipped(d.Window(), locale + " keys", clipped);
            }
            return IDCANCEL;
        }, nullptr, table);
        dialog.Show();
    }
}

TEST(AtDisplayScaling, RowsColumnsAndRunTimeTextsWhole)
{
    char asked[16] = {};
    GetEnvironmentVariableA("VB_TEST_DPI", asked, sizeof asked);
    if (atoi(asked) == 0)
        GTEST_SKIP() << "run by DialogsFollowTheDisplayScalingAProcessStartsWith";
    vbtest::RegistryKeyGuard settings;
    // A rule of each When, and a damaged one.
    for (const DWORD when : {1u, 2u, 3u, 9u}) {
        const std::string rule = std::string(kProgramKeyPath) + "\\Rules\\00" + std::to_string(when);
        RegSetKeyValueA(HKEY_CURRENT_USER, rule.c_str(), "When", REG_DWORD, &when, sizeof when);
        RegSetKeyValueA(HKEY_CURRENT_USER, rule.c_str(), "Exe", REG_SZ, "a.exe", 6);
    }
    std::vector<std::string> clipped;
    for (const std::string& locale : AvailableLocales()) {
        SelectLanguage(locale);
        KeyBindingsTexts(locale, clipped);
        ScriptedDialog<RULES> rules([&](ScriptedDialog<RULES>& d) -> WPARAM {
            cliptest::CollectClipped(d.Window(), locale + " rules", clipped);
            return IDCANCEL;
        }, nullptr, GetModuleHandleA(nullptr), kProgramKeyPath);
        rules.Show();
        ScriptedDialog<UI> options([&](ScriptedDialog<UI>& d) -> WPARAM {
            cliptest::CollectClipped(d.Window(), locale + " options", clipped);
            return IDCANCEL;
        }, GetModuleHandleA(nullptr), nullptr, kProgramKeyPath, "Veilbox", "", StartupFolders{});
        options.Show();
    }
    SelectLanguage("en-US");
    const std::set<std::string> found(clipped.begin(), clipped.end());
    EXPECT_TRUE(found.empty()) << "at " << asked << " DPI: " << ::testing::PrintToString(found);
}

}  // namespace
