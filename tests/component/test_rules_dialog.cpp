// The Rules dialog and the rule edit dialog run in this process over the program's key, answered
// as a user answers them: what OK stores, what it leaves alone, and what Cancel stores (nothing).
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/rules/RuleEditDialog.h"
#include "app/rules/RuleEngine.h"
#include "app/rules/RulesDialog.h"
#include "component/DialogAnswerer.h"
#include "hotkeys/HotkeyTable.h"
#include "res/RuleEditDialogIds.h"
#include "res/RulesDialogIds.h"
#include "settings/RegistryRead.h"
#include "text/Texts.h"
#include "winbase/ProgramEnd.h"
#include "support/TargetWindows.h"
#include "support/TestSupport.h"
#include "tests/support/ScriptedDialog.h"

using namespace vbtest;
using winbase_test::DialogAnswerer;

namespace {

using ScriptedRules = ScriptedDialog<RULES>;
using ScriptedEdit = ScriptedDialog<RULE_EDIT>;

const std::string kRulesPath = std::string(kProgramKeyPath) + "\\Rules";

// Every value of one rule's key, by name: type and bytes.
using Values = std::map<std::string, std::pair<DWORD, std::vector<BYTE>>>;

Values ReadValues(const char* rule)
{
    Values values;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, (kRulesPath + "\\" + rule).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    NString name;
    DWORD type = 0;
    std::vector<BYTE> data;
    for (DWORD i = 0; RegistryEnumValue(key, i, name, &type, &data) == ERROR_SUCCESS; ++i)
        values[name.Text()] = {type, data};
    RegCloseKey(key);
    return values;
}

void Write(const char* rule, const char* name, DWORD type, const void* data, DWORD size)
{
    RegSetKeyValueA(HKEY_CURRENT_USER, (kRulesPath + "\\" + rule).c_str(), name, type, data, size);
}

void WriteText(const char* rule, const char* name, const char* text)
{
    Write(rule, name, REG_SZ, text, static_cast<DWORD>(strlen(text) + 1));
}

void WriteNumber(const char* rule, const char* name, DWORD number)
{
    Write(rule, name, REG_DWORD, &number, sizeof number);
}

Values Fresh(DWORD enabled, const char* title, const char* cls, const char* exe, DWORD when)
{
    auto text = [](const char* t) { return std::pair<DWORD, std::vector<BYTE>>{REG_SZ, {t, t + strlen(t) + 1}}; };
    auto number = [](DWORD n) {
        const BYTE* b = reinterpret_cast<const BYTE*>(&n);
        return std::pair<DWORD, std::vector<BYTE>>{REG_DWORD, {b, b + 4}};
    };
    return {{"Enabled", number(enabled)}, {"Title", text(title)}, {"Class", text(cls)},
            {"Exe", text(exe)}, {"When", number(when)}};
}

std::string ItemText(HWND list, int row, int column)
{
    char text[128] = {};
    ListView_GetItemText(list, row, column, text, sizeof text);
    return text;
}

void SelectRow(HWND list, int row)
{
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

// The edit dialog's count, brought up to date at once: its timer (id 1) is fired by hand, since an
// answer that waited would let the next answer act on this dialog.
std::string CountNow(HWND edit)
{
    SendMessageA(edit, WM_TIMER, 1, 0);
    char text[64] = {};
    GetDlgItemTextA(edit, IDC_RULE_COUNT, text, sizeof text);
    return text;
}

int ToolCount(const HelpPopup* popups)
{
    return popups ? static_cast<int>(SendMessageA(popups->Tooltip(), TTM_GETTOOLCOUNT, 0, 0)) : 0;
}

} // namespace

class RulesDialogTest : public ::testing::Test {
protected:
    // 000 sound, 001 damaged (with a value no rule has), 002 not ticked, 003 sound.
    void SetUp() override
    {
        m_settings.Clear();
        WriteNumber("000", "When", 1);
        WriteText("000", "Exe", "a.exe");
        WriteText("001", "When", "x");
        WriteText("001", "Title", "Broken*");
        WriteText("001", "Note", "kept as it is");
        WriteNumber("002", "Enabled", 0);
        WriteNumber("002", "When", 2);
        WriteText("002", "Title", "C*");
        WriteNumber("003", "When", 1);
        WriteText("003", "Title", "D");
    }
    RegistryKeyGuard m_settings;
};

TEST_F(RulesDialogTest, OkStoresAddsEditsRemovalsAndOrderAndCopiesUntouchedRulesUnchanged)
{
    const Values damaged = ReadValues("001"), untouched = ReadValues("003");
    TargetWindows counted("--window --title \"Counted Window\"");
    ASSERT_TRUE(counted.Ready()) << counted.Error();
    std::vector<std::string> counts;
    DialogAnswerer answerer;
    answerer
        .Then("Rule",
              [&](HWND edit) {
                  DialogAnswerer::Type(edit, IDC_RULE_EXE, "new.exe");
                  DialogAnswerer::Type(edit, IDC_RULE_TITLE, "counted w*");
                  DialogAnswerer::Click(edit, IDC_RULE_MINIMISED);
                  counts.push_back(CountNow(edit));
                  DialogAnswerer::Type(edit, IDC_RULE_EXE, "");
                  counts.push_back(CountNow(edit));
                  DialogAnswerer::Type(edit, IDC_RULE_EXE, "new.exe");
                  DialogAnswerer::Click(edit, IDC_RULE_OK);
              })
        .Then("Rule", [](HWND edit) {
            DialogAnswerer::Type(edit, IDC_RULE_CLASS, "CClass");
            DialogAnswerer::Click(edit, IDC_RULE_CLOSE_BOX);
            DialogAnswerer::Click(edit, IDC_RULE_OK);
        });
    ScriptedRules dialog([&](ScriptedRules& d) -> WPARAM {
        HWND list = d.Item(IDC_RULES_LIST);
        EXPECT_EQ(ListView_GetItemCount(list), 4);
        EXPECT_EQ(ItemText(list, 1, 3), "damaged");
        for (int row : {0, 1, 2, 3})
            EXPECT_EQ(ListView_GetCheckState(list, row) != FALSE, row == 0 || row == 3) << row;
        DialogAnswerer::Click(d.Window(), IDC_RULES_ADD);      // A dmg C D New
        SelectRow(list, 2);
        DialogAnswerer::Click(d.Window(), IDC_RULES_EDIT);     // A dmg C' D New
        SelectRow(list, 0);
        DialogAnswerer::Click(d.Window(), IDC_RULES_REMOVE);   // dmg C' D New
        SelectRow(list, 2);
        DialogAnswerer::Click(d.Window(), IDC_RULES_UP);       // dmg D C' New
        ListView_SetCheckState(list, 2, TRUE);
        ListView_SetCheckState(list, 0, TRUE);
        EXPECT_FALSE(ListView_GetCheckState(list, 0)) << "a damaged rule cannot be ticked";
        EXPECT_EQ(ItemText(list, 3, 0), "new.exe");
        EXPECT_EQ(ItemText(list, 2, 3), "close box");
        EXPECT_EQ(ItemText(list, 3, 3), "minimised");
        return IDOK;
    }, nullptr, GetModuleHandleA(nullptr), kProgramKeyPath);
    EXPECT_EQ(dialog.Show(), IDOK);
    EXPECT_EQ(answerer.Answered(), 2u);
    EXPECT_EQ(counts, (std::vector<std::string>{"matches 0 open windows", "matches 1 open window"}));

    EXPECT_EQ(ReadValues("000"), damaged);
    EXPECT_EQ(ReadValues("001"), untouched);
    EXPECT_EQ(ReadValues("002"), Fresh(1, "C*", "CClass", "", 3));
    EXPECT_EQ(ReadValues("003"), Fresh(1, "counted w*", "", "new.exe", 2));
    EXPECT_TRUE(ReadValues("004").empty());
}

TEST_F(RulesDialogTest, CancelStoresNothingAndEveryControlHasAHelpPopup)
{
    const Values before[] = {ReadValues("000"), ReadValues("001"), ReadValues("002"), ReadValues("003")};
    ScriptedRules dialog([&](ScriptedRules& d) -> WPARAM {
        EXPECT_EQ(ToolCount(d.HelpPopups()), 8);
        SelectRow(d.Item(IDC_RULES_LIST), 0);
        DialogAnswerer::Click(d.Window(), IDC_RULES_REMOVE);
        DialogAnswerer::Click(d.Window(), IDC_RULES_DOWN);
        return IDCANCEL;
    }, nullptr, GetModuleHandleA(nullptr), kProgramKeyPath);
    EXPECT_EQ(dialog.Show(), IDCANCEL);
    const char* names[] = {"000", "001", "002", "003"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(ReadValues(names[i]), before[i]) << names[i];

    ScriptedEdit edit([](ScriptedEdit& d) -> WPARAM {
        EXPECT_EQ(ToolCount(d.HelpPopups()), 12);
        EXPECT_FALSE(IsWindowEnabled(d.Item(IDC_RULE_OK))) << "a rule without a field";
        return IDCANCEL;
    }, nullptr, GetModuleHandleA(nullptr), Rule());
    EXPECT_EQ(edit.Show(), IDCANCEL);
}

// A quit request can arrive while a scan hides windows (a hide waits on other programs): from
// then on the rules hide nothing, since the held windows have already been shown.
TEST(RuleEngine, HidesNothingOnceTheProgramEnds)
{
    TargetWindows targets("--window --title \"Rule End A\" --window --title \"Rule End B\"");
    ASSERT_TRUE(targets.Ready());
    int asked = 0;
    RuleEngine engine([&asked](HWND) {
        ++asked;
        BeginProgramEnd();
        return RuleHideResult::NotHidden;
    });
    Rule rule;
    rule.title = "Rule End ?";
    engine.SetRules({rule});
    engine.Scan({});
    EXPECT_EQ(asked, 1);
}

// A rule whose hide a window refused is told once while the program runs, also when the language
// changed before another window refused it (the description it is told in changes with it).
TEST(RuleEngine, TellsARefusedRuleOnceAcrossAChangeOfLanguage)
{
    RuleEngine engine([](HWND) { return RuleHideResult::Refused; });
    Rule rule;
    rule.title = "Rule Refused ?";
    engine.SetRules({rule});
    TargetWindows first("--window --title \"Rule Refused A\"");
    ASSERT_TRUE(first.Ready());
    engine.Scan({});
    EXPECT_EQ(engine.TakeOutcome().refusedRules.size(), 1u);
    SelectLanguage("de-DE");
    TargetWindows second("--window --title \"Rule Refused B\"");
    ASSERT_TRUE(second.Ready());
    engine.Scan({});
    const size_t toldAgain = engine.TakeOutcome().refusedRules.size();
    SelectLanguage("en-US");
    EXPECT_EQ(toldAgain, 0u);
}
