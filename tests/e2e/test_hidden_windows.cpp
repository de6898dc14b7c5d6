// The Hidden Windows dialog of the real Veilbox.exe over the kinds of hidden window a desktop holds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TargetWindows.h"
#include "support/VeilboxApp.h"

using namespace vbtest;

namespace {

constexpr WPARAM kViewHiddenCommand = 1006;
constexpr int kHiddenList = 1000;
constexpr int kShowAll = 1001;

// The windows the dialog's list holds, as its entries' item data.
std::vector<HWND> ListedWindows(HWND list)
{
    std::vector<HWND> windows;
    LRESULT count = 0;
    if (!SendWithin(list, LB_GETCOUNT, 0, 0, &count))
        return windows;
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT data = 0;
        if (SendWithin(list, LB_GETITEMDATA, static_cast<WPARAM>(i), 0, &data))
            windows.push_back(reinterpret_cast<HWND>(data));
    }
    return windows;
}

int IndexOf(HWND list, HWND window)
{
    const std::vector<HWND> listed = ListedWindows(list);
    for (size_t i = 0; i < listed.size(); ++i)
        if (listed[i] == window)
            return static_cast<int>(i);
    return -1;
}

// The "Default IME" windows the input method manager made for the helper's thread.
std::vector<HWND> DefaultImeWindows(DWORD processId)
{
    struct Walk {
        DWORD processId;
        std::vector<HWND> found;
    } walk{processId, {}};
    EnumWindows([](HWND window, LPARAM param) -> BOOL {
        auto* w = reinterpret_cast<Walk*>(param);
        DWORD owner = 0;
        char name[16] = {};
        GetWindowThreadProcessId(window, &owner);
        if (owner == w->processId && GetClassNameA(window, name, sizeof name) && std::string(name) == "IME" &&
            !IsWindowVisible(window))
            w->found.push_back(window);
        return TRUE;
    }, reinterpret_cast<LPARAM>(&walk));
    return walk.found;
}

DWORD ShowAllSetting()
{
    DWORD value = 0, size = sizeof value;
    RegGetValueA(HKEY_CURRENT_USER, "Software\\Quillfen\\Veilbox\\Interface", "ShowAllHidden", RRF_RT_REG_DWORD,
                 nullptr, &value, &size);
    return value;
}

} // namespace

class HiddenWindows : public ::testing::Test {
protected:
    RegistryKeyGuard m_settings;
};

TEST_F(HiddenWindows, ByDefaultOnlyWhatAUserMayHaveHiddenTheCheckBoxAddsTheRestAndUnhideRestores)
{
    TargetWindows targets("--window --title \"HW Document\" --hidden "
                          "--window --title \"HW Shift Tool\" --toolwindow "
                          "--window --title \"HW Text Services\" --class \"MSCTFIME UI\" --hidden "
                          "--window --title \"HW Empty Tool\" --toolwindow --empty --hidden "
                          "--window --title \"HW Minimised\" --minimized --hidden");
    ASSERT_TRUE(targets.Ready()) << targets.Error();
    struct Kind {
        const char* name;
        HWND window;
        bool byDefault;
    };
    std::vector<Kind> kinds = {
        {"a hidden document window", targets[0], true},
        {"a tool window hidden with Shift", targets[1], true},
        {"a text services window", targets[2], false},
        {"an empty tool window", targets[3], false},
        {"a minimised hidden window", targets[4], true},
    };
    const std::vector<HWND> imeWindows = DefaultImeWindows(targets.Process().Id());
    EXPECT_FALSE(imeWindows.empty()) << "every thread with windows has a Default IME window";
    for (HWND ime : imeWindows)
        kinds.push_back({"a Default IME window", ime, false});

    VeilboxApp app;
    ASSERT_TRUE(app.WaitListed("HW Shift Tool"));
    {
        HeldKeys shift{VK_SHIFT};
        ASSERT_TRUE(app.DoubleClick("HW Shift Tool")) << app.Failure();
    }
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(targets[1]); }, 5000));

    ASSERT_TRUE(PostMessageA(app.MainWindow(), WM_COMMAND, kViewHiddenCommand, 0));
    HWND dialog = WaitForTopWindow({app.Process().Id(), "Hidden Windows", "#32770", true}, 5000);
    ASSERT_NE(dialog, nullptr);
    HWND list = GetDlgItem(dialog, kHiddenList);
    for (const Kind& kind : kinds)
        EXPECT_EQ(IndexOf(list, kind.window) >= 0, kind.byDefault) << kind.name << " by default";

    ASSERT_TRUE(SendWithin(GetDlgItem(dialog, kShowAll), BM_CLICK, 0, 0));
    for (const Kind& kind : kinds)
        EXPECT_GE(IndexOf(list, kind.window), 0) << kind.name << " with the check box";
    EXPECT_EQ(ShowAllSetting(), 1u);
    for (HWND listed : ListedWindows(list)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(listed, &owner);
        EXPECT_NE(owner, app.Process().Id()) << "Veilbox's own windows are never listed";
    }

    const int minimised = IndexOf(list, targets[4]);
    ASSERT_GE(minimised, 0);
    ASSERT_TRUE(SendWithin(list, LB_SETCURSEL, static_cast<WPARAM>(minimised), 0));
    ASSERT_TRUE(SendWithin(dialog, WM_COMMAND, MAKEWPARAM(kHiddenList, LBN_DBLCLK), reinterpret_cast<LPARAM>(list)));
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(targets[4]) && !IsIconic(targets[4]); }, 5000))
        << "shown and restored";
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == targets[4]; }, 5000)) << "in front";
    EXPECT_LT(IndexOf(list, targets[4]), 0) << "out of the list";
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}
