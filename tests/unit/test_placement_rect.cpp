// Where a stored window rectangle goes on the desktop, and which window
// rectangles are worth storing.
#include <gtest/gtest.h>

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

}  // namespace
