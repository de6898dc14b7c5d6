// The one dialog procedure with real modal dialogs: running and ending a
// dialog, which messages the base consumes and which reach OnMessage, and
// exceptions that leave a handler.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "component/WinbaseProbe.h"
#include "support/TestSupport.h"
#include "winbase/DialogTables.h"

using winbase_test::ProbeDialog;
using winbase_test::TestWindow;

namespace {

TEST(WinBaseShow, TemplateZeroOrMissingGivesZeroWithoutRunningAnything)
{
    for (int templateId : {0, 9999}) {
        ProbeDialog dialog(templateId);
        EXPECT_EQ(dialog.Show(), 0) << templateId;
        EXPECT_EQ(dialog.Result(), -1) << templateId;
        EXPECT_TRUE(dialog.seen.empty()) << templateId;
    }
}

TEST(WinBaseShow, BindsTheObjectAndReturnsWhatTheDialogPassedToEndDialog)
{
    ProbeDialog dialog;
    dialog.script = [&](ProbeDialog& d) {
        // The window's own data is any program's to change: the object is not found through it.
        SetWindowLongPtrA(d.Window(), DWLP_USER, 0x10);
        SendMessageA(d.Window(), WM_TIMER, 7, 0);
        d.End(42);
    };
    EXPECT_EQ(dialog.Show(), 42);
    EXPECT_EQ(dialog.Result(), 42);
    EXPECT_EQ(dialog.Seen(WM_TIMER), 1);
    // Creation messages come before the binding and get the default handling.
    EXPECT_EQ(dialog.Seen(WM_CREATE) + dialog.Seen(WM_SETFONT), 0);
    const auto at = [&](UINT m) { return std::find(dialog.seen.begin(), dialog.seen.end(), m); };
    EXPECT_LT(at(WM_INITDIALOG), at(ProbeDialog::kInitDoneMark));
    EXPECT_EQ(dialog.Seen(WM_DESTROY), 1);
    EXPECT_NE(QF_WINBASE::AlwaysOnTopCommandId(), 0u);
}

TEST(WinBaseRouting, BaseConsumesOnlyItsOwnMessages)
{
    ProbeDialog dialog;
    dialog.script = [](ProbeDialog& d) {
        HMENU popup = CreatePopupMenu();
        // Owner-draw structures: the system's lie on this thread's stack; any other is not read.
        DRAWITEMSTRUCT drawOnStack = {ODT_LISTBOX};
        MEASUREITEMSTRUCT measureOnStack = {ODT_LISTBOX};
        const auto elsewhere = std::make_unique<DRAWITEMSTRUCT>();
        const WPARAM systemMenu = reinterpret_cast<WPARAM>(GetSystemMenu(d.Window(), FALSE));
        const WPARAM other = reinterpret_cast<WPARAM>(popup);
        const LPARAM systemFlag = MAKELPARAM(0, 1);
        const struct {
            const char* label;
            UINT message;
            WPARAM wParam;
            LPARAM lParam;
            bool reaches;
            INT_PTR consumedResult;
            int32_t stateAfter;  // -1: not checked
        } cases[] = {
            {"timer 1", WM_TIMER, 1, 0, true, 0, -1},
            {"timer of the timed message box", WM_TIMER, 0xFFFFFFFFu, 0, false, 0, -1},
            {"ordinary popup menu", WM_INITMENUPOPUP, other, 0, true, 0, -1},
            {"the window's system menu", WM_INITMENUPOPUP, systemMenu, systemFlag, false, 1, -1},
            {"system-flagged other menu", WM_INITMENUPOPUP, other, systemFlag, true, 0, -1},
            {"close without tray", WM_CLOSE, 0, 0, true, 0, -1},
            {"maximise", WM_SYSCOMMAND, SC_MAXIMIZE, 0, true, 0, QF_WINBASE::kStateMaximised},
            {"restore", WM_SYSCOMMAND, SC_RESTORE | 2, 0, true, 0, QF_WINBASE::kStateNormal},
            {"minimise, not to the tray", WM_SYSCOMMAND, SC_MINIMIZE, 0, false, 0, QF_WINBASE::kStateMinimised},
            {"palette changed", WM_PALETTECHANGED, 0, 0, false, 0, -1},
            {"system colours changed", WM_SYSCOLORCHANGE, 0, 0, false, 0, -1},
            {"static colour without owner", WM_CTLCOLORSTATIC, 0, 0, true, 0, -1},
            {"command", WM_COMMAND, MAKEWPARAM(1000, LBN_DBLCLK), 0, true, 0, -1},
            {"draw, its structure on this stack", WM_DRAWITEM, 1000, reinterpret_cast<LPARAM>(&drawOnStack), true, 0,
             -1},
            {"draw, its structure on the heap", WM_DRAWITEM, 1000, reinterpret_cast<LPARAM>(elsewhere.get()), false,
             0, -1},
            {"measure, its structure on this stack", WM_MEASUREITEM, 1000,
             reinterpret_cast<LPARAM>(&measureOnStack), true, 0, -1},
            {"measure, a number for its structure", WM_MEASUREITEM, 1000, 0x10, false, 0, -1},
        };
        d.probing = true;
        for (const auto& c : cases) {
            const int before = d.Seen(c.message);
            const INT_PTR answer = d.Call(c.message, c.wParam, c.lParam);
            EXPECT_EQ(d.Seen(c.message) > before, c.reaches) << c.label;
            EXPECT_EQ(answer, c.reaches ? ProbeDialog::kProbeAnswer : c.consumedResult) << c.label;
            EXPECT_TRUE(c.stateAfter < 0 || d.WindowState() == c.stateAfter) << c.label;
        }
        DestroyMenu(popup);
    };
    dialog.Show();
    EXPECT_FALSE(dialog.timedOut);
}

TEST(WinBaseRouting, CloseOfADialogThatUsesTheTrayNeverReachesOnMessage)
{
    // A stored "work as usual" keeps any tray question away.
    vbtest::RegistryKeyGuard guard("Software\\Quillfen\\VeilboxWinbaseTest");
    SettingsKey decision(HKEY_CURRENT_USER, "Software\\Quillfen\\VeilboxWinbaseTest\\CloseToTray");
    decision.WriteInt("CloseToTray", 0);
    decision.WriteInt("CloseToTrayReminder", 0);
    ProbeDialog dialog(IDD_HIDDEN, nullptr, "VeilboxWinbaseTest");
    dialog.usesTray = true;
    bool destroyed = false;
    dialog.script = [&](ProbeDialog& d) {
        SendMessageA(d.Window(), WM_CLOSE, 0, 0);
        destroyed = !IsWindow(d.Window());
    };
    dialog.Show();
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(dialog.Seen(WM_CLOSE), 0);
    EXPECT_EQ(dialog.Seen(WM_DESTROY), 1);
    EXPECT_EQ(dialog.WindowState(), QF_WINBASE::kStateMinimised);
    EXPECT_NE(QF_WINBASE::TaskbarCreatedMessage(), QF_WINBASE::kNoTrayMessage);
}

TEST(WinBaseRouting, AlwaysOnTopCommandTogglesAndChecksItsSystemMenuItem)
{
    ProbeDialog dialog;
    dialog.script = [](ProbeDialog& d) {
        const UINT id = QF_WINBASE::AlwaysOnTopCommandId();
        HMENU systemMenu = GetSystemMenu(d.Window(), FALSE);
        AppendMenuA(systemMenu, MF_STRING, id, "Always on top");
        for (bool topmost : {true, false, true}) {
            EXPECT_EQ(d.Call(WM_SYSCOMMAND, id), 1);
            EXPECT_EQ((GetWindowLongPtrA(d.Window(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, topmost);
            EXPECT_EQ(d.Call(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(systemMenu), MAKELPARAM(0, 1)), 1);
            EXPECT_EQ((GetMenuState(systemMenu, id, MF_BYCOMMAND) & MF_CHECKED) != 0, topmost);
        }
        EXPECT_EQ(d.Seen(WM_SYSCOMMAND), 0);
    };
    dialog.Show();
    EXPECT_FALSE(dialog.timedOut);
}

TEST(WinBaseRouting, ExceptionsFromHandlersGiveNeutralResultsAndTheDialogRunsOn)
{
    constexpr UINT kThrowing = WM_APP + 7;
    ProbeDialog dialog;
    // The dialog's own initialisation throws (after its script was posted): the dialog runs on.
    dialog.onMessage = [](UINT message) {
        if (message == kThrowing || message == WM_INITDIALOG) {
            throw std::runtime_error("handler failed");
        }
    };
    INT_PTR initAnswer = 0, forgedAnswer = 1;
    dialog.script = [&](ProbeDialog& d) {
        d.probing = true;
        EXPECT_EQ(d.Call(kThrowing), 0);
        EXPECT_EQ(d.Call(WM_APP + 8), ProbeDialog::kProbeAnswer);
        // A second WM_INITDIALOG, even with the bound object's own address, sets nothing up again.
        forgedAnswer = d.Call(WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(static_cast<QF_WINBASE*>(&d)));
        // The answer to an initialisation that throws, seen on an object not yet bound.
        ProbeDialog other;
        other.onMessage = d.onMessage;
        TestWindow plain("STATIC", WS_POPUP, {0, 0, 50, 50});
        initAnswer = QF_WINBASE::DialogProc(plain.handle, WM_INITDIALOG, 0,
                                            reinterpret_cast<LPARAM>(static_cast<QF_WINBASE*>(&other)));
        d.End(5);
    };
    EXPECT_EQ(dialog.Show(), 5) << "the dialog survived an exception during its initialisation";
    EXPECT_EQ(initAnswer, -1);
    EXPECT_EQ(forgedAnswer, 0);
    EXPECT_EQ(dialog.Seen(WM_INITDIALOG), 1) << "a forged WM_INITDIALOG reaches nothing";
    EXPECT_EQ(dialog.Seen(ProbeDialog::kInitDoneMark), 0) << "the processing stops where the exception left";
}

TEST(WinBaseRouting, WindowsWithoutABoundObjectGetTheDefaultHandling)
{
    TestWindow plain("STATIC", WS_POPUP, {0, 0, 50, 50});
    for (UINT message : {UINT(WM_COMMAND), UINT(WM_CLOSE), UINT(WM_INITDIALOG), UINT(WM_SETFONT)}) {
        EXPECT_EQ(QF_WINBASE::DialogProc(plain.handle, message, 1, 0), 0) << message;
    }
    EXPECT_TRUE(IsWindow(plain.handle));
}

// The dialog in making is handed out once, only while its object exists, and a dialog made inside
// another's making leaves the outer one as it was.
TEST(WinBaseRouting, TheDialogInMakingIsHandedOutOnceAndOnlyWhileItExists)
{
    ProbeDialog outer, inner;
    EXPECT_EQ(TakeDialogInMaking(), nullptr) << "none in making";
    {
        const DialogInMaking making(&outer);
        {
            const DialogInMaking nested(&inner);
            EXPECT_EQ(TakeDialogInMaking(), &inner);
            EXPECT_EQ(TakeDialogInMaking(), nullptr) << "handed out once";
        }
        EXPECT_EQ(TakeDialogInMaking(), &outer) << "the outer one comes back";
    }
    EXPECT_EQ(TakeDialogInMaking(), nullptr) << "none after the scope";
    auto gone = std::make_unique<ProbeDialog>();
    const DialogInMaking making(gone.get());
    gone.reset();
    EXPECT_EQ(TakeDialogInMaking(), nullptr) << "an object that no longer exists";
}

}  // namespace
