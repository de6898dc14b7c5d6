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

constexpr char kInterfacePath[] = "Software\\Quillfen\\Veilbox\\Interface";

DWORD StoredShowAll()
{
    DWORD value = 0, size = sizeof value;
    RegGetValueA(HKEY_CURRENT_USER, kInterfacePath, "ShowAllHidden", RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

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

// Dialogs of this process other than mine: a message box would be one.
int OtherDialogs(HWND mine)
{
    struct Walk {
        HWND mine;
        int count;
    } walk{mine, 0};
    EnumThreadWindows(GetCurrentThreadId(), [](HWND window, LPARAM param) -> BOOL {
        auto* w = reinterpret_cast<Walk*>(param);
        char name[16] = {};
        GetClassNameA(window, name, sizeof name);
        w->count += window != w->mine && std::string(name) == "#32770" ? 1 : 0;
        return TRUE;
    }, reinterpret_cast<LPARAM>(&walk));
    return walk.count;
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

// Only a stored 1 ticks "Show all hidden windows"; a click stores the new state at once and
// changes the list: a tool window is offered only while the box is ticked.
TEST_F(HiddenDialogTest, ShowAllIsKeptAndOnlyAStoredOneTicksIt)
{
    TargetWindows targets("--window --title \"Hidden Tool\" --hidden --toolwindow");
    ASSERT_TRUE(targets.Ready());
    const DWORD one = 1, zero = 0, seven = 7;
    const struct {
        const char* what;
        DWORD type;
        const void* data;
        DWORD size;
        bool ticked;
    } cases[] = {
        {"no value", REG_NONE, nullptr, 0, false},
        {"1", REG_DWORD, &one, sizeof one, true},
        {"0", REG_DWORD, &zero, sizeof zero, false},
        {"7", REG_DWORD, &seven, sizeof seven, false},
        {"the text 1", REG_SZ, "1", 2, false},
    };
    for (const auto& c : cases) {
        m_settings.Clear();
        if (c.data)
            RegSetKeyValueA(HKEY_CURRENT_USER, kInterfacePath, "ShowAllHidden", c.type, c.data, c.size);
        ScriptedHidden dialog([&](ScriptedHidden& d) -> WPARAM {
            HWND list = d.Item(IDC_HIDDEN_LIST);
            EXPECT_EQ(IsDlgButtonChecked(d.Window(), IDC_HIDDEN_SHOW_ALL) == BST_CHECKED, c.ticked) << c.what;
            EXPECT_EQ(IndexOfWindow(list, targets[0]) >= 0, c.ticked) << c.what;
            SendMessageA(d.Item(IDC_HIDDEN_SHOW_ALL), BM_CLICK, 0, 0);
            EXPECT_EQ(IndexOfWindow(list, targets[0]) >= 0, !c.ticked) << c.what << ", clicked";
            EXPECT_EQ(StoredShowAll(), c.ticked ? 0u : 1u) << c.what;
            return IDOK;
        }, GetDesktopWindow(), GetModuleHandleA(nullptr));
        dialog.Show();
    }
}

// A window hidden with Shift is offered although it looks like no application window, beside
// its program's name; shown from here it is forgotten. A window gone meanwhile only leaves the
// list, without a message.
TEST_F(HiddenDialogTest, ShiftHiddenWindowsAreOfferedAndAWindowGoneMeanwhileOnlyLeavesTheList)
{
    TargetWindows targets("--window --title \"Shift Tool\" --toolwindow --hidden");
    TargetWindows doomed("--window --title \"Doomed Document\" --hidden");
    ASSERT_TRUE(targets.Ready() && doomed.Ready());
    UnlistedHides unlisted;
    unlisted.Add(targets[0]);
    ScriptedHidden dialog([&](ScriptedHidden& d) -> WPARAM {
        HWND list = d.Item(IDC_HIDDEN_LIST);
        const int index = IndexOfWindow(list, targets[0]);
        EXPECT_GE(index, 0);
        const HIDDEN::Row* row = d.RowOf(targets[0]);
        EXPECT_TRUE(row && row->program.EqualsNoCase("vb_testwin.exe"));
        DoubleClickEntry(d, index);
        EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(targets[0]) != FALSE; }));
        EXPECT_EQ(unlisted.Count(), 0u);

        const int gone = IndexOfWindow(list, doomed[0]);
        EXPECT_GE(gone, 0);
        doomed.Process().Kill();
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(doomed[0]); }));
        DoubleClickEntry(d, gone);
        EXPECT_LT(IndexOfWindow(list, doomed[0]), 0);
        EXPECT_EQ(OtherDialogs(d.Window()), 0) << "no message";
        return IDOK;
    }, GetDesktopWindow(), GetModuleHandleA(nullptr), &unlisted);
    EXPECT_EQ(dialog.Show(), IDOK);
}
