// The tray with the real Veilbox.exe: the close box with the Query and Close
// to Systray dialogs, the tray icon bringing the dialog back, and the restore
// password with the Enter Password dialog.
#include <windows.h>

#include <shellapi.h>
#include <gtest/gtest.h>

#include "support/VeilboxApp.h"

using namespace vbtest;

namespace {

constexpr char kSettings[] = "Software\\Quillfen\\Veilbox";

void StoreInt(const char* subKey, const char* name, DWORD value)
{
    const std::string path = std::string(kSettings) + "\\" + subKey;
    RegSetKeyValueA(HKEY_CURRENT_USER, path.c_str(), name, REG_DWORD, &value, sizeof value);
}

void StorePassword(const char* text)
{
    StoreInt("Password", "UseSystrayPassword", 1);
    const std::string path = std::string(kSettings) + "\\Password";
    RegSetKeyValueA(HKEY_CURRENT_USER, path.c_str(), "Password", REG_SZ, text, static_cast<DWORD>(strlen(text) + 1));
}

// -1 when the value is absent.
int ReadInt(const char* subKey, const char* name)
{
    const std::string path = std::string(kSettings) + "\\" + subKey;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, path.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return -1;
    return static_cast<int>(value);
}

// Every close goes to the tray without a question or a notice.
void StoreCloseToTrayQuietly()
{
    StoreInt("CloseToTray", "CloseToTray", 1);
    StoreInt("CloseToTray", "CloseToTrayReminder", 0);
    StoreInt("CloseToTray", "CloseToTrayRunReminder", 0);
}

bool WaitVisible(HWND window, bool visible, DWORD timeoutMs = 5000)
{
    return WaitFor([&] { return (IsWindowVisible(window) != FALSE) == visible; }, timeoutMs);
}

bool TrayIconExists(HWND window)
{
    NOTIFYICONDATAW record = {};
    record.cbSize = NOTIFYICONDATAW_V1_SIZE;
    record.hWnd = window;
    return Shell_NotifyIconW(NIM_MODIFY, &record) != FALSE;
}

// A real click on the first icon of the shell's tray window.
bool ClickTrayIcon()
{
    HWND tray = FindWindowA("__winex11_standalone_tray", nullptr);
    HWND icon = tray ? FindWindowExA(tray, nullptr, "__winex11_tray_icon", nullptr) : nullptr;
    if (!icon)
        return false;
    return ClickCentreOf(icon);
}

void Tick(HWND dialog, bool checked)
{
    SendWithin(GetDlgItem(dialog, 1018), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Click(HWND dialog, int id)
{
    SendWithin(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void PressKey(WORD key)
{
    SendKey(key, true);
    SendKey(key, false);
}

} // namespace

class TrayApp : public ::testing::Test {
protected:
    void SetUp() override { m_settings.Clear(); }
    HWND Dialog(VeilboxApp& app, const char* title, DWORD timeoutMs = 10000)
    {
        return WaitForTopWindow({app.Process().Id(), title, "#32770", true}, timeoutMs);
    }
    RegistryKeyGuard m_settings;
};

TEST_F(TrayApp, CloseBoxAsksFirstThenShowsTheNoticeAndTheTrayIconBringsTheDialogBack)
{
    VeilboxApp app;
    HWND main = app.MainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(TrayIconExists(main)) << "the icon is there from the start";

    PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    HWND query = Dialog(app, "Query");
    ASSERT_NE(query, nullptr);
    Tick(query, true);
    Click(query, IDYES);
    ASSERT_TRUE(WaitVisible(main, false));
    EXPECT_EQ(ReadInt("CloseToTray", "CloseToTrayReminder"), 0);
    EXPECT_EQ(ReadInt("CloseToTray", "CloseToTray"), 1);

    ASSERT_TRUE(ClickTrayIcon());
    ASSERT_TRUE(WaitVisible(main, true)) << "the first trip gave the icon its callback";

    PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    HWND notice = Dialog(app, "Close to Systray");
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(IsWindowVisible(main)) << "the notice comes before the hide";
    Tick(notice, true);
    Click(notice, IDOK);
    ASSERT_TRUE(WaitVisible(main, false));
    EXPECT_EQ(ReadInt("CloseToTray", "CloseToTrayRunReminder"), 0);

    // A second start brings the dialog back; "Hide Me" then hides it without the notice.
    ChildProcess second;
    ASSERT_TRUE(second.Start("Veilbox.exe"));
    EXPECT_TRUE(second.WaitForExit());
    ASSERT_TRUE(WaitVisible(main, true));
    Click(main, 1);
    EXPECT_TRUE(WaitVisible(main, false));
    EXPECT_EQ(Dialog(app, "Close to Systray", 500), nullptr);
    EXPECT_TRUE(app.Process().Running());

    app.Quit();
    EXPECT_FALSE(app.Process().Running());
    EXPECT_EQ(ReadInt("MainWindow", "WinState"), 1);
}

TEST_F(TrayApp, FirstCloseAnsweredNoEndsTheProgram)
{
    VeilboxApp app;
    HWND main = app.MainWindow();
    ASSERT_NE(main, nullptr);
    PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    HWND query = Dialog(app, "Query");
    ASSERT_NE(query, nullptr);
    Click(query, IDNO);
    EXPECT_TRUE(app.Process().WaitForExit());
    EXPECT_EQ(app.Process().ExitCode(), 0u);
    EXPECT_EQ(ReadInt("CloseToTray", "CloseToTrayReminder"), 1);
    EXPECT_EQ(ReadInt("CloseToTray", "CloseToTray"), -1);
}

TEST_F(TrayApp, WithAnEmptyStoredPasswordNoRestoreSucceedsButExitFromTheMenuWorks)
{
    StoreCloseToTrayQuietly();
    StorePassword("");
    VeilboxApp app;
    HWND main = app.MainWindow();
    ASSERT_NE(main, nullptr);
    PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(WaitVisible(main, false));

    ChildProcess second;
    ASSERT_TRUE(second.Start("Veilbox.exe"));
    HWND password = Dialog(app, "Enter Password");
    ASSERT_NE(password, nullptr);
    EXPECT_FALSE(IsWindowVisible(main)) << "nothing of the window shows before the password";
    SendWithin(GetDlgItem(password, 1000), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("anything"));
    Click(password, IDOK);
    EXPECT_TRUE(second.WaitForExit());
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(password); }, 5000));
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_TRUE(TrayIconExists(main));

    PostMessageA(main, kTrayCallbackMessage, 0, WM_RBUTTONUP);
    ASSERT_NE(WaitForTopWindow({app.Process().Id(), nullptr, "#32768", true}, 5000), nullptr);
    PressKey('X');
    EXPECT_TRUE(app.Process().WaitForExit());
    EXPECT_EQ(app.Process().ExitCode(), 0u);
}
