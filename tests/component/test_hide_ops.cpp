// Hiding and showing windows of another program (the vb_testwin helper)
// through the candidate list and the hidden-window menu.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "CandidateHost.h"
#include "HelperWindows.h"
#include "app/HideOps.h"
#include "app/ListBox.h"
#include "support/ThreadWindows.h"

namespace {

std::string Quote(const std::string& text)
{
    return "\"" + text + "\"";
}

// What the double-click hide saw of the world when it read each key.
struct KeyProbe {
    bool shift = false;
    bool ctrl = false;
    HWND target = nullptr;
    CandidateList* list = nullptr;
    std::vector<std::string> log;
};
KeyProbe g_keys;

SHORT WINAPI FakeKeyState(int virtualKey)
{
    std::string what = virtualKey == VK_SHIFT ? "shift" : virtualKey == VK_CONTROL ? "ctrl" : "other";
    what += IsWindowVisible(g_keys.target) ? " visible" : " hidden";
    what += g_keys.list->Find(g_keys.target) != LB_ERR ? " listed" : " unlisted";
    g_keys.log.push_back(what);
    bool down = (virtualKey == VK_SHIFT && g_keys.shift) || (virtualKey == VK_CONTROL && g_keys.ctrl);
    return down ? static_cast<SHORT>(0x8000) : 0;
}

// What the listener window heard, in order; its hide (WM_SHOWWINDOW with FALSE) is noted as 0.
std::vector<UINT> heard;
std::mutex lock;

LRESULT CALLBACK ListenerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    {
        std::lock_guard<std::mutex> hold(lock);
        heard.push_back(message == WM_SHOWWINDOW && !wParam ? 0 : message);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool ClosePosted(HWND window)
{
    MSG msg;
    return PeekMessageA(&msg, window, WM_CLOSE, WM_CLOSE, PM_REMOVE) != 0;
}

} // namespace

TEST(HideSelectedCandidate, ShiftDecidesTheEntryAndCtrlClosesTheDialog)
{
    struct Case {
        bool shift, ctrl;
    };
    const Case cases[] = {{false, false}, {true, false}, {false, true}, {true, true}};
    HelperWindows helper("--window --title " + Quote(UniqueTag() + " target") + " --count 4");
    ASSERT_TRUE(helper.Ready()) << helper.Error();
    CandidateHost host;
    for (size_t i = 0; i < 4; ++i) {
        const Case& c = cases[i];
        HWND target = helper.Window(i);
        CommandIdCounter counter;
        HiddenMenu menu(counter);
        ASSERT_TRUE(menu.Create());
        host.Candidates().Refresh();
        ASSERT_TRUE(host.Candidates().SelectWindow(target));
        g_keys = KeyProbe{c.shift, c.ctrl, target, &host.Candidates(), {}};

        EXPECT_TRUE(HideSelectedCandidate(host.Window(), host.Candidates(), menu, FakeKeyState));
        std::string row = std::string(c.shift ? "shift " : "") + (c.ctrl ? "ctrl" : "");
        EXPECT_FALSE(IsWindowVisible(target)) << row;
        EXPECT_EQ(host.Candidates().Find(target), LB_ERR) << row;
        EXPECT_EQ(menu.EntryCount(), c.shift ? 0u : 1u) << row;
        EXPECT_EQ(ClosePosted(host.Window()), c.ctrl) << row;
        // Shift is read before the hide, Ctrl after the list was rebuilt.
        EXPECT_EQ(g_keys.log, (std::vector<std::string>{"shift visible listed", "ctrl hidden unlisted"})) << row;
        menu.Prune();
        EXPECT_EQ(menu.EntryCount(), c.shift ? 0u : 1u) << row;
        menu.ReleaseAll();
        EXPECT_EQ(IsWindowVisible(target) != FALSE, !c.shift) << row;
    }
}

TEST(HideSelectedCandidate, DoesNothingWithoutASelection)
{
    CandidateHost host;
    CandidateHost other;
    HiddenMenu menu;
    ASSERT_TRUE(menu.Create());
    host.Candidates().Refresh();
    g_keys = KeyProbe{false, true, other.Window(), &host.Candidates(), {}};
    EXPECT_FALSE(HideSelectedCandidate(host.Window(), host.Candidates(), menu, FakeKeyState));
    EXPECT_TRUE(IsWindowVisible(other.Window()));
    EXPECT_EQ(menu.EntryCount(), 0u);
    EXPECT_FALSE(ClosePosted(host.Window()));
}

// The hide is queued for the stuck program, and its entry outlives the menu's pruning until the
// program wakes: then it is an ordinary entry, or it is dropped when the window refused the hide.
TEST(HideSelectedCandidate, DoesNotWaitOnAProgramThatDoesNotAnswer)
{
    for (bool refuses : {false, true}) {
        HelperWindows helper("--wake-after-ms 1500 --window --title " + Quote(UniqueTag() + " stuck") +
                                 (refuses ? " --refuse-hide" : ""),
                             0);
        ASSERT_TRUE(helper.Ready()) << helper.Error();
        HWND target = helper.Window(0);
        CandidateHost host;
        HiddenMenu menu;
        ASSERT_TRUE(menu.Create());
        host.Candidates().Refresh();
        ASSERT_TRUE(host.Candidates().SelectWindow(target));
        g_keys = KeyProbe{false, false, target, &host.Candidates(), {}};
        DWORD start = GetTickCount();
        EXPECT_TRUE(HideSelectedCandidate(host.Window(), host.Candidates(), menu, FakeKeyState));
        EXPECT_LT(GetTickCount() - start, 6 * kAnswerTimeoutMs);
        const uint32_t id = static_cast<uint32_t>(GetMenuItemID(menu.Handle(), 0));
        menu.Prune();
        ASSERT_NE(menu.EntryById(id), nullptr) << refuses;
        EXPECT_TRUE(menu.EntryById(id)->hidePending);

        std::vector<HWND> refused;
        ASSERT_TRUE(WaitFor([&] {
            refused = menu.SettleQueuedHides();
            return !menu.EntryById(id) || !menu.EntryById(id)->hidePending;
        }, 5000)) << refuses;
        EXPECT_EQ(refused, refuses ? std::vector<HWND>{target} : std::vector<HWND>{});
        EXPECT_EQ(menu.EntryCount(), refuses ? 0u : 1u);
        EXPECT_EQ(IsWindowVisible(target) != FALSE, refuses);
    }
}

// The window comes back in the state it left, in front.
TEST(UnhideMenuEntry, ShowsTheWindowAgainAndListsIt)
{
    HelperWindows helper("--window --title " + Quote(UniqueTag() + " back"));
    ASSERT_TRUE(helper.Ready()) << helper.Error();
    HWND target = helper.Window(0);
    CandidateHost host;
    for (int show : {SW_SHOWNORMAL, SW_MAXIMIZE}) {
        ShowWindow(target, show);
        RECT before = {};
        GetWindowRect(target, &before);
        HiddenMenu menu;
        ASSERT_TRUE(menu.Create());
        host.Candidates().Refresh();
        ASSERT_TRUE(host.Candidates().SelectWindow(target));
        g_keys = KeyProbe{false, false, target, &host.Candidates(), {}};
        ASSERT_TRUE(HideSelectedCandidate(host.Window(), host.Candidates(), menu, FakeKeyState));
        SetForegroundWindow(host.Window());
        uint32_t id = static_cast<uint32_t>(GetMenuItemID(menu.Handle(), 0));

        EXPECT_FALSE(UnhideMenuEntry(id + 1, host.Candidates(), menu));
        EXPECT_TRUE(UnhideMenuEntry(id, host.Candidates(), menu));
        EXPECT_TRUE(IsWindowVisible(target));
        EXPECT_NE(host.Candidates().Find(target), LB_ERR);
        EXPECT_EQ(menu.EntryCount(), 0u);
        EXPECT_EQ(GetMenuItemCount(menu.Handle()), 3);
        EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == target; })) << show;
        EXPECT_EQ(IsZoomed(target) != FALSE, show == SW_MAXIMIZE);
        RECT after = {};
        GetWindowRect(target, &after);
        EXPECT_TRUE(EqualRect(&before, &after)) << show;
    }
}

TEST(HideActiveWindow, ActsOnWhatIsInTheForeground)
{
    const std::string tag = UniqueTag();
    HelperWindows helper("--window --title " + Quote(tag + " active") + " --window --title " +
                         Quote(tag + " below") + " --window --title " + Quote(tag + " dialog box") +
                         " --owned --popup --window --title \"Program Manager\"");
    ASSERT_TRUE(helper.Ready()) << helper.Error();
    HWND candidate = helper.Window(0), ownedPopup = helper.Window(2),
         desktop = helper.Window(3);
    CandidateHost host;

    struct Case {
        const char* what;
        HWND foreground;
        bool hides, closesDialog, activatesAnother;
    };
    const Case cases[] = {
        {"a candidate", candidate, true, false, true},
        {"not a candidate", ownedPopup, false, false, true},
        {"the desktop", desktop, false, false, false},
        {"the dialog itself", host.Window(), false, true, true},
    };
    for (const Case& c : cases) {
        HiddenMenu menu;
        ASSERT_TRUE(menu.Create());
        host.Candidates().Refresh();
        SetForegroundWindow(c.foreground);
        ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == c.foreground; })) << c.what;
        int closesBefore = host.CloseCount();

        HWND hidden = HideActiveWindow(host.Window(), host.Candidates(), menu);
        EXPECT_EQ(hidden, c.hides ? c.foreground : nullptr) << c.what;
        EXPECT_EQ(menu.EntryCount(), c.hides ? 1u : 0u) << c.what;
        EXPECT_EQ(IsWindowVisible(c.foreground) != FALSE, !c.hides) << c.what;
        EXPECT_EQ(host.CloseCount() - closesBefore, c.closesDialog ? 1 : 0) << c.what;
        HWND now = GetForegroundWindow();
        EXPECT_EQ(now != c.foreground, c.activatesAnother) << c.what;
        if (c.activatesAnother) {
            EXPECT_TRUE(IsWindowVisible(now)) << c.what;
        }
        menu.ReleaseAll();
        ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(c.foreground) != FALSE; })) << c.what;
    }
}

// Nothing is asked of the window before its hide: the hide is the first its program hears.
TEST(HideActiveWindow, SendsTheWindowNothingBeforeItsHide)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ListenerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VbHideListener";
    RegisterClassA(&wc);
    const std::string title = UniqueTag() + " listener";
    vbtest::WindowThread thread([&] {
        return std::vector<HWND>{CreateWindowExA(0, wc.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                                 50, 50, 200, 100, nullptr, nullptr, wc.hInstance, nullptr)};
    });
    HWND target = FindWindowA(wc.lpszClassName, title.c_str());
    ASSERT_NE(target, nullptr);
    CandidateHost host;
    HiddenMenu menu;
    ASSERT_TRUE(menu.Create());
    host.Candidates().Refresh();
    SetForegroundWindow(target);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == target; }));
    std::unique_lock<std::mutex> hold(lock);
    heard.clear();
    hold.unlock();

    EXPECT_EQ(HideActiveWindow(host.Window(), host.Candidates(), menu), target);
    hold.lock();
    auto hide = std::find(heard.begin(), heard.end(), 0u);
    EXPECT_NE(hide, heard.end());
    for (auto message = heard.begin(); message != hide; ++message)
        EXPECT_TRUE(*message != WM_NULL && *message != WM_GETTEXT && *message != WM_GETTEXTLENGTH &&
                    *message != WM_GETICON) << std::hex << *message;
    hold.unlock();
    menu.ReleaseAll();
}
