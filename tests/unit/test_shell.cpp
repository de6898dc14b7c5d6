// Starting programs and the failure paths of opening links.
#include <gtest/gtest.h>

#include <windows.h>

#include "shell/Shell.h"

namespace {

constexpr wchar_t kMissingProgram[] = L"Z:\\no\\such\\program-4711.exe";

bool ShiftIsDown()
{
    return (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0;
}

TEST(Shell, StartOnUserDesktopHandsTheProcessToTheCaller)
{
    PROCESS_INFORMATION info = {};
    ASSERT_TRUE(StartOnUserDesktopWide(L"cmd.exe /c exit 7", &info));
    EXPECT_EQ(nullptr, info.hThread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(info.hProcess, 20000));
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hProcess);
    EXPECT_EQ(7u, code);
    EXPECT_FALSE(StartOnUserDesktopWide(kMissingProgram));
    EXPECT_FALSE(StartOnUserDesktopNarrow("Z:\\no\\such\\program-4711.exe"));
}

TEST(Shell, ShiftIsReleasedWhetherTheLaunchWorksOrNot)
{
    EXPECT_FALSE(LaunchWithShiftHeldWide(kMissingProgram));
    EXPECT_FALSE(ShiftIsDown());
    EXPECT_TRUE(LaunchWithShiftHeldWide(L"cmd.exe /c exit 0"));
    EXPECT_FALSE(ShiftIsDown());
}

TEST(Shell, NothingToOpenIsAFailure)
{
    EXPECT_FALSE(OpenLinkText(nullptr, L""));
    EXPECT_FALSE(OpenLinkText(nullptr, nullptr));
    EXPECT_FALSE(OpenLinkText(nullptr, L"Z:\\no\\such\\file-4711.veil"));
}

TEST(Shell, WindowsDirectoryEndsInOneBackslash)
{
    char expected[MAX_PATH] = {};
    ASSERT_GT(GetWindowsDirectoryA(expected, MAX_PATH), 0u);
    EXPECT_EQ(NString(expected).EnsureTrailing('\\'), WindowsDirectoryNarrow());
    EXPECT_EQ(WindowsDirectoryNarrow(), NString::FromWide(WindowsDirectoryWide().Text()));
}

TEST(Shell, PutRichEditTextReplacesTheWholeContents)
{
    ASSERT_NE(nullptr, LoadLibraryA("riched20.dll"));
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    HWND edit = CreateWindowExW(0, L"RichEdit20W", L"old text", WS_CHILD | ES_MULTILINE, 0, 0, 200, 100, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(1000)), nullptr, nullptr);
    ASSERT_NE(nullptr, edit);
    PutRichEditText(parent, 1000, L"new \x03A9");
    wchar_t text[64] = {};
    GetWindowTextW(edit, text, 64);
    DestroyWindow(parent);
    EXPECT_STREQ(L"new \x03A9", text);
}

}  // namespace
