// Install root and its sub-folders.
#include <gtest/gtest.h>

#include "shell/InstallPaths.h"
#include "tests/support/TempFolder.h"

namespace {

TEST(InstallPaths, RootDropsTheLastTwoComponents)
{
    const struct {
        const char* module;
        const char* root; // null: the null string
    } cases[] = {
        {"C:\\Apps\\Veilbox\\bin\\Veilbox.exe", "C:\\Apps\\Veilbox\\"},
        {"C:\\a\\bin\\Veilbox.exe", "C:\\a\\"},
        {"C:\\bin\\Veilbox.exe", nullptr},
        {"C:\\Veilbox.exe", nullptr},
        {nullptr, nullptr},
    };
    for (const auto& c : cases) {
        const NString root = InstallRootOf(c.module);
        EXPECT_STREQ(c.root, root.Text()) << (c.module ? c.module : "(null)");
    }
}

TEST(InstallPaths, SubFolderIsCreatedOrFallsBackToTheRoot)
{
    TempFolder temp("paths");
    const NString root(temp.Path().c_str());
    const NString bin = InstallSubFolder(root, "bin");
    EXPECT_STREQ((temp / "bin\\").c_str(), bin.Text());
    EXPECT_TRUE(GetFileAttributesA(bin.Text()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(bin, InstallSubFolder(root, "bin"));
    temp.MakeFile("license", "a file, not a folder");
    EXPECT_EQ(root, InstallSubFolder(root, "license"));
}

TEST(InstallPaths, NullRootGivesAFolderRelativeToTheCurrentOne)
{
    TempFolder temp("paths");
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(temp.Path().c_str()));
    const NString bin = InstallSubFolder(NString(), "bin");
    SetCurrentDirectoryA(previous);
    EXPECT_STREQ("bin\\", bin.Text());
    EXPECT_TRUE(TempFolder::Exists(temp / "bin"));
}

TEST(InstallPaths, SplitModulePathAtTheLastBackslash)
{
    const ModuleLocation location = SplitModulePath("C:\\Apps\\bin\\Veilbox.exe");
    EXPECT_STREQ("C:\\Apps\\bin\\", location.folder.Text());
    EXPECT_STREQ("Veilbox.exe", location.file.Text());
    EXPECT_STREQ("", SplitModulePath("Veilbox.exe").folder.Text());
}

}  // namespace
