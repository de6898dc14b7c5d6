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

// At the scaling the parent test asks for: Change Key Bindings with every modifier on each action,
// then with its key alone pressed into the capture box (the rows, the combination fields and each
// name Collides With shows), Rules with a rule of each When and a damaged one, and User Interface.
TEST(AtDisplayScaling, RowsColumnsAndRunTimeTextsWhole)
{
    char asked[16] = {};
    GetEnvironmentVariableA("VB_TEST_DPI", asked, sizeof asked);
    if (atoi(asked) == 0)
        GTEST_SKIP() << "run by DialogsFollowTheDisplayScalingAProcessStartsWith";
    vbtest::RegistryKeyGuard settings;
    for (const DWORD when : {1u, 2u, 3u, 9u})
        RegSetKeyValueA(HKEY_CURRENT_USER, (std::string(kProgramKeyPath) + "\\Rules\\00" + std::to_string(when)).c_str(),
                        "When", REG_DWORD, &when, sizeof when);
    const char* names[] = {kHideActiveName, kPopupMenuName, kRestoreLastName, kRestoreAllName, kHideProgramName};
    const uint16_t keys[] = {'H', 'M', 'U', VK_F12, VK_NUMPAD5};
    std::vector<std::string> clipped;
    const auto collect = [&](HWND dialog) { cliptest::CollectClipped(dialog, LanguageInUse(), clipped); };
    for (const std::string& locale : AvailableLocales()) {
        SelectLanguage(locale);
        for (const bool bare : {false, true}) {
            HotkeyTable table;
            for (int i = 0; i < 5; ++i)
                table.Append({names[i], !bare, !bare, !bare, keys[i], 1009u + i});
            ScriptedDialog<MODAL>([&](ScriptedDialog<MODAL>& d) -> WPARAM {
                for (int i = 0; i < 5; ++i) {
                    SendMessageA(d.Item(IDC_KEYS_LIST), LB_SETCURSEL, i, 0);
                    SendMessageA(d.Window(), WM_COMMAND, MAKEWPARAM(IDC_KEYS_LIST, LBN_SELCHANGE),
                                 reinterpret_cast<LPARAM>(d.Item(IDC_KEYS_LIST)));
                    if (bare)
                        SendMessageA(d.Item(IDC_KEYS_CAPTURE), WM_KEYDOWN, keys[(i + 1) % 5], 0);
                    collect(d.Window());
                }
                return IDCANCEL;
            }, nullptr, table).Show();
        }
        ScriptedDialog<RULES>([&](ScriptedDialog<RULES>& d) -> WPARAM { return collect(d.Window()), IDCANCEL; },
                              nullptr, GetModuleHandleA(nullptr), kProgramKeyPath).Show();
        ScriptedDialog<UI>([&](ScriptedDialog<UI>& d) -> WPARAM { return collect(d.Window()), IDCANCEL; },
                           GetModuleHandleA(nullptr), nullptr, kProgramKeyPath, "Veilbox", "", StartupFolders{})
            .Show();
    }
    SelectLanguage("en-US");
    const std::set<std::string> found(clipped.begin(), clipped.end());
    EXPECT_TRUE(found.empty()) << "at " << asked << " DPI: " << ::testing::PrintToString(found);
}

}  // namespace
