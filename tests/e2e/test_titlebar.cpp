// Hiding from a window's own title bar with the real Veilbox.exe: clicks on a helper window's
// minimise button and close box, made as a user makes them (through the X server under Wine),
// with the option on and off and with a close-box rule.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "support/CaptionButtons.h"
#include "support/TargetWindows.h"
#include "support/VeilboxApp.h"

using namespace vbtest;

namespace {

enum class Click { Right, ShiftRight, Left };
enum class Outcome {
    HiddenIntoMenu,  // hidden, still there, and shown again by Veilbox's Exit
    Minimised,
    PassedOn,        // the press reached the window (its title is marked) and it stays visible
    Closed,
    ClosedOnWaking,  // a window that did not answer its hit test gets its click once it pumps again
};

struct TitleBarCase {
    const char* name;
    LRESULT button;  // HTMINBUTTON or HTCLOSE
    Click click;
    bool optionOn;
    bool closeRule;  // a close-box rule names "VB Close Target"
    const char* title;
    Outcome outcome;
    bool hangs = false;
};

void PrintTo(const TitleBarCase& row, std::ostream* out)
{
    *out << row.name;
}

const TitleBarCase kCases[] = {
    {"right click on minimise hides", HTMINBUTTON, Click::Right, true, false, "VB Bar Target", Outcome::HiddenIntoMenu},
    {"left click on minimise minimises", HTMINBUTTON, Click::Left, true, false, "VB Bar Target", Outcome::Minimised},
    {"shift right click passes", HTMINBUTTON, Click::ShiftRight, true, false, "VB Bar Target", Outcome::PassedOn},
    {"option off passes", HTMINBUTTON, Click::Right, false, false, "VB Bar Target", Outcome::PassedOn},
    {"close box of a rule's window hides", HTCLOSE, Click::Left, false, true, "VB Close Target", Outcome::HiddenIntoMenu},
    {"close box of another window closes", HTCLOSE, Click::Left, true, true, "VB Close Other", Outcome::Closed},
    {"a window that does not answer keeps its click", HTCLOSE, Click::Left, true, true, "VB Close Target",
     Outcome::ClosedOnWaking, true},
};

constexpr char kOptionsKey[] = "Software\\Quillfen\\Veilbox";
constexpr DWORD kHangAfterMs = 1500;
constexpr DWORD kWakeAfterMs = 2500;

void WriteSettings(const TitleBarCase& row)
{
    const DWORD option = row.optionOn ? 1 : 0;
    const std::string interfaceKey = std::string(kOptionsKey) + "\\Interface";
    RegSetKeyValueA(HKEY_CURRENT_USER, interfaceKey.c_str(), "MinButtonHide", REG_DWORD, &option, sizeof option);
    if (!row.closeRule)
        return;
    const std::string rule = std::string(kOptionsKey) + "\\Rules\\000";
    const DWORD enabled = 1, when = 3;
    RegSetKeyValueA(HKEY_CURRENT_USER, rule.c_str(), "Enabled", REG_DWORD, &enabled, sizeof enabled);
    RegSetKeyValueA(HKEY_CURRENT_USER, rule.c_str(), "When", REG_DWORD, &when, sizeof when);
    RegSetKeyValueA(HKEY_CURRENT_USER, rule.c_str(), "Title", REG_SZ, "VB Close Target", 16);
}

// A click through the X server under Wine (as a user's), else with SendInput.
void ClickAt(POINT at, Click click)
{
    const bool right = click != Click::Left;
    if (RunningUnderWine()) {
        StartXdotool("mousemove " + std::to_string(at.x) + " " + std::to_string(at.y) + " click " +
                     (right ? "3" : "1"));
        return;
    }
    SetCursorPos(at.x, at.y);
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof(INPUT));
}

std::string TitleOf(HWND window)
{
    WCHAR title[256] = {};
    InternalGetWindowText(window, title, 256);
    std::string narrow;
    for (const WCHAR* c = title; *c; ++c)
        narrow += static_cast<char>(*c);
    return narrow;
}

std::string HelperArgs(const TitleBarCase& row)
{
    std::string args = std::string("--window --title \"") + row.title + "\" --mark-clicks";
    if (row.hangs)
        args = "--hang-after-ms " + std::to_string(kHangAfterMs) + " --wake-after-ms " +
               std::to_string(kWakeAfterMs) + " " + args;
    return args;
}

// Puts the helper window away from Veilbox's dialog, on top of every other window.
::testing::AssertionResult Raise(HWND window, POINT& button, LRESULT part)
{
    if (RaiseAndFindButton(window, part, button, 600, 420))
        return ::testing::AssertionSuccess();
    HWND over = WindowFromPoint(button);
    char name[64] = {};
    GetClassNameA(over, name, sizeof name);
    return ::testing::AssertionFailure() << "the button was not found on top at " << button.x << "," << button.y
                                         << ": " << over << " of class " << name << " \"" << TitleOf(over) << "\"";
}

void ExpectOutcome(const TitleBarCase& row, HWND window, VeilboxApp& app)
{
    switch (row.outcome) {
    case Outcome::HiddenIntoMenu:
        ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(window); }, 5000)) << "not hidden";
        EXPECT_TRUE(IsWindow(window)) << "closed instead of hidden";
        EXPECT_EQ(TitleOf(window), row.title) << "the window saw the click";
        EXPECT_TRUE(app.Exit());
        EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(window) != FALSE; }, 5000)) << "not shown again at Exit";
        break;
    case Outcome::Minimised:
        EXPECT_TRUE(WaitFor([&] { return IsIconic(window) != FALSE; }, 5000)) << "not minimised";
        EXPECT_TRUE(IsWindowVisible(window));
        break;
    case Outcome::PassedOn:
        EXPECT_TRUE(WaitFor([&] { return TitleOf(window) == std::string(row.title) + " R"; }, 5000))
            << "the window did not get the press; title " << TitleOf(window);
        EXPECT_TRUE(IsWindowVisible(window));
        break;
    case Outcome::Closed:
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(window); }, 5000)) << "not closed";
        break;
    case Outcome::ClosedOnWaking:
        EXPECT_TRUE(IsWindowVisible(window)) << "hidden although it gave no answer";
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(window); }, kWakeAfterMs + 5000)) << "did not get its click";
        break;
    }
}

// After a window that kept Veilbox waiting: the hook is still set and hides the next window.
void ExpectHookStillSet(VeilboxApp& app)
{
    TargetWindows next("--window --title \"VB Bar Next\" --mark-clicks");
    ASSERT_TRUE(next.Ready()) << next.Error();
    POINT button = {};
    ASSERT_TRUE(Raise(next[0], button, HTMINBUTTON));
    ClickAt(button, Click::Right);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(next[0]); }, 5000)) << "the hook was lost";
    EXPECT_TRUE(app.Exit());
}

} // namespace

class TitleBar : public ::testing::TestWithParam<TitleBarCase> {
protected:
    void SetUp() override { m_settings.Clear(); }
    RegistryKeyGuard m_settings;
};

TEST_P(TitleBar, ClickOnCaptionButton)
{
    const TitleBarCase& row = GetParam();
    WriteSettings(row);
    VeilboxApp app;
    ASSERT_NE(app.MainWindow(), nullptr);
    TargetWindows target(HelperArgs(row));
    ASSERT_TRUE(target.Ready()) << target.Error();
    HWND window = target[0];
    POINT button = {};
    ASSERT_TRUE(Raise(window, button, row.button));
    if (row.hangs) {
        ASSERT_TRUE(WaitFor([&] {
            return !SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 100, nullptr);
        }, kHangAfterMs + 5000)) << "the helper kept answering";
        // A program that does not pump reads no X events under Wine: the click is put straight
        // into the system's input, where the hook sees it at once.
        InjectClickAt(button, false);
    } else if (row.click == Click::ShiftRight) {
        HeldKeys shift{VK_SHIFT};
        ClickAt(button, row.click);
        WaitFor([&] { return TitleOf(window) != row.title; }, 5000);
    } else {
        ClickAt(button, row.click);
    }
    ExpectOutcome(row, window, app);
    if (row.hangs)
        ExpectHookStillSet(app);
}

INSTANTIATE_TEST_SUITE_P(Rows, TitleBar, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<TitleBarCase>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c; ++c)
                                 name += isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return name;
                         });
