// Operations on other programs' windows: reading titles and searching windows
// without sending messages, bringing a window to the front without hanging on
// a program that does not answer, and pumping this thread's messages.
#include <gtest/gtest.h>

#include <string>

#include "component/HelperWindows.h"
#include "component/WinbaseProbe.h"
#include "winbase/WindowOps.h"

using winbase_test::TestWindow;

namespace {

TEST(WindowTextWithoutMessagesTest, ReadsTitlesOfAProgramThatDoesNotAnswer)
{
    ASSERT_EQ(GetACP(), UINT(CP_UTF8)) << "the test program carries the program's UTF-8 manifest";
    const std::string tag = UniqueTag();
    const std::string nonAscii = tag + " \xCE\xA9mega \xE2\x9C\x93";
    const std::string longTitle = tag + std::string(300, 'x');
    const std::string cutPair = std::string(254, 'a') + "\xF0\x9F\x98\x80";
    const struct {
        const char* label;
        std::string title, want;
    } cases[] = {
        {"non-ASCII title", nonAscii, nonAscii},
        {"at most 255 characters", longTitle, longTitle.substr(0, 255)},
        {"a surrogate pair cut at the limit is dropped", cutPair, std::string(254, 'a')},
    };
    for (const auto& c : cases) {
        HelperWindows helper("--window --title \"" + c.title + "\"", 0);
        ASSERT_TRUE(helper.Ready()) << c.label << ": " << helper.Error();
        const ULONGLONG start = GetTickCount64();
        EXPECT_STREQ(WindowTextWithoutMessages(helper.Window(0)).Text(), c.want.c_str()) << c.label;
        EXPECT_LT(GetTickCount64() - start, 1000u) << c.label;
    }
    const NString none = WindowTextWithoutMessages(nullptr);
    EXPECT_TRUE(!none.IsNull() && none.IsEmpty());
}

TEST(FindTopLevelWindowTest, MatchesTitlePartAndClassPrefixIgnoringCase)
{
    const std::string tag = UniqueTag();
    // The helper stops answering at once: the search must not depend on it.
    HelperWindows helper("--window --title \"" + tag + " Find Me\" --window --title \"" + tag + " Inner\" --child", 0);
    ASSERT_TRUE(helper.Ready()) << helper.Error();
    HWND top = helper.Window(0);
    HWND child = helper.Window(1);
    const std::string lower = tag + " find me";
    const std::string upperChild = "VBT" + tag.substr(3) + " INNER";
    const struct {
        const char* label;
        const char* title;
        const char* className;
        HWND parent;
        bool descend;
        HWND want;
    } cases[] = {
        {"title part in other case, any class", lower.c_str(), "", nullptr, false, top},
        {"class prefix in other case", lower.c_str(), "vbtestw", nullptr, false, top},
        {"class name longer than the window's", lower.c_str(), "VbTestWinX", nullptr, false, nullptr},
        {"child without descending", upperChild.c_str(), nullptr, nullptr, false, nullptr},
        {"child when descending", upperChild.c_str(), nullptr, nullptr, true, child},
        {"first child of a given parent", nullptr, nullptr, GetParent(child), false, child},
        {"first child of the desktop", nullptr, "", nullptr, false, GetWindow(GetDesktopWindow(), GW_CHILD)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindTopLevelWindow(c.title, c.className, c.parent, c.descend), c.want) << c.label;
    }
}

TEST(BringWindowToFrontTest, ReturnsPromptlyForAProgramThatHasStoppedAnswering)
{
    HelperWindows helper("--window --title \"" + UniqueTag() + " Hung\"", 0);
    ASSERT_TRUE(helper.Ready()) << helper.Error();
    HWND hung = helper.Window(0);
    ASSERT_TRUE(WaitFor([&] { return IsHungAppWindow(hung) != FALSE; }, 10000));
    const ULONGLONG start = GetTickCount64();
    BringWindowToFront(hung);
    EXPECT_LT(GetTickCount64() - start, 2500u);
}

TEST(PumpPendingMessagesTest, DispatchesWhatIsQueuedAndLeavesAQuitForItsLoop)
{
    static int pumped;
    TestWindow window("STATIC", WS_POPUP, {0, 0, 10, 10});
    SetWindowLongPtrA(window.handle, GWLP_WNDPROC,
                      reinterpret_cast<LONG_PTR>(static_cast<WNDPROC>([](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
                          pumped += m == WM_APP + 3 ? 1 : 0;
                          return DefWindowProcA(w, m, wp, lp);
                      })));
    PumpPendingMessages();
    pumped = 0;
    for (int i = 0; i < 3; ++i) {
        PostMessageA(window.handle, WM_APP + 3, 0, 0);
    }
    PostQuitMessage(7);
    PumpPendingMessages();
    EXPECT_EQ(pumped, 3);
    MSG quit = {};
    ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, WPARAM(7));
}

}  // namespace
