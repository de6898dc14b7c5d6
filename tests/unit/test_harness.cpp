// The test programs' own start-up: a crash inside a test names the test and ends its program
// with the crash's code, never with 0, so the test fails and says where.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/TempFolder.h"
#include "support/TestSupport.h"

namespace {

constexpr char kProbeVariable[] = "VB_TEST_CRASH_PROBE";

// Runs this program with arguments, its standard output and error going to file; the exit code.
// Four runs of at most 15 s each stay well inside the test's time limit on a loaded machine.
DWORD RunSelf(const std::string& args, const std::string& file)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileA(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string commandLine = "\"" + std::string(self) + "\" " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = out;
    PROCESS_INFORMATION pi = {};
    DWORD code = STILL_ACTIVE;
    if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        if (WaitForSingleObject(pi.hProcess, 15000) == WAIT_TIMEOUT)
            TerminateProcess(pi.hProcess, 1);
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(out);
    return code;
}

// Deeper than any stack; read from memory, so no compiler sees a recursion without end.
volatile unsigned g_overflowDepth = 0xFFFFFFFFu;

unsigned Recurse(unsigned depth)
{
    volatile char frame[1024];
    frame[0] = static_cast<char>(depth);
    return depth < g_overflowDepth ? Recurse(depth + 1) + static_cast<unsigned>(frame[0]) : 0;
}

// Crashes, in the way the variable names, only as the child of the test below.
TEST(TestHarnessProbe, CrashesWhenAsked)
{
    char asked[16] = {};
    if (!GetEnvironmentVariableA(kProbeVariable, asked, sizeof asked))
        GTEST_SKIP() << "run by TestHarness.ACrashNamesItsTestAndEndsTheProgramWithItsCode";
    if (std::string(asked) == "overflow")
        EXPECT_NE(Recurse(0), 1u);
    else if (std::string(asked) == "code00")
        RaiseException(0xE0000100, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    else
        *static_cast<volatile int*>(nullptr) = 1;
}

// Left to Wine's debugger, a crashed program sometimes ended with 0: the access violation runs
// twice. Wine hands on only an exit code's low byte, so a code ending in 00 ends the program with 1.
TEST(TestHarness, ACrashNamesItsTestAndEndsTheProgramWithItsCode)
{
    const struct { const char* crash; int runs; DWORD exitCode; const char* reported; } cases[] = {
        {"access", 2, EXCEPTION_ACCESS_VIOLATION, "unhandled exception 0xC0000005"},
        {"overflow", 1, EXCEPTION_STACK_OVERFLOW, "unhandled exception 0xC00000FD"},
        {"code00", 1, 1, "unhandled exception 0xE0000100"},
    };
    TempFolder folder("crash");
    const std::string file = folder / "crash.txt";
    for (const auto& c : cases) {
        SetEnvironmentVariableA(kProbeVariable, c.crash);
        for (int run = 0; run < c.runs; ++run) {
            const DWORD code = RunSelf("--gtest_filter=TestHarnessProbe.CrashesWhenAsked", file);
            std::ifstream in(file, std::ios::binary);
            const std::string output((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            EXPECT_EQ(code, c.exitCode) << c.crash << " " << run;
            EXPECT_NE(output.find(c.reported), std::string::npos) << output;
            EXPECT_NE(output.find("in TestHarnessProbe.CrashesWhenAsked"), std::string::npos) << output;
        }
    }
    SetEnvironmentVariableA(kProbeVariable, nullptr);
}

// A start that Wine spoiled while setting the process up (ERROR_INTERNAL_ERROR) is made again, at
// most three times in all; any other failure is the caller's at once, with its code kept.
TEST(TestHarness, OnlyAStartWineSpoiledIsMadeAgain)
{
    const struct { const char* what; std::vector<DWORD> failures; BOOL started; int calls; DWORD error; } cases[] = {
        {"started at once", {}, TRUE, 1, 0},
        {"spoiled twice, then started", {ERROR_INTERNAL_ERROR, ERROR_INTERNAL_ERROR}, TRUE, 3, 0},
        {"spoiled every time", {ERROR_INTERNAL_ERROR, ERROR_INTERNAL_ERROR, ERROR_INTERNAL_ERROR, ERROR_INTERNAL_ERROR},
         FALSE, 3, ERROR_INTERNAL_ERROR},
        {"no such file", {ERROR_FILE_NOT_FOUND, ERROR_INTERNAL_ERROR}, FALSE, 1, ERROR_FILE_NOT_FOUND},
        {"spoiled, then no such file", {ERROR_INTERNAL_ERROR, ERROR_FILE_NOT_FOUND}, FALSE, 2, ERROR_FILE_NOT_FOUND},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        int calls = 0;
        const BOOL started = vbtest::StartProcessRetried([&] {
            const size_t call = static_cast<size_t>(calls++);
            if (call >= c.failures.size())
                return TRUE;
            SetLastError(c.failures[call]);
            return FALSE;
        });
        EXPECT_EQ(started, c.started);
        EXPECT_EQ(calls, c.calls);
        if (!started) {
            EXPECT_EQ(GetLastError(), c.error);
        }
    }
}

} // namespace
