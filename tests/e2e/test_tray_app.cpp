// The tray with the real Veilbox.exe: the close box with the Query and Close
// to Systray dialogs, the tray icon bringing the dialog back, the restore
// password with the Enter Password dialog, and the hidden windows' own icons.
#include <windows.h>

#include <shellapi.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TargetWindows.h"
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

// The first icon of the shell's tray window.
HWND FirstTrayIcon()
{
    HWND tray = FindWindowA("__winex11_standalone_tray", nullptr);
    return tray ? FindWindowExA(tray, nullptr, "__winex11_tray_icon", nullptr) : nullptr;
}

// Real clicks on the icon that icon() names until the dialog shows: the shell shows an icon that
// is new or has just changed a moment after its window exists, and a click before that is lost.
// A click on the shown dialog's icon only brings it to the front.
template <class Icon>
bool ClickUntilShown(Icon icon, HWND dialog)
{
    return WaitFor([&] { return ClickCentreOf(icon()) && WaitVisible(dialog, true, 1000); });
}

// The icons the shell's tray window shows, in their order: Wine gives each a window of its own.
std::vector<HWND> TrayIcons()
{
    std::vector<HWND> icons;
    HWND tray = FindWindowA("__winex11_standalone_tray", nullptr);
    for (HWND icon = tray ? FindWindowExA(tray, nullptr, "__winex11_tray_icon", nullptr) : nullptr; icon;
         icon = FindWindowExA(tray, icon, "__winex11_tray_icon", nullptr))
        icons.push_back(icon);
    return icons;
}

HWND NewestTrayIcon()
{
    const std::vector<HWND> icons = TrayIcons();
    return icons.empty() ? nullptr : icons.back();
}

// What lies under the centre of a tray icon and where the pointer is: a failed tip or click
// says what took the input instead (another window on top, a grab, a shell that did not answer).
std::string WhatIsAt(HWND icon)
{
    if (!IsWindow(icon))
        return "icon " + std::to_string(reinterpret_cast<UINT_PTR>(icon)) + " is gone; the shell now shows " +
               std::to_string(TrayIcons().size()) + " icons";
    RECT rect = {};
    GetWindowRect(icon, &rect);
    const POINT centre = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    HWND over = WindowFromPoint(centre);
    char name[64] = {};
    GetClassNameA(GetAncestor(over, GA_ROOT), name, sizeof name);
    DWORD process = 0;
    GetWindowThreadProcessId(over, &process);
    POINT cursor = {};
    GetCursorPos(&cursor);
    const HWND tray = GetParent(icon);
    return "icon " + std::to_string(reinterpret_cast<UINT_PTR>(icon)) + " at " + std::to_string(centre.x) + "," +
           std::to_string(centre.y) + (over == icon ? " is on top" : std::string(" lies under a ") + name +
           " of process " + std::to_string(process)) + "; pointer at " + std::to_string(cursor.x) + "," +
           std::to_string(cursor.y) + "; the shell " + (tray && Answers(tray) ? "answers" : "does not answer") +
           "; capture with " + std::to_string(reinterpret_cast<UINT_PTR>(GetCapture()));
}

bool WaitIconCount(size_t count)
{
    return WaitFor([&] { return TrayIcons().size() == count; });
}

// An icon's tip, read from the shell's tooltip while the pointer rests on the icon.
std::string TipOf(HWND icon)
{
    const auto pointTo = [](LONG x, LONG y) {
        INPUT input = {INPUT_MOUSE};
        input.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
        input.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
        input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        SendInput(1, &input, sizeof input);
    };
    DWORD shell = 0, owner = 0;
    GetWindowThreadProcessId(icon, &shell);
    RECT rect = {};
    GetWindowRect(icon, &rect);
    // The tip shows only after the pointer moves onto the icon once the icon's tool exists: a
    // pointer already resting there (a click left it, and the icons came back under it) makes
    // no move, and the shell adds an icon's tool just after its window. So the pointer leaves
    // and comes back until the tip shows.
    const POINT away = {GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2};
    HWND tip = nullptr;
    for (int tries = 0; tries < 3 && !tip; ++tries) {
        pointTo(away.x, away.y);
        WaitFor([&] {
            POINT now = {};
            return GetCursorPos(&now) && now.x == away.x && now.y == away.y;
        });
        pointTo((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        WaitFor([&] {
            while ((tip = FindWindowExA(nullptr, tip, "tooltips_class32", nullptr)) != nullptr)
                if (IsWindowVisible(tip) && GetWindowThreadProcessId(tip, &owner) && owner == shell)
                    return true;
            return false;
        }, 2500);
    }
    if (!tip)
        return "(no tip: " + WhatIsAt(icon) + ")";
    wchar_t text[128] = {};
    SendMessageTimeoutW(tip, WM_GETTEXT, 128, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
    pointTo(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2);
    WaitFor([&] { return !IsWindowVisible(tip); });
    char narrow[256] = {};
    WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
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
    HWND Dialog(VeilboxApp& app, const char* title, DWORD timeoutMs = 10000)
    {
        return WaitForTopWindow({app.Process().Id(), title, "#32770", true}, timeoutMs);
    }
    // "Show each hidden window as its own tray icon", switched in User Interface while the Hot
    // Key dialog stays open: the icons follow at once.
    void SwitchIconPerWindow(VeilboxApp& app, size_t iconsAfter)
    {
        PostMessageA(app.MainWindow(), WM_COMMAND, 1003, 0);
        HWND hotkey = Dialog(app, "Hot Key");
        ASSERT_NE(hotkey, nullptr);
        PostMessageA(hotkey, WM_COMMAND, 1012, 0);
        HWND ui = Dialog(app, "User Interface");
        ASSERT_NE(ui, nullptr);
        Click(ui, 1070);
        Click(ui, IDOK);
        EXPECT_TRUE(WaitIconCount(iconsAfter));
        EXPECT_TRUE(IsWindowVisible(hotkey)) << "the icons follow before the Hot Key dialog closes";
        PostMessageA(hotkey, WM_COMMAND, IDCANCEL, 0);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(hotkey); }));
    }

    void SetUp() override { m_settings.Clear(); }
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

    ASSERT_TRUE(ClickUntilShown(FirstTrayIcon, main)) << "the first trip gave the icon its callback";

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

    ASSERT_TRUE(app.OpenMenu());
    PressKey('X');
    EXPECT_TRUE(app.Process().WaitForExit());
    EXPECT_EQ(app.Process().ExitCode(), 0u);
}

TEST_F(TrayApp, EachHiddenWindowHasItsOwnTrayIconWhileTheOptionIsOn)
{
    StoreInt("Interface", "IconPerWindow", 1);
    // Under this Wine the shell shows no tray tip to moves put into the system's input while any
    // program holds a low-level mouse hook (a bare pass-through hook does the same): the hook of
    // the minimise button option is kept off here.
    StoreInt("Interface", "MinButtonHide", 0);
    TargetWindows targets("--window --title \"Icon Window\" --count 3");
    ASSERT_TRUE(targets.Ready());
    VeilboxApp app;
    HWND main = app.MainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(app.WaitListed("Icon Window 002"));
    ASSERT_TRUE(WaitFor([] { return !TrayIcons().empty(); }));
    const size_t others = TrayIcons().size() - 1;  // icons of programs other than Veilbox
    for (const char* title : {"Icon Window 000", "Icon Window 001", "Icon Window 002"})
        ASSERT_TRUE(app.DoubleClick(title)) << title;
    ASSERT_TRUE(WaitIconCount(others + 4));
    std::vector<HWND> icons = TrayIcons();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(TipOf(icons[others + 1 + i]), "Icon Window 00" + std::to_string(i));

    // A click on the middle one brings its window back; its icon and its entry go.
    ASSERT_TRUE(ClickCentreOf(icons[others + 2])) << WhatIsAt(icons[others + 2]);
    EXPECT_TRUE(WaitVisible(targets[1], true)) << WhatIsAt(icons[others + 2]);
    EXPECT_TRUE(WaitIconCount(others + 3));
    EXPECT_FALSE(IsWindowVisible(targets[0]) || IsWindowVisible(targets[2]));

    // A message for an icon that is no longer there, or never was (one that would stand for
    // the menu's Exit command), does nothing.
    for (WPARAM id : {0x10000u + 4001u, 0x10000u + 1004u, 0x10000u + 9999u, 5u})
        PostMessageA(main, WM_APP + 16, id, WM_LBUTTONUP);
    app.Send(main, WM_NULL, 0, 0);
    EXPECT_TRUE(app.Process().Running());
    EXPECT_FALSE(IsWindowVisible(targets[0]) || IsWindowVisible(targets[2]));

    // A shell that starts again has no icons; "TaskbarCreated" brings every one back.
    for (UINT id : {0u, 0x10000u + 4000u, 0x10000u + 4002u}) {
        NOTIFYICONDATAW record = {static_cast<DWORD>(NOTIFYICONDATAW_V1_SIZE), main, id};
        EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &record)) << id;
    }
    ASSERT_TRUE(WaitIconCount(others));
    SendNotifyMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    ASSERT_TRUE(WaitIconCount(others + 3));
    EXPECT_EQ(TipOf(TrayIcons()[others + 2]), "Icon Window 002");

    SwitchIconPerWindow(app, others + 1);
    SwitchIconPerWindow(app, others + 3);
    // Enter on an icon, reported as the shell reports it to an icon of version 4, brings its window.
    PostMessageA(main, WM_APP + 16, MAKEWPARAM(5, 5), MAKELPARAM(NIN_KEYSELECT, 4002));
    EXPECT_TRUE(WaitVisible(targets[2], true));
    EXPECT_TRUE(WaitIconCount(others + 2));
    ASSERT_TRUE(app.Exit());
    EXPECT_TRUE(WaitIconCount(others));
    EXPECT_TRUE(IsWindowVisible(targets[0]) && IsWindowVisible(targets[2]));
}

// A copy that starts in the tray, as the one a command starts, has an icon that answers clicks
// from the start, not only after its dialog has once been to the tray by its close box.
TEST_F(TrayApp, TheIconOfACopyStartedInTheTrayAnswersAClickAtOnce)
{
    TargetWindows target("--window --title \"Held By Command\"");
    ASSERT_TRUE(target.Ready());
    const struct {
        const char* args;
        bool hidden;
    } starts[] = {{"hide --title \"Held By Command\"", false}, {"", true}};
    for (const auto& start : starts) {
        SCOPED_TRACE(start.args);
        const size_t others = TrayIcons().size();
        ChildProcess starter;
        ASSERT_TRUE(starter.Start("Veilbox.exe", start.args, start.hidden));
        HWND main = WaitForTopWindow({0, kMainTitle, "#32770"});
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(WaitIconCount(others + 1));
        EXPECT_FALSE(IsWindowVisible(main));
        EXPECT_TRUE(ClickUntilShown(NewestTrayIcon, main)) << "a click brought the dialog: " << WhatIsAt(NewestTrayIcon());
        ChildProcess quit;
        ASSERT_TRUE(quit.Start("Veilbox.exe", "uninstall"));
        EXPECT_TRUE(quit.WaitForExit());
        EXPECT_TRUE(WaitFor([] { return FindTopWindow({0, kMainTitle, "#32770"}) == nullptr; }));
    }
    EXPECT_TRUE(IsWindowVisible(target[0])) << "the copy's end showed the window it held";
}

namespace {

// A pixel of the screen is dark (or light) by its luminance, whatever the exact colours.
bool ScreenIsDark(POINT at, bool dark)
{
    HDC screen = GetDC(nullptr);
    const COLORREF pixel = GetPixel(screen, at.x, at.y);
    ReleaseDC(nullptr, screen);
    const int luminance = (GetRValue(pixel) * 2126 + GetGValue(pixel) * 7152 + GetBValue(pixel) * 722) / 10000;
    return pixel != CLR_INVALID && (dark ? luminance < 70 : luminance > 150);
}

// A point of the dialog's own background (between its two lower left buttons), of the list (at
// its bottom right, below the few windows a test shows), and of the open menu (at its right end,
// half way down).
std::vector<POINT> ThemedPoints(VeilboxApp& app)
{
    RECT hideMe = {}, rules = {}, list = {}, menu = {};
    GetWindowRect(GetDlgItem(app.MainWindow(), IDOK), &hideMe);
    GetWindowRect(GetDlgItem(app.MainWindow(), 1020), &rules);
    GetWindowRect(app.List(), &list);
    GetWindowRect(FindTopWindow({app.Process().Id(), nullptr, "#32768", true}), &menu);
    return {POINT{(hideMe.right + rules.left) / 2, (hideMe.top + hideMe.bottom) / 2},
            POINT{list.right - GetSystemMetrics(SM_CXVSCROLL) - 8, list.bottom - 6},
            POINT{menu.right - 6, (menu.top + menu.bottom) / 2}};
}

}  // namespace

// With Windows' apps dark before it starts, the program is dark from its first start: its dialog,
// its list and its open menu; when Windows' apps turn light while it runs (and Windows says so),
// they turn light.
TEST_F(TrayApp, FollowsWindowsDarkAppModeFromTheStartAndWhileItRuns)
{
    constexpr char kPersonalize[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
    RegistryKeyGuard personalize(kPersonalize);
    const auto appsUseLight = [&](DWORD light) {
        RegSetKeyValueA(HKEY_CURRENT_USER, kPersonalize, "AppsUseLightTheme", REG_DWORD, &light, sizeof light);
    };
    appsUseLight(0);
    TargetWindows targets("--window --title \"Dark Row\"");
    ASSERT_TRUE(targets.Ready());
    VeilboxApp app;
    ASSERT_NE(app.MainWindow(), nullptr);
    ASSERT_TRUE(app.WaitListed("Dark Row"));
    for (bool dark : {true, false}) {
        SCOPED_TRACE(dark ? "dark" : "light again");
        if (!dark) {
            appsUseLight(1);
            SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("ImmersiveColorSet"),
                                SMTO_ABORTIFHUNG, 5000, nullptr);
        }
        SetForegroundWindow(app.MainWindow());
        ASSERT_TRUE(app.OpenMenu());
        const std::vector<POINT> points = ThemedPoints(app);
        const char* surfaces[] = {"the dialog", "the list", "the menu"};
        for (size_t i = 0; i < points.size(); ++i)
            EXPECT_TRUE(WaitFor([&] { return ScreenIsDark(points[i], dark); }, 5000)) << surfaces[i];
        EXPECT_TRUE(app.CloseMenu());
    }
    EXPECT_TRUE(app.Exit());
}
