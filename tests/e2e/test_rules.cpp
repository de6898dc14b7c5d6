// Rules with the real Veilbox.exe: every field and trigger, rules read at start acting on windows
// already open, the WinEvent hook and the scan each on their own, damaged rules, the user who
// brings a window back, a rule made from the main list's context menu, a rule's own hotkey and
// its conflicts, and a window brought back on the monitor with the pointer.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

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

// The hotkey control's words: Ctrl+Alt and a key.
constexpr DWORD kCtrlAlt = 0x0600;

// True once another process holds the combination: the running copy has registered its keys.
bool KeyHeldElsewhere(UINT modifiers, UINT key)
{
    return WaitFor([&] {
        if (!RegisterHotKey(nullptr, 0x7F00, modifiers, key))
            return true;
        UnregisterHotKey(nullptr, 0x7F00);
        return false;
    }, 5000);
}

// Presses Ctrl+Alt+key once the keys of the last press are up again: under Wine each press is a
// run of xdotool of its own, whose releases could otherwise cross the next press.
void PressRuleKey(WORD key)
{
    WaitFor([&] {
        for (WORD held : {WORD(VK_CONTROL), WORD(VK_MENU), key})
            if (GetAsyncKeyState(held) & 0x8000)
                return false;
        return true;
    }, 3000);
    PressCombination({VK_CONTROL, VK_MENU, key});
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
    const DWORD four = 4, two = 2, zero = 0, wideKey = 0x1000 | 'K', shiftKey = 0x0100 | 'K';
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
        {"Hotkey", REG_DWORD, &wideKey, 4}, {"Hotkey", REG_SZ, "75", 3}, {"Run", REG_DWORD, &four, 4},
        {"Hotkey", REG_DWORD, &shiftKey, 4},  // neither Ctrl nor Alt: every program's Shift+K
        {"When", REG_DWORD, &zero, 4},  // only by a hotkey it does not have
    };
    int index = 0;
    for (const Damage& d : damages) {
        char rule[8];
        snprintf(rule, sizeof rule, "%03d", index++);
        WriteRule(rule, "Damaged*", nullptr, nullptr, 1);
        WriteValue(rule, d.name, d.type, d.data, d.size);
    }
    WriteRule("020", nullptr, nullptr, nullptr, 1);  // no field at all: would match every window
    WriteRule("021", "Sound Target", nullptr, nullptr, 1);
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

// A rule's own key, step by step: it hides its window in front, brings it back in front, brings
// a minimised one behind another window to the front, and starts its command when nothing
// matches. The "appears" rule leaves the window its key brought back alone.
TEST_F(Rules, ARulesHotkeyHidesBringsBackFrontsAndStartsItsProgram)
{
    WriteRule("000", "Key Target", nullptr, nullptr, 1);
    WriteNumber("000", "Hotkey", kCtrlAlt | 'K');
    WriteRule("001", "Key Launched", nullptr, nullptr, 0);
    WriteNumber("001", "Hotkey", kCtrlAlt | 'L');
    const std::string run = "\"" + BinDir() + "vb_testwin.exe\" --window --title \"Key Launched\"";
    WriteText("001", "Run", run.c_str());
    TargetWindows targets("--window --title \"Key Target\" --hidden --window --title \"Key Bystander\"");
    ASSERT_TRUE(targets.Ready());
    VeilboxApp app;
    ASSERT_TRUE(KeyHeldElsewhere(MOD_CONTROL | MOD_ALT, 'K'));
    ShowWindow(targets[0], SW_SHOWNOACTIVATE);
    ASSERT_TRUE(WaitVisible(targets[0], false)) << "the appears trigger works beside the key";

    PressRuleKey('K');
    ASSERT_TRUE(WaitVisible(targets[0], true)) << "held: brought back";
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == targets[0]; }));
    PressRuleKey('K');
    ASSERT_TRUE(WaitVisible(targets[0], false)) << "in front: hidden";
    PressRuleKey('K');
    ASSERT_TRUE(WaitVisible(targets[0], true));
    EXPECT_TRUE(StaysVisible(targets[0], 2000)) << "brought back by its key, left alone by its rule";

    ShowWindow(targets[0], SW_MINIMIZE);
    ASSERT_TRUE(ClickToFront(targets[1]));
    PressRuleKey('K');
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == targets[0] && !IsIconic(targets[0]); }))
        << "shown, not in front: restored to the front";

    PressRuleKey('L');
    EXPECT_NE(WaitForTopWindow({0, "Key Launched", nullptr, true}, 10000), nullptr) << "nothing matched: started";
    DWORD started = 0;
    GetWindowThreadProcessId(FindTopWindow({0, "Key Launched", nullptr}), &started);
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, started)) {
        TerminateProcess(process, 0);
        CloseHandle(process);
    }
}

// A key another action or rule of Veilbox holds is refused on OK with its holder named; a free
// one is taken.
TEST_F(Rules, TheRuleDialogRefusesAKeyVeilboxHoldsAndNamesTheHolder)
{
    WriteRule("000", "Key Holder", nullptr, nullptr, 0);
    WriteNumber("000", "Hotkey", kCtrlAlt | 'K');
    VeilboxApp app;
    ASSERT_NE(app.MainWindow(), nullptr);
    PostMessageA(app.MainWindow(), WM_COMMAND, 1020, 0);
    HWND rules = WaitForTopWindow({app.Process().Id(), "Rules", "#32770", true}, 5000);
    ASSERT_NE(rules, nullptr);
    PostMessageA(rules, WM_COMMAND, 1001, 0);
    HWND edit = WaitForTopWindow({app.Process().Id(), "Rule", "#32770", true}, 5000);
    ASSERT_NE(edit, nullptr);
    SetDlgItemTextA(edit, 1002, "Key Newcomer");
    const struct {
        WPARAM key;
        const char* holder;  // null: taken
    } cases[] = {{0x0300 | 'H', "Hide Active"}, {kCtrlAlt | 'K', "Key Holder"},
                 {kCtrlAlt | 0x0800 | 'K', "Key Holder"},  // the extended-key bit makes no other key
                 {kCtrlAlt | 'J', nullptr}};
    for (const auto& c : cases) {
        SendMessageA(GetDlgItem(edit, 1007), HKM_SETHOTKEY, c.key, 0);
        PostMessageA(edit, WM_COMMAND, IDOK, 0);
        if (!c.holder)
            break;
        HWND box = WaitForTopWindow({app.Process().Id(), "Window Veilbox Rules", "#32770", true}, 5000);
        ASSERT_NE(box, nullptr) << c.holder;
        char text[512] = {};
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (GetWindowTextA(child, text, sizeof text) > 20)
                break;
        EXPECT_NE(std::string(text).find(c.holder), std::string::npos) << text;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }));
        EXPECT_TRUE(IsWindow(edit)) << "the dialog stays for another key";
    }
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(edit); }));
    PostMessageA(rules, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(rules); }));
    EXPECT_EQ(ReadText("001", "Title"), "Key Newcomer");
    EXPECT_TRUE(KeyHeldElsewhere(MOD_CONTROL | MOD_ALT, 'J')) << "a new rule's key works at once";
}

// Run in a session of two monitors side by side (tools/run-tests.sh): a window hidden on the
// first comes back on the second, where the pointer is, at its place in the work area.
class TwoMonitors : public Rules {};

TEST_F(TwoMonitors, AWindowComesBackOnTheMonitorWithThePointer)
{
    if (GetSystemMetrics(SM_CMONITORS) < 2)
        GTEST_SKIP() << "one monitor: run in tools/wine/session.sh --second-screen";
    const DWORD on = 1;
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Quillfen\\Veilbox\\Interface", "RestoreAtPointer", REG_DWORD, &on,
                    sizeof on);
    WriteRule("000", "Pointer Target", nullptr, nullptr, 0);
    WriteNumber("000", "Hotkey", kCtrlAlt | 'K');
    TargetWindows targets("--window --title \"Pointer Target\"");
    ASSERT_TRUE(targets.Ready());
    SetWindowPos(targets[0], nullptr, 100, 80, 400, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    VeilboxApp app;
    ASSERT_TRUE(KeyHeldElsewhere(MOD_CONTROL | MOD_ALT, 'K'));
    ASSERT_TRUE(ClickToFront(targets[0]));
    PressRuleKey('K');
    ASSERT_TRUE(WaitVisible(targets[0], false));

    MONITORINFO second = {sizeof second};
    const POINT beyond = {GetSystemMetrics(SM_CXSCREEN) + 50, 50};
    ASSERT_TRUE(GetMonitorInfoA(MonitorFromPoint(beyond, MONITOR_DEFAULTTONULL), &second));
    SetCursorPos(second.rcMonitor.left + 200, second.rcMonitor.top + 200);
    PressRuleKey('K');
    ASSERT_TRUE(WaitVisible(targets[0], true));
    RECT at = {};
    EXPECT_TRUE(WaitFor([&] { return GetWindowRect(targets[0], &at) && at.left >= second.rcWork.left; }));
    EXPECT_EQ(at.left - second.rcWork.left, 100);
    EXPECT_EQ(at.right - at.left, 400);
}
