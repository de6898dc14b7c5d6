// Where a stored window rectangle goes on the desktop and at another display
// scaling, which window rectangles are worth storing, and where a hidden
// window comes back when its monitor has changed.
#include <gtest/gtest.h>

#include "app/held/WindowPlace.h"
#include "winbase/PlacementStore.h"

namespace {

TEST(FitRectOnDesktop, KeepsTheRectangleOnAnEightHundredBySixHundredDesktop)
{
    const struct {
        const char* label;
        RECT stored, want;
    } cases[] = {
        {"inside stays", {100, 100, 400, 300}, {100, 100, 400, 300}},
        {"left of the screen moves right", {-50, 100, 350, 400}, {0, 100, 400, 400}},
        {"above the screen moves down", {100, -50, 500, 250}, {100, 0, 500, 300}},
        {"right of the screen moves left", {600, 100, 900, 300}, {500, 100, 800, 300}},
        {"below the screen moves up", {100, 500, 300, 700}, {100, 400, 300, 600}},
        {"far off in both directions", {-3000, 5000, -2800, 5100}, {0, 500, 200, 600}},
        {"wider than the desktop spans it", {-10, 50, 1200, 350}, {0, 50, 800, 350}},
        {"wider, starting inside", {200, 50, 1300, 350}, {0, 50, 800, 350}},
        {"taller than the desktop spans it", {100, 20, 300, 900}, {100, 0, 300, 600}},
        {"exactly the desktop", {0, 0, 800, 600}, {0, 0, 800, 600}},
    };
    for (const auto& c : cases) {
        const RECT got = FitRectOnDesktop(c.stored, 800, 600);
        EXPECT_TRUE(EqualRect(&got, &c.want) != FALSE)
            << c.label << ": got " << got.left << "," << got.top << "," << got.right << "," << got.bottom;
    }
}

TEST(RectForDpi, KeepsThePlaceAndScalesTheSizeOrScalesAnOldUnawareRectangleWhole)
{
    const RECT stored = {100, 50, 500, 350};
    const struct {
        const char* label;
        UINT storedDpi, dpi;
        RECT want;
    } cases[] = {
        {"same DPI", 144, 144, {100, 50, 500, 350}},
        {"100 % to 150 %", 96, 144, {100, 50, 700, 500}},
        {"200 % to 100 %", 192, 96, {100, 50, 300, 200}},
        {"125 % to 150 %, rounded", 120, 144, {100, 50, 580, 410}},
        {"no stored DPI: 96-DPI pixels of an unaware build", 0, 144, {150, 75, 750, 525}},
        {"damaged stored DPI counts as none", 5000, 192, {200, 100, 1000, 700}},
        {"no stored DPI at 96 DPI", 0, 96, {100, 50, 500, 350}},
        {"an unusable DPI to go to leaves it", 96, 0, {100, 50, 500, 350}},
    };
    for (const auto& c : cases) {
        const RECT got = RectForDpi(stored, c.storedDpi, c.dpi);
        EXPECT_TRUE(EqualRect(&got, &c.want) != FALSE)
            << c.label << ": got " << got.left << "," << got.top << "," << got.right << "," << got.bottom;
    }
}

TEST(IsSavableWindowRect, RefusesOversizedAndOffScreenRectangles)
{
    const struct {
        const char* label;
        RECT rect;
        bool savable;
    } cases[] = {
        {"ordinary", {10, 10, 400, 300}, true},
        {"1.1 times the width", {0, 0, 880, 300}, true},
        {"wider than 1.1 times", {0, 0, 881, 300}, false},
        {"taller than 1.1 times", {0, 0, 300, 661}, false},
        {"maximised with its frame outside", {-8, -8, 808, 608}, true},
        {"right edge left of the screen", {-400, 10, -1, 300}, false},
        {"bottom edge above the screen", {10, -400, 300, -1}, false},
        {"minimised far away", {-32000, -32000, -31840, -31969}, false},
        {"right of the screen", {900, 10, 1000, 100}, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsSavableWindowRect(c.rect, 800, 600), c.savable) << c.label;
    }
}

// The window was hidden on a 1920 x 1080 monitor at the right of the primary one.
TEST(MoveOntoMonitor, KeepsTheWindowsPlaceOnTheMonitorItComesBackTo)
{
    const RECT from = {1920, 0, 3840, 1080};
    const struct {
        const char* label;
        RECT window;
        bool maximised;
        RECT to, want;
    } cases[] = {
        {"moved back onto a smaller monitor", {3340, 700, 3740, 1000}, false, {0, 0, 1024, 768}, {624, 468, 1024, 768}},
        {"maximised fills the new one", {1912, -8, 3848, 1048}, true, {0, 0, 1024, 768}, {-8, -8, 1032, 736}},
        // Brought back at the pointer: from and to are then work areas.
        {"below a taskbar at the top", {2020, 100, 2420, 400}, false, {0, 40, 1024, 768}, {100, 140, 500, 440}},
        {"larger than the work area shrinks to it", {1920, 0, 3840, 1040}, false, {1024, 0, 1824, 560},
         {1024, 0, 1824, 560}},
        {"onto a monitor left of the primary", {2920, 500, 3320, 800}, false, {-1280, 0, 0, 1024}, {-400, 500, 0, 800}},
    };
    for (const auto& c : cases) {
        const RECT got = MoveOntoMonitor(c.window, c.maximised, from, c.to);
        EXPECT_TRUE(EqualRect(&got, &c.want) != FALSE)
            << c.label << ": got " << got.left << "," << got.top << "," << got.right << "," << got.bottom;
    }
}

}  // namespace
