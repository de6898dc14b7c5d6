// The tray icon of a dialog that uses the tray, with the real shell of the
// session: when it exists, when it reacts to clicks, what each click does and
// how it comes back after the taskbar is re-created.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "component/DialogAnswerer.h"
#include "component/FakeShell.h"
#include "component/TrayProbe.h"

using winbase_test::DialogAnswerer;
using winbase_test::FakeShell;
using winbase_test::ProbeDialog;
using winbase_test::TrayProbe;
using winbase_test::TestWindow;
using winbase_test::TrayIconExists;

namespace {

bool WaitVisible(HWND window, bool visible, DWORD timeoutMs = 3000)
{
    return vbtest::WaitFor([&] { return (IsWindowVisible(window) != FALSE) == visible; }, timeoutMs);
}

// Decides every close of the probe: to the tray, without the notice.
void StoreCloseToTray()
{
    SettingsKey close = winbase_test::TestKey("CloseToTray");
    close.WriteInt("CloseToTray", 1);
    close.WriteInt("CloseToTrayRunReminder", 0);
}

class TrayIcon : public ::testing::Test {
protected:
    void SetUp() override { m_settings.Clear(); }
    vbtest::RegistryKeyGuard m_settings{winbase_test::kTrayTestKeyPath};
};

TEST_F(TrayIcon, ADialogThatDoesNotUseTheTrayNeverTouchesTheShell)
{
    ProbeDialog dialog(IDD_HIDDEN, nullptr, winbase_test::kTrayTestKeyName);
    bool iconSeen = true;
    dialog.script = [&](ProbeDialog& d) { iconSeen = TrayIconExists(d.Window()); };
    dialog.Show();
    EXPECT_FALSE(iconSeen);
    EXPECT_EQ(QF_WINBASE::TaskbarCreatedMessage(), QF_WINBASE::kNoTrayMessage);
    EXPECT_FALSE(dialog.IsTrayUnavailable());
}

// At start-up the icon has its picture only, so a real click on it reaches
// nobody; the first trip to the tray gives it its tip and callback message.
TEST_F(TrayIcon, ReactsToClicksOnlyAfterTheFirstTripToTheTray)
{
    StoreCloseToTray();
    TrayProbe dialog;
    HWND window = nullptr;
    bool existedAtStart = false, clickAtStartReported = true, hidden = false, clickRestored = false;
    dialog.script = [&](ProbeDialog& d) {
        window = d.Window();
        ShowWindow(window, SW_SHOW);
        existedAtStart = TrayIconExists(window);
        if (!winbase_test::ClickFirstTrayIcon()) {
            return;
        }
        clickAtStartReported = vbtest::WaitFor([&] { return d.Seen(winbase_test::kTestTrayMessage) > 0; }, 700);

        SendMessageA(window, WM_CLOSE, 0, 0);
        hidden = !IsWindowVisible(window);
        winbase_test::ClickFirstTrayIcon();
        clickRestored = WaitVisible(window, true);
    };
    dialog.Show();
    ASSERT_TRUE(existedAtStart);
    EXPECT_FALSE(clickAtStartReported);
    EXPECT_TRUE(hidden);
    EXPECT_TRUE(clickRestored);
    EXPECT_GT(dialog.Seen(winbase_test::kTestTrayMessage), 0) << "tray messages go on to OnMessage";
    EXPECT_FALSE(TrayIconExists(window)) << "removed with the window";
}

TEST_F(TrayIcon, LeftUpRestoresWhetherOrNotTheIconTakesClicks)
{
    StoreCloseToTray();
    for (bool afterTrip : {false, true}) {
        TrayProbe dialog;
        bool restored = false;
        dialog.script = [&](ProbeDialog& d) {
            ShowWindow(d.Window(), SW_SHOW);
            if (afterTrip) {
                SendMessageA(d.Window(), WM_CLOSE, 0, 0);
            } else {
                ShowWindow(d.Window(), SW_HIDE);
            }
            ASSERT_FALSE(IsWindowVisible(d.Window()));
            static_cast<TrayProbe&>(d).TrayClick(WM_LBUTTONUP);
            restored = IsWindowVisible(d.Window()) != FALSE;
        };
        dialog.Show();
        EXPECT_TRUE(restored) << (afterTrip ? "after a trip" : "icon with its picture only");
        EXPECT_EQ(dialog.WindowState(), QF_WINBASE::kStateNormal);
    }
}

TEST_F(TrayIcon, EachMouseMessageHasItsOperation)
{
    const struct {
        const char* label;
        LPARAM mouse;
        bool restores;
    } cases[] = {
        {"left button up", WM_LBUTTONUP, true},
        {"left double click", WM_LBUTTONDBLCLK, true},
        {"middle button up", WM_MBUTTONUP, true},
        {"right button up without a tray menu", WM_RBUTTONUP, true},
        {"left button down", WM_LBUTTONDOWN, false},
        {"mouse move", WM_MOUSEMOVE, false},
        // Only an icon the shell took version 4 for has these; this one has no callback yet.
        {"Enter or Space, without version 4", NIN_KEYSELECT, false},
        {"a click's selection, without version 4", NIN_SELECT, false},
        {"the context-menu key, without version 4", WM_CONTEXTMENU, false},
    };
    for (const auto& c : cases) {
        TrayProbe dialog;
        bool restored = false;
        dialog.script = [&](ProbeDialog& d) {
            ShowWindow(d.Window(), SW_HIDE);
            static_cast<TrayProbe&>(d).TrayClick(c.mouse);
            restored = IsWindowVisible(d.Window()) != FALSE;
        };
        dialog.Show();
        EXPECT_EQ(restored, c.restores) << c.label;
        EXPECT_EQ(dialog.Seen(winbase_test::kTestTrayMessage), 1) << c.label;
    }
}

TEST_F(TrayIcon, ASecondTrayMessageWhileTheTrayMenuIsOpenIsIgnored)
{
    TrayProbe dialog;
    dialog.trayMenu = CreatePopupMenu();
    AppendMenuA(dialog.trayMenu, MF_STRING, 4242, "Item");
    bool menuOpened = false, restoredDuringMenu = true, restoredAfter = false;
    dialog.script = [&](ProbeDialog& d) {
        auto& probe = static_cast<TrayProbe&>(d);
        ShowWindow(d.Window(), SW_HIDE);
        DialogAnswerer answerer;
        answerer.ThenClass("#32768", [&](HWND) {
            menuOpened = true;
            probe.TrayClick(WM_LBUTTONUP);
            restoredDuringMenu = IsWindowVisible(d.Window()) != FALSE;
            EndMenu();
        });
        probe.TrayClick(WM_RBUTTONUP);
        probe.TrayClick(WM_LBUTTONUP);
        restoredAfter = IsWindowVisible(d.Window()) != FALSE;
    };
    dialog.Show();
    DestroyMenu(dialog.trayMenu);
    EXPECT_TRUE(menuOpened);
    EXPECT_FALSE(restoredDuringMenu);
    EXPECT_TRUE(restoredAfter) << "the guard is released with the menu";
}

// Wine never re-creates its taskbar, so the broadcast is sent here as the
// shell sends it; the icon comes back complete, ready for clicks, although
// the dialog has never been to the tray.
TEST_F(TrayIcon, TaskbarCreatedAddsTheIconAgainWithItsCallback)
{
    TrayProbe dialog;
    bool removed = false, back = false, clickRestored = false;
    dialog.script = [&](ProbeDialog& d) {
        HWND window = d.Window();
        NOTIFYICONDATAW record = {};
        record.cbSize = NOTIFYICONDATAW_V1_SIZE;
        record.hWnd = window;
        Shell_NotifyIconW(NIM_DELETE, &record);
        removed = !TrayIconExists(window);
        SendNotifyMessageA(HWND_BROADCAST, QF_WINBASE::TaskbarCreatedMessage(), 0, 0);
        back = vbtest::WaitFor([&] { return TrayIconExists(window); }, 3000);
        ShowWindow(window, SW_HIDE);
        if (winbase_test::ClickFirstTrayIcon()) {
            clickRestored = WaitVisible(window, true);
        }
    };
    dialog.Show();
    EXPECT_NE(QF_WINBASE::TaskbarCreatedMessage(), QF_WINBASE::kNoTrayMessage);
    EXPECT_TRUE(removed);
    EXPECT_TRUE(back);
    EXPECT_TRUE(clickRestored);
}

TEST_F(TrayIcon, WithoutANotificationAreaNothingIsAskedAndTheCloseEndsTheDialog)
{
    FakeShell shell(FakeShell::kRefuses);
    ASSERT_TRUE(shell.Answers());
    TrayProbe dialog;
    bool unavailable = false, destroyed = false;
    DialogAnswerer answerer(1500);
    answerer.Then("Query", [](HWND query) { DialogAnswerer::Click(query, IDNO); });
    dialog.script = [&](ProbeDialog& d) {
        unavailable = d.IsTrayUnavailable();
        SendMessageA(d.Window(), WM_CLOSE, 0, 0);
        destroyed = !IsWindow(d.Window());
    };
    dialog.Show();
    EXPECT_TRUE(unavailable);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(answerer.Answered(), 0u);
    EXPECT_EQ(winbase_test::ReadTestValue("CloseToTray", "CloseToTrayReminder"), -1);
}

// The first add runs alongside the initialisation: it has ended, with its answer, as the
// initialisation ends and before the dialog can show. A shell that restarts while the add is
// awaited has its "TaskbarCreated" handled then, and the icon updated once more; a shell that
// hangs holds the start no longer than the wait's bound and leaves the tray unavailable.
class InitTrayProbe : public winbase_test::TrayProbe {
public:
    bool StartsHidden() const override { return startsHidden; }
    void OnInitDone() override
    {
        initMs = GetTickCount64() - created;
        TrayProbe::OnInitDone();
        requestsAtInit = shell ? shell->Requests() : -1;
        // Asking a hung shell whether the icon exists would hang this test.
        const bool hung = shell && shell->Hangs();
        if (hung)
            shell->Release();
        atInit = {!hung && winbase_test::TrayIconExists(Window()), IsTrayUnavailable(),
                  IsWindowVisible(Window()) != FALSE};
    }
    std::vector<bool> atInit;
    bool startsHidden = false;
    const ULONGLONG created = GetTickCount64();
    ULONGLONG initMs = 0;
    int requestsAtInit = -1;
    FakeShell* shell = nullptr;
};

TEST_F(TrayIcon, TheFirstAddHasEndedAsTheInitialisationEnds)
{
    struct Row {
        const char* name;
        int shell;  // a FakeShell kind, or -1 for the session's shell
        std::vector<bool> atInit;  // icon in the session's shell, tray unavailable, visible
        int requests;  // requests the fake shell had seen by then, -1 unchecked
    };
    const Row rows[] = {
        {"the shell takes the icon", -1, {true, false, false}, -1},
        {"the shell refuses", FakeShell::kRefuses, {false, true, false}, 2},
        {"the shell restarts during the add (the add again, then its version)", FakeShell::kRestarts,
         {true, false, false}, 3},
        {"the shell hangs", FakeShell::kHangs, {false, true, false}, 0},
    };
    // A start into the tray begins the add as the window is made, before the controls: the same
    // answers, the same requests.
    for (const bool startsHidden : {false, true}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.name) + (startsHidden ? ", a start into the tray" : ", a start shown"));
            std::unique_ptr<FakeShell> shell(row.shell < 0 ? nullptr : new FakeShell(FakeShell::Kind(row.shell)));
            ASSERT_TRUE(!shell || shell->Answers());
            InitTrayProbe dialog;
            dialog.shell = shell.get();
            dialog.startsHidden = startsHidden;
            dialog.Show();
            EXPECT_EQ(dialog.atInit, row.atInit);
            EXPECT_LT(dialog.initMs, TrayFirstAdd::kAnswerWaitMs + 2000);
            EXPECT_EQ(dialog.requestsAtInit, row.requests);
        }
    }
}

// A start into the tray asks the shell for its icon as soon as the dialog's window exists, before
// the controls are made (they cost it most of its start), and only once; any other start asks once
// they are made, as it always did. The shell here answers on a thread of its own; as the dialog's
// first control is made, the test waits for the shell to have been asked (long where it must be,
// briefly where it must not: a short wait there can only let a fault through, not fail wrongly).
class StartProbe : public winbase_test::TrayProbe {
public:
    explicit StartProbe(int templateId = IDD_HIDDEN) : TrayProbe(templateId) {}
    bool StartsHidden() const override { return startsHidden; }
    bool TrayOnlyWhenHidden() const override { return onlyWhenHidden; }
    bool startsHidden = false;
    bool onlyWhenHidden = false;
};

FakeShell* g_askedShell = nullptr;
DWORD g_askWaitMs = 0;
int g_askedBeforeControls = -1;  // -1: no control made yet

LRESULT CALLBACK NoteFirstControl(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* create = reinterpret_cast<const CBT_CREATEWNDA*>(lParam);
    if (code == HCBT_CREATEWND && g_askedShell && g_askedBeforeControls < 0 && (create->lpcs->style & WS_CHILD)) {
        // No message of this thread is handled meanwhile: the dialog is being made.
        const ULONGLONG deadline = GetTickCount64() + g_askWaitMs;
        while (g_askedShell->Requests() == 0 && GetTickCount64() < deadline)
            Sleep(2);
        g_askedBeforeControls = g_askedShell->Requests() > 0 ? 1 : 0;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(TrayIcon, OnlyAStartIntoTheTrayAsksForItsIconBeforeTheControlsAreMade)
{
    const struct {
        const char* name;
        bool usesTray, startsHidden, owned, onlyWhenHidden, askedBeforeControls;
        int requests;  // by the end of the start; -1 unchecked
    } rows[] = {
        {"a start into the tray", true, true, false, false, true, 1},
        {"a start shown", true, false, false, false, false, 1},
        {"a dialog without the tray that starts hidden", false, true, false, false, false, 0},
        {"an owned dialog that starts hidden (it shows its owner's icon)", true, true, true, false, false, -1},
        {"a start into the tray with the icon only while hidden", true, true, false, true, false, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FakeShell shell(FakeShell::kTakesOnItsThread);
        ASSERT_TRUE(shell.Answers());
        g_askedShell = &shell;
        g_askWaitMs = row.askedBeforeControls ? 10000 : 300;
        g_askedBeforeControls = -1;
        StartProbe dialog;
        dialog.usesTray = row.usesTray;
        dialog.startsHidden = row.startsHidden;
        dialog.onlyWhenHidden = row.onlyWhenHidden;
        TestWindow owner("STATIC", WS_POPUP, {0, 0, 50, 50});
        HHOOK hook = SetWindowsHookExA(WH_CBT, &NoteFirstControl, nullptr, GetCurrentThreadId());
        ASSERT_NE(hook, nullptr);
        int requests = -1;
        dialog.script = [&](ProbeDialog&) { requests = shell.Requests(); };
        EXPECT_EQ(dialog.Show(row.owned ? owner.handle : nullptr), ProbeDialog::kScriptDone);
        UnhookWindowsHookEx(hook);
        g_askedShell = nullptr;
        EXPECT_EQ(g_askedBeforeControls, row.askedBeforeControls ? 1 : 0);
        // The shell takes the first ask (a modify): one request, early or not, and none again
        // for the same picture.
        if (row.requests >= 0) {
            EXPECT_EQ(requests, row.requests) << "requests by the end of the start";
        }
    }
}

// A dialog whose making fails once its window is made (a control of a class nobody registered)
// never reaches WM_INITDIALOG, so nothing of the dialog would take its icon away: the icon its
// start into the tray asked for as the window was made is taken away as the dialog manager comes
// back.
TEST_F(TrayIcon, TheIconOfAStartIntoTheTrayWhoseMakingFailsIsTakenAwayAgain)
{
    constexpr int kBrokenDialogId = 9901;
    FakeShell shell(FakeShell::kTakesOnItsThread);
    ASSERT_TRUE(shell.Answers());
    StartProbe dialog(kBrokenDialogId);
    dialog.usesTray = true;
    dialog.startsHidden = true;
    EXPECT_EQ(dialog.Show(), 0) << "the making failed";
    EXPECT_EQ(dialog.Seen(WM_INITDIALOG), 0);
    // The add's modify (the shell takes it), then the delete.
    EXPECT_TRUE(vbtest::WaitFor([&] { return shell.Requests() == 2; }, 5000)) << shell.Requests();
}

}  // namespace
