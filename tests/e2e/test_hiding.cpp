// Hiding and showing other programs' windows with the real Veilbox.exe.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "settings/RegistryRead.h"
#include "support/TargetWindows.h"
#include "support/VeilboxApp.h"

using namespace vbtest;

namespace {

bool WaitVisible(HWND window, bool visible, DWORD timeoutMs = 5000)
{
    return WaitFor([&] { return IsWindowVisible(window) == (visible ? TRUE : FALSE); }, timeoutMs);
}

// The windows of the menu's entries, oldest first, as the program mirrors them under Held: a
// value per record, named by its number (all of one width here), its text starting with the
// window's handle.
std::vector<HWND> HeldWindows()
{
    std::map<std::string, HWND> records;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Quillfen\\Veilbox\\Held", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    NString name;
    DWORD type = 0;
    std::vector<BYTE> text;
    // Grows its buffers as long names and titles need: a record is never skipped for its length.
    for (DWORD i = 0; RegistryEnumValue(key, i, name, &type, &text) == ERROR_SUCCESS; ++i) {
        text.push_back(0);
        if (type == REG_SZ && strspn(name.Text(), "0123456789") == name.Length())
            records[name.Text()] = reinterpret_cast<HWND>(
                static_cast<UINT_PTR>(_strtoui64(reinterpret_cast<const char*>(text.data()), nullptr, 10)));
    }
    RegCloseKey(key);
    std::vector<HWND> windows;
    for (const auto& record : records)
        windows.push_back(record.second);
    return windows;
}

} // namespace

class Hiding : public ::testing::Test {
protected:
    RegistryKeyGuard m_settings;
};

TEST_F(Hiding, DoubleClickHidesIntoTheMenuAndTheEntryBringsItBack)
{
    TargetWindows targets("--window --title \"Hiding Target A\"");
    ASSERT_TRUE(targets.Ready());
    VeilboxApp app;
    ASSERT_NE(app.MainWindow(), nullptr);
    ASSERT_TRUE(app.WaitListed("Hiding Target A"));

    ASSERT_TRUE(app.DoubleClick("Hiding Target A")) << app.Failure();
    EXPECT_TRUE(WaitVisible(targets[0], false));
    EXPECT_FALSE(app.Lists("Hiding Target A"));

    ASSERT_TRUE(app.ChooseTopMenuEntry());
    EXPECT_TRUE(WaitVisible(targets[0], true));
    EXPECT_TRUE(app.WaitListed("Hiding Target A"));
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == targets[0]; }, 3000));
}

TEST_F(Hiding, ExitShowsHeldWindowsAgainButShiftHiddenOnesStayHidden)
{
    TargetWindows targets("--window --title \"Held One\" --window --title \"Held Two\" "
                          "--window --title \"Shift Hidden\"");
    ASSERT_TRUE(targets.Ready());
    VeilboxApp app;
    ASSERT_TRUE(app.WaitListed("Shift Hidden"));

    ASSERT_TRUE(app.DoubleClick("Held One")) << app.Failure();
    ASSERT_TRUE(app.DoubleClick("Held Two")) << app.Failure();
    {
        HeldKeys shift{VK_SHIFT};
        ASSERT_TRUE(app.DoubleClick("Shift Hidden")) << app.Failure();
    }
    for (size_t i = 0; i < 3; ++i)
        EXPECT_TRUE(WaitVisible(targets[i], false)) << i;

    ASSERT_TRUE(app.Exit());
    EXPECT_EQ(app.Process().ExitCode(), 0u);
    EXPECT_TRUE(IsWindowVisible(targets[0]));
    EXPECT_TRUE(IsWindowVisible(targets[1]));
    EXPECT_FALSE(IsWindowVisible(targets[2]));
}

TEST_F(Hiding, QuitRequestFromAnInstallerReleasesEveryHeldWindow)
{
    TargetWindows targets("--window --title \"Installer Case\"");
    ASSERT_TRUE(targets.Ready());
    VeilboxApp app;
    ASSERT_TRUE(app.WaitListed("Installer Case"));
    ASSERT_TRUE(app.DoubleClick("Installer Case")) << app.Failure();
    ASSERT_TRUE(WaitVisible(targets[0], false));

    ChildProcess installer;
    ASSERT_TRUE(installer.Start("Veilbox.exe", "update"));
    EXPECT_TRUE(installer.WaitForExit());
    EXPECT_TRUE(app.Process().WaitForExit());
    EXPECT_TRUE(IsWindowVisible(targets[0]));
}

TEST_F(Hiding, HideActiveHidesTheForegroundCandidate)
{
    TargetWindows targets("--window --title \"Active Target\"");
    ASSERT_TRUE(targets.Ready());
    VeilboxApp app;
    ASSERT_TRUE(app.WaitListed("Active Target"));

    ASSERT_TRUE(ClickToFront(targets[0]));
    ASSERT_TRUE(app.Command(1009)) << app.Failure();
    EXPECT_TRUE(WaitVisible(targets[0], false));
    EXPECT_NE(GetForegroundWindow(), targets[0]);

    ASSERT_TRUE(app.Exit());
    EXPECT_TRUE(IsWindowVisible(targets[0]));
}

TEST_F(Hiding, HideActiveWithAWindowThatIsNoCandidateHidesNothing)
{
    // A window without a title is never a candidate.
    TargetWindows targets("--window");
    ASSERT_TRUE(targets.Ready());
    VeilboxApp app;
    ASSERT_NE(app.MainWindow(), nullptr);
    ASSERT_TRUE(ClickToFront(targets[0]));
    ASSERT_TRUE(app.Command(1009)) << app.Failure();
    EXPECT_TRUE(IsWindowVisible(targets[0]));
}

TEST_F(Hiding, AProgramThatStoppedAnsweringNeverFreezesTheDialog)
{
    VeilboxApp app;
    ASSERT_NE(app.MainWindow(), nullptr);
    // The target takes the foreground while it still answers, then stops answering.
    TargetWindows hung("--hang-after-ms 2500 --window --title \"Hung Target\"");
    ASSERT_TRUE(hung.Ready());
    ASSERT_TRUE(app.WaitListed("Hung Target"));
    ASSERT_TRUE(ClickToFront(hung[0]));
    ASSERT_TRUE(WaitHung(hung[0]));

    ULONGLONG start = GetTickCount64();
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutA(app.MainWindow(), WM_COMMAND, 1009, 0, SMTO_NORMAL, 5000, &result));
    EXPECT_LT(GetTickCount64() - start, 2000u);
    // The hide is queued for the stuck program, which takes it when (if ever) it answers again.

    // Probe the dialog continuously across more than one refresh of its list.
    ULONGLONG slowest = 0;
    for (ULONGLONG end = GetTickCount64() + 2500; GetTickCount64() < end;) {
        start = GetTickCount64();
        ASSERT_TRUE(SendMessageTimeoutA(app.MainWindow(), WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result));
        slowest = std::max(slowest, GetTickCount64() - start);
    }
    EXPECT_LT(slowest, 300u);

    start = GetTickCount64();
    EXPECT_TRUE(app.Exit());
    EXPECT_LT(GetTickCount64() - start, 5000u);
}

TEST_F(Hiding, WinesOwnNotepadIsHiddenAndShownAgain)
{
    ChildProcess notepad;
    ASSERT_TRUE(notepad.Start("C:\\windows\\notepad.exe"));
    HWND window = WaitForTopWindow({notepad.Id(), nullptr, "Notepad", true}, 15000);
    ASSERT_NE(window, nullptr);
    char title[256] = {};
    GetWindowTextA(window, title, sizeof title);

    VeilboxApp app;
    ASSERT_TRUE(app.WaitListed(title));
    ASSERT_TRUE(app.DoubleClick(title)) << app.Failure();
    EXPECT_TRUE(WaitVisible(window, false));
    ASSERT_TRUE(app.ChooseTopMenuEntry());
    EXPECT_TRUE(WaitVisible(window, true));
}

// While the message box is up, the menu opens (and drops the refused window's entry) and another
// window is hidden: what the refused hide does after the box must not touch that window's entry.
TEST_F(Hiding, AWindowThatRefusesToHideIsNotClaimedAndTheUserIsTold)
{
    TargetWindows targets("--window --title \"Stubborn Window\" --refuse-hide --window --title \"Bystander\"");
    ASSERT_TRUE(targets.Ready());
    VeilboxApp app;
    ASSERT_TRUE(app.WaitListed("Stubborn Window"));
    ASSERT_TRUE(app.WaitListed("Bystander"));
    ASSERT_TRUE(app.Select(app.IndexOf("Stubborn Window"))) << app.Failure();
    // Posted: the message box the double click opens runs its own loop in Veilbox.
    PostMessageA(app.MainWindow(), WM_COMMAND, MAKEWPARAM(1000, LBN_DBLCLK), reinterpret_cast<LPARAM>(app.List()));

    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        box = FindTopWindow({app.Process().Id(), "Window Veilbox", "#32770", true});
        return box && box != app.MainWindow();
    }));
    EXPECT_EQ(GetWindow(box, GW_OWNER), app.MainWindow());
    char text[512] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    EXPECT_STREQ(text, "This window could not be hidden. Programs running as administrator can only be "
                       "hidden when Window Veilbox runs as administrator too.");
    ASSERT_TRUE(app.OpenMenu());
    ASSERT_TRUE(app.CloseMenu());
    ASSERT_TRUE(app.DoubleClick("Bystander")) << app.Failure();
    ASSERT_TRUE(WaitVisible(targets[1], false));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }));

    EXPECT_TRUE(IsWindowVisible(targets[0]));
    EXPECT_TRUE(app.Lists("Stubborn Window"));
    EXPECT_FALSE(IsWindowVisible(targets[1]));
    EXPECT_EQ(HeldWindows(), std::vector<HWND>{targets[1]});
}

// The target stops answering before the hide and wakes after the menu has opened: its hide was
// queued, and its entry must outlive the menu's pruning while the window is still visible.
TEST_F(Hiding, AQueuedHideKeepsItsEntryUntilTheProgramTakesIt)
{
    TargetWindows busy("--hang-after-ms 1500 --wake-after-ms 5000 --window --title \"Busy Target\"");
    ASSERT_TRUE(busy.Ready());
    VeilboxApp app;
    ASSERT_TRUE(app.WaitListed("Busy Target"));
    ASSERT_TRUE(WaitHung(busy[0]));

    ASSERT_TRUE(app.DoubleClick("Busy Target")) << app.Failure();
    ASSERT_TRUE(app.OpenMenu());
    ASSERT_TRUE(app.CloseMenu());
    ASSERT_TRUE(Answers(app.MainWindow()));
    EXPECT_TRUE(IsWindowVisible(busy[0])) << "the program woke too early for this test";
    EXPECT_EQ(HeldWindows(), std::vector<HWND>{busy[0]});

    EXPECT_TRUE(WaitVisible(busy[0], false, 8000));
    ASSERT_TRUE(app.OpenMenu());
    ASSERT_TRUE(app.CloseMenu());
    EXPECT_EQ(HeldWindows(), std::vector<HWND>{busy[0]});
    ASSERT_TRUE(app.Exit());
    EXPECT_TRUE(IsWindowVisible(busy[0]));
}
