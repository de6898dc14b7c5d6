// Entry point of every test program: the process is prepared as the real program prepares
// itself (common controls, rich edit, a single-threaded COM apartment) before the tests run.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include "winbase/ModuleInfo.h"

int main(int argc, char** argv)
{
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
