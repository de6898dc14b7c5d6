// Start-up and single instance, with the real Veilbox.exe in other processes.
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cctype>

#include "support/TestSupport.h"

using namespace vbtest;

namespace {

constexpr char kTitle[] = "Window Veilbox";

class Veilbox {
public:
    // hidden: started as deployment tools and scripts start programs without a window.
    explicit Veilbox(const std::string& args = "", bool hidden = false)
    {
        m_started = m_process.Start("Veilbox.exe", args, hidden);
    }

    // Waits for the main dialog of this process and returns it.
    HWND MainWindow(DWORD timeoutMs = 15000)
    {
        return WaitForTopWindow({m_process.Id(), kTitle, "#32770", true}, timeoutMs);
    }

    ChildProcess& Process() { return m_process; }
    bool Started() const { return m_started; }

private:
    ChildProcess m_process;
    bool m_started = false;
};

// Ends a running copy the way an installer does, and waits for it.
void QuitByControlWord(Veilbox& running)
{
    ChildProcess second;
    ASSERT_TRUE(second.Start("Veilbox.exe", "uninstall"));
    EXPECT_TRUE(second.WaitForExit());
    EXPECT_TRUE(running.Process().WaitForExit());
}

// The file names, in lower case, of the modules loaded in a process; empty when unreadable.
std::vector<std::string> ModuleNames(DWORD processId)
{
    std::vector<std::string> names;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
    if (snapshot == INVALID_HANDLE_VALUE)
        return names;
    MODULEENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Module32First(snapshot, &entry); more; more = Module32Next(snapshot, &entry)) {
        std::string name = entry.szModule;
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        names.push_back(name);
    }
    CloseHandle(snapshot);
    return names;
}

} // namespace

TEST(Startup, FirstStartShowsTheMainDialogWithItsControls)
{
    RegistryKeyGuard settings;
    Veilbox app;
    ASSERT_TRUE(app.Started());
    HWND main = app.MainWindow();
    ASSERT_NE(main, nullptr);

    for (int id : {1, 2, 1000, 1001, 1003, 1006, 1011, 1020})
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(main, id))) << "control " << id;
    for (int id : {1009, 1010}) {
        HWND hidden = GetDlgItem(main, id);
        ASSERT_NE(hidden, nullptr) << "control " << id;
        EXPECT_FALSE(IsWindowVisible(hidden));
        EXPECT_FALSE(GetWindowLongPtrA(hidden, GWL_STYLE) & WS_TABSTOP);
    }
    QuitByControlWord(app);
    EXPECT_EQ(app.Process().ExitCode(), 0u);
}

TEST(Startup, ControlWordOnFirstStartEndsAtOnceWithoutAWindow)
{
    for (const char* word : {"update", "Update", "UNINSTALL"}) {
        ChildProcess process;
        ASSERT_TRUE(process.Start("Veilbox.exe", word));
        ASSERT_TRUE(process.WaitForExit()) << word;
        EXPECT_EQ(process.ExitCode(), 0u) << word;
        EXPECT_EQ(FindTopWindow({0, kTitle, "#32770"}), nullptr) << word;
    }
}

TEST(Startup, SecondPlainStartHandsOverAndEnds)
{
    RegistryKeyGuard settings;
    Veilbox first;
    HWND main = first.MainWindow();
    ASSERT_NE(main, nullptr);

    ChildProcess second;
    ASSERT_TRUE(second.Start("Veilbox.exe"));
    ASSERT_TRUE(second.WaitForExit());
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_TRUE(first.Process().Running());
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == main; }, 3000));

    QuitByControlWord(first);
}

// Installers and scripts start programs hidden (SW_HIDE): the control words act whatever the show
// state, and a hidden plain start brings the copy in the tray forward as any second start does.
TEST(Startup, AHiddenSecondStartReachesTheRunningCopyAsAnyStartDoes)
{
    const struct {
        const char* args;
        bool ends;  // the running copy ends; else its dialog shows
    } cases[] = {{"", false}, {"update", true}, {"UNINSTALL", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        RegistryKeyGuard settings;
        Veilbox first("", true);
        HWND main = WaitForTopWindow({first.Process().Id(), kTitle, "#32770"});
        ASSERT_NE(main, nullptr);
        EXPECT_FALSE(IsWindowVisible(main)) << "a hidden first start runs in the tray";
        ChildProcess second;
        ASSERT_TRUE(second.Start("Veilbox.exe", c.args, true));
        ASSERT_TRUE(second.WaitForExit());
        EXPECT_EQ(second.ExitCode(), 0u);
        if (c.ends) {
            EXPECT_TRUE(first.Process().WaitForExit());
            continue;
        }
        EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(main) != FALSE; }));
        QuitByControlWord(first);
    }
}

TEST(Startup, AFrozenCopyHoldsUpNeitherASecondStartNorTheQuitRequest)
{
    RegistryKeyGuard settings;
    Veilbox first;
    ASSERT_NE(first.MainWindow(), nullptr);
    ProcessFreeze freeze(first.Process().Id());
    ASSERT_TRUE(freeze.Frozen());
    // A plain start ends quietly; a quit request that was not taken is an error for the
    // installer that asked.
    const struct {
        const char* args;
        bool failed;
    } cases[] = {{"", false}, {"uninstall", true}};
    for (const auto& c : cases) {
        ChildProcess second;
        ASSERT_TRUE(second.Start("Veilbox.exe", c.args));
        ASSERT_TRUE(second.WaitForExit(10000)) << c.args;
        EXPECT_EQ(second.ExitCode() != 0, c.failed) << c.args;
    }
    EXPECT_TRUE(first.Process().Running());
}

TEST(Startup, ACopyThisUserMayNotOpenCountsAsRunning)
{
    // As a copy started as administrator appears to one that is not: its instance object
    // exists, and opening it is denied.
    SECURITY_DESCRIPTOR denyAll = {};
    InitializeSecurityDescriptor(&denyAll, SECURITY_DESCRIPTOR_REVISION);
    ACL emptyAcl = {};
    InitializeAcl(&emptyAcl, sizeof emptyAcl, ACL_REVISION);
    SetSecurityDescriptorDacl(&denyAll, TRUE, &emptyAcl, FALSE);
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, &denyAll, FALSE};
    HANDLE instance = CreateMutexA(&attributes, FALSE, "Local\\Quillfen.WindowVeilbox.Instance");
    ASSERT_NE(instance, nullptr);

    RegistryKeyGuard settings;
    Veilbox second;
    EXPECT_TRUE(second.Process().WaitForExit());
    EXPECT_EQ(second.Process().ExitCode(), 0u);
    EXPECT_EQ(FindTopWindow({second.Process().Id(), kTitle, "#32770"}), nullptr);
    CloseHandle(instance);
}

TEST(Startup, ControlWordWithMoreTextIsAnOrdinaryStart)
{
    RegistryKeyGuard settings;
    Veilbox first;
    ASSERT_NE(first.MainWindow(), nullptr);
    ChildProcess second;
    ASSERT_TRUE(second.Start("Veilbox.exe", "uninstall now"));
    ASSERT_TRUE(second.WaitForExit());
    EXPECT_TRUE(first.Process().Running());
    QuitByControlWord(first);
}

TEST(Startup, CopyDataOtherThanTheQuitRequestIsIgnored)
{
    RegistryKeyGuard settings;
    Veilbox app;
    HWND main = app.MainWindow();
    ASSERT_NE(main, nullptr);

    char text[] = "uninstall";
    for (ULONG_PTR kind : {0ull, 2ull, 0xFFFFFFFFull}) {
        COPYDATASTRUCT data = {kind, sizeof text, text};
        DWORD_PTR result = 0;
        SendMessageTimeoutA(main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL,
                            3000, &result);
    }
    COPYDATASTRUCT empty = {2, 0, nullptr};
    DWORD_PTR result = 0;
    SendMessageTimeoutA(main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&empty), SMTO_NORMAL, 3000, &result);
    EXPECT_FALSE(app.Process().WaitForExit(300));
    EXPECT_TRUE(IsWindow(main));

    COPYDATASTRUCT quit = {1, sizeof text, text};
    SendMessageTimeoutA(main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&quit), SMTO_NORMAL, 3000, &result);
    EXPECT_TRUE(app.Process().WaitForExit());
    EXPECT_EQ(app.Process().ExitCode(), 0u);
}

namespace {

int g_setupCopyData = 0;

// A dialog of another program titled like an installer of ours, standing in front of the
// running copy.
LRESULT CALLBACK SetupWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COPYDATA)
        ++g_setupCopyData;
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

TEST(Startup, QuitRequestGoesToTheRunningCopyNotToAnInstallerDialog)
{
    RegistryKeyGuard settings;
    Veilbox app;
    ASSERT_NE(app.MainWindow(), nullptr);

    // The system's dialog class with our own procedure, so the test sees what reaches it.
    WNDCLASSA dialogClass = {};
    ASSERT_TRUE(GetClassInfoA(nullptr, "#32770", &dialogClass));
    HWND setup = CreateWindowExA(WS_EX_TOPMOST, "#32770", "Window Veilbox Setup",
                                 WS_POPUP | WS_CAPTION | WS_VISIBLE, 10, 10, 300, 200, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(setup, nullptr);
    SetWindowLongPtrA(setup, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SetupWindowProc));
    g_setupCopyData = 0;

    ChildProcess second;
    ASSERT_TRUE(second.Start("Veilbox.exe", "uninstall"));
    // The second copy sends to the setup window synchronously: keep answering while it runs.
    EXPECT_TRUE(WaitFor([&] { return !second.Running(); }, 10000));
    EXPECT_TRUE(app.Process().WaitForExit());
    EXPECT_EQ(g_setupCopyData, 0);
    DestroyWindow(setup);
}

// The libraries only a later dialog needs are not loaded by a start, shown or in the tray: the
// rich edit control (About's licence, the tray's questions) and what it brings with it. A start
// in the tray makes no control of its dialog, also once its dialog manager has tried to show it,
// and so loads no common controls library. The process's module list is read from outside, as
// the loader keeps it.
TEST(Startup, AStartLoadsNoneOfTheLibrariesOnlyALaterDialogNeeds)
{
    const char* const kDeferred[] = {"riched20.dll", "usp10.dll", "oleaut32.dll"};
    for (const bool inTray : {false, true}) {
        SCOPED_TRACE(inTray ? "start in the tray" : "shown start");
        RegistryKeyGuard settings;
        Veilbox app("", inTray);
        ASSERT_TRUE(app.Started());
        HWND main = WaitForTopWindow({app.Process().Id(), kTitle, "#32770", !inTray});
        ASSERT_NE(main, nullptr);
        // The start is over once the tray icon is there (shown or not, the program adds it).
        EXPECT_TRUE(WaitFor([&] {
            NOTIFYICONDATAW record = {};
            record.cbSize = NOTIFYICONDATAW_V1_SIZE;
            record.hWnd = main;
            return Shell_NotifyIconW(NIM_MODIFY, &record) != FALSE;
        }));
        if (inTray) {
            // As the dialog manager shows a dialog once its loop is idle, and as another program may.
            ShowWindow(main, SW_SHOWNORMAL);
            SetWindowPos(main, nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
            EXPECT_TRUE(SendWithin(main, WM_NULL, 0, 0));
            EXPECT_FALSE(IsWindowVisible(main));
            EXPECT_EQ(GetWindow(main, GW_CHILD), nullptr) << "a control of the dialog was made";
        }
        const std::vector<std::string> modules = ModuleNames(app.Process().Id());
        EXPECT_NE(std::find(modules.begin(), modules.end(), "user32.dll"), modules.end()) << "the list was read";
        for (const char* library : kDeferred)
            EXPECT_EQ(std::find(modules.begin(), modules.end(), library), modules.end()) << library;
        if (inTray) {
            EXPECT_EQ(std::find(modules.begin(), modules.end(), "comctl32.dll"), modules.end());
        }
        QuitByControlWord(app);
    }
}
