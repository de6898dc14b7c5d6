// The Hidden Windows dialog run in this process over windows of another program.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/HiddenDialog.h"
#include "res/HiddenDialogIds.h"
#include "support/TargetWindows.h"
#include "support/TestSupport.h"
#include "tests/support/ScriptedDialog.h"

using namespace vbtest;

namespace {

using ScriptedHidden = ScriptedDialog<HIDDEN>;

int IndexOfWindow(HWND list, HWND window)
{
    const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        if (reinterpret_cast<HWND>(SendMessageA(list, LB_GETITEMDATA, i, 0)) == window)
            return i;
    return -1;
}

void DoubleClickEntry(HIDDEN& dialog, int index)
{
    HWND list = dialog.Item(IDC_HIDDEN_LIST);
    SendMessageA(list, LB_SETCURSEL, index, 0);
    SendMessageA(dialog.Window(), WM_COMMAND, MAKEWPARAM(IDC_HIDDEN_LIST, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
}

} // namespace

class HiddenDialogTest : public ::testing::Test {
protected:
    void SetUp() override { m_settings.Clear(); }
    RegistryKeyGuard m_settings;
};

TEST_F(HiddenDialogTest, ListsTitledHiddenWindowsAndShowsTheOneDoubleClicked)
{
    TargetWindows targets("--window --title \"Twin Title\" --hidden --window --title \"Twin Title\" --hidden "
                          "--window --hidden --window --title \"program manager visible\" "
                          "--window --title \"Program Manager\" --hidden");
    ASSERT_TRUE(targets.Ready());
    ScriptedHidden dialog([&](ScriptedHidden& d) -> WPARAM {
        HWND list = d.Item(IDC_HIDDEN_LIST);
        const int first = IndexOfWindow(list, targets[0]);
        const int second = IndexOfWindow(list, targets[1]);
        EXPECT_GE(first, 0);
        EXPECT_GE(second, 0);
        EXPECT_NE(first, second) << "two windows with one title are two entries";
        EXPECT_LT(IndexOfWindow(list, targets[2]), 0) << "an untitled window is not listed";
        EXPECT_LT(IndexOfWindow(list, targets[3]), 0) << "a visible window is not listed";
        EXPECT_LT(IndexOfWindow(list, targets[4]), 0) << "\"Program Manager\" is never listed";

        // An entry whose data another program set to a window the list does not hold shows nothing.
        SendMessageA(list, LB_SETITEMDATA, first, reinterpret_cast<LPARAM>(targets[2]));
        DoubleClickEntry(d, first);
        EXPECT_FALSE(WaitFor([&] { return IsWindowVisible(targets[2]) != FALSE; }, 500));
        EXPECT_EQ(IndexOfWindow(list, targets[1]), second) << "the list is filled again as it was";

        DoubleClickEntry(d, second);
        EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(targets[1]) != FALSE; }));
        EXPECT_FALSE(IsWindowVisible(targets[0])) << "only the chosen twin is shown";
        EXPECT_LT(IndexOfWindow(list, targets[1]), 0) << "the list is filled again";
        EXPECT_GE(IndexOfWindow(list, targets[0]), 0);
        return IDOK;
    }, GetDesktopWindow(), GetModuleHandleA(nullptr));
    EXPECT_EQ(dialog.Show(), IDOK);
}

TEST_F(HiddenDialogTest, HelpPopupsFollowTheProgramsSwitch)
{
    ScriptedHidden with([](ScriptedHidden& d) -> WPARAM {
        EXPECT_NE(d.HelpPopups(), nullptr);
        return IDCANCEL;
    }, GetDesktopWindow(), GetModuleHandleA(nullptr));
    EXPECT_EQ(with.Show(), IDCANCEL);

    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Quillfen\\Veilbox", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &key, nullptr);
    DWORD zero = 0;
    RegSetValueExA(key, "UseHelpPopups", 0, REG_DWORD, reinterpret_cast<BYTE*>(&zero), sizeof zero);
    RegCloseKey(key);
    ScriptedHidden without([](ScriptedHidden& d) -> WPARAM {
        EXPECT_EQ(d.HelpPopups(), nullptr);
        return IDOK;
    }, GetDesktopWindow(), GetModuleHandleA(nullptr));
    EXPECT_EQ(without.Show(), IDOK);
}

TEST_F(HiddenDialogTest, DoneEnterAndEscClose)
{
    for (WPARAM command : {static_cast<WPARAM>(IDOK), static_cast<WPARAM>(IDCANCEL)}) {
        ScriptedHidden dialog([&](ScriptedHidden&) -> WPARAM { return command; }, GetDesktopWindow(),
                              GetModuleHandleA(nullptr));
        EXPECT_EQ(dialog.Show(), static_cast<INT_PTR>(command));
    }
    // The keys reach the dialog manager as the default button (Enter) and cancel (Esc).
    for (WORD key : {static_cast<WORD>(VK_RETURN), static_cast<WORD>(VK_ESCAPE)}) {
        ScriptedHidden dialog([&](ScriptedHidden& d) -> WPARAM {
            SetForegroundWindow(d.Window());
            SetFocus(d.Item(IDC_HIDDEN_DONE));
            MSG msg = {d.Item(IDC_HIDDEN_DONE), WM_KEYDOWN, key, 0};
            IsDialogMessageA(d.Window(), &msg);
            return 0;
        }, GetDesktopWindow(), GetModuleHandleA(nullptr));
        INT_PTR result = dialog.Show();
        EXPECT_EQ(result, key == VK_RETURN ? IDOK : IDCANCEL) << key;
    }
}
