// The test programs' own start-up: a crash inside a test names the test and ends its program
// with the crash's code, never with 0, so the test fails and says where.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

#include "support/TempFolder.h"

namespace {

constexpr char kProbeVariable[] = "VB_TEST_CRASH_PROBE";

// Runs this program with arguments, its standard output and error going to file; the exit code.
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
        if (WaitForSingleObject(pi.hProcess, 30000) == WAIT_TIMEOUT)
            TerminateProcess(pi.hProcess, 1);
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(out);
    return code;
}

// Crashes only as the child of the test below.
TEST(TestHarnessProbe, CrashesWhenAsked)
{
    char asked[4] = {};
    if (!GetEnvironmentVariableA(kProbeVariable, asked, sizeof asked))
        GTEST_SKIP() << "run by TestHarness.ACrashNamesItsTestAndEndsTheProgramWithItsCode";
    *static_cast<volatile int*>(nullptr) = 1;
}

// Left to Wine's debugger, a crashed program sometimes ended with 0: several runs.
TEST(TestHarness, ACrashNamesItsTestAndEndsTheProgramWithItsCode)
{
    TempFolder folder("crash");
    const std::string file = folder / "crash.txt";
    SetEnvironmentVariableA(kProbeVariable, "1");
    for (int run = 0; run < 5; ++run) {
        const DWORD code = RunSelf("--gtest_filter=TestHarnessProbe.CrashesWhenAsked", file);
        std::ifstream in(file, std::ios::binary);
        const std::string output((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(code, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION)) << run;
        EXPECT_NE(output.find("unhandled exception 0xC0000005"), std::string::npos) << output;
        EXPECT_NE(output.find("in TestHarnessProbe.CrashesWhenAsked"), std::string::npos) << output;
    }
    SetEnvironmentVariableA(kProbeVariable, nullptr);
}

} // namespace
