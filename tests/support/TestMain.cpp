// Entry point of every test program: the process is prepared as the real program prepares
// itself (common controls, rich edit, a single-threaded COM apartment) before the tests run.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <atomic>
#include <cstdio>
#include <utility>

#include <gtest/gtest.h>

#include "winbase/ModuleInfo.h"

namespace {

// "Suite.Name" of the running test for the crash report, which calls nothing of GoogleTest's
// (a crash may leave its locks held); null outside a test.
char g_testName[512];
std::atomic<const char*> g_runningTest{nullptr};

class RunningTestKeeper : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo& test) override
    {
        snprintf(g_testName, sizeof g_testName, "%s.%s", test.test_suite_name(), test.name());
        g_runningTest.store(g_testName);
    }
    void OnTestEnd(const ::testing::TestInfo&) override { g_runningTest.store(nullptr); }
};

// The exception being reported (the first one only), kept where the reporter thread finds it.
std::atomic<bool> g_crashed{false};
DWORD g_crashCode = 0;
void* g_crashAddress = nullptr;
HANDLE g_crashEvent = nullptr;

// Formats into a buffer of its own and writes it straight to the standard error handle: the C
// runtime's streams may be locked by the thread that crashed.
void WriteCrashReport()
{
    const char* test = g_runningTest.load();
    char line[768];
    const int length = snprintf(line, sizeof line, "\ntest program: unhandled exception 0x%08lX at %p in %s\n",
                                static_cast<unsigned long>(g_crashCode), g_crashAddress,
                                test ? test : "no test (before or after the tests)");
    DWORD written = 0;
    if (length > 0)
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), line,
                  static_cast<DWORD>(length < static_cast<int>(sizeof line) ? length : sizeof line - 1), &written,
                  nullptr);
}

// What the test printed and the runtime still holds; run where a held lock costs only the wait.
DWORD WINAPI FlushStandardOutput(void*)
{
    fflush(stdout);
    return 0;
}

// Reports the crash and ends the process with its code. Wine hands on only the exit code's low
// byte: a code ending in 00 would read as success, so it ends with 1 instead.
[[noreturn]] void ReportAndEnd()
{
    WriteCrashReport();
    if (HANDLE flusher = CreateThread(nullptr, 64 * 1024, FlushStandardOutput, nullptr, 0, nullptr)) {
        WaitForSingleObject(flusher, 1000);
        CloseHandle(flusher);
    }
    TerminateProcess(GetCurrentProcess(), (g_crashCode & 0xFF) ? g_crashCode : 1u);
    ExitProcess(1);
}

// Started before the tests with a stack of its own, so that a crash that left none (a stack
// overflow) is still reported: the crashed thread only has to wake it.
DWORD WINAPI CrashReporter(void*)
{
    WaitForSingleObject(g_crashEvent, INFINITE);
    ReportAndEnd();
}

// A crash ends the process before GoogleTest can say which test was running (it catches no
// structured exceptions when built with MinGW): this says which, and what, on standard error,
// and ends the process with the exception's code. Left to Wine's debugger, a crashed test
// program sometimes ended with 0, and its test passed. The crashed thread records the crash,
// wakes the reporter and waits to be ended.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* crash)
{
    if (!g_crashed.exchange(true)) {
        const EXCEPTION_RECORD* record = crash ? crash->ExceptionRecord : nullptr;
        g_crashCode = record ? record->ExceptionCode : 0;
        g_crashAddress = record ? record->ExceptionAddress : nullptr;
        if (!g_crashEvent || !SetEvent(g_crashEvent))
            ReportAndEnd();
    }
    Sleep(INFINITE);
    return EXCEPTION_EXECUTE_HANDLER;
}

// A stack overflow is caught as it is raised, before the system's handling of an unhandled
// exception spends the one page of stack left (under Wine the program otherwise ends silently).
LONG WINAPI CatchStackOverflow(EXCEPTION_POINTERS* crash)
{
    if (crash && crash->ExceptionRecord && crash->ExceptionRecord->ExceptionCode == EXCEPTION_STACK_OVERFLOW)
        return ReportCrash(crash);
    return EXCEPTION_CONTINUE_SEARCH;
}

// The reporter thread and both handlers, before anything else runs.
void ReportCrashes()
{
    g_crashEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (g_crashEvent) {
        HANDLE reporter = CreateThread(nullptr, 64 * 1024, CrashReporter, nullptr, 0, nullptr);
        CloseHandle(reporter ? reporter : std::exchange(g_crashEvent, nullptr));
    }
    AddVectoredExceptionHandler(1, CatchStackOverflow);
    SetUnhandledExceptionFilter(ReportCrash);
}

} // namespace

int main(int argc, char** argv)
{
    ReportCrashes();
    RestrictDllSearchToSystemFolder();
    // The common controls and the rich edit control are loaded by the code that uses them, as in
    // the program; the tests' own shell links use COM.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new RunningTestKeeper);
    int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
