// Which hidden windows the Hidden Windows dialog offers by default, decided from a window's look.
#include <gtest/gtest.h>

#include "app/hidden/HiddenWindowKinds.h"

namespace {

constexpr LONG_PTR kDocument = WS_OVERLAPPEDWINDOW;
constexpr LONG_PTR kBarePopup = WS_POPUP;

WindowLook Look(LONG_PTR style, LONG_PTR exStyle, const char* className, bool emptyRect = false, bool cloaked = false)
{
    WindowLook look;
    look.style = style;
    look.exStyle = exStyle;
    look.className = className;
    look.emptyRect = emptyRect;
    look.cloaked = cloaked;
    return look;
}

} // namespace

TEST(HiddenWindowKinds, StyleAndClassTellApplicationWindowsFromPlumbing)
{
    const struct {
        const char* what;
        WindowLook look;
        bool offered;
    } cases[] = {
        {"a document window", Look(kDocument, 0, "Notepad"), true},
        {"a captionless pop-up", Look(kBarePopup, 0, "SomeHelper"), false},
        {"a captionless pop-up that asks for a taskbar button", Look(kBarePopup, WS_EX_APPWINDOW, "Player"), true},
        {"a tool window with a caption", Look(kDocument, WS_EX_TOOLWINDOW, "Palette"), false},
        {"a tool window that asks for a taskbar button", Look(kDocument, WS_EX_TOOLWINDOW | WS_EX_APPWINDOW, "P"),
         false},
        {"a disabled window", Look(kDocument | WS_DISABLED, 0, "Notepad"), false},
        {"a window without area", Look(kDocument, 0, "Notepad", true), false},
        {"a window whose class cannot be read", Look(kDocument, 0, ""), false},
        {"only half a caption (a border)", Look(WS_POPUP | WS_BORDER, 0, "Framed"), false},
        {"the Default IME window", Look(kDocument, 0, "IME"), false},
        {"an input method window in other letters", Look(kDocument, 0, "msctfime ui"), false},
        {"a class that only begins like a plumbing one", Look(kDocument, 0, "IMEditor"), true},
        {"the .NET event window", Look(kDocument, 0, ".NET-BroadcastEventWindow.4.0.0.0.141b42a.0"), false},
        {"the .NET event window in other letters", Look(kDocument, 0, ".net-broadcasteventwindow.2.0.0.0.1"), false},
        {"a class with the .NET prefix inside", Look(kDocument, 0, "x.NET-BroadcastEventWindow.2"), true},
        {"a class that is the .NET prefix cut short", Look(kDocument, 0, ".NET-BroadcastEventWindow"), true},
        {"GDI+'s hook window", Look(kDocument, 0, "GDI+ Hook Window Class"), false},
        {"a DDE monitor window", Look(kDocument, 0, "DDEMLMom"), false},
        {"COM's apartment window", Look(kDocument, 0, "OleMainThreadWndClass"), false},
        {"a tooltip", Look(kDocument, 0, "tooltips_class32"), false},
        {"a store app's core window in view", Look(kDocument, 0, "Windows.UI.Core.CoreWindow"), true},
        {"a store app's core window cloaked", Look(kDocument, 0, "Windows.UI.Core.CoreWindow", false, true), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LooksLikeApplicationWindow(c.look), c.offered) << c.what;
}
