// Which windows become candidates, with what title and icon, and how the
// list behaves across refreshes. The windows belong to the vb_testwin helper,
// a separate process, like the windows of any other program.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "CandidateHost.h"
#include "HelperWindows.h"
#include "app/list/CandidateList.h"
#include "app/list/ListBox.h"
#include "app/rules/WindowMatch.h"
#include "text/Wildcard.h"

namespace {

std::string Quote(const std::string& text)
{
    return "\"" + text + "\"";
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

std::string Repeat(const std::string& text, int count)
{
    std::string result;
    for (int i = 0; i < count; ++i) result += text;
    return result;
}

} // namespace

TEST(CandidateList, ListsVisibleTitledParentlessWindowsButNeverItsOwn)
{
    const std::string tag = UniqueTag();
    const HICON none = nullptr, logo = WindowsLogo(), any = reinterpret_cast<HICON>(-1);
    struct Case {
        std::string args;
        bool listed;
        HICON icon;
    };
    const std::vector<Case> cases = {
        {"--title " + Quote(tag + " plain"), true, logo},
        {"--title \"\"", false, any},
        {"--title " + Quote(tag + " hidden") + " --hidden", false, any},
        {"--title " + Quote(tag + " child") + " --child", false, any},
        {"--title " + Quote(tag + " owned popup") + " --owned --popup", false, any},
        {"--title " + Quote(tag + " owned") + " --owned", true, logo},
        {"--title " + Quote(tag + " tool") + " --popup --toolwindow", true, none},
        {"--title " + Quote(tag + " frame") + " --dlgframe", true, none},
        {"--title \"program manager\"", true, logo},
        {"--title \"Program Manager\"", false, any},
    };
    std::string args;
    for (const Case& c : cases) {
        args += " --window " + c.args;
    }
    HelperWindows helper(args);
    ASSERT_TRUE(helper.Ready()) << helper.Error();
    ASSERT_EQ(helper.Count(), cases.size());
    CandidateHost host;
    CandidateHost other;
    CandidateList& list = host.Candidates();
    list.Refresh();

    for (size_t i = 0; i < cases.size(); ++i) {
        int index = list.Find(helper.Window(i));
        EXPECT_EQ(index != LB_ERR, cases[i].listed) << cases[i].args;
        if (index != LB_ERR && cases[i].icon != any) {
            EXPECT_EQ(list.RecordAt(index)->icon, cases[i].icon) << cases[i].args;
        }
    }
    EXPECT_EQ(list.Find(host.Window()), LB_ERR);
    EXPECT_NE(list.Find(other.Window()), LB_ERR);
}

TEST(CandidateList, TitlesAreCutTo254CharactersAndKeepTheirText)
{
    const std::string tag = UniqueTag();
    const std::string ascii = tag + std::string(300 - tag.size(), 'x');
    const std::string greek = Repeat("λ", 300);
    const std::string mixed = tag + " Ελληνικά 日本語のタイトル";
    const std::pair<std::string, std::string> cases[] = {
        {ascii, ascii.substr(0, 254)}, {greek, Repeat("λ", 254)}, {mixed, mixed}};
    std::string args;
    for (const auto& c : cases) {
        args += " --window --title " + Quote(c.first);
    }
    HelperWindows helper(args);
    ASSERT_TRUE(helper.Ready()) << helper.Error();
    CandidateHost host;
    host.Candidates().Refresh();
    for (size_t i = 0; i < 3; ++i) {
        int index = host.Candidates().Find(helper.Window(i));
        ASSERT_NE(index, LB_ERR) << i;
        EXPECT_EQ(std::string(host.Candidates().RecordAt(index)->title.Text()), cases[i].second) << i;
        EXPECT_EQ(std::string(QF_LISTBOX(host.List()).Text(index).Text()), cases[i].second) << i;
    }
}

TEST(CandidateList, SortsByTitleWhateverTheZOrder)
{
    const std::string tag = UniqueTag() + " sort";
    HelperWindows helper("--window --title " + Quote(tag + " c") + " --window --title " + Quote(tag + " a") +
                         " --window --title " + Quote(tag + " b"));
    ASSERT_TRUE(helper.Ready()) << helper.Error();
    CandidateHost host;
    CandidateList& list = host.Candidates();
    for (size_t top = 0; top < 3; ++top) {
        SetWindowPos(helper.Window(top), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        list.Refresh();
        int a = list.Find(helper.Window(1)), b = list.Find(helper.Window(2)), c = list.Find(helper.Window(0));
        EXPECT_TRUE(a != LB_ERR && a < b && b < c) << "on top: " << top;
    }
}

// A user who scrolled down must stay where he is across the one-second
// rebuild, and the selection must follow its window.
TEST(CandidateList, KeepsTheScrollPositionAndTheSelectedWindow)
{
    HelperWindows helper("--window --title " + Quote(UniqueTag() + " row") + " --count 40");
    ASSERT_TRUE(helper.Ready()) << helper.Error();
    CandidateHost host(100);
    CandidateList& list = host.Candidates();
    QF_LISTBOX box(host.List());
    list.Refresh();
    ASSERT_GE(box.Count(), 40);

    const std::pair<int, int> cases[] = {{20, 22}, {20, 2}, {30, -1}, {0, 35}};
    for (const auto& c : cases) {
        int top = c.first, selected = c.second;
        HWND selectedWindow = selected >= 0 ? list.RecordAt(selected)->window : nullptr;
        box.SelectIndex(selected);
        ASSERT_TRUE(box.SetTopIndex(top));
        list.Refresh();
        EXPECT_EQ(box.TopIndex(), top) << "top " << top << ", selected " << selected;
        EXPECT_EQ(list.Selected() ? list.Selected()->window : nullptr, selectedWindow) << "selected " << selected;
    }

    HWND gone = helper.Window(5);
    ASSERT_TRUE(list.SelectWindow(gone));
    ShowWindow(gone, SW_HIDE);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(gone); }));
    list.Refresh();
    EXPECT_EQ(box.SelectedIndex(), LB_ERR);
}

namespace {

WNDPROC g_listProc = nullptr;
std::vector<std::string> g_listLog;

LRESULT CALLBACK LoggingListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const char* what = message == WM_SETREDRAW ? (wParam ? "redraw on" : "redraw off")
                       : message == LB_RESETCONTENT ? "reset"
                       : message == LB_ADDSTRING   ? "add"
                                                   : nullptr;
    if (what && (g_listLog.empty() || g_listLog.back() != what)) {
        g_listLog.push_back(what);
    }
    return CallWindowProcA(g_listProc, window, message, wParam, lParam);
}

} // namespace

TEST(CandidateList, RebuildsWithRedrawingSuspended)
{
    CandidateHost host;
    CandidateHost other;
    g_listLog.clear();
    g_listProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(host.List(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LoggingListProc)));
    host.Candidates().Refresh();
    SetWindowLongPtrA(host.List(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_listProc));
    EXPECT_EQ(g_listLog, (std::vector<std::string>{"redraw off", "reset", "add", "redraw on"}));
}

TEST(CandidateList, AHungProgramIsListedWithoutHoldingUpTheRefresh)
{
    const std::string tag = UniqueTag();
    HelperWindows helper("--window --title " + Quote(tag + " hung") + " --count 8", 0);
    ASSERT_TRUE(helper.Ready()) << helper.Error();
    CandidateHost host;
    // Without remembering the silent thread, a refresh costs up to 8 windows
    // x 2 icon queries x kAnswerTimeoutMs.
    EXPECT_LT(MillisecondsFor(host.Candidates()), 5.0 * kAnswerTimeoutMs);
    for (size_t i = 0; i < helper.Count(); ++i) {
        int index = host.Candidates().Find(helper.Window(i));
        ASSERT_NE(index, LB_ERR) << i;
        EXPECT_EQ(host.Candidates().RecordAt(index)->icon, WindowsLogo());
    }
    DWORD start = GetTickCount();
    EXPECT_EQ(std::string(SentTitle(helper.Window(0)).Text()), tag + " hung 000");
    EXPECT_LT(GetTickCount() - start, 5 * kAnswerTimeoutMs);
    // Eight silent windows, one thread: one bound, not eight.
    start = GetTickCount();
    EXPECT_GT(VisibleWindowCount(), 8);
    EXPECT_LT(GetTickCount() - start, 5 * kAnswerTimeoutMs);
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
        EXPECT_LT(best, 1000.0);
    }
}

namespace {

struct IconWindow {
    HICON ownSmall, ownBig, classSmall;
    HWND window;
};

// Makes a window with the icons asked for on its own thread (a window of
// another process cannot be asked for its icons everywhere), then pumps.
DWORD WINAPI IconWindowThread(LPVOID param)
{
    auto* setup = static_cast<IconWindow*>(param);
    WNDCLASSEXA wc = {sizeof(wc)};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hIconSm = setup->classSmall;
    char name[48];
    snprintf(name, sizeof(name), "VbIconWindow%lu", GetCurrentThreadId());
    wc.lpszClassName = name;
    RegisterClassExA(&wc);
    HWND window = CreateWindowExA(0, name, "icons", WS_OVERLAPPEDWINDOW, 0, 0, 99, 99, nullptr, nullptr,
                                  wc.hInstance, nullptr);
    SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(setup->ownSmall));
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(setup->ownBig));
    InterlockedExchangePointer(reinterpret_cast<PVOID*>(&setup->window), window);
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
    IconWindow cases[] = {
        {small, big, classSmall, nullptr}, {nullptr, big, classSmall, nullptr}, {nullptr, nullptr, classSmall, nullptr}};
    const HICON expected[] = {small, big, classSmall};
    for (int i = 0; i < 3; ++i) {
        DWORD threadId = 0;
        HANDLE thread = CreateThread(nullptr, 0, IconWindowThread, &cases[i], 0, &threadId);
        ASSERT_TRUE(WaitFor([&] { return cases[i].window != nullptr; }));
        EXPECT_EQ(WindowIcon(cases[i].window), expected[i]) << i;
        PostThreadMessageA(threadId, WM_QUIT, 0, 0);
        WaitForSingleObject(thread, 5000);
        CloseHandle(thread);
    }
    for (HICON icon : {small, big, classSmall}) {
        DestroyIcon(icon);
    }
}

TEST(CandidateTitles, SentTitleNamesBadHandlesAndShortTitleCutsWholeCharacters)
{
    HWND gone = CreateWindowExA(0, "STATIC", "sent title", WS_POPUP, 0, 0, 9, 9, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    EXPECT_STREQ(SentTitle(gone).Text(), "sent title");
    DestroyWindow(gone);
    EXPECT_STREQ(SentTitle(gone).Text(), "!!**INVALID HWND**!!");
    EXPECT_STREQ(SentTitle(nullptr).Text(), "!!**NULL HWND**!!");

    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {std::string(25, 'a'), std::string(25, 'a')},
        {std::string(26, 'a'), std::string(25, 'a') + "..."},
        {Repeat("Ω", 25), Repeat("Ω", 25)},
        {Repeat("Ω", 26), Repeat("Ω", 25) + "..."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(std::string(ShortTitle(NString(c.first.c_str())).Text()), c.second) << c.first;
    }
    EXPECT_TRUE(ShortTitle(NString()).IsNull());
}

// The criteria of the command line and the rules, against windows of another program.
TEST(WindowMatch, EveryFieldGivenMustMatchAndSomeWindowsNeverDo)
{
    const std::string tag = UniqueTag() + " match";
    HelperWindows helper("--window --title " + Quote(tag + " Alpha") + " --window --title " + Quote(tag + " Beta") +
                         " --window --title \"\" --window --title " + Quote(tag + " Gone") + " --hidden");
    ASSERT_TRUE(helper.Ready()) << helper.Error();
    DWORD pid = 0;
    GetWindowThreadProcessId(helper.Window(0), &pid);
    auto criteria = [](const char* title, const char* like, const char* cls, const char* exe) {
        WindowCriteria c;
        c.title = title;
        c.titleLike = like;
        c.className = cls;
        c.exe = exe;
        return c;
    };
    const struct { WindowCriteria criteria; std::vector<size_t> found; } cases[] = {
        {criteria("", (tag + " *").c_str(), "", ""), {0, 1}},
        {criteria((tag + " alpha").c_str(), "", "", ""), {0}},
        {criteria("", (tag + " ?eta").c_str(), "vbtestwin", "VB_TESTWIN.EXE"), {1}},
        {criteria("", (tag + " *").c_str(), "", "notepad.exe"), {}},
        {criteria("", (tag + " *").c_str(), "Edit", ""), {}},
    };
    for (const auto& c : cases) {
        std::vector<HWND> want;
        for (size_t i : c.found)
            want.push_back(helper.Window(i));
        std::vector<HWND> got = VisibleMatchingWindows(c.criteria);
        std::sort(want.begin(), want.end());
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, want) << c.criteria.titleLike.Text() << c.criteria.exe.Text();
    }
    WindowCriteria byProcess;
    byProcess.processId = pid;
    EXPECT_EQ(VisibleMatchingWindows(byProcess).size(), 2u) << "the untitled and the hidden window never match";
    EXPECT_TRUE(WindowCriteria().IsEmpty());

    CandidateHost host;
    WindowFacts own(host.Window()), desktop(FindWindowA(nullptr, "Program Manager"));
    EXPECT_FALSE(MayActOn(own));
    EXPECT_FALSE(MayActOn(desktop));
    EXPECT_STREQ(ProgramFileName(pid).Text(), "vb_testwin.exe");
    const std::wstring path = ProgramPath(pid);
    EXPECT_EQ(path.size() > 15 ? path.substr(path.size() - 15) : path, L"\\vb_testwin.exe");

    // One program file is one path, as the file system compares names; an unknown path is no
    // program's.
    const struct { const wchar_t* one; const wchar_t* other; bool same; } paths[] = {
        {L"C:\\Apps\\python.exe", L"c:\\apps\\PYTHON.EXE", true},
        {L"C:\\Apps\\python.exe", L"C:\\Tools\\python.exe", false},
        {L"C:\\\u00C4pfel\\\u03A9.exe", L"C:\\\u00E4pfel\\\u03C9.EXE", true},
        {L"C:\\Apps\\python.exe", L"C:\\Apps\\python.exe.bak", false},
        {L"", L"", false},
    };
    for (const auto& c : paths)
        EXPECT_EQ(SameProgramPath(c.one, c.other), c.same) << c.one << L" / " << c.other;
}

// Runs with the program's UTF-8 code page, as the program matches titles.
TEST(WindowMatch, WildcardsAndCaseInEveryScript)
{
    const struct { const char* pattern; const char* text; bool match; } cases[] = {
        {"*", "", true},           {"", "", true},            {"", "a", false},
        {"note*", "Notepad", true}, {"*PAD", "notepad", true}, {"n?tepad", "NOTEPAD", true},
        {"n?tepad", "ntepad", false}, {"*.txt - *", "a.txt - Notepad", true},
        {"a*b*c", "aXbYbZc", true}, {"a*b*c", "aXbYbZ", false}, {"**?", "x", true},
        {"?", "\xF0\x9F\x98\x80", true},   // a surrogate pair is one character
        {"\xCE\xBA*", "\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7", true},  // Greek κ* against Καλη
        {"\xE6\x97\xA5?\xE8\xAA\x9E", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", true}, {"notepad", "notepad.exe", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WildcardMatchNoCase(c.pattern, c.text), c.match) << c.pattern << " / " << c.text;
    EXPECT_FALSE(WildcardMatchNoCase(NString(), "a"));
    EXPECT_FALSE(WildcardMatchNoCase("*", NString()));
    // A pattern that would take exponential time with naive back-tracking stays fast.
    EXPECT_FALSE(WildcardMatchNoCase(NString("*a*a*a*a*a*a*a*a*b"), NString(std::string(4000, 'a').c_str())));

    EXPECT_TRUE(TextEqualsNoCase("NOTEPAD.EXE", "notepad.exe"));
    EXPECT_TRUE(TextEqualsNoCase("\xCE\x9A\xCE\x91", "\xCE\xBA\xCE\xB1"));
    EXPECT_FALSE(TextEqualsNoCase("notepad", "notepad.exe"));
    EXPECT_FALSE(TextEqualsNoCase(NString(), NString()));
}
