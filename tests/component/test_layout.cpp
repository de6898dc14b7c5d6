// Proportional layout of a scalable dialog's controls with the real main
// dialog template: stretching, going back to the start size, minimising, and
// the combo box and status bar that get their own treatment; and what a DPI
// change does to any dialog's controls and fonts.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <memory>
#include <vector>

#include "component/WinbaseProbe.h"
#include "res/MainDialogIds.h"
#include "support/TestSupport.h"
#include "winbase/Dpi.h"

using winbase_test::ProbeDialog;

namespace {

constexpr int kComboId = 3001;
constexpr int kStatusId = 3002;

class ScalableDialog : public ProbeDialog {
public:
    ScalableDialog() : ProbeDialog(IDD_MAIN) {}
    bool IsScalable() const override { return true; }

    // Extra children made before the layout is recorded.
    bool withCombo = false;
    bool withStatusBar = false;
    std::vector<int> statusBarsSized;  // their control ids

    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_INITDIALOG) {
            if (withCombo) {
                CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 10, 10, 120, 150,
                                Window(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kComboId)),
                                GetModuleHandleA(nullptr), nullptr);
            }
            if (withStatusBar) {
                CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, Window(),
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusId)), GetModuleHandleA(nullptr),
                                nullptr);
            }
        }
        return ProbeDialog::OnMessage(message, wParam, lParam);
    }
    void OnStatusBarSized(HWND statusBar) override { statusBarsSized.push_back(GetDlgCtrlID(statusBar)); }
};

RECT ClientRectOf(HWND dialog, HWND child)
{
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::map<HWND, RECT> ChildPlaces(HWND dialog)
{
    std::map<HWND, RECT> places;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        places[child] = ClientRectOf(dialog, child);
    }
    return places;
}

// Resizes the window so that its client area becomes width x height.
void SetClientSize(HWND dialog, LONG width, LONG height)
{
    RECT window = {}, client = {};
    GetWindowRect(dialog, &window);
    GetClientRect(dialog, &client);
    SetWindowPos(dialog, nullptr, 0, 0, (window.right - window.left) + width - client.right,
                 (window.bottom - window.top) + height - client.bottom, SWP_NOZORDER | SWP_NOMOVE);
}

TEST(Layout, TwiceAsWideDoublesLeftAndRightAndBackRestoresEveryControlExactly)
{
    ScalableDialog dialog;
    std::map<HWND, RECT> start, wide, back;
    RECT startClient = {}, wideClient = {};
    dialog.script = [&](ProbeDialog& d) {
        GetClientRect(d.Window(), &startClient);
        start = ChildPlaces(d.Window());
        SetClientSize(d.Window(), startClient.right * 2, startClient.bottom);
        GetClientRect(d.Window(), &wideClient);
        wide = ChildPlaces(d.Window());
        SetClientSize(d.Window(), startClient.right, startClient.bottom);
        back = ChildPlaces(d.Window());
    };
    dialog.Show();
    ASSERT_EQ(wideClient.right, startClient.right * 2);
    ASSERT_GE(start.size(), 10u);
    for (const auto& [child, was] : start) {
        const RECT& now = wide[child];
        EXPECT_EQ(now.left, was.left * 2) << GetDlgCtrlID(child);
        EXPECT_EQ(now.right, was.right * 2) << GetDlgCtrlID(child);
        EXPECT_EQ(now.top, was.top) << GetDlgCtrlID(child);
        EXPECT_EQ(now.bottom, was.bottom) << GetDlgCtrlID(child);
        EXPECT_TRUE(EqualRect(&back[child], &was)) << GetDlgCtrlID(child);
    }
}

LONG FontHeightOf(HWND control)
{
    LOGFONTW font = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font.lfHeight;
}

// A move to a monitor with twice the DPI: the window takes the suggested rectangle (here twice
// the client area), every control twice its place and the font (the template's, or a user
// font) twice its height; the move back restores every place and height exactly.
TEST(Layout, ADpiChangeScalesControlsAndFontsAndTheChangeBackRestoresThem)
{
    vbtest::RegistryKeyGuard guard("Software\\Quillfen\\VeilboxLayoutDpiTest");
    for (const char* what : {"template font", "proportional layout", "user font"}) {
        ScalableDialog scalable;
        ProbeDialog plain(IDD_HIDDEN, nullptr, "VeilboxLayoutDpiTest");
        ProbeDialog& dialog = what[0] == 'p' ? static_cast<ProbeDialog&>(scalable) : plain;
        dialog.script = [&](ProbeDialog& d) {
            HWND w = d.Window(), first = GetWindow(w, GW_CHILD);
            if (what[0] == 'u')
                d.ApplyFont(d.CreateUserFont());
            const UINT dpi = d.Dpi();
            const auto start = ChildPlaces(w);
            const LONG font = FontHeightOf(first);
            RECT client = {}, window = {}, now = {};
            GetClientRect(w, &client);
            GetWindowRect(w, &window);
            RECT suggested = {window.left + 10, window.top + 20, window.right + 10 + client.right,
                              window.bottom + 20 + client.bottom};
            d.Call(WM_DPICHANGED, MAKEWPARAM(2 * dpi, 2 * dpi), reinterpret_cast<LPARAM>(&suggested));
            GetWindowRect(w, &now);
            EXPECT_TRUE(EqualRect(&now, &suggested)) << what;
            // A user font is made from its points: one pixel of rounding.
            EXPECT_NEAR(FontHeightOf(first), 2 * font, 1) << what;
            for (auto [child, place] : ChildPlaces(w)) {
                const RECT& was = start.at(child);
                EXPECT_TRUE(place.left == 2 * was.left && place.top == 2 * was.top && place.right == 2 * was.right &&
                            place.bottom == 2 * was.bottom) << what << " " << GetDlgCtrlID(child);
            }
            d.Call(WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&window));
            GetWindowRect(w, &now);
            EXPECT_TRUE(EqualRect(&now, &window) && FontHeightOf(first) == font) << what;
            // Posted, as any program can, the message's rectangle lies nowhere the system puts it.
            const auto elsewhere = std::make_unique<RECT>(RECT{0, 0, 123, 45});
            PostMessageA(w, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(elsewhere.get()));
            for (MSG m; PeekMessageA(&m, w, 0, 0, PM_REMOVE);)
                DispatchMessageA(&m);
            GetWindowRect(w, &now);
            EXPECT_TRUE(EqualRect(&now, &window)) << what;
            // Suggestions that would put the dialog out of reach or out of shape are not taken.
            const LONG width = window.right - window.left, height = window.bottom - window.top;
            const RECT refused[] = {
                {window.left, window.top, window.left, window.bottom},                   // no width
                {window.right, window.top, window.left, window.bottom},                  // inverted
                {window.left, window.top, window.left + 100000, window.top + 100000},    // absurd size
                {window.left, window.top, window.left + 2, window.top + 2},              // a speck
                {-60000, -60000, -60000 + width, -60000 + height},                       // off every monitor
                {LONG_MIN, window.top, LONG_MAX, window.bottom},                         // overflowing
            };
            for (const RECT& bad : refused) {
                RECT onStack = bad;
                d.Call(WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&onStack));
                GetWindowRect(w, &now);
                EXPECT_TRUE(EqualRect(&now, &window)) << what << " " << bad.left << "," << bad.right;
            }
            // One partly off the screen (half past its left edge, as on the way to another
            // monitor) is taken.
            RECT partly = {-width / 2, window.top, width - width / 2, window.bottom};
            d.Call(WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&partly));
            GetWindowRect(w, &now);
            EXPECT_TRUE(EqualRect(&now, &partly)) << what;
            d.Call(WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&window));
            for (auto [child, place] : ChildPlaces(w))
                EXPECT_TRUE(EqualRect(&place, &start.at(child))) << what << " " << GetDlgCtrlID(child);
        };
        dialog.Show();
    }
}

TEST(Layout, RepeatedResizingNeverAccumulatesRoundingErrors)
{
    ScalableDialog dialog;
    std::map<HWND, RECT> first, again;
    dialog.script = [&](ProbeDialog& d) {
        RECT client = {};
        GetClientRect(d.Window(), &client);
        SetClientSize(d.Window(), client.right * 3 / 2 + 1, client.bottom * 4 / 3 + 1);
        first = ChildPlaces(d.Window());
        SetClientSize(d.Window(), client.right * 7 / 10, client.bottom * 9 / 10);
        SetClientSize(d.Window(), client.right * 5 / 4, client.bottom);
        SetClientSize(d.Window(), client.right * 3 / 2 + 1, client.bottom * 4 / 3 + 1);
        again = ChildPlaces(d.Window());
    };
    dialog.Show();
    ASSERT_FALSE(first.empty());
    for (const auto& [child, was] : first) {
        EXPECT_TRUE(EqualRect(&again[child], &was)) << GetDlgCtrlID(child);
    }
}

TEST(Layout, ASizeMessageWhileMinimisedMovesNothing)
{
    ScalableDialog dialog;
    std::map<HWND, RECT> before, minimised, restored;
    bool iconic = false;
    dialog.script = [&](ProbeDialog& d) {
        ShowWindow(d.Window(), SW_SHOW);
        before = ChildPlaces(d.Window());
        ShowWindow(d.Window(), SW_MINIMIZE);
        iconic = IsIconic(d.Window()) != FALSE;
        SendMessageA(d.Window(), WM_SIZE, SIZE_MINIMIZED, 0);
        minimised = ChildPlaces(d.Window());
        ShowWindow(d.Window(), SW_RESTORE);
        restored = ChildPlaces(d.Window());
    };
    dialog.Show();
    ASSERT_TRUE(iconic);
    for (const auto& [child, was] : before) {
        EXPECT_TRUE(EqualRect(&minimised[child], &was)) << GetDlgCtrlID(child);
        EXPECT_TRUE(EqualRect(&restored[child], &was)) << GetDlgCtrlID(child);
    }
}

TEST(Layout, AComboBoxScalesWithItsListAndAStatusBarDocksItself)
{
    ScalableDialog dialog;
    dialog.withCombo = true;
    dialog.withStatusBar = true;
    RECT droppedBefore = {}, droppedAfter = {}, statusAfter = {}, clientAfter = {};
    LONG statusHeightBefore = 0;
    size_t sizedAtStart = 0;
    dialog.script = [&](ProbeDialog& d) {
        auto& probe = static_cast<ScalableDialog&>(d);
        sizedAtStart = probe.statusBarsSized.size();
        HWND combo = GetDlgItem(d.Window(), kComboId);
        HWND status = GetDlgItem(d.Window(), kStatusId);
        SendMessageA(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&droppedBefore));
        const RECT statusBefore = ClientRectOf(d.Window(), status);
        statusHeightBefore = statusBefore.bottom - statusBefore.top;
        RECT client = {};
        GetClientRect(d.Window(), &client);
        SetClientSize(d.Window(), client.right * 2, client.bottom * 2);
        SendMessageA(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&droppedAfter));
        statusAfter = ClientRectOf(d.Window(), status);
        GetClientRect(d.Window(), &clientAfter);
    };
    dialog.Show();
    // Systems differ in how much of the combo box's height they count as its
    // list; recorded without the list, it would shrink to its edit part.
    EXPECT_GT(droppedAfter.bottom - droppedAfter.top, 3 * (droppedBefore.bottom - droppedBefore.top) / 2)
        << "the drop-down list is part of the recorded height";
    EXPECT_EQ(droppedAfter.right - droppedAfter.left, 2 * (droppedBefore.right - droppedBefore.left));
    ASSERT_EQ(dialog.statusBarsSized.size(), sizedAtStart + 1);
    EXPECT_EQ(dialog.statusBarsSized.back(), kStatusId);
    EXPECT_EQ(statusAfter.bottom, clientAfter.bottom) << "docked at the bottom";
    EXPECT_EQ(statusAfter.right - statusAfter.left, clientAfter.right);
    EXPECT_GE(statusAfter.bottom - statusAfter.top, 2 * statusHeightBefore) << "the scaled minimum height";
}

}  // namespace
