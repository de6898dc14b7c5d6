// A copy of the real Veilbox.exe in a folder of its own beside a Veilbox.ini: its settings, rules
// and held windows live in that file, a kill and a restart lose no window, the user's key in the
// registry stays exactly as it was, and a file that cannot be written or is damaged costs
// nothing hidden.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "support/TargetWindows.h"
#include "support/TempFolder.h"
#include "support/VeilboxApp.h"

using namespace vbtest;

namespace {

constexpr char kProgramKey[] = "Software\\Quillfen\\Veilbox";

// Every key, value type and data below path, as text.
std::string DumpKey(const std::string& path)
{
    std::string dump = "[" + path + "]\n";
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return dump + "absent\n";
    char name[512];
    BYTE data[4096];
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = sizeof name, size = sizeof data, type = 0;
        if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS)
            break;
        dump += std::string(name) + "=" + std::to_string(type) + ":" + std::string(data, data + size) + "\n";
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = sizeof name;
        if (RegEnumKeyExA(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        dump += DumpKey(path + "\\" + name);
    }
    RegCloseKey(key);
    return dump;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Lines of the file's [Held] section that are records (values named by their number), whatever
// the file's line ends.
int RecordsInFile(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    size_t at = text.find("\n[Held]\n");
    int records = 0;
    while (at != std::string::npos && (at = text.find('\n', at + 1)) != std::string::npos && at + 6 < text.size() &&
           text[at + 1] != '[')
        records += std::string(text, at + 1, 5).find_first_not_of("0123456789") == std::string::npos ? 1 : 0;
    return records;
}

// A dialog of the process other than its main window (a message box), or null.
bool AllVisible(TargetWindows& targets)
{
    for (size_t i = 0; i < targets.Count(); ++i)
        if (!IsWindowVisible(targets[i]))
            return false;
    return true;
}

} // namespace

class Portable : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_settings.Clear();
        // A key of the user's own that a portable copy must leave exactly as it is.
        const DWORD marker = 7;
        RegSetKeyValueA(HKEY_CURRENT_USER, (std::string(kProgramKey) + "\\Interface").c_str(), "Marker", REG_DWORD,
                        &marker, sizeof marker);
        // The language the end-to-end runs pin, stored before the picture is taken: the start of
        // the program under test pins it otherwise, after the picture.
        RegSetKeyValueA(HKEY_CURRENT_USER, (std::string(kProgramKey) + "\\Interface").c_str(), "Language", REG_SZ,
                        "en-US", 6);
        m_registryBefore = DumpKey(kProgramKey);
        ASSERT_TRUE(CopyFileA((BinDir() + "Veilbox.exe").c_str(), Exe().c_str(), FALSE));
    }
    void TearDown() override { EXPECT_EQ(DumpKey(kProgramKey), m_registryBefore) << "the registry untouched"; }

    std::string Exe() const { return m_folder / "Veilbox.exe"; }
    std::string Ini() const { return m_folder / "Veilbox.ini"; }

    RegistryKeyGuard m_settings;
    TempFolder m_folder{"portable"};
    std::string m_registryBefore;
};

// A rule in the file acts; held windows are in the file before they are hidden, a kill and a
// restart take them back, and an exit shows them and leaves no record.
TEST_F(Portable, SettingsRulesAndHeldWindowsLiveInTheFileAndSurviveAKill)
{
    m_folder.MakeFile("Veilbox.ini", "\xEF\xBB\xBF[Rules\\000]\r\nEnabled=1\r\nTitle=\"Portable Ruled*\"\r\nWhen=1\r\n");
    TargetWindows targets("--window --title \"Portable Held\" --count 2 --window --title \"Portable Ruled\"");
    ASSERT_TRUE(targets.Ready());
    {
        VeilboxApp first("", Exe());
        ASSERT_NE(first.MainWindow(), nullptr);
        EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(targets[2]); }, 5000)) << "the file's rule acts";
        ASSERT_TRUE(first.WaitListed("Portable Held 001"));
        ASSERT_TRUE(first.DoubleClick("Portable Held 000") && first.DoubleClick("Portable Held 001")) << first.Failure();
        ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(targets[0]) && !IsWindowVisible(targets[1]); }));
        EXPECT_EQ(RecordsInFile(ReadAll(Ini())), 3) << ReadAll(Ini());
        first.Process().Kill();
    }
    EXPECT_FALSE(IsWindowVisible(targets[0]) || IsWindowVisible(targets[1]) || IsWindowVisible(targets[2]));
    VeilboxApp second("", Exe());
    ASSERT_NE(second.MainWindow(), nullptr);
    {
        // Another portable copy in another folder: still one running copy per session.
        TempFolder other("portable-other");
        ASSERT_TRUE(CopyFileA(Exe().c_str(), (other / "Veilbox.exe").c_str(), FALSE));
        other.MakeFile("Veilbox.ini");
        ChildProcess third;
        ASSERT_TRUE(third.Start(other / "Veilbox.exe"));
        EXPECT_TRUE(third.WaitForExit(10000)) << "a second copy ends";
    }
    ASSERT_TRUE(second.Exit());
    EXPECT_TRUE(WaitFor([&] { return AllVisible(targets); })) << "no window lost";
    const std::string text = ReadAll(Ini());
    EXPECT_EQ(RecordsInFile(text), 0) << text;
    EXPECT_NE(text.find("[Rules\\000]\r\nEnabled=1\r\nTitle=\"Portable Ruled*\"\r\nWhen=1\r\n"), std::string::npos);
    EXPECT_NE(text.find("[MainWindow]\r\n"), std::string::npos) << "the placement kept in the file";
}

// A damaged file starts with defaults; a locked file, then a read-only one, are told about
// once, and the windows held meanwhile are shown at the exit.
TEST_F(Portable, ADamagedFileAndAFileThatCannotBeWrittenLoseNothing)
{
    std::string damaged = "\x01\xFF\xFE junk\n[Interface]\nIconPerWindow=1\n[interface]\nIconPerWindow=0\n[Held\n";
    damaged += "Long=\"" + std::string(3u << 20, 'x') + "\"\n" + std::string("\0\0\x80[Rules\\000]\nWhen=9\n", 22);
    m_folder.MakeFile("Veilbox.ini", damaged);
    TargetWindows targets("--window --title \"Portable Kept\" --count 3");
    ASSERT_TRUE(targets.Ready());
    VeilboxApp app("", Exe());
    ASSERT_NE(app.MainWindow(), nullptr);
    ASSERT_TRUE(app.WaitListed("Portable Kept 002"));
    const std::string before = ReadAll(Ini());
    const HANDLE lock = CreateFileA(Ini().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(app.DoubleClick("Portable Kept 000")) << app.Failure();
    HWND notice = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (notice = app.OtherDialog()) != nullptr; }, 5000)) << "the user is told";
    PostMessageA(notice, WM_COMMAND, IDOK, 0);
    // The notice goes when its owner's thread takes the click: only then can a second one be told apart.
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(notice); }, 5000));
    CloseHandle(lock);
    SetFileAttributesA(Ini().c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(app.DoubleClick("Portable Kept 001")) << app.Failure();
    EXPECT_FALSE(WaitFor([&] { return app.OtherDialog() != nullptr; }, 1500)) << "told once";
    EXPECT_EQ(ReadAll(Ini()), before) << "the old file whole";
    SetFileAttributesA(Ini().c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(app.DoubleClick("Portable Kept 002")) << app.Failure();
    EXPECT_TRUE(WaitFor([&] { return RecordsInFile(ReadAll(Ini())) == 3; })) << "written once it can be";
    ASSERT_TRUE(app.Exit());
    EXPECT_TRUE(WaitFor([&] { return AllVisible(targets); })) << "no window lost";
    const std::string text = ReadAll(Ini());
    EXPECT_EQ(text.compare(0, damaged.size(), damaged), 0) << "every line kept in its place: " << text.substr(0, 200);
    EXPECT_EQ(text.find("\r"), std::string::npos) << "in the file's own line ends";
}
