// The main dialog's side of hiding from the title bar: the message its hook posts can come from
// any program, so the dialog hides only a window the hook handed on that the option or a
// close-box rule wants now, and never one of its own, the desktop, the taskbar or a handle that
// is gone. Likewise a hotkey that comes while a menu is open waits for the menu's end, unless the
// program began to end meanwhile. And the hook's thread stays lean while the user types.
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <functional>
#include <ostream>
#include <string>

#include "app/main/MainDialog.h"
#include "app/titlebar/TitleBarHook.h"
#include "app/held/HideOps.h"
#include "hotkeys/HotkeyTable.h"
#include "winbase/ProgramEnd.h"
#include "support/TargetWindows.h"
#include "support/TestSupport.h"
#include "tools/bench/LinuxCpu.h"

using namespace vbtest;

namespace {

constexpr char kOptions[] = "Software\\Quillfen\\Veilbox";

// The main dialog running script once its modal loop is going, then ending.
class ScriptedDialog : public DIALOG {
public:
    static constexpr UINT kRunScript = WM_APP + 50;

    explicit ScriptedDialog(std::function<void(ScriptedDialog&)> run)
        : DIALOG(GetModuleHandleA(nullptr)), m_run(std::move(run)) {}

    void OnInitDone() override
    {
        ShowWindow(Window(), SW_SHOW);
        PostMessageA(Window(), kRunScript, 0, 0);
    }

    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        menuLoops += message == WM_ENTERMENULOOP ? 1 : 0;
        hideMessages += message == kTitleBarHide ? 1 : 0;
        hotkeys += message == WM_HOTKEY ? 1 : 0;
        if (message != kRunScript)
            return DIALOG::OnMessage(message, wParam, lParam);
        // The hook follows the options once the start has finished.
        EXPECT_TRUE(WaitFor([this] { return StartFinished(); }, 2000)) << "the start never finished";
        m_run(*this);
        EndDialog(Window(), IDOK);
        return 0;
    }

    int menuLoops = 0;
    int hideMessages = 0;
    int hotkeys = 0;

private:
    std::function<void(ScriptedDialog&)> m_run;
};

enum class Which { Foreign, Own, Gone, Desktop };

struct PostedCase {
    const char* name;
    bool optionOn;
    bool closeRule;  // a close-box rule names "TB Named"
    Which which;
    LPARAM button;
    bool hidden;
    bool handedOn = true;  // the hook handed the window on before the message came
    bool taskbar = false;  // the foreign window is of the taskbar's class
    DWORD busyMs = 0;      // the dialog's thread was busy this long before the message came
};

const PostedCase kCases[] = {
    {"minimise button with the option on", true, false, Which::Foreign, 1, true},
    {"minimise button with the option off", false, true, Which::Foreign, 1, false},
    {"close box of a window a rule names", false, true, Which::Foreign, 2, true},
    {"close box without a rule", true, false, Which::Foreign, 2, false},
    {"a button that is neither", true, true, Which::Foreign, 3, false},
    {"a window of Veilbox itself", true, true, Which::Own, 1, false},
    {"a handle that is gone", true, true, Which::Gone, 1, false},
    {"the desktop", true, true, Which::Desktop, 1, false},
    {"a window the hook did not hand on", true, true, Which::Foreign, 1, false, false},
    {"a close box the hook did not hand on", true, true, Which::Foreign, 2, false, false},
    {"a window of the taskbar's class", true, true, Which::Foreign, 1, false, true, true},
    {"a window handed on while the dialog was busy for longer than 5 s", true, false, Which::Foreign, 1, true, true,
     false, 5500},
};

void PrintTo(const PostedCase& row, std::ostream* out)
{
    *out << row.name;
}

void StoreSettings(const PostedCase& row)
{
    const DWORD option = row.optionOn ? 1 : 0, enabled = 1, when = 3;
    const std::string ui = std::string(kOptions) + "\\Interface", rule = std::string(kOptions) + "\\Rules\\000";
    RegSetKeyValueA(HKEY_CURRENT_USER, ui.c_str(), "MinButtonHide", REG_DWORD, &option, sizeof option);
    if (!row.closeRule)
        return;
    RegSetKeyValueA(HKEY_CURRENT_USER, rule.c_str(), "Enabled", REG_DWORD, &enabled, sizeof enabled);
    RegSetKeyValueA(HKEY_CURRENT_USER, rule.c_str(), "When", REG_DWORD, &when, sizeof when);
    RegSetKeyValueA(HKEY_CURRENT_USER, rule.c_str(), "Title", REG_SZ, "TB Named", 9);
}

HWND GoneWindow()
{
    HWND window = CreateWindowExA(0, "STATIC", "TB Named", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(window);
    return window;
}

class PostedTitleBarHide : public ::testing::TestWithParam<PostedCase> {
protected:
    void SetUp() override { m_settings.Clear(); }
    RegistryKeyGuard m_settings;
};

} // namespace

TEST_P(PostedTitleBarHide, HidesOnlyWhatIsWantedNow)
{
    const PostedCase& row = GetParam();
    StoreSettings(row);
    TargetWindows foreign(row.taskbar ? "--window --title \"TB Named\" --class Shell_TrayWnd"
                                      : "--window --title \"TB Named\"");
    ASSERT_TRUE(foreign.Ready()) << foreign.Error();
    size_t entries = 99;
    bool foreignVisible = false;
    ScriptedDialog dialog([&](ScriptedDialog& d) {
        HWND window = row.which == Which::Foreign ? foreign[0]
                      : row.which == Which::Own   ? d.Window()
                      : row.which == Which::Gone  ? GoneWindow()
                                                  : GetDesktopWindow();
        if (row.handedOn)
            d.TitleBar().HandOn(window, static_cast<TitleBarButton>(row.button));
        // The dialog's thread held up (a slow drive, say) while the hand-on waits.
        Sleep(row.busyMs);
        SendMessageA(d.Window(), kTitleBarHide, reinterpret_cast<WPARAM>(window), row.button);
        entries = d.Menu().EntryCount();
        // A foreign window is hidden without waiting for its program: its hide may land a moment later.
        foreignVisible = !(row.hidden && WaitFor([&] { return !IsWindowVisible(foreign[0]); }, 5000)) &&
                         IsWindowVisible(foreign[0]) != FALSE;
    });
    dialog.Show();
    EXPECT_EQ(entries, row.hidden ? 1u : 0u);
    EXPECT_EQ(foreignVisible, !row.hidden);
    EXPECT_TRUE(IsWindowVisible(foreign[0])) << "the dialog's end shows the window again";
}

INSTANTIATE_TEST_SUITE_P(Rows, PostedTitleBarHide, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<PostedCase>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c; ++c)
                                 name += isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return name;
                         });

// A window handed on while a menu of the dialog is open: the menu is ended once, and the window
// is hidden after the menu's end (no repost while the menu closes).
TEST(TitleBarHideDuringMenu, EndsTheMenuAndHidesAfterIt)
{
    RegistryKeyGuard settings;
    settings.Clear();
    StoreSettings(PostedCase{"menu", true, false, Which::Foreign, 1, true});
    TargetWindows foreign("--window --title \"TB Named\"");
    ASSERT_TRUE(foreign.Ready()) << foreign.Error();
    ULONGLONG menuOpenMs = 0;
    bool hidden = false;
    size_t entries = 99;
    int menuLoops = 0, hideMessages = 0;
    ScriptedDialog dialog([&](ScriptedDialog& d) {
        d.TitleBar().HandOn(foreign[0], TitleBarButton::Minimise);
        OwnedMenu menu(CreatePopupMenu());
        AppendMenuA(menu.get(), MF_STRING, 1, "entry");
        // Ends a menu that was not ended, so a fault fails the test instead of hanging it.
        const UINT_PTR guard = SetTimer(nullptr, 0, 5000, [](HWND, UINT, UINT_PTR, DWORD) { EndMenu(); });
        const ULONGLONG start = GetTickCount64();
        TrackPopupMenu(menu.get(), TPM_RETURNCMD, 10, 10, 0, d.Window(), nullptr);
        menuOpenMs = GetTickCount64() - start;
        KillTimer(nullptr, guard);
        hidden = WaitFor([&] { return !IsWindowVisible(foreign[0]); }, 5000);
        entries = d.Menu().EntryCount();
        menuLoops = d.menuLoops;
        hideMessages = d.hideMessages;
    });
    dialog.Show();
    EXPECT_EQ(menuLoops, 1) << "the menu did not open";
    EXPECT_EQ(hideMessages, 1) << "the hide was posted again";
    EXPECT_LT(menuOpenMs, 3000u) << "the menu was not ended";
    EXPECT_TRUE(hidden);
    EXPECT_EQ(entries, 1u);
    EXPECT_TRUE(IsWindowVisible(foreign[0])) << "the dialog's end shows the window again";
}

// A hotkey pressed while a menu is open acts once the menu has ended (held, then posted again);
// when a quit request began the program's end meanwhile (and so ended the menu), it does not act
// at all: the held windows are being shown.
TEST(HeldDuringMenu, AHotkeyActsAfterTheMenuUnlessTheProgramIsEnding)
{
    RegistryKeyGuard settings;
    settings.Clear();
    TargetWindows foreign("--window --title \"TB Held\"");
    ASSERT_TRUE(foreign.Ready()) << foreign.Error();
    static HWND s_dialog = nullptr;
    static bool s_ending = false;
    // The end cannot be taken back: its row comes last.
    for (const bool ending : {false, true}) {
        SCOPED_TRACE(ending ? "the program ends during the menu" : "the menu ends");
        int hotkeys = -1;
        bool shownAfterMenu = false;
        ScriptedDialog dialog([&](ScriptedDialog& d) {
            ASSERT_TRUE(HideWindowIntoMenu(foreign[0], d.Menu(), nullptr));
            s_dialog = d.Window();
            s_ending = ending;
            OwnedMenu menu(CreatePopupMenu());
            AppendMenuA(menu.get(), MF_STRING, 1, "entry");
            const UINT_PTR press = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
                KillTimer(nullptr, id);
                SendMessageA(s_dialog, WM_HOTKEY, kRestoreLastHotkeyId, 0);
                if (s_ending)
                    BeginProgramEnd();
                EndMenu();
            });
            TrackPopupMenu(menu.get(), TPM_RETURNCMD, 10, 10, 0, d.Window(), nullptr);
            KillTimer(nullptr, press);
            shownAfterMenu = WaitFor([&] { return IsWindowVisible(foreign[0]) != FALSE; }, 1000);
            hotkeys = d.hotkeys;
        });
        dialog.Show();
        EXPECT_EQ(hotkeys, ending ? 1 : 2);
        EXPECT_EQ(shownAfterMenu, !ending);
        EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(foreign[0]) != FALSE; })) << "the dialog's end shows it";
    }
}

namespace {

// The process's private bytes (Wine fills PagefileUsage only; on Windows both are the commit).
SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof counters);
    return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

// Typing, which the mouse hook does not see, makes the hook's watch look at the pointer when it is
// asked to look: it takes the position the message carries and never asks the display (under Wine
// a GetCursorPos opened a display connection for the thread, 860 KB kept for its life).
TEST(TitleBarHookThread, TypingAddsNoMemoryToTheHookThread)
{
    const HWND owner = CreateWindowA("STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    bool grew = false;
    {
        TitleBarHook hook(WM_APP + 60);
        hook.Configure(owner, true, {});
        ASSERT_TRUE(WaitFor([&] { return hook.IsSet(); }, 5000));
        const SIZE_T before = PrivateBytes();
        const ULONGLONG start = GetTickCount64();
        // Keys with a look asked after them; the rise that must not come ends it early.
        while (!grew && GetTickCount64() - start < 3500) {
            INPUT keys[2] = {};
            keys[0].type = keys[1].type = INPUT_KEYBOARD;
            keys[0].ki.wVk = keys[1].ki.wVk = VK_SHIFT;
            keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
            SendInput(2, keys, sizeof(INPUT));
            hook.CheckHook();
            grew = WaitFor([&] { return PrivateBytes() > before + 512 * 1024; }, 500);
        }
        EXPECT_FALSE(grew) << "private bytes " << before / 1024 << " -> " << PrivateBytes() / 1024 << " KB";
        EXPECT_TRUE(hook.IsSet());
    }
    DestroyWindow(owner);
}

// With no input the hook's thread never wakes: it has no timer, so a waiting Veilbox costs nothing.
// Its wake-ups are its context switches, which Linux counts for the thread under Wine.
TEST(TitleBarHookThread, NeverWakesWithoutInput)
{
    const std::string process = std::to_string(UnixPidOf("component_tests"));
    const std::string name(TitleBarHook::kThreadName, TitleBarHook::kThreadName + wcslen(TitleBarHook::kThreadName));
    if (process == "0")
        GTEST_SKIP() << "the thread's switches are read from Linux under Wine";
    const HWND owner = CreateWindowA("STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    {
        TitleBarHook hook(WM_APP + 60);
        hook.Configure(owner, true, {});
        ASSERT_TRUE(WaitFor([&] { return hook.IsSet(); }, 5000));
        long long before = -1;
        ULONGLONG since = 0;
        ASSERT_TRUE(WaitFor([&] {
            const long long now = LinuxTaskSwitches(process, name.c_str());
            if (now != before)
                since = GetTickCount64();
            before = now;
            return now >= 0 && GetTickCount64() - since >= 250;
        }, 5000)) << "the thread was not found, or never settled";
        // Over three and a half seconds; a wake ends it early.
        const bool woke = WaitFor([&] { return LinuxTaskSwitches(process, name.c_str()) > before + 1; }, 3500);
        EXPECT_FALSE(woke) << LinuxTaskSwitches(process, name.c_str()) - before << " context switches";
        EXPECT_TRUE(hook.IsSet());
    }
    DestroyWindow(owner);
}

} // namespace
