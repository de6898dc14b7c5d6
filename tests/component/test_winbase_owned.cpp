// An owned dialog: it starts with its owner's icon, centred over the owner,
// and paints its controls, except edits, with the owner's static brush.
#include <gtest/gtest.h>

#include "component/WinbaseProbe.h"
#include "winbase/LateLibraries.h"
#include "winbase/WindowHelpers.h"

using namespace winbase_test;

namespace {

HBRUSH g_ownerBrush;
HWND g_colourRequester;

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CTLCOLORSTATIC) {
        g_colourRequester = reinterpret_cast<HWND>(lParam);
        return reinterpret_cast<LRESULT>(g_ownerBrush);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A top-level window that owns the dialog under test, with a known icon and
// its own brush for static controls.
struct Owner {
    Owner()
    {
        g_ownerBrush = CreateSolidBrush(RGB(10, 200, 30));
        SendMessageA(window.handle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(Icon()));
    }
    ~Owner() { DeleteObject(g_ownerBrush); }
    static HICON Icon() { return LoadIconA(nullptr, MAKEINTRESOURCEA(32515)); }
    static bool RegisterClassOnce()
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = OwnerProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VbWinbaseOwner";
        return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }
    bool registered = RegisterClassOnce();
    TestWindow window{"VbWinbaseOwner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, {300, 200, 700, 500}};
};

TEST(WinBaseOwnedDialog, StartsWithTheOwnersIconCentredOverTheOwner)
{
    Owner owner;
    ProbeDialog dialog(IDD_HIDDEN, owner.window.handle);
    RECT placed = {};
    dialog.script = [&](ProbeDialog& d) { placed = WindowRect(d.Window()); };
    dialog.Show();
    EXPECT_EQ(dialog.Icon(), Owner::Icon());
    const SIZE desktop = DesktopSize();
    const RECT want = CenteredRect(placed, WindowRect(owner.window.handle), desktop.cx, desktop.cy);
    EXPECT_TRUE(EqualRect(&placed, &want) != FALSE) << placed.left << "," << placed.top;
}

TEST(WinBaseOwnedDialog, ControlsButEditsArePaintedWithTheOwnersStaticBrush)
{
    Owner owner;
    ProbeDialog dialog;
    dialog.script = [&](ProbeDialog& d) {
        const struct {
            const char* label;
            const char* childClass;  // null: the dialog itself
            UINT message;
            bool ownersBrush;
        } cases[] = {
            {"static text", "STATIC", WM_CTLCOLORSTATIC, true},
            {"button", "BUTTON", WM_CTLCOLORBTN, true},
            {"the dialog's background", nullptr, WM_CTLCOLORDLG, true},
            {"message box", "STATIC", WM_CTLCOLORMSGBOX, true},
            {"edit", "EDIT", WM_CTLCOLORSTATIC, false},
            {"rich edit (its class holds EDIT)", "RichEdit20W", WM_CTLCOLORSTATIC, false},
            {"list box colour is not the base's", "LISTBOX", WM_CTLCOLORLISTBOX, false},
        };
        // The rich edit class is registered by its library, which the program loads on first use.
        ASSERT_TRUE(EnsureRichEditClass());
        HDC dc = CreateCompatibleDC(nullptr);
        d.probing = true;
        for (const auto& c : cases) {
            TestWindow child(c.childClass ? c.childClass : "STATIC", WS_CHILD, {0, 0, 20, 20}, d.Window());
            HWND target = c.childClass ? child.handle : d.Window();
            ASSERT_NE(target, nullptr) << c.label;
            SetBkMode(dc, OPAQUE);
            SetBkColor(dc, RGB(0, 0, 0));
            g_colourRequester = nullptr;
            const INT_PTR answer = d.Call(c.message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(target));
            EXPECT_EQ(answer, c.ownersBrush ? reinterpret_cast<INT_PTR>(g_ownerBrush) : ProbeDialog::kProbeAnswer)
                << c.label;
            EXPECT_EQ(g_colourRequester, c.ownersBrush ? d.Window() : nullptr) << c.label;
            EXPECT_EQ(GetBkMode(dc), c.ownersBrush ? TRANSPARENT : OPAQUE) << c.label;
            EXPECT_EQ(GetBkColor(dc), c.ownersBrush ? COLORREF(0xFFFFFF) : COLORREF(0)) << c.label;
        }
        DeleteDC(dc);
    };
    dialog.Show(owner.window.handle);
    EXPECT_FALSE(dialog.timedOut);
}

}  // namespace
