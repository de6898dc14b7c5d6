// The command line of the real Veilbox.exe: each verb and selector, the exit codes, the output
// through a pipe and a file, and launching a program straight into hiding.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/TargetWindows.h"
#include "support/TempFolder.h"
#include "support/ThreadWindows.h"
#include "support/VeilboxApp.h"

using namespace vbtest;

namespace {

struct Result {
    bool ended = false;
    DWORD code = STILL_ACTIVE;
    std::string out, err;
    bool closed = false;  // no process held an end of the output pipes once the command ended
};

// An inheritable pipe end for the command, with a buffer no test fills.
struct Pipe {
    Pipe()
    {
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        CreatePipe(&read, &write, &inherit, 1 << 20);
        SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    }
    ~Pipe() { CloseHandle(read); }
    // What was written; closed when no writer is left.
    std::string Drain(bool& closed)
    {
        std::string text(1 << 16, '\0');
        DWORD available = 0, got = 0;
        if (PeekNamedPipe(read, nullptr, 0, nullptr, &available, nullptr) && available)
            ReadFile(read, &text[0], std::min<DWORD>(available, 1 << 16), &got, nullptr);
        closed = !PeekNamedPipe(read, nullptr, 0, nullptr, &available, nullptr) && GetLastError() == ERROR_BROKEN_PIPE;
        return text.substr(0, got);
    }
    HANDLE read = nullptr, write = nullptr;
};

// Runs "Veilbox.exe args" (UTF-8) once, as RunCommand says; tookMs is the time until it ended.
Result RunOnce(const std::string& args, HANDLE outFile, ULONGLONG& tookMs)
{
    Pipe out, err;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = outFile ? outFile : out.write;
    startup.hStdError = err.write;
    const std::string narrow = "\"" + BinDir() + "Veilbox.exe\" " + args;
    std::wstring line(narrow.size() + 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, narrow.c_str(), -1, &line[0], static_cast<int>(line.size()));
    PROCESS_INFORMATION process = {};
    Result result;
    const BOOL started = StartProcessRetried([&] {
        return CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    });
    CloseHandle(out.write);
    CloseHandle(err.write);
    if (!started)
        return result;
    CloseHandle(process.hThread);
    const ULONGLONG since = GetTickCount64();
    result.ended = WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0;
    tookMs = GetTickCount64() - since;
    TerminateProcess(process.hProcess, 99);
    GetExitCodeProcess(process.hProcess, &result.code);
    CloseHandle(process.hProcess);
    bool outClosed = false, errClosed = false;
    WaitFor([&] {
        result.out += out.Drain(outClosed);
        result.err += err.Drain(errClosed);
        return outClosed && errClosed;
    }, 2000);
    result.closed = outClosed && errClosed;
    return result;
}

// Runs "Veilbox.exe args" (UTF-8) with its output and error going to pipes, or its output to
// outFile when one is given. Now and then Wine fails to start a program at all: it cannot be
// created, or it ends at once with exit code 1 having written nothing. Such a start is made once
// more; every exit code 1 of the program itself comes with a word on its error output.
Result RunCommand(const std::string& args, HANDLE outFile = nullptr)
{
    Result result;
    for (int start = 0; start < 2; ++start) {
        ULONGLONG tookMs = 0;
        result = RunOnce(args, outFile, tookMs);
        const bool notStarted = !result.ended && result.code == STILL_ACTIVE && tookMs == 0;
        const bool endedAtOnce = result.ended && result.code == 1 && tookMs < 300 && result.out.empty() &&
                                 result.err.empty();
        if (!notStarted && !endedAtOnce)
            break;
    }
    return result;
}

// The handle as the command prints it, which --hwnd takes back.
std::string HandleArg(HWND window)
{
    char text[32];
    snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
    return text;
}

HWND RunningCopy()
{
    return FindTopWindow({0, kMainTitle, "#32770"});
}

// Ends a program that a launch left behind, found by its window's title.
void EndProgramOf(const char* title)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(FindTopWindow({0, title, nullptr}), &processId);
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId)) {
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
}

} // namespace

class CommandLine : public ::testing::Test {
protected:
    void SetUp() override { m_settings.Clear(); }
    // Whatever copy a command started ends as an installer ends it.
    void TearDown() override
    {
        ChildProcess quit;
        if (RunningCopy() && quit.Start("Veilbox.exe", "uninstall"))
            quit.WaitForExit();
        WaitFor([] { return RunningCopy() == nullptr; }, 10000);
    }
    RegistryKeyGuard m_settings;
};

TEST_F(CommandLine, EachSelectorHidesAndShowsExactlyItsWindows)
{
    TargetWindows targets("--window --title \"Alpha One\" --window --title \"Alpha Two\"");
    ASSERT_TRUE(targets.Ready());
    CountingWindow other("Beta Other");
    const struct {
        std::string selector;
        bool one, two;
        DWORD showCode;  // show with the same selector
    } cases[] = {
        {"--title \"alpha one\"", true, false, 0},
        {"--title-like \"ALPHA*\"", true, true, 0},
        {"--class VbTestWin", true, true, 0},
        {"--exe VB_TESTWIN.EXE", true, true, 0},
        {"--pid " + std::to_string(targets.Process().Id()), true, true, 0},
        {"--hwnd " + HandleArg(targets[1]), false, true, 0},
        {"--active", true, false, 1},  // a held window is never the foreground window
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.selector);
        if (c.selector == "--active") {
            ASSERT_TRUE(ClickToFront(targets[0]));
        }
        const Result hide = RunCommand("hide " + c.selector);
        ASSERT_TRUE(hide.ended);
        EXPECT_EQ(hide.code, 0u) << hide.err;
        EXPECT_EQ(std::count(hide.out.begin(), hide.out.end(), '\n'), int(c.one) + int(c.two)) << hide.out;
        EXPECT_EQ(IsWindowVisible(targets[0]) == FALSE, c.one);
        EXPECT_EQ(IsWindowVisible(targets[1]) == FALSE, c.two);
        EXPECT_TRUE(IsWindowVisible(other.Window()));

        EXPECT_EQ(RunCommand("show " + c.selector).code, c.showCode);
        if (c.showCode != 0) {
            EXPECT_EQ(RunCommand("show-all").code, 0u);
        }
        EXPECT_TRUE(IsWindowVisible(targets[0]) && IsWindowVisible(targets[1]));

        // A toggle hides what is all shown, and shows again what it holds.
        if (c.selector == "--active") {
            ASSERT_TRUE(ClickToFront(targets[0]));
        }
        const Result toggled = RunCommand("toggle " + c.selector);
        EXPECT_EQ(toggled.code, 0u) << toggled.err;
        EXPECT_EQ(IsWindowVisible(targets[0]) == FALSE, c.one);
        EXPECT_EQ(IsWindowVisible(targets[1]) == FALSE, c.two);
        // --active: the window in front is another one now, which a toggle would hide.
        EXPECT_EQ(RunCommand(c.selector == "--active" ? "show-all" : "toggle " + c.selector).code, 0u);
        EXPECT_TRUE(IsWindowVisible(targets[0]) && IsWindowVisible(targets[1]));
    }
    EXPECT_EQ(RunCommand("show-all").code, 1u) << "nothing is held";
    EXPECT_EQ(RunCommand("hide --title \"No Such Window\"").code, 1u);
    EXPECT_EQ(RunCommand("toggle --title \"No Such Window\"").code, 1u);
    // One of them in front: the shown ones go, although another is held; then both come back.
    EXPECT_EQ(RunCommand("hide --hwnd " + HandleArg(targets[1])).code, 0u);
    ASSERT_TRUE(ClickToFront(targets[0]));
    EXPECT_EQ(RunCommand("toggle --title-like \"alpha*\"").code, 0u);
    EXPECT_FALSE(IsWindowVisible(targets[0]) || IsWindowVisible(targets[1]));
    EXPECT_EQ(RunCommand("toggle --title-like \"alpha*\"").code, 0u);
    EXPECT_TRUE(IsWindowVisible(targets[0]) && IsWindowVisible(targets[1]));
}

TEST_F(CommandLine, ExitCodesWithoutARunningCopyAndForWrongUsage)
{
    const struct {
        const char* args;
        DWORD code;
        bool outputs, errors;
    } cases[] = {
        {"list", 0, false, false},        {"show --title x", 1, false, true},
        {"show-all", 1, false, true},     {"hide", 2, false, true},
        {"hide --pid twelve", 2, false, true}, {"--help", 0, true, false},
        {"toggle", 2, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const Result result = RunCommand(c.args);
        ASSERT_TRUE(result.ended);
        EXPECT_EQ(result.code, c.code);
        EXPECT_EQ(!result.out.empty(), c.outputs) << result.out;
        EXPECT_EQ(!result.err.empty(), c.errors) << result.err;
        EXPECT_EQ(RunningCopy(), nullptr) << "none of these starts a copy";
    }
    EXPECT_NE(RunCommand("hide").err.find("Usage: Veilbox.exe VERB"), std::string::npos);
}

// A launch whose program cannot be started ends the copy it started for it; one already running
// stays.
TEST_F(CommandLine, ALaunchThatCannotStartItsProgramLeavesNoCopyItStarted)
{
    const Result first = RunCommand("launch -- vb_no_such_program.exe");
    EXPECT_EQ(first.code, 4u);
    EXPECT_NE(first.err.find("could not start vb_no_such_program.exe"), std::string::npos) << first.err;
    EXPECT_TRUE(WaitFor([] { return RunningCopy() == nullptr; }, 5000)) << "the copy it started was left running";

    VeilboxApp app;
    ASSERT_NE(app.MainWindow(), nullptr);
    EXPECT_EQ(RunCommand("launch -- vb_no_such_program.exe").code, 4u);
    EXPECT_EQ(RunningCopy(), app.MainWindow());
}

TEST_F(CommandLine, HideStartsACopyInTheTrayAndListGoesThroughAPipeOrAFileInUtf8)
{
    TargetWindows targets("--window --title \"Greek\"");
    ASSERT_TRUE(targets.Ready());
    SetWindowTextW(targets[0], L"Καλημέρα κόσμε");
    const Result hide = RunCommand("hide --title \"καλημέρα κόσμε\"");
    EXPECT_EQ(hide.code, 0u) << hide.err;
    EXPECT_TRUE(hide.closed) << "the copy it started holds no end of its pipes";
    EXPECT_FALSE(IsWindowVisible(targets[0]));
    HWND copy = RunningCopy();
    ASSERT_NE(copy, nullptr);
    EXPECT_FALSE(IsWindowVisible(copy)) << "the copy stays in the notification area";
    EXPECT_NE(GetForegroundWindow(), copy);

    const std::string line = HandleArg(targets[0]) + "\t" + std::to_string(targets.Process().Id()) +
                             "\tvb_testwin.exe\tΚαλημέρα κόσμε\r\n";
    EXPECT_EQ(RunCommand("list").out, line);
    EXPECT_NE(RunCommand("list --json").out.find("\"class\":\"VbTestWin\",\"title\":\"Καλημέρα κόσμε\"}"),
              std::string::npos);
    TempFolder folder("list");
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE file = CreateFileA((folder / "held.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                              CREATE_ALWAYS, 0, nullptr);
    EXPECT_EQ(RunCommand("list", file).code, 0u);
    CloseHandle(file);
    char written[256] = {};
    FILE* in = fopen((folder / "held.txt").c_str(), "rb");
    ASSERT_NE(in, nullptr);
    fread(written, 1, sizeof written - 1, in);
    fclose(in);
    EXPECT_EQ(std::string(written), line);

    // A copy another command started meanwhile ends quietly and leaves this one in the tray.
    ChildProcess commandCopy;
    ASSERT_TRUE(commandCopy.Start("Veilbox.exe", "--command-copy"));
    EXPECT_TRUE(commandCopy.WaitForExit());
    EXPECT_EQ(commandCopy.ExitCode(), 0u);
    EXPECT_FALSE(IsWindowVisible(copy));
    EXPECT_EQ(RunningCopy(), copy);

    // A plain start brings the dialog of the copy in the tray.
    ChildProcess second;
    ASSERT_TRUE(second.Start("Veilbox.exe"));
    EXPECT_TRUE(second.WaitForExit());
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(copy) != FALSE; }));
}

TEST_F(CommandLine, ACopyThatDoesNotAnswerEndsTheCommandWithCodeThree)
{
    VeilboxApp app;
    ASSERT_NE(app.MainWindow(), nullptr);
    ProcessFreeze freeze(app.Process().Id());
    ASSERT_TRUE(freeze.Frozen());
    const ULONGLONG start = GetTickCount64();
    const Result list = RunCommand("list");
    EXPECT_EQ(list.code, 3u);
    EXPECT_LT(GetTickCount64() - start, 10000u);
    // A copy the system finds hung is said to be so, not waited on for "0 s".
    EXPECT_EQ(list.err.find("within 0 s"), std::string::npos) << list.err;
    EXPECT_TRUE(list.err.find("is not responding") != std::string::npos ||
                list.err.find("did not take the request within 5 s") != std::string::npos)
        << list.err;
}

TEST_F(CommandLine, LaunchHidesTheProgramsFirstTitledWindow)
{
    const struct {
        const char* args;
        const char* title;  // the window hidden; null: none
        DWORD code;
    } cases[] = {
        {"launch -- vb_testwin.exe --window --title \"Late Main\" --show-after-ms 1500 --announce", "Late Main", 0},
        // An untitled splash window first, left alone.
        {"launch -- vb_testwin.exe --window --popup --window --title \"After Splash\" --show-after-ms 500",
         "After Splash", 0},
        {"launch --timeout 1 vb_testwin.exe --window --title \"Never Shown\" --hidden", nullptr, 4},
        // The longest timeout: the command's wait for the answer is longer still.
        {"launch --timeout 86400 -- vb_testwin.exe --window --title \"Longest Timeout\"", "Longest Timeout", 0},
        {"launch -- vb_no_such_program.exe", nullptr, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const Result launch = RunCommand(c.args);
        ASSERT_TRUE(launch.ended);
        EXPECT_EQ(launch.code, c.code) << launch.err;
        EXPECT_TRUE(launch.closed) << "the program it started holds no end of its pipes";
        if (!c.title)
            continue;
        HWND window = FindTopWindow({0, c.title, "VbTestWin"});
        ASSERT_NE(window, nullptr);
        EXPECT_FALSE(IsWindowVisible(window));
        EXPECT_EQ(launch.out.find(HandleArg(window)), 0u) << launch.out;
        EXPECT_EQ(FindTopWindow({0, "", "VbTestWin", true}) != nullptr, strstr(c.args, "--popup") != nullptr);
        EXPECT_EQ(RunCommand("show --hwnd " + HandleArg(window)).code, 0u);
        EndProgramOf(c.title);
    }
    EXPECT_NE(FindTopWindow({0, "Never Shown", "VbTestWin"}), nullptr) << "left running";
    EndProgramOf("Never Shown");
}

// While a menu of the running copy is open, the launched program's window is left alone (an
// entry added then would move the menu's items under the pointer); it goes once the menu closes.
TEST_F(CommandLine, ALaunchedWindowWaitsForAnOpenMenuToClose)
{
    VeilboxApp app;
    ASSERT_NE(app.MainWindow(), nullptr);
    ASSERT_TRUE(app.OpenMenu());
    ChildProcess launch;
    ASSERT_TRUE(launch.Start("Veilbox.exe", "launch -- vb_testwin.exe --window --title \"Behind The Menu\""));
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (window = FindTopWindow({0, "Behind The Menu", "VbTestWin", true})) != nullptr; }));
    EXPECT_FALSE(WaitFor([&] { return !IsWindowVisible(window); }, 500)) << "hidden under the open menu";
    ASSERT_NE(FindTopWindow({app.Process().Id(), nullptr, "#32768", true}), nullptr) << "the menu closed early";
    ASSERT_TRUE(app.CloseMenu());
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(window); }));
    EXPECT_TRUE(launch.WaitForExit());
    EXPECT_EQ(launch.ExitCode(), 0u);
    EndProgramOf("Behind The Menu");
}

// A request waits while the menu is open. A command that gives up meanwhile ends with 3 and says
// how long it really waited, and its request is dropped: once the menu closes nothing is hidden.
// A launch whose time ran out under the menu is told so (4), and its window stays too.
TEST_F(CommandLine, ARequestWhoseCommandGaveUpUnderTheOpenMenuIsNotCarriedOut)
{
    TargetWindows targets("--window --title \"Under The Menu\"");
    ASSERT_TRUE(targets.Ready());
    VeilboxApp app;
    ASSERT_NE(app.MainWindow(), nullptr);
    // The Popup Menu hotkey, pressed while a window of Wine's has the keyboard.
    ASSERT_TRUE(ClickToFront(targets[0]));
    PressCombination({VK_CONTROL, VK_SHIFT, 'M'});
    ASSERT_NE(WaitForTopWindow({app.Process().Id(), nullptr, "#32768", true}, 5000), nullptr);
    const struct {
        const char* args;
        const char* title;  // the window that must stay visible
        DWORD code;
        const char* says;
    } cases[] = {
        {"hide --timeout 2 --title \"Under The Menu\"", "Under The Menu", 3,
         "did not take up the request within 2 s"},
        {"launch --timeout 1 -- vb_testwin.exe --window --title \"Launched Under The Menu\"",
         "Launched Under The Menu", 4, "its window was not hidden within 1 s"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        const ULONGLONG start = GetTickCount64();
        const Result result = RunCommand(c.args);
        ASSERT_TRUE(result.ended);
        EXPECT_EQ(result.code, c.code) << result.err;
        EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
        EXPECT_LT(GetTickCount64() - start, 6000u);
    }
    ASSERT_NE(FindTopWindow({app.Process().Id(), nullptr, "#32768", true}), nullptr) << "the menu closed early";
    ASSERT_TRUE(app.CloseMenu());
    // Requests run in turn: once this one is answered, the earlier ones have had their turn.
    EXPECT_EQ(RunCommand("list").code, 0u);
    for (const auto& c : cases) {
        HWND window = FindTopWindow({0, c.title, "VbTestWin"});
        EXPECT_TRUE(window && IsWindowVisible(window)) << c.title;
    }
    EndProgramOf("Launched Under The Menu");
}

// launch starts its program running: neither a command killed during its wait nor a copy that
// does not answer leaves it suspended.
TEST_F(CommandLine, ALaunchedProgramRunsWhateverBecomesOfTheCommand)
{
    VeilboxApp app;
    ASSERT_NE(app.MainWindow(), nullptr);
    ProcessFreeze freeze(app.Process().Id());
    ASSERT_TRUE(freeze.Frozen());
    const struct {
        const char* title;
        bool killed;  // else the command ends by itself, with 3
    } cases[] = {{"Launch Killed", true}, {"Launch Unanswered", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        ChildProcess launch;
        ASSERT_TRUE(launch.Start("Veilbox.exe", std::string("launch -- vb_testwin.exe --window --title \"") +
                                                    c.title + "\""));
        const WindowQuery shown = {0, c.title, "VbTestWin", true};
        // The command waits 5 s for the frozen copy: it is killed while it waits.
        const bool early = WaitForTopWindow(shown, 2000) != nullptr;
        if (c.killed) {
            ASSERT_TRUE(launch.Running());
            launch.Kill();
        } else {
            EXPECT_TRUE(launch.WaitForExit(15000));
            EXPECT_EQ(launch.ExitCode(), 3u);
        }
        EXPECT_TRUE(early || WaitForTopWindow(shown, 5000)) << "the program was left suspended";
        EndProgramOf(c.title);
    }
}
