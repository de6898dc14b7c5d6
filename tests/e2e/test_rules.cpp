// Rules with the real Veilbox.exe: every field and trigger, rules read at start acting on windows
// already open, the WinEvent hook and the scan each on their own, damaged rules, the user who
// brings a window back, and a rule made from the main list's context menu.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/TargetWindows.h"
#include "support/VeilboxApp.h"

using namespace vbtest;

namespace {

constexpr char kRulesKey[] = "Software\\Quillfen\\Veilbox\\Rules";

void WriteValue(const char* rule, const char* name, DWORD type, const void* data, DWORD size)
{
    const std::string path = std::string(kRulesKey) + "\\" + rule;
    RegSetKeyValueA(HKEY_CURRENT_USER, path.c_str(), name, type, data, size);
}

void WriteText(const char* rule, const char* name, const char* text)
{
    WriteValue(rule, name, REG_SZ, text, static_cast<DWORD>(strlen(text) + 1));
}

void WriteNumber(const char* rule, const char* name, DWORD number)
{
    WriteValue(rule, name, REG_DWORD, &number, sizeof number);
}

// A sound rule: the fields given (null: absent), the trigger (1 appears, 2 minimised).
void WriteRule(const char* rule, const char* title, const char* cls, const char* exe, DWORD when, DWORD enabled = 1)
{
    WriteNumber(rule, "Enabled", enabled);
    WriteNumber(rule, "When", when);
    const std::pair<const char*, const char*> fields[] = {{"Title", title}, {"Class", cls}, {"Exe", exe}};
    for (const auto& [name, text] : fields)
        if (text)
            WriteText(rule, name, text);
}

std::string ReadText(const char* rule, const char* name)
{
    const std::string path = std::string(kRulesKey) + "\\" + rule;
    char text[256] = {};
    DWORD size = sizeof text;
    if (RegGetValueA(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return "<absent>";
    return text;
}

bool WaitVisible(HWND window, bool visible, DWORD timeoutMs = 5000)
{
    return WaitFor([&] { return (IsWindowVisible(window) != FALSE) == visible; }, timeoutMs);
}

// True when the window is still visible after ms: the scans of that time left it alone.
bool StaysVisible(HWND window, DWORD ms)
{
    return !WaitFor([&] { return !IsWindowVisible(window); }, ms);
}

// How the programs this test starts notice windows ("scan", "events"); both when it goes.
class RuleWatch {
public:
    explicit RuleWatch(const char* way) { SetEnvironmentVariableA("VEILBOX_RULE_WATCH", way); }
    ~RuleWatch() { SetEnvironmentVariableA("VEILBOX_RULE_WATCH", nullptr); }
};

// A window of this test's own program, to tell a rule's program name from its title and class.
HWND MakeOwnWindow(const char* title)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VbTestWin";
    RegisterClassA(&wc);
    return CreateWindowExA(0, "VbTestWin", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 200, 100, nullptr,
                           nullptr, wc.hInstance, nullptr);
}

} // namespace

class Rules : public ::testing::Test {
protected:
    void SetUp() override { m_settings.Clear(); }
    RegistryKeyGuard m_settings;
};

// One start with a rule per field and trigger: the windows open before the start are handled by
// the first scan, which looks at every window in one pass, so what it leaves visible was not
// matched.
TEST_F(Rules, EachFieldAndTriggerPicksOnlyItsWindows)
{
    WriteRule("000", "rule title*", nullptr, nullptr, 1);
    WriteRule("001", nullptr, "vbruleclass", nullptr, 1);
    WriteRule("002", "Exe Target", nullptr, "VB_TESTWIN.EXE", 1);
    WriteRule("003", "Disabled Target", nullptr, nullptr, 1, 0);
    WriteRule("005", "Minimise Target", nullptr, nullptr, 2);
    TargetWindows targets("--window --title \"Rule Title One\" --window --title \"Class Target\" --class VbRuleClass "
                          "--window --title \"Exe Target\" --window --title \"Disabled Target\" "
                          "--window --title \"Minimise Target\" --window --title \"Rule Title Later\" --hidden");
    ASSERT_TRUE(targets.Ready());
    HWND ownExeTarget = MakeOwnWindow("Exe Target");
    VeilboxApp app;
    ASSERT_NE(app.MainWindow(), nullptr);

    for (size_t i : {0u, 1u, 2u})
        EXPECT_TRUE(WaitVisible(targets[i], false)) << "window " << i;
    EXPECT_TRUE(IsWindowVisible(ownExeTarget)) << "another program's window of the same title";
    EXPECT_TRUE(IsWindowVisible(targets[3])) << "a rule that is not ticked";
    EXPECT_TRUE(IsWindowVisible(targets[4])) << "a minimised rule and a window that is not minimised";

    ShowWindow(targets[5], SW_SHOWNOACTIVATE);
    EXPECT_TRUE(WaitVisible(targets[5], false)) << "a window that appears later";
    ShowWindow(targets[4], SW_MINIMIZE);
    EXPECT_TRUE(WaitVisible(targets[4], false)) << "a window minimised later";

    // Each went into the menu, so Exit shows them all again.
    ASSERT_TRUE(app.Exit());
    for (size_t i : {0u, 1u, 2u, 4u, 5u})
        EXPECT_TRUE(IsWindowVisible(targets[i])) << "window " << i;
    DestroyWindow(ownExeTarget);
}

// No fight with the user: an "appears" rule leaves a window brought back from the menu alone,
// while a "minimised" rule takes it again at its next minimise.
TEST_F(Rules, AWindowTheUserBringsBackIsNotHiddenAgainUntilItsNextMinimise)
{
    WriteRule("000", "Returned Appears", nullptr, nullptr, 1);
    WriteRule("001", "Returned Minimised", nullptr, nullptr, 2);
    TargetWindows targets("--window --title \"Returned Appears\" --window --title \"Returned Minimised\"");
    ASSERT_TRUE(targets.Ready());
    VeilboxApp app;
    ASSERT_TRUE(WaitVisible(targets[0], false));
    ShowWindow(targets[1], SW_MINIMIZE);
    ASSERT_TRUE(WaitVisible(targets[1], false));

    // The newest entry is on top: the minimised window first.
    ASSERT_TRUE(app.ChooseTopMenuEntry());
    ASSERT_TRUE(WaitVisible(targets[1], true));
    // The window brought back took the keyboard: the menu's keys need the dialog in front again.
    ASSERT_TRUE(WaitFor([&] { return !FindTopWindow({app.Process().Id(), nullptr, "#32768", true}); }));
    ASSERT_TRUE(ClickToFront(app.MainWindow()));
    ASSERT_TRUE(app.ChooseTopMenuEntry());
    ASSERT_TRUE(WaitVisible(targets[0], true));
    EXPECT_TRUE(StaysVisible(targets[0], 2500));
    EXPECT_TRUE(IsWindowVisible(targets[1]));

    ShowWindow(targets[1], SW_RESTORE);
    EXPECT_TRUE(StaysVisible(targets[1], 1500)) << "a restore is no minimise";
    ShowWindow(targets[1], SW_MINIMIZE);
    EXPECT_TRUE(WaitVisible(targets[1], false));
}

// Each way of noticing on its own. This Wine reports no window's show or minimise: there the
// helper's windows report their own (--announce), as every window does on Windows.
TEST_F(Rules, TheHookAndTheScanEachHideAWindowOnTheirOwn)
{
    WriteRule("000", "Watched Appears", nullptr, nullptr, 1);
    WriteRule("001", "Watched Minimised", nullptr, nullptr, 2);
    struct Case {
        const char* watch;
        bool minimise;
        bool announce;
        bool hidden;
    } cases[] = {
        {"events", false, true, true},
        {"events", true, true, true},
        {"scan", false, false, true},
        {"scan", true, false, true},
        // Only the system's own reports remain.
        {"events", false, false, !RunningUnderWine()},
    };
    for (const Case& c : cases) {
        const std::string what = std::string(c.watch) + (c.minimise ? " minimise" : " show") +
                                 (c.announce ? " announced" : "");
        RuleWatch watch(c.watch);
        TargetWindows targets(std::string(c.minimise ? "--window --title \"Watched Minimised\""
                                                     : "--window --title \"Watched Appears\" --hidden") +
                              (c.announce ? " --announce" : ""));
        ASSERT_TRUE(targets.Ready()) << what;
        VeilboxApp app;
        ASSERT_NE(app.MainWindow(), nullptr) << what;
        ShowWindow(targets[0], c.minimise ? SW_MINIMIZE : SW_SHOWNOACTIVATE);
        if (c.hidden)
            EXPECT_TRUE(WaitVisible(targets[0], false)) << what;
        else
            EXPECT_TRUE(StaysVisible(targets[0], 2500)) << what;
    }
}

// Each damaged rule is ignored on its own; the sound rule beside them works, and nothing stored
// is rewritten.
TEST_F(Rules, DamagedRulesAreIgnoredAndTheSoundOnesWork)
{
    const BYTE bytes[] = {'D', 'a', 'm', 0};
    const DWORD four = 4, two = 2;
    const std::string tooLong(1100, 'D');
    struct Damage {
        const char* name;
        DWORD type;
        const void* data;
        DWORD size;
    } damages[] = {
        {"When", REG_SZ, "1", 2},        {"When", REG_DWORD, &four, 4},  {"Enabled", REG_DWORD, &two, 4},
        {"Enabled", REG_BINARY, bytes, 4}, {"Title", REG_BINARY, bytes, 4}, {"Exe", REG_EXPAND_SZ, "%X%", 4},
        {"Class", REG_SZ, tooLong.c_str(), static_cast<DWORD>(tooLong.size() + 1)},
    };
    int index = 0;
    for (const Damage& d : damages) {
        char rule[8];
        snprintf(rule, sizeof rule, "%03d", index++);
        WriteRule(rule, "Damaged*", nullptr, nullptr, 1);
        WriteValue(rule, d.name, d.type, d.data, d.size);
    }
    WriteRule("010", nullptr, nullptr, nullptr, 1);  // no field at all: would match every window
    WriteRule("011", "Sound Target", nullptr, nullptr, 1);
    TargetWindows targets("--window --title \"Damaged Bystander\" --window --title \"Sound Target\"");
    ASSERT_TRUE(targets.Ready());
    VeilboxApp app;
    EXPECT_TRUE(WaitVisible(targets[1], false));
    EXPECT_TRUE(IsWindowVisible(targets[0]));
    EXPECT_TRUE(app.Exit());
    EXPECT_EQ(ReadText("000", "When"), "1") << "a damaged value stays as it was";
}

// Two windows refuse the same rule's hide: the user is told once, and neither is tried again.
TEST_F(Rules, ARefusedHideIsToldOncePerRuleAndNotRetried)
{
    WriteRule("000", "Stubborn*", nullptr, nullptr, 1);
    TargetWindows targets("--window --title \"Stubborn One\" --refuse-hide --window --title \"Stubborn Two\" --refuse-hide");
    ASSERT_TRUE(targets.Ready());
    VeilboxApp app;
    ASSERT_NE(app.MainWindow(), nullptr);
    auto box = [&] { return FindTopWindow({app.Process().Id(), "Window Veilbox Rules", "#32770", true}); };
    HWND told = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (told = box()) != nullptr; }));
    PostMessageA(told, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(told); }));
    EXPECT_FALSE(WaitFor([&] { return box() != nullptr; }, 2500)) << "told again";
    EXPECT_TRUE(IsWindowVisible(targets[0]));
    EXPECT_TRUE(IsWindowVisible(targets[1]));
}

TEST_F(Rules, ARuleMadeFromTheListsContextMenuStartsFromTheWindowsProgramAndClass)
{
    TargetWindows targets("--window --title \"Context Target\" --class VbContextClass");
    ASSERT_TRUE(targets.Ready());
    VeilboxApp app;
    ASSERT_TRUE(app.WaitListed("Context Target"));
    // The click that gives the dialog the foreground lands on the list: the entry is chosen after.
    ASSERT_TRUE(ClickToFront(app.MainWindow()));
    ASSERT_TRUE(app.Select(app.IndexOf("Context Target")));
    PostMessageA(app.MainWindow(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(app.List()), MAKELPARAM(-1, -1));
    ASSERT_NE(WaitForTopWindow({app.Process().Id(), nullptr, "#32768", true}, 5000), nullptr);
    TapKey(VK_DOWN);
    TapKey(VK_RETURN);

    HWND edit = WaitForTopWindow({app.Process().Id(), "Rule", "#32770", true}, 5000);
    ASSERT_NE(edit, nullptr);
    char exe[64] = {}, cls[64] = {}, title[64] = {};
    GetDlgItemTextA(edit, 1000, exe, sizeof exe);
    GetDlgItemTextA(edit, 1001, cls, sizeof cls);
    GetDlgItemTextA(edit, 1002, title, sizeof title);
    EXPECT_STREQ(exe, "vb_testwin.exe");
    EXPECT_STREQ(cls, "VbContextClass");
    EXPECT_STREQ(title, "");
    PostMessageA(edit, WM_COMMAND, IDOK, 0);

    EXPECT_TRUE(WaitVisible(targets[0], false));
    EXPECT_EQ(ReadText("000", "Exe"), "vb_testwin.exe");
    EXPECT_EQ(ReadText("000", "Class"), "VbContextClass");
}
