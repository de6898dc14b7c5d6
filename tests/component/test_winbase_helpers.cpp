// Hiding and showing a dialog (this test program has no console window) and
// control rectangles in client coordinates.
#include <gtest/gtest.h>

#include "component/WinbaseProbe.h"

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
