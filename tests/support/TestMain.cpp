// Entry point of every test program: the process is prepared as the real program prepares
// itself (common controls, rich edit, a single-threaded COM apartment) before the tests run.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <cstdio>

#include <gtest/gtest.h>

#include "winbase/ModuleInfo.h"

namespace {

// A crash ends the process before GoogleTest can say which test was running (it catches no
// structured exceptions when built with MinGW): this says which, and what, on standard error,
// and ends the process with the exception's code. Left to Wine's debugger, a crashed test
// program sometimes ended with 0, and its test passed.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* crash)
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const EXCEPTION_RECORD* record = crash ? crash->ExceptionRecord : nullptr;
    fprintf(stderr, "\ntest program: unhandled exception 0x%08lX at %p in %s%s%s\n",
            record ? static_cast<unsigned long>(record->ExceptionCode) : 0ul,
            record ? record->ExceptionAddress : nullptr, test ? test->test_suite_name() : "no test",
            test ? "." : "", test ? test->name() : " (before or after the tests)");
    fflush(stderr);
    fflush(stdout);
    TerminateProcess(GetCurrentProcess(), record ? static_cast<UINT>(record->ExceptionCode) : 1u);
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

int main(int argc, char** argv)
{
    SetUnhandledExceptionFilter(ReportCrash);
    RestrictDllSearchToSystemFolder();
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);
    LoadSystemLibrary("riched20.dll");
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ::testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
