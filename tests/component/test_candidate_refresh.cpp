// A refresh that finds the desktop as the list shows it leaves the list box alone and asks no
// window for its icon; a few changes are made to their entries in place, many or a list box
// changed behind the list's back rebuild it. An icon is asked for again only after a while. A
// thread that does not answer the icon query costs one bound, however many windows it has.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "CandidateHost.h"
#include "HelperWindows.h"
#include "app/list/CandidateList.h"
#include "app/list/ListBox.h"

namespace {

WNDPROC g_originalListProc = nullptr;
std::vector<UINT> g_listMessages;

// The messages that change a list box or its view.
LRESULT CALLBACK RecordingListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETREDRAW:
    case LB_RESETCONTENT:
    case LB_ADDSTRING:
    case LB_DELETESTRING:
    case LB_SETITEMDATA:
    case LB_SETCURSEL:
    case LB_SETTOPINDEX:
        g_listMessages.push_back(message);
        break;
    default:
        break;
    }
    return CallWindowProcA(g_originalListProc, window, message, wParam, lParam);
}

// Records what a refresh sends the list box while the object lives.
class ListRecorder {
public:
    explicit ListRecorder(HWND list) : m_list(list)
    {
        g_listMessages.clear();
        g_originalListProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordingListProc)));
    }
    ~ListRecorder() { SetWindowLongPtrA(m_list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_originalListProc)); }

private:
    HWND m_list;
};

std::string Quote(const std::string& text)
{
    return "\"" + text + "\"";
}

// The entries' texts in list order.
std::vector<std::string> Entries(HWND list)
{
    QF_LISTBOX box(list);
    std::vector<std::string> texts;
    for (int i = 0; i < box.Count(); ++i) {
        texts.push_back(box.Text(i).Text());
    }
    return texts;
}

// The entry look-up as the list box itself answers it, entry by entry.
int FindByItemData(HWND list, HWND window)
{
    QF_LISTBOX box(list);
    for (int i = 0; i < box.Count(); ++i) {
        auto* record = reinterpret_cast<CandidateRecord*>(box.ItemData(i));
        if (record && record != reinterpret_cast<CandidateRecord*>(LB_ERR) && record->window == window) {
            return i;
        }
    }
    return LB_ERR;
}

// Every entry's text is its record's title, and the entries stay in the list box's sorted order.
void ExpectEntriesMatchRecords(CandidateList& list, HWND listBox, const char* what)
{
    std::vector<std::string> texts = Entries(listBox);
    for (size_t i = 0; i < texts.size(); ++i) {
        const CandidateRecord* record = list.RecordAt(static_cast<int>(i));
        ASSERT_NE(record, nullptr) << what << ", entry " << i;
        EXPECT_EQ(texts[i], record->title.Text()) << what << ", entry " << i;
        if (i > 0) {
            EXPECT_LE(lstrcmpiA(texts[i - 1].c_str(), texts[i].c_str()), 0) << what << ", entry " << i;
        }
    }
}

bool Sent(const std::vector<UINT>& sent, UINT message)
{
    return std::find(sent.begin(), sent.end(), message) != sent.end();
}

} // namespace

TEST(CandidateRefresh, AnUnchangedDesktopLeavesTheListBoxSelectionAndViewAlone)
{
    HelperWindows helper("--window --title " + Quote(UniqueTag() + " steady") + " --count 40");
    ASSERT_TRUE(helper.Ready()) << helper.Error();
    CandidateHost host(100);
    CandidateList& list = host.Candidates();
    QF_LISTBOX box(host.List());
    list.Refresh();
    ASSERT_GE(box.Count(), 40);
    HWND selected = helper.Window(25);
    ASSERT_TRUE(list.SelectWindow(selected));
    ASSERT_TRUE(box.SetTopIndex(20));
    std::vector<std::string> before;
    const CandidateRecord* record = nullptr;

    // Another program's window may come or go meanwhile; one quiet refresh is enough.
    EXPECT_TRUE(WaitFor([&] {
        UpdateWindow(host.List());
        before = Entries(host.List());
        record = list.Selected();
        ListRecorder recorder(host.List());
        list.Refresh();
        return g_listMessages.empty();
    }, 3000)) << "every refresh rebuilt the list";
    EXPECT_EQ(Entries(host.List()), before);
    EXPECT_EQ(list.Selected(), record);
    EXPECT_EQ(box.TopIndex(), 20);
    EXPECT_FALSE(GetUpdateRect(host.List(), nullptr, FALSE)) << "the list was repainted";
    for (size_t i = 0; i < helper.Count(); ++i) {
        EXPECT_EQ(list.Find(helper.Window(i)), FindByItemData(host.List(), helper.Window(i))) << i;
    }
}

TEST(CandidateRefresh, EveryChangeOfTheDesktopShowsInTheListAndKeepsSelectionAndView)
{
    const std::string tag = UniqueTag() + " change";
    HelperWindows helper("--window --title " + Quote(tag) + " --count 30");
    ASSERT_TRUE(helper.Ready()) << helper.Error();
    CandidateHost host(100);
    CandidateList& list = host.Candidates();
    QF_LISTBOX box(host.List());
    list.Refresh();
    HWND selected = helper.Window(20);
    HWND changed = helper.Window(3);

    enum How { kUntouched, kInPlace, kRebuilt };
    struct Case {
        const char* what;
        std::function<void()> change;
        // The text the changed window's entry must have afterwards; empty: no entry.
        std::string entry;
        How how;
    };
    const Case cases[] = {
        {"title changed", [&] { SetWindowTextW(changed, L"zz retitled"); }, "zz retitled", kInPlace},
        {"window hidden", [&] { ShowWindow(changed, SW_HIDE); }, "", kInPlace},
        {"window shown again", [&] { ShowWindow(changed, SW_SHOWNOACTIVATE); }, "zz retitled", kInPlace},
        {"title changed back", [&] { SetWindowTextW(changed, L"yy retitled"); }, "yy retitled", kInPlace},
        {"selected window retitled", [&] { SetWindowTextW(selected, L"zz selected"); }, "yy retitled", kInPlace},
        {"Z order changed",
         [&] { SetWindowPos(helper.Window(10), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE); },
         "yy retitled", kUntouched},
        {"an entry deleted behind the list's back", [&] { SendMessageA(host.List(), LB_DELETESTRING, 0, 0); },
         "yy retitled", kRebuilt},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(list.SelectWindow(selected)) << c.what;
        ASSERT_TRUE(box.SetTopIndex(10)) << c.what;
        c.change();
        std::vector<UINT> sent;
        {
            ListRecorder recorder(host.List());
            list.Refresh();
            sent = g_listMessages;
        }
        EXPECT_EQ(Sent(sent, LB_RESETCONTENT), c.how == kRebuilt) << c.what;
        EXPECT_EQ(Sent(sent, LB_DELETESTRING) || Sent(sent, LB_ADDSTRING), c.how != kUntouched) << c.what;
        int index = list.Find(changed);
        EXPECT_EQ(index, FindByItemData(host.List(), changed)) << c.what;
        EXPECT_EQ(index == LB_ERR ? "" : std::string(box.Text(index).Text()), c.entry) << c.what;
        EXPECT_EQ(list.Selected() ? list.Selected()->window : nullptr, selected) << c.what;
        EXPECT_EQ(box.TopIndex(), 10) << c.what;
        ExpectEntriesMatchRecords(list, host.List(), c.what);
    }
}

// Nobody sees the list of a hidden dialog: it is not refreshed, and it asks no window anything;
// a look-up (Hide Active from the tray) still finds a window that came or was renamed meanwhile.
TEST(CandidateRefresh, AHiddenDialogsListIsNotRefreshedButItsLookUpsAreCurrent)
{
    const std::string tag = UniqueTag() + " away";
    HelperWindows helper("--window --title " + Quote(tag) + " --count 3");
    ASSERT_TRUE(helper.Ready()) << helper.Error();
    CandidateHost host;
    CandidateList& list = host.Candidates();
    list.Refresh();
    ASSERT_NE(list.Find(helper.Window(1)), LB_ERR);
    ShowWindow(host.Window(), SW_HIDE);
    HelperWindows newcomer("--window --title " + Quote(tag + " newcomer"));
    ASSERT_TRUE(newcomer.Ready()) << newcomer.Error();
    SetWindowTextW(helper.Window(1), L"zz renamed while away");
    ShowWindow(helper.Window(2), SW_HIDE);

    std::vector<std::string> before = Entries(host.List());
    ULONGLONG lastPass = list.LastRefresh();
    {
        ListRecorder recorder(host.List());
        list.Refresh();
        EXPECT_TRUE(g_listMessages.empty());
    }
    EXPECT_EQ(Entries(host.List()), before);
    EXPECT_EQ(list.LastRefresh(), lastPass) << "the windows were looked at";

    int index = list.Find(newcomer.Window(0));
    ASSERT_NE(index, LB_ERR) << "a window that came while the dialog was away";
    EXPECT_EQ(std::string(QF_LISTBOX(host.List()).Text(index).Text()), tag + " newcomer");
    const CandidateRecord* renamed = list.RecordOf(helper.Window(1));
    ASSERT_NE(renamed, nullptr);
    EXPECT_EQ(std::string(renamed->title.Text()), "zz renamed while away");
    EXPECT_EQ(list.Find(helper.Window(2)), LB_ERR) << "a window hidden while the dialog was away";
    ExpectEntriesMatchRecords(list, host.List(), "after the look-ups");
}

namespace {

volatile LONG g_iconQueries = 0;
WNDPROC g_staticProc = nullptr;

// Counts the icon queries the thread windows get.
LRESULT CALLBACK CountingStaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_GETICON) {
        InterlockedIncrement(&g_iconQueries);
    }
    return CallWindowProcA(g_staticProc, window, message, wParam, lParam);
}

// Windows of a thread of this process, so that the icon query reaches them (the system does not
// pass it to another process's windows everywhere: Wine refuses it). The thread pumps until it is paused, and
// waits without pumping until it is resumed.
class ThreadWindows {
public:
    explicit ThreadWindows(int count) : m_count(count)
    {
        m_quit = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_pause = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_resume = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        m_thread = CreateThread(nullptr, 0, &ThreadWindows::Run, this, 0, nullptr);
        WaitFor([this] { return m_ready != 0; }, 5000);
    }
    ~ThreadWindows()
    {
        SetEvent(m_quit);
        SetEvent(m_resume);
        WaitForSingleObject(m_thread, 5000);
        for (HANDLE handle : {m_thread, m_quit, m_pause, m_resume}) {
            CloseHandle(handle);
        }
    }

    HWND Window(size_t index) const { return m_windows[index]; }
    size_t Count() const { return m_windows.size(); }
    void SetIcon(size_t index, HICON icon)
    {
        SendMessageA(m_windows[index], WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
    // The thread stops answering; the call returns once it has stopped.
    void Pause()
    {
        SetEvent(m_pause);
        WaitFor([this] { return m_paused != 0; }, 5000);
    }
    void Resume()
    {
        ResetEvent(m_pause);
        SetEvent(m_resume);
        WaitFor([this] { return m_paused == 0; }, 5000);
    }

private:
    static DWORD WINAPI Run(LPVOID param)
    {
        auto* self = static_cast<ThreadWindows*>(param);
        for (int i = 0; i < self->m_count; ++i) {
            std::string title = UniqueTag() + " thread window " + std::to_string(i);
            HWND window = CreateWindowExA(0, "STATIC", title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 120,
                                          60, nullptr, nullptr, nullptr, nullptr);
            g_staticProc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingStaticProc)));
            self->m_windows.push_back(window);
        }
        InterlockedExchange(&self->m_ready, 1);
        HANDLE events[] = {self->m_quit, self->m_pause};
        for (;;) {
            DWORD woke = MsgWaitForMultipleObjects(2, events, FALSE, INFINITE, QS_ALLINPUT);
            if (woke == WAIT_OBJECT_0) {
                break;
            }
            if (woke == WAIT_OBJECT_0 + 1) {
                InterlockedExchange(&self->m_paused, 1);
                WaitForSingleObject(self->m_resume, 30000);
                InterlockedExchange(&self->m_paused, 0);
            }
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                DispatchMessageA(&msg);
            }
        }
        for (HWND window : self->m_windows) {
            DestroyWindow(window);
        }
        return 0;
    }

    int m_count;
    std::vector<HWND> m_windows;
    HANDLE m_quit = nullptr, m_pause = nullptr, m_resume = nullptr, m_thread = nullptr;
    volatile LONG m_ready = 0, m_paused = 0;
};

HICON MakeIcon(BYTE pattern)
{
    BYTE andMask[32] = {};
    BYTE xorMask[32];
    FillMemory(xorMask, sizeof xorMask, pattern);
    return CreateIcon(GetModuleHandleA(nullptr), 16, 16, 1, 1, andMask, xorMask);
}

double MillisecondsFor(const std::function<void()>& work)
{
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    work();
    QueryPerformanceCounter(&end);
    return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

} // namespace

// A window is asked for its icon when it is new to the list, when its title changed, and again
// only once its icon is old; an unchanged desktop asks nothing. A new icon repaints its entry.
TEST(CandidateRefresh, AWindowIsAskedForItsIconOnlyWhenNewRetitledOrDue)
{
    const ULONGLONG recheckMs = 300;
    ThreadWindows windows(2);
    ASSERT_EQ(windows.Count(), 2u);
    HICON first = MakeIcon(0x44), second = MakeIcon(0x55);
    windows.SetIcon(0, first);
    CandidateHost host;
    CandidateList& list = host.Candidates();
    list.SetIconRecheckMs(recheckMs);
    auto iconOf = [&](size_t i) {
        int index = list.Find(windows.Window(i));
        return index == LB_ERR ? nullptr : list.RecordAt(index)->icon;
    };
    // On a busy machine a query may miss its bound; the window is then asked again once its
    // thread answers, and a query that missed its bound still arrives, late.
    auto refreshUntil = [&](HICON icon) {
        return WaitFor([&] {
            list.Refresh();
            return iconOf(0) == icon;
        }, 3000);
    };
    InterlockedExchange(&g_iconQueries, 0);
    EXPECT_TRUE(refreshUntil(first));
    EXPECT_TRUE(WaitFor([] { return g_iconQueries >= 2; })) << "new windows";

    windows.SetIcon(0, second);
    InterlockedExchange(&g_iconQueries, 0);
    list.Refresh();
    EXPECT_EQ(g_iconQueries, 0) << "an unchanged desktop";
    EXPECT_EQ(iconOf(0), first);

    SetWindowTextA(windows.Window(1), (UniqueTag() + " thread window retitled").c_str());
    list.Refresh();
    EXPECT_TRUE(WaitFor([] { return g_iconQueries >= 1; })) << "a retitled window";

    // The first recheck comes within twice the recheck time (the first ones are spread). The
    // refresh that finds the new icon repaints its entry alone.
    Sleep(static_cast<DWORD>(2 * recheckMs));
    RECT update = {};
    bool repaint = false;
    EXPECT_TRUE(WaitFor([&] {
        UpdateWindow(host.List());
        list.Refresh();
        repaint = GetUpdateRect(host.List(), &update, FALSE) != FALSE;
        return iconOf(0) == second;
    }, 3000)) << "an old icon";
    RECT entry = {};
    SendMessageA(host.List(), LB_GETITEMRECT, static_cast<WPARAM>(list.Find(windows.Window(0))),
                 reinterpret_cast<LPARAM>(&entry));
    EXPECT_TRUE(repaint);
    EXPECT_EQ(update.top, entry.top) << "only the entry with the new icon is repainted";
    EXPECT_EQ(update.bottom, entry.bottom);
    DestroyIcon(first);
    DestroyIcon(second);
}

// Without remembering the silent thread, a refresh waits out the bound for each of the four
// windows and each of the two icon queries: eight bounds.
TEST(CandidateRefresh, AThreadThatStoppedAnsweringIsAskedOncePerPass)
{
    ThreadWindows windows(4);
    ASSERT_EQ(windows.Count(), 4u);
    windows.Pause();

    SilentThreads silent;
    double first = MillisecondsFor([&] { WindowIcon(windows.Window(0), &silent); });
    EXPECT_GE(first, 0.8 * kIconAnswerTimeoutMs);
    EXPECT_TRUE(silent.IsSilent(windows.Window(3)));
    double others = MillisecondsFor([&] {
        for (size_t i = 1; i < windows.Count(); ++i) {
            EXPECT_EQ(WindowIcon(windows.Window(i), &silent), LoadIconA(nullptr, MAKEINTRESOURCEA(32517))) << i;
        }
    });
    EXPECT_LT(others, 0.5 * kIconAnswerTimeoutMs);
    windows.Resume();
}

// The refreshes share their memory of silent threads: a stuck thread costs the first refresh one
// bound and the next ones none, and once it answers again its windows get their own icons back.
TEST(CandidateRefresh, AStuckThreadIsAskedAgainOnlyAfterItAnswers)
{
    ThreadWindows windows(4);
    ASSERT_EQ(windows.Count(), 4u);
    HICON own = MakeIcon(0x66);
    for (size_t i = 0; i < windows.Count(); ++i) {
        windows.SetIcon(i, own);
    }
    CandidateHost host;
    CandidateList& list = host.Candidates();
    auto iconOf = [&](size_t i) {
        int index = list.Find(windows.Window(i));
        return index == LB_ERR ? nullptr : list.RecordAt(index)->icon;
    };
    list.Refresh();
    EXPECT_EQ(iconOf(0), own);
    // The windows are new to the list again, so the refreshes ask for their icons.
    list.Clear();

    windows.Pause();
    double first = MillisecondsFor([&] { list.Refresh(); });
    double second = MillisecondsFor([&] { list.Refresh(); });
    EXPECT_GE(first, 0.8 * kIconAnswerTimeoutMs);
    EXPECT_LT(first, 3.0 * kIconAnswerTimeoutMs);
    EXPECT_LT(second, 0.5 * kIconAnswerTimeoutMs);
    for (size_t i = 0; i < windows.Count(); ++i) {
        EXPECT_EQ(iconOf(i), LoadIconA(nullptr, MAKEINTRESOURCEA(32517))) << i;
    }

    windows.Resume();
    // The answer to the probe arrives with this thread's messages.
    EXPECT_TRUE(WaitFor([&] { return !RememberedSilentThreads().IsSilent(windows.Window(0)); }, 3000));
    list.Refresh();
    for (size_t i = 0; i < windows.Count(); ++i) {
        EXPECT_EQ(iconOf(i), own) << i;
    }
    DestroyIcon(own);
}
