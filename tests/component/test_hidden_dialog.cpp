// The Hidden Windows dialog run in this process over windows of another program.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/hidden/HiddenDialog.h"
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
        // Enter in the list shows the selected row's window as a double click does, not Done.
        SendMessageA(list, LB_SETCURSEL, IndexOfWindow(list, targets[0]), 0);
        MSG enter = {list, WM_KEYDOWN, VK_RETURN, 1};
        EXPECT_TRUE(IsDialogMessageA(d.Window(), &enter));
        EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(targets[0]) != FALSE; }));
        return IDOK;
    }, GetDesktopWindow(), GetModuleHandleA(nullptr));
    bool donePressed = false;
    dialog.Observe([&](ScriptedHidden&, UINT message, WPARAM wParam, LPARAM lParam) {
        donePressed = donePressed || (message == WM_COMMAND && wParam == IDOK && lParam != 0);
    });
    EXPECT_EQ(dialog.Show(), IDOK);
    EXPECT_FALSE(donePressed);
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

// The list is not refilled while the user looks at it: a double click shows an entry's window
// only while it is still the window listed. A handle that now names a window of another thread
// (its window died and a new one took the handle) and a window the check box no longer offers
// are not shown.
TEST_F(HiddenDialogTest, OnlyTheWindowStillListedIsShown)
{
    TargetWindows doomed("--window --title \"Dead Document\" --hidden");
    TargetWindows tool("--window --title \"Once Shift Hidden\" --toolwindow --hidden");
    ASSERT_TRUE(doomed.Ready() && tool.Ready());
    UnlistedHides unlisted;
    unlisted.Add(tool[0]);
    ScriptedHidden dialog([&](ScriptedHidden& d) -> WPARAM {
        const HIDDEN::Row* dead = d.RowOf(doomed[0]);
        const HIDDEN::Row* live = d.RowOf(tool[0]);
        EXPECT_TRUE(dead && live);
        if (!dead || !live)
            return IDOK;
        const HIDDEN::Row deadRow = *dead;
        EXPECT_TRUE(d.StillOffers(deadRow));
        doomed.Process().Kill();
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(doomed[0]); }));
        TargetWindows successor("--window --title \"New Document\" --hidden");
        EXPECT_TRUE(successor.Ready());
        HIDDEN::Row reused = deadRow;
        reused.window = successor[0];
        const struct {
            const char* what;
            HIDDEN::Row row;
            bool offered;
        } cases[] = {
            {"the dead window", deadRow, false},
            {"its handle naming a window of another thread", reused, false},
            {"a Shift-hidden window still in the set", *live, true},
        };
        for (const auto& c : cases)
            EXPECT_EQ(d.StillOffers(c.row), c.offered) << c.what;

        unlisted.Remove(tool[0]);
        DoubleClickEntry(d, IndexOfWindow(d.Item(IDC_HIDDEN_LIST), tool[0]));
        EXPECT_FALSE(IsWindowVisible(tool[0])) << "a tool window the box no longer offers stays hidden";
        EXPECT_LT(IndexOfWindow(d.Item(IDC_HIDDEN_LIST), tool[0]), 0) << "the list is filled again";
        return IDOK;
    }, GetDesktopWindow(), GetModuleHandleA(nullptr), &unlisted);
    EXPECT_EQ(dialog.Show(), IDOK);
}

namespace {

constexpr COLORREF kUntouched = RGB(255, 0, 255);

// Sends the dialog a WM_DRAWITEM for the list into a bitmap of kUntouched; true when anything
// of the item was painted.
bool DrawsForged(HIDDEN& dialog, UINT itemId, ULONG_PTR itemData)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 200, 40);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, 200, 40};
    HBRUSH brush = CreateSolidBrush(kUntouched);
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    DRAWITEMSTRUCT item = {ODT_LISTBOX, IDC_HIDDEN_LIST, itemId, ODA_DRAWENTIRE, 0,
                           dialog.Item(IDC_HIDDEN_LIST), dc, all, itemData};
    SendMessageA(dialog.Window(), WM_DRAWITEM, IDC_HIDDEN_LIST, reinterpret_cast<LPARAM>(&item));
    bool painted = false;
    for (int x = 0; x < 200 && !painted; x += 7)
        for (int y = 0; y < 40 && !painted; y += 3)
            painted = GetPixel(dc, x, y) != kUntouched;
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return painted;
}

} // namespace

// Any program can send the dialog WM_DRAWITEM and WM_MEASUREITEM: an entry is drawn only with
// the item data the list holds for it, and only the list's own question is answered.
TEST_F(HiddenDialogTest, ForgedDrawAndMeasureQuestionsAreIgnored)
{
    TargetWindows targets("--window --title \"Drawn One\" --hidden --window --title \"Drawn Two\" --hidden");
    ASSERT_TRUE(targets.Ready());
    ScriptedHidden dialog([&](ScriptedHidden& d) -> WPARAM {
        HWND list = d.Item(IDC_HIDDEN_LIST);
        const int first = IndexOfWindow(list, targets[0]);
        const int second = IndexOfWindow(list, targets[1]);
        EXPECT_TRUE(first >= 0 && second >= 0);
        const UINT count = static_cast<UINT>(SendMessageA(list, LB_GETCOUNT, 0, 0));
        const auto own = [&](HWND window) { return reinterpret_cast<ULONG_PTR>(window); };
        const struct {
            const char* what;
            UINT itemId;
            ULONG_PTR itemData;
            bool drawn;
        } cases[] = {
            {"the entry with its own data", static_cast<UINT>(first), own(targets[0]), true},
            {"junk data", static_cast<UINT>(first), 0x5eed5eedu, false},
            {"another entry's window", static_cast<UINT>(first), own(targets[1]), false},
            {"an entry past the end", count + 3, own(targets[0]), false},
            {"a huge entry number", 0x7fffffffu, own(targets[1]), false},
        };
        for (const auto& c : cases)
            EXPECT_EQ(DrawsForged(d, c.itemId, c.itemData), c.drawn) << c.what;

        const struct {
            const char* what;
            UINT type, id;
            WPARAM control;
            bool answered;
        } measures[] = {
            {"the list's own question", ODT_LISTBOX, IDC_HIDDEN_LIST, IDC_HIDDEN_LIST, true},
            {"a menu's", ODT_MENU, IDC_HIDDEN_LIST, IDC_HIDDEN_LIST, false},
            {"another control id inside", ODT_LISTBOX, IDC_HIDDEN_DONE, IDC_HIDDEN_LIST, false},
            {"another control", ODT_LISTBOX, IDC_HIDDEN_LIST, IDC_HIDDEN_DONE, false},
        };
        for (const auto& m : measures) {
            MEASUREITEMSTRUCT item = {m.type, m.id, 0, 0, 12345, 0};
            SendMessageA(d.Window(), WM_MEASUREITEM, m.control, reinterpret_cast<LPARAM>(&item));
            EXPECT_EQ(item.itemHeight != 12345, m.answered) << m.what;
        }
        return IDOK;
    }, GetDesktopWindow(), GetModuleHandleA(nullptr));
    EXPECT_EQ(dialog.Show(), IDOK);
}
