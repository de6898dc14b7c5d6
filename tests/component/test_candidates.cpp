// Which windows become candidates, with what title and icon, and how the
// list behaves across refreshes. The windows belong to the vb_testwin helper,
// a separate process, like the windows of any other program.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "CandidateHost.h"
#include "HelperWindows.h"
#include "app/CandidateList.h"
#include "app/ListBox.h"

namespace {

enum class Icon { None, WindowsLogo, Any };

std::string Quote(const std::string& text)
{
    return "\"" + text + "\"";
}

std::vector<std::string> ListedTitles(CandidateList& list, const std::string& prefix)
{
    std::vector<std::string> titles;
    for (int i = 0; i < list.Count(); ++i) {
        CandidateRecord* record = list.RecordAt(i);
        if (record && std::string(record->title.Text()).rfind(prefix, 0) == 0) {
            titles.push_back(record->title.Text());
        }
    }
    return titles;
}

HICON WindowsLogo()
{
    return LoadIconA(nullptr, MAKEINTRESOURCEA(32517));
}

double MillisecondsFor(CandidateList& list)
{
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    list.Refresh();
    QueryPerformanceCounter(&end);
    return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

} // namespace

TEST(CandidateList, ListsOnlyVisibleTitledParentlessWindowsWithTheRightIcon)
{
    const std::string tag = UniqueTag();
    struct Case {
        const char* what;
        std::string args;
        bool listed;
        Icon icon;
    };
    const std::vector<Case> cases = {
        {"overlapped", "--title " + Quote(tag + " plain"), true, Icon::WindowsLogo},
        {"empty title", "--title \"\"", false, Icon::Any},
        {"invisible", "--title " + Quote(tag + " hidden") + " --hidden", false, Icon::Any},
        {"child", "--title " + Quote(tag + " child") + " --child", false, Icon::Any},
        {"owned pop-up", "--title " + Quote(tag + " owned popup") + " --owned --popup", false, Icon::Any},
        {"owned overlapped", "--title " + Quote(tag + " owned") + " --owned", true, Icon::WindowsLogo},
        {"tool pop-up", "--title " + Quote(tag + " tool") + " --popup --toolwindow", true, Icon::None},
        {"modal frame", "--title " + Quote(tag + " frame") + " --dlgframe", true, Icon::None},
        {"desktop title, other case", "--title \"program manager\"", true, Icon::WindowsLogo},
        {"desktop title", "--title \"Program Manager\"", false, Icon::Any},
    };
    std::string args;
    for (const Case& c : cases) {
        args += " --window " + c.args;
    }
    HelperWindows helper(args);
    ASSERT_TRUE(helper.Ready()) << helper.Error();
    ASSERT_EQ(helper.Count(), cases.size());
    CandidateHost host;
    host.Candidates().Refresh();

    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        int index = host.Candidates().Find(helper.Window(i));
        EXPECT_EQ(index != LB_ERR, c.listed) << c.what;
        if (index == LB_ERR || c.icon == Icon::Any) {
            continue;
        }
        HICON icon = host.Candidates().RecordAt(index)->icon;
        EXPECT_EQ(icon, c.icon == Icon::None ? nullptr : WindowsLogo()) << c.what;
    }
}

TEST(CandidateList, TitlesAreCutTo254CharactersAndKeepTheirText)
{
    const std::string tag = UniqueTag();
    const std::string longAscii = tag + std::string(300 - tag.size(), 'x');
    std::string longGreek;
    for (int i = 0; i < 300; ++i) {
        longGreek += "λ";
    }
    struct Case {
        std::string title, expected;
    };
    const std::vector<Case> cases = {
        {longAscii, longAscii.substr(0, 254)},
        {longGreek, longGreek.substr(0, 254 * 2)},
        {tag + " Ελληνικά 日本語のタイトル", tag + " Ελληνικά 日本語のタイトル"},
    };
    std::string args;
    for (const Case& c : cases) {
        args += " --window --title " + Quote(c.title);
    }
    HelperWindows helper(args);
    ASSERT_TRUE(helper.Ready()) << helper.Error();
    CandidateHost host;
    host.Candidates().Refresh();
    for (size_t i = 0; i < cases.size(); ++i) {
        int index = host.Candidates().Find(helper.Window(i));
        ASSERT_NE(index, LB_ERR) << i;
        EXPECT_EQ(std::string(host.Candidates().RecordAt(index)->title.Text()), cases[i].expected) << i;
        EXPECT_EQ(std::string(QF_LISTBOX(host.List()).Text(index).Text()), cases[i].expected) << i;
    }
}

TEST(CandidateList, SortsByTitleWhateverTheZOrder)
{
    const std::string tag = UniqueTag() + " sort";
    HelperWindows helper("--window --title " + Quote(tag + " c") + " --window --title " + Quote(tag + " a") +
                         " --window --title " + Quote(tag + " b"));
    ASSERT_TRUE(helper.Ready()) << helper.Error();
    CandidateHost host;
    const std::vector<std::string> sorted = {tag + " a", tag + " b", tag + " c"};
    for (HWND top : {helper.Window(0), helper.Window(1), helper.Window(2)}) {
        SetWindowPos(top, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        host.Candidates().Refresh();
        EXPECT_EQ(ListedTitles(host.Candidates(), tag), sorted);
    }
}

TEST(CandidateList, NeverListsItsOwnWindow)
{
    CandidateHost host;
    CandidateHost other;
    host.Candidates().Refresh();
    EXPECT_EQ(host.Candidates().Find(host.Window()), LB_ERR);
    EXPECT_NE(host.Candidates().Find(other.Window()), LB_ERR);
}

TEST(CandidateList, KeepsTheSelectedWindowSelectedWhileItIsACandidate)
{
    const std::string tag = UniqueTag();
    HelperWindows helper("--window --title " + Quote(tag + " keep") + " --count 5");
    ASSERT_TRUE(helper.Ready()) << helper.Error();
    CandidateHost host;
    CandidateList& list = host.Candidates();
    list.Refresh();
    ASSERT_TRUE(list.SelectWindow(helper.Window(3)));

    list.Refresh();
    ASSERT_NE(list.Selected(), nullptr);
    EXPECT_EQ(list.Selected()->window, helper.Window(3));

    ShowWindow(helper.Window(3), SW_HIDE);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(helper.Window(3)); }));
    list.Refresh();
    EXPECT_EQ(list.Selected(), nullptr);
    EXPECT_EQ(QF_LISTBOX(host.List()).SelectedIndex(), LB_ERR);
}

TEST(CandidateList, KeepsTheScrollPositionAndSelectionAcrossRefreshes)
{
    const std::string tag = UniqueTag();
    HelperWindows helper("--window --title " + Quote(tag + " row") + " --count 40");
    ASSERT_TRUE(helper.Ready()) << helper.Error();
    CandidateHost host(100);
    CandidateList& list = host.Candidates();
    QF_LISTBOX box(host.List());
    list.Refresh();
    ASSERT_GE(box.Count(), 40);

    struct Case {
        int top, selected;
    };
    const Case cases[] = {{20, 22}, {20, 2}, {30, -1}, {0, 35}};
    for (const Case& c : cases) {
        HWND selectedWindow = nullptr;
        if (c.selected >= 0) {
            ASSERT_TRUE(box.SelectIndex(c.selected));
            selectedWindow = list.RecordAt(c.selected)->window;
        } else {
            box.ClearSelection();
        }
        ASSERT_TRUE(box.SetTopIndex(c.top));
        list.Refresh();
        EXPECT_EQ(box.TopIndex(), c.top) << "top " << c.top << " selected " << c.selected;
        HWND nowSelected = list.Selected() ? list.Selected()->window : nullptr;
        EXPECT_EQ(nowSelected, selectedWindow) << "top " << c.top << " selected " << c.selected;
    }
}

namespace {

WNDPROC g_listProc = nullptr;
std::vector<std::string>* g_listLog = nullptr;

LRESULT CALLBACK LoggingListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETREDRAW) {
        g_listLog->push_back(wParam ? "redraw on" : "redraw off");
    } else if (message == LB_RESETCONTENT) {
        g_listLog->push_back("reset");
    } else if (message == LB_ADDSTRING && (g_listLog->empty() || g_listLog->back() != "add")) {
        g_listLog->push_back("add");
    }
    return CallWindowProcA(g_listProc, window, message, wParam, lParam);
}

} // namespace

TEST(CandidateList, RebuildsWithRedrawingSuspended)
{
    CandidateHost host;
    CandidateHost other;
    std::vector<std::string> log;
    g_listLog = &log;
    g_listProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(host.List(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LoggingListProc)));
    host.Candidates().Refresh();
    SetWindowLongPtrA(host.List(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_listProc));
    EXPECT_EQ(log, (std::vector<std::string>{"redraw off", "reset", "add", "redraw on"}));
}

TEST(CandidateList, AHungProgramIsListedWithoutHoldingUpTheRefresh)
{
    const std::string tag = UniqueTag();
    HelperWindows helper("--window --title " + Quote(tag + " hung") + " --count 5", 0);
    ASSERT_TRUE(helper.Ready()) << helper.Error();
    CandidateHost host;
    // Without remembering the silent thread, a refresh costs up to 5 windows
    // x 2 icon queries x kAnswerTimeoutMs.
    EXPECT_LT(MillisecondsFor(host.Candidates()), 5.0 * kAnswerTimeoutMs);
    for (size_t i = 0; i < helper.Count(); ++i) {
        int index = host.Candidates().Find(helper.Window(i));
        ASSERT_NE(index, LB_ERR) << i;
        EXPECT_EQ(host.Candidates().RecordAt(index)->icon, WindowsLogo());
    }

    DWORD start = GetTickCount();
    EXPECT_EQ(std::string(SentTitle(helper.Window(0)).Text()), tag + " hung 000");
    EXPECT_LT(GetTickCount() - start, 2 * kAnswerTimeoutMs + 50);
    // Five silent windows, one thread: one bound, not five.
    start = GetTickCount();
    EXPECT_GT(VisibleWindowCount(), 5);
    EXPECT_LT(GetTickCount() - start, 3 * kAnswerTimeoutMs);
}

namespace {

struct IconSetup {
    HICON ownSmall, ownBig, classSmall;
};

// A window of another thread of this process, with the icons of setup.
DWORD WINAPI IconWindowThread(LPVOID param)
{
    auto* setup = static_cast<std::pair<IconSetup, HWND>*>(param);
    WNDCLASSEXA wc = {sizeof(wc)};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hIconSm = setup->first.classSmall;
    char name[48];
    snprintf(name, sizeof(name), "VbIconWindow%lu", GetCurrentThreadId());
    wc.lpszClassName = name;
    RegisterClassExA(&wc);
    HWND window = CreateWindowExA(0, name, "icon window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    if (setup->first.ownSmall) SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(setup->first.ownSmall));
    if (setup->first.ownBig) SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(setup->first.ownBig));
    InterlockedExchangePointer(reinterpret_cast<PVOID*>(&setup->second), window);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageA(&msg);
    }
    DestroyWindow(window);
    return 0;
}

HICON MakeTestIcon(BYTE pattern)
{
    BYTE andMask[32] = {};
    BYTE xorMask[32];
    FillMemory(xorMask, sizeof(xorMask), pattern);
    return CreateIcon(GetModuleHandleA(nullptr), 16, 16, 1, 1, andMask, xorMask);
}

} // namespace

TEST(WindowIcon, PrefersTheWindowsOwnIconsThenItsClassIcon)
{
    HICON small = MakeTestIcon(0x11), big = MakeTestIcon(0x22), classSmall = MakeTestIcon(0x33);
    struct Case {
        IconSetup setup;
        HICON expected;
    };
    const Case cases[] = {
        {{small, big, classSmall}, small},
        {{nullptr, big, classSmall}, big},
        {{nullptr, nullptr, classSmall}, classSmall},
    };
    for (const Case& c : cases) {
        std::pair<IconSetup, HWND> setup{c.setup, nullptr};
        DWORD threadId = 0;
        HANDLE thread = CreateThread(nullptr, 0, IconWindowThread, &setup, 0, &threadId);
        ASSERT_TRUE(WaitFor([&] { return setup.second != nullptr; }));
        EXPECT_EQ(WindowIcon(setup.second), c.expected);
        PostThreadMessageA(threadId, WM_QUIT, 0, 0);
        WaitForSingleObject(thread, 5000);
        CloseHandle(thread);
    }
    for (HICON icon : {small, big, classSmall}) {
        DestroyIcon(icon);
    }
}

TEST(CandidateList, RefreshTimeWithManyWindows)
{
    for (int count : {50, 200}) {
        HelperWindows helper("--window --title " + Quote(UniqueTag() + " many") + " --count " + std::to_string(count));
        ASSERT_TRUE(helper.Ready()) << helper.Error();
        CandidateHost host;
        host.Candidates().Refresh();
        double best = 1e9;
        for (int run = 0; run < 3; ++run) {
            best = std::min(best, MillisecondsFor(host.Candidates()));
        }
        EXPECT_GE(host.Candidates().Count(), count);
        printf("refresh with %d helper windows: %.1f ms\n", count, best);
        RecordProperty("refresh_ms_" + std::to_string(count), static_cast<int>(best + 0.5));
        EXPECT_LT(best, 1000.0);
    }
}

TEST(CandidateList, SentTitleNamesBadHandles)
{
    EXPECT_STREQ(SentTitle(nullptr).Text(), "!!**NULL HWND**!!");
    HWND gone = nullptr;
    {
        CandidateHost host;
        EXPECT_STREQ(SentTitle(host.Window()).Text(), "Window Veilbox");
        gone = host.Window();
    }
    EXPECT_STREQ(SentTitle(gone).Text(), "!!**INVALID HWND**!!");
}

TEST(ShortTitle, CutsAfter25CharactersWithoutSplittingOne)
{
    std::string greek26;
    for (int i = 0; i < 26; ++i) {
        greek26 += "Ω";
    }
    struct Case {
        std::string title, expected;
    };
    const Case cases[] = {
        {"", ""},
        {std::string(25, 'a'), std::string(25, 'a')},
        {std::string(26, 'a'), std::string(25, 'a') + "..."},
        {greek26.substr(0, 50), greek26.substr(0, 50)},
        {greek26, greek26.substr(0, 50) + "..."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::string(ShortTitle(NString(c.title.c_str())).Text()), c.expected) << c.title;
    }
    EXPECT_TRUE(ShortTitle(NString()).IsNull());
}
