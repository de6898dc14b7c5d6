// The decisions of the title-bar hook: which presses are taken, that their releases go with
// them, and that nothing is asked of the desktop but on a press that could be taken.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "app/titlebar/TitleBarClicks.h"

namespace {

HWND const kTarget = reinterpret_cast<HWND>(0x1234);

struct ClickCase {
    const char* name;
    bool minimiseButtonHides, closeRules;
    bool windowFound;  // a window under the pointer that may be acted on
    LRESULT hit;       // its answer to the hit test
    bool ruleNames, shift;
    std::vector<WPARAM> events;
    std::string swallowed;  // per event: 'S' swallowed, 'P' passed on
    int windowsAsked;       // questions of the world: the window under the pointer
    int hitTests;           // and the hit test
    bool hides;             // an event names the window to hide: the first, or the one at handedAt
    bool belowCaption = false;  // the press lies below the window's caption band
    int buttonAnswers = 99;     // hit tests answered with hit; later ones answer HTCAPTION
    size_t handedAt = 0;        // the event that names the window
    bool releaseAway = false;   // releases land 20 pixels right of the press
};

const ClickCase kCases[] = {
    {"right press on minimise, then its release", true, false, true, HTMINBUTTON, false, false,
     {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONUP}, "SSP", 1, 1, true},
    {"shift passes the click", true, false, true, HTMINBUTTON, false, true, {WM_RBUTTONDOWN, WM_RBUTTONUP}, "PP",
     0, 0, false},
    {"option off", false, true, true, HTMINBUTTON, true, false, {WM_RBUTTONDOWN, WM_RBUTTONUP}, "PP", 0, 0, false},
    {"right press elsewhere on the caption", true, false, true, HTCAPTION, false, false,
     {WM_RBUTTONDOWN, WM_RBUTTONUP}, "PP", 1, 1, false},
    {"a window that gave no answer in time", true, true, true, HTNOWHERE, true, false,
     {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}, "PPPP", 2, 2, false},
    {"no window that may be acted on", true, true, false, HTMINBUTTON, true, false,
     {WM_RBUTTONDOWN, WM_RBUTTONUP}, "PP", 1, 0, false},
    {"right press on a close box", true, true, true, HTCLOSE, true, false, {WM_RBUTTONDOWN, WM_RBUTTONUP}, "PP", 1,
     1, false},
    {"left press on a named window's close box, hidden at its release", true, true, true, HTCLOSE, true, false,
     {WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP, WM_LBUTTONUP}, "SPSP", 1, 1, true, false, 99, 2},
    {"close box press dragged off: both swallowed, nothing hidden", true, true, true, HTCLOSE, true, false,
     {WM_LBUTTONDOWN, WM_LBUTTONUP}, "SS", 1, 1, false, false, 99, 0, true},
    {"close box press, its release lost, a press elsewhere then releases nothing", true, true, true, HTCLOSE, true,
     false, {WM_LBUTTONDOWN, WM_LBUTTONDOWN, WM_LBUTTONUP}, "SPP", 2, 2, false, false, 1},
    {"left press on another window's close box is not even hit-tested", true, true, true, HTCLOSE, false, false,
     {WM_LBUTTONDOWN, WM_LBUTTONUP}, "PP", 1, 0, false},
    {"left press on minimise minimises", true, true, true, HTMINBUTTON, true, false, {WM_LBUTTONDOWN, WM_LBUTTONUP},
     "PP", 1, 1, false},
    {"left presses without close-box rules ask nothing", true, false, true, HTCLOSE, true, false,
     {WM_LBUTTONDOWN, WM_LBUTTONUP}, "PP", 0, 0, false},
    {"moves, wheel and middle button ask nothing", true, true, true, HTMINBUTTON, true, false,
     {WM_MOUSEMOVE, WM_MOUSEWHEEL, WM_MBUTTONDOWN, WM_MBUTTONUP}, "PPPP", 0, 0, false},
    {"a release without its press passes", true, true, true, HTMINBUTTON, true, false, {WM_RBUTTONUP, WM_LBUTTONUP},
     "PP", 0, 0, false},
    {"a press below the caption band is not hit-tested", true, true, true, HTMINBUTTON, true, false,
     {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}, "PPPP", 2, 0, false, true},
    {"press taken, its release lost, the next press passes and its release too", true, false, true, HTMINBUTTON,
     false, false, {WM_RBUTTONDOWN, WM_RBUTTONDOWN, WM_RBUTTONUP}, "SPP", 2, 2, true, false, 1},
};

void PrintTo(const ClickCase& row, std::ostream* out)
{
    *out << row.name;
}

class TitleBarClicksTest : public ::testing::TestWithParam<ClickCase> {};

TEST_P(TitleBarClicksTest, DecidesEachEvent)
{
    const ClickCase& row = GetParam();
    int windowsAsked = 0, hitTests = 0;
    TitleBarWorld world{
        [&](POINT) {
            ++windowsAsked;
            return row.windowFound ? kTarget : nullptr;
        },
        [&](HWND window, POINT) {
            ++hitTests;
            EXPECT_EQ(window, kTarget);
            return hitTests <= row.buttonAnswers ? row.hit : static_cast<LRESULT>(HTCAPTION);
        },
        [&](HWND) { return row.ruleNames; },
        [&] { return row.shift; },
        [&](HWND, POINT) { return !row.belowCaption; }};
    TitleBarClicks clicks(world);
    clicks.Configure(row.minimiseButtonHides, row.closeRules);
    std::string swallowed;
    std::vector<HWND> hidden;
    for (WPARAM message : row.events) {
        HWND window = nullptr;
        TitleBarButton button = TitleBarButton::Minimise;
        const bool release = message == WM_LBUTTONUP || message == WM_RBUTTONUP;
        const POINT at = release && row.releaseAway ? POINT{30, 10} : POINT{10, 10};
        swallowed += clicks.OnMouse(message, at, window, button) ? 'S' : 'P';
        hidden.push_back(window);
        if (window) {
            EXPECT_EQ(button, message == WM_LBUTTONUP ? TitleBarButton::Close : TitleBarButton::Minimise);
        }
    }
    EXPECT_EQ(swallowed, row.swallowed);
    EXPECT_EQ(windowsAsked, row.windowsAsked);
    EXPECT_EQ(hitTests, row.hitTests);
    for (size_t i = 0; i < hidden.size(); ++i)
        EXPECT_EQ(hidden[i], row.hides && i == row.handedAt ? kTarget : nullptr) << "event " << i;
}

struct BandCase {
    const char* name;
    POINT at;
    bool inside;
};

// A window at (100, 50)-(400, 350) with a 60-pixel band.
const BandCase kBandCases[] = {
    {"in the caption", {380, 60}, true},
    {"the top edge itself", {100, 50}, true},
    {"the band's last row", {200, 109}, true},
    {"just below the band", {200, 110}, false},
    {"the window's middle", {250, 200}, false},
    {"left of the window", {99, 60}, false},
    {"right of the window", {400, 60}, false},
    {"above the window", {200, 49}, false},
};

TEST(TitleBarCaptionBand, OnlyTheTopOfTheWindow)
{
    const RECT window = {100, 50, 400, 350};
    for (const BandCase& row : kBandCases)
        EXPECT_EQ(InCaptionBand(window, row.at, 60), row.inside) << row.name;
    EXPECT_FALSE(InCaptionBand(RECT{100, 50, 400, 70}, POINT{200, 80}, 60)) << "a band taller than the window";
}

struct SwapCase {
    WPARAM physical;
    bool swapped;
    WPARAM logical;
};

const SwapCase kSwapCases[] = {
    {WM_RBUTTONDOWN, false, WM_RBUTTONDOWN}, {WM_LBUTTONUP, false, WM_LBUTTONUP},
    {WM_LBUTTONDOWN, true, WM_RBUTTONDOWN},  {WM_LBUTTONUP, true, WM_RBUTTONUP},
    {WM_RBUTTONDOWN, true, WM_LBUTTONDOWN},  {WM_RBUTTONUP, true, WM_LBUTTONUP},
    {WM_MOUSEMOVE, true, WM_MOUSEMOVE},      {WM_MBUTTONDOWN, true, WM_MBUTTONDOWN},
};

TEST(TitleBarSwappedButtons, TheSecondaryButtonHides)
{
    for (const SwapCase& row : kSwapCases)
        EXPECT_EQ(LogicalButtonMessage(row.physical, row.swapped), row.logical)
            << std::hex << row.physical << " swapped " << row.swapped;
}

struct WatchCase {
    const char* name;
    bool set;
    HookWatchState last;
    bool late;  // the look was taken kHookStallMs or more after it was asked
    bool read;  // whether the pointer's position was read at this look
    POINT cursor;
    unsigned events;
    bool setAgain;
};

const WatchCase kWatchCases[] = {
    {"not set", false, {1000, 0, {5, 5}, true, 3}, false, true, {5, 5}, 3, true},
    {"not set, never looked", false, {}, false, true, {5, 5}, 0, true},
    {"stalled", true, {1000, 0, {5, 5}, true, 3}, true, true, {5, 5}, 3, true},
    {"stalled, position not read", true, {1000, 0, {5, 5}, true, 3}, true, false, {}, 3, true},
    {"stalled at the first look", true, {}, true, false, {}, 0, true},
    {"moved but unseen", true, {1000, 0, {5, 5}, true, 3}, false, true, {9, 5}, 3, true},
    {"moved and seen", true, {1000, 0, {5, 5}, true, 3}, false, true, {9, 5}, 4, false},
    {"no move", true, {1000, 0, {5, 5}, true, 3}, false, true, {5, 5}, 3, false},
    {"first look after a move before it", true, {}, false, true, {9, 5}, 0, false},
    {"position not read: no move can be told", true, {1000, 0, {5, 5}, true, 3}, false, false, {}, 3, false},
    {"read, but where it was is not known", true, {1000, 0, {}, false, 3}, false, true, {9, 5}, 3, false},
};

TEST(TitleBarHookWatch, SetsAgainOnlyWhenLost)
{
    for (const WatchCase& row : kWatchCases)
        EXPECT_EQ(HookNeedsSetting(row.set, row.late, row.last, row.read ? &row.cursor : nullptr, row.events),
                  row.setAgain)
            << row.name;
}

// The position is read only when the system took input that the hook did not see.
TEST(TitleBarHookWatch, ReadsThePointerOnlyForUnseenInput)
{
    const HookWatchState last{1000, 500, {5, 5}, true, 3};
    const struct {
        const char* name;
        HookWatchState last;
        DWORD lastInput;
        unsigned events;
        bool read;
    } rows[] = {
        {"no input since", last, 500, 3, false},
        {"input seen by the hook", last, 900, 4, false},
        {"input the hook did not see", last, 900, 3, true},
        {"never looked", {}, 900, 0, false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(InputUnseen(row.last, row.lastInput, row.events), row.read) << row.name;
}

// After a look the watch knows the pointer from a reading, else from the hook's last event.
TEST(TitleBarHookWatch, RemembersWhereThePointerWasLastSeen)
{
    const HookWatchState last{1000, 500, {5, 5}, true, 3};
    const POINT read = {20, 30};
    const POINT eventAt = {40, 50};
    const struct {
        const char* name;
        HookWatchState last;
        const POINT* cursor;
        unsigned events;
        POINT expected;
        bool known;
    } rows[] = {
        {"read", last, &read, 3, read, true},
        {"read wins over an event", last, &read, 4, read, true},
        {"not read, the hook saw events", last, nullptr, 4, eventAt, true},
        {"not read, nothing seen", last, nullptr, 3, {5, 5}, true},
        {"never known, nothing seen", {}, nullptr, 0, {}, false},
    };
    for (const auto& row : rows) {
        const HookWatchState next = NextWatchState(row.last, 2000, 900, row.cursor, row.events, eventAt);
        EXPECT_EQ(next.lastCheck, 2000u) << row.name;
        EXPECT_EQ(next.lastInput, 900u) << row.name;
        EXPECT_EQ(next.events, row.events) << row.name;
        EXPECT_EQ(next.cursorKnown, row.known) << row.name;
        EXPECT_EQ(next.cursor.x, row.expected.x) << row.name;
        EXPECT_EQ(next.cursor.y, row.expected.y) << row.name;
    }
}

struct PointCase {
    const char* name;
    PointSpace space;
    UINT windowDpi, monitorDpi;  // the system scales the window by monitorDpi / windowDpi
    bool convertible;            // the system can convert points (Windows 8.1 on)
    bool converts;               // and does for this window and point
    POINT expected;              // the point asked for a press at (600, 30)
    bool asked;
};

const PointCase kPointCases[] = {
    {"per-monitor aware on a 150 % monitor: the point as seen", PointSpace::Physical, 144, 144, true, true, {600, 30},
     true},
    {"not aware on a 150 % monitor: its own pixels", PointSpace::Logical, 96, 144, true, true, {400, 20}, true},
    {"aware of a 120 % system on a 150 % monitor", PointSpace::Logical, 120, 144, true, true, {500, 25}, true},
    {"not aware on a 100 % monitor: the same point", PointSpace::Logical, 96, 96, true, true, {600, 30}, true},
    {"awareness not known: converted as the system sees it", PointSpace::Unknown, 96, 144, true, true, {400, 20}, true},
    {"no conversion in the system: the point as seen", PointSpace::Logical, 96, 144, false, false, {600, 30}, true},
    {"the conversion fails: the window keeps its click", PointSpace::Logical, 96, 144, true, false, {}, false},
};

TEST(TitleBarHitTestPoint, TheWindowIsAskedInItsOwnPixels)
{
    for (const PointCase& row : kPointCases) {
        int conversions = 0;
        std::function<bool(POINT&)> toWindow;
        if (row.convertible)
            toWindow = [&](POINT& point) {
                ++conversions;
                point = {MulDiv(point.x, row.windowDpi, row.monitorDpi), MulDiv(point.y, row.windowDpi, row.monitorDpi)};
                return row.converts;
            };
        POINT asked = {-1, -1};
        EXPECT_EQ(HitTestPointFor({600, 30}, row.space, toWindow, asked), row.asked) << row.name;
        if (row.asked) {
            EXPECT_TRUE(asked.x == row.expected.x && asked.y == row.expected.y)
                << row.name << ": asked " << asked.x << "," << asked.y;
        }
        EXPECT_EQ(conversions, row.convertible && row.space != PointSpace::Physical ? 1 : 0) << row.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, TitleBarClicksTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ClickCase>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c; ++c)
                                 name += isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return name;
                         });

} // namespace
