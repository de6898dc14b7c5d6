// The Start-with-Windows shortcut in throw-away Startup folders.
#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>

#include "shell/Shortcut.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestSupport.h"

namespace {

class ShortcutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        m_bin = m_temp.MakeFolder("bin");
        m_temp.MakeFile("bin\\Veilbox.exe", "MZ");
        m_allUsers = m_temp.MakeFolder("AllUsers");
        m_user = m_temp.MakeFolder("User");
    }
    void TearDown() override { CoUninitialize(); }

    static ShortcutTarget Target(const std::string& folder, const char* file = "Veilbox.exe")
    {
        return ShortcutTarget{NString(folder.c_str()), NString(file), NString("Window Veilbox")};
    }
    ShortcutTarget Program() const { return Target(m_bin); }
    StartupFolders Both() const { return {NString(m_allUsers.c_str()), NString(m_user.c_str())}; }
    bool LinkIn(const std::string& folder) const { return TempFolder::Exists(folder + "Window Veilbox.lnk"); }

    TempFolder m_temp{"lnk"};
    std::string m_bin, m_allUsers, m_user;
};

TEST_F(ShortcutTest, CreatedWithPathAndWorkingDirectoryAndFoundIgnoringCase)
{
    // Given without the trailing backslash, as the presence test passes it.
    ASSERT_TRUE(CreateShortcut(Target(m_bin.substr(0, m_bin.size() - 1)), "Manage", nullptr, Both()));
    EXPECT_TRUE(LinkIn(m_allUsers));
    EXPECT_FALSE(LinkIn(m_user));

    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                           reinterpret_cast<void**>(&link))));
    link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    const std::string path = m_allUsers + "Window Veilbox.lnk";
    ASSERT_TRUE(SUCCEEDED(file->Load(std::wstring(path.begin(), path.end()).c_str(), STGM_READ)));
    char text[MAX_PATH] = {};
    link->GetPath(text, MAX_PATH, nullptr, 0);
    EXPECT_STRCASEEQ((m_bin + "Veilbox.exe").c_str(), text);
    link->GetWorkingDirectory(text, MAX_PATH);
    EXPECT_STRCASEEQ(m_bin.c_str(), text);
    file->Release();
    link->Release();

    std::string upper = m_bin;
    CharUpperA(&upper[0]);
    EXPECT_TRUE(ShortcutPresent(Target(upper, "VEILBOX.EXE"), Both()));
}

TEST_F(ShortcutTest, ShortcutToAnotherFileIsAbsentKeptByRemoveAndReplacedByCreate)
{
    const std::string sibling = m_temp.MakeFolder("bin2"); // shares the program folder's name as a prefix
    for (const ShortcutTarget& other : {Target(m_bin, "Other.exe"), Target(sibling)}) {
        ASSERT_TRUE(CreateShortcut(other, "", nullptr, Both()));
        EXPECT_FALSE(ShortcutPresent(Program(), Both()));
        EXPECT_FALSE(RemoveShortcut(Program(), Both()));
        EXPECT_TRUE(LinkIn(m_allUsers));
        ASSERT_TRUE(CreateShortcut(Program(), "", nullptr, Both()));
        EXPECT_TRUE(ShortcutPresent(Program(), Both()));
        EXPECT_FALSE(ShortcutPresent(other, Both()));
        ASSERT_TRUE(RemoveShortcut(Program(), Both()));
    }
}

TEST_F(ShortcutTest, OnTwiceCreatesOnceAndOffWithoutShortcutDoesNothing)
{
    EXPECT_TRUE(SetStartWithWindows(false, Program(), "", Both()));
    EXPECT_FALSE(RemoveShortcut(Program(), Both()));
    ASSERT_TRUE(SetStartWithWindows(true, Program(), "", Both()));
    ASSERT_TRUE(SetStartWithWindows(true, Program(), "", {NString(m_user.c_str()), NString(m_allUsers.c_str())}));
    EXPECT_TRUE(LinkIn(m_allUsers));
    EXPECT_FALSE(LinkIn(m_user));
    EXPECT_TRUE(SetStartWithWindows(false, Program(), "", Both()));
    EXPECT_FALSE(LinkIn(m_allUsers));
}

TEST_F(ShortcutTest, ReadOnlyShortcutIsStillRemoved)
{
    ASSERT_TRUE(CreateShortcut(Program(), "", nullptr, Both()));
    ASSERT_TRUE(SetFileAttributesA((m_allUsers + "Window Veilbox.lnk").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(RemoveShortcut(Program(), Both()));
    EXPECT_FALSE(LinkIn(m_allUsers));
}

TEST_F(ShortcutTest, UnwritableAllUsersFolderFallsBackToTheUsersFolder)
{
    const StartupFolders unwritable{NString((m_temp / "missing\\").c_str()), NString(m_user.c_str())};
    ASSERT_TRUE(CreateShortcut(Program(), "", nullptr, unwritable));
    EXPECT_TRUE(LinkIn(m_user));
    EXPECT_TRUE(ShortcutPresent(Program(), Both()));
    // A copy in each folder: removal clears both.
    ASSERT_TRUE(CreateShortcut(Program(), "", nullptr, {NString(m_allUsers.c_str()), NString()}));
    EXPECT_TRUE(RemoveShortcut(Program(), Both()));
    EXPECT_FALSE(LinkIn(m_user));
    EXPECT_FALSE(LinkIn(m_allUsers));
    EXPECT_FALSE(CreateShortcut(Program(), "", nullptr, {NString((m_temp / "missing\\").c_str()), NString()}));
}

TEST(StartupFolders, AllUsersFirstThenTheUsersOwn)
{
    char common[MAX_PATH] = {};
    char user[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, common, CSIDL_COMMON_STARTUP, FALSE));
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, user, CSIDL_STARTUP, FALSE));
    const StartupFolders both = StartupFoldersFor(true);
    EXPECT_EQ(NString(common) + "\\", both.preferred);
    EXPECT_EQ(NString(user) + "\\", both.fallback);
    EXPECT_TRUE(StartupFoldersFor(false).fallback.IsEmpty());
}

// A Startup folder the system cannot find is no folder: nothing is written, not even at the
// root of the drive, and the option reports failure.
TEST(StartupFolders, AFolderThatCannotBeFoundIsNone)
{
    const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    vbtest::RegistryKeyGuard guard(kShellFolders);
    const char missing[] = "C:\\vb-no-such-folder\\Startup";
    RegSetKeyValueA(HKEY_CURRENT_USER, kShellFolders, "Startup", REG_EXPAND_SZ, missing, sizeof missing);

    EXPECT_TRUE(StartupFolder(false).IsNull());
    const ShortcutTarget program{NString("C:\\vb\\"), NString("Veilbox.exe"), NString("Window Veilbox")};
    EXPECT_FALSE(SetStartWithWindows(true, program, "", StartupFoldersFor(false)));
    EXPECT_FALSE(TempFolder::Exists("\\Window Veilbox.lnk"));
    DeleteFileA("\\Window Veilbox.lnk");
    EXPECT_FALSE(SetStartWithWindows(false, program, "", StartupFoldersFor(false)));
}

}  // namespace
