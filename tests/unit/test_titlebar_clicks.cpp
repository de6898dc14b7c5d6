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
    bool hides;             // the first event names the window to hide
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
    {"left press on a named window's close box", true, true, true, HTCLOSE, true, false,
     {WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP, WM_LBUTTONUP}, "SPSP", 1, 1, true},
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
            return row.hit;
        },
        [&](HWND) { return row.ruleNames; },
        [&] { return row.shift; }};
    TitleBarClicks clicks(world);
    clicks.Configure(row.minimiseButtonHides, row.closeRules);
    std::string swallowed;
    std::vector<HWND> hidden;
    for (WPARAM message : row.events) {
        HWND window = nullptr;
        TitleBarButton button = TitleBarButton::Minimise;
        swallowed += clicks.OnMouse(message, POINT{10, 10}, window, button) ? 'S' : 'P';
        hidden.push_back(window);
        if (window) {
            EXPECT_EQ(button, message == WM_LBUTTONDOWN ? TitleBarButton::Close : TitleBarButton::Minimise);
        }
    }
    EXPECT_EQ(swallowed, row.swallowed);
    EXPECT_EQ(windowsAsked, row.windowsAsked);
    EXPECT_EQ(hitTests, row.hitTests);
    EXPECT_EQ(hidden.front(), row.hides ? kTarget : nullptr);
    for (size_t i = 1; i < hidden.size(); ++i)
        EXPECT_EQ(hidden[i], nullptr) << "only a press names a window";
}

INSTANTIATE_TEST_SUITE_P(Rows, TitleBarClicksTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ClickCase>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c; ++c)
                                 name += isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return name;
                         });

} // namespace
