// Hiding and showing a dialog (this test program has no console window), control rectangles in
// client coordinates, and telling our own structures and objects from values others chose.
#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "component/WinbaseProbe.h"
#include "winbase/OwnRecords.h"

using namespace winbase_test;

namespace {

TEST(WinBaseWindowHelpers, HideAndShowRestoreADialogHiddenWhileMinimised)
{
    ProbeDialog dialog;
    dialog.script = [](ProbeDialog& d) {
        const RECT normal = WindowRect(d.Window());
        ShowWindow(d.Window(), SW_MINIMIZE);
        d.SetWindowState(QF_WINBASE::kStateMinimised);
        d.HideWithConsole();
        EXPECT_FALSE(IsWindowVisible(d.Window()));
        EXPECT_EQ(d.WindowState(), QF_WINBASE::kStateMinimised) << "hiding leaves the state to the caller";
        d.ShowWithConsole();
        EXPECT_TRUE(IsWindowVisible(d.Window()));
        EXPECT_FALSE(IsIconic(d.Window()));
        const RECT shown = WindowRect(d.Window());
        EXPECT_TRUE(EqualRect(&normal, &shown) != FALSE);
        EXPECT_EQ(d.WindowState(), QF_WINBASE::kStateNormal);
    };
    dialog.Show();
    EXPECT_FALSE(dialog.timedOut);
}

TEST(WinBaseWindowHelpers, ControlRectIsInClientCoordinates)
{
    ProbeDialog dialog;
    dialog.script = [](ProbeDialog& d) {
        for (const RECT place : {RECT{10, 20, 110, 70}, RECT{150, 5, 170, 45}}) {
            TestWindow control("STATIC", WS_CHILD | WS_VISIBLE, place, d.Window(), 4242);
            const RECT got = d.ControlRect(4242);
            EXPECT_TRUE(EqualRect(&got, &place) != FALSE) << got.left << "," << got.top;
        }
        const RECT missing = d.ControlRect(4299);
        EXPECT_TRUE(IsRectEmpty(&missing) != FALSE);
    };
    dialog.Show();
    EXPECT_FALSE(dialog.timedOut);
}

}  // namespace

// A structure a message points to is read only where this thread's own sends and the system put
// it: whole, on this thread's stack.
TEST(OwnRecords, OnlyWholeStructuresOnThisThreadsStackCount)
{
    RECT local = {};
    static RECT fixed = {};
    auto heap = std::make_unique<RECT>();
    MEMORY_BASIC_INFORMATION region = {};
    ASSERT_NE(VirtualQuery(&local, &region, sizeof region), 0u);
    const char* stackEnd = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    RECT* otherThreads = nullptr;
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread other([&] {
        RECT mine = {};
        otherThreads = &mine;
        SetEvent(ready);
        WaitForSingleObject(done, INFINITE);
    });
    WaitForSingleObject(ready, INFINITE);
    const struct {
        const char* what;
        const void* address;
        size_t size;
        bool counts;
    } cases[] = {
        {"a local", &local, sizeof local, true},
        {"the stack's last bytes", stackEnd - 4, 4, true},
        {"running past the stack's end", stackEnd - 4, 16, false},
        {"a static", &fixed, sizeof fixed, false},
        {"the heap", heap.get(), sizeof(RECT), false},
        {"another thread's stack", otherThreads, sizeof(RECT), false},
        {"null", nullptr, sizeof(RECT), false},
        {"a small number", reinterpret_cast<const void*>(0x10), sizeof(RECT), false},
        {"LB_ERR", reinterpret_cast<const void*>(static_cast<INT_PTR>(-1)), sizeof(RECT), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OnThisThreadStack(c.address, c.size), c.counts) << c.what;
    EXPECT_EQ(StructOnThisStack<RECT>(reinterpret_cast<LPARAM>(&local)), &local);
    EXPECT_EQ(StructOnThisStack<RECT>(reinterpret_cast<LPARAM>(&local) + 1), nullptr) << "a misaligned structure";
    SetEvent(done);
    other.join();
    CloseHandle(ready);
    CloseHandle(done);
}

TEST(OwnRecords, AWindowTableFindsOnlyTheObjectsBoundToTheWindow)
{
    int first = 0, second = 0;
    const HWND a = reinterpret_cast<HWND>(0x100), b = reinterpret_cast<HWND>(0x200);
    WindowTable<int> table;
    table.Bind(a, &first);
    table.Bind(b, &second);
    EXPECT_EQ(table.Find(a), &first);
    EXPECT_EQ(table.Find(b), &second);
    EXPECT_EQ(table.Find(reinterpret_cast<HWND>(0x300)), nullptr);
    table.Bind(a, &second);
    EXPECT_EQ(table.Find(a), &second) << "a window has one object";
    table.Unbind(b);
    EXPECT_EQ(table.Find(b), nullptr);
    table.Forget(&second);
    EXPECT_EQ(table.Find(a), nullptr) << "an object that ends leaves no window bound to it";
}
