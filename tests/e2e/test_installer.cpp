// The packages of build/dist with the real programs: the installer installs, updates and
// removes Window Veilbox silently; the portable zip holds the program as it expects to live.
#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "e2e/Packages.h"
#include "support/TargetWindows.h"
#include "support/TestSupport.h"
#include "vb_version.h"

using namespace vbtest;

namespace {

constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WindowVeilbox";
constexpr char kSettingsKey[] = "Software\\Quillfen\\Veilbox";
constexpr char kLinkName[] = "Window Veilbox.lnk";

std::string ReadText(HKEY root, const char* key, const char* name)
{
    char value[1024] = {};
    DWORD size = sizeof value;
    if (RegGetValueA(root, key, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return "<missing>";
    return value;
}

bool KeyExists(HKEY root, const char* key)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}

// The file a shell link points at, or "" when it cannot be read.
std::string ShortcutTarget(const std::string& link)
{
    std::string target;
    IShellLinkA* shell = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&shell))))
        return target;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        std::wstring wide(link.begin(), link.end());
        char path[MAX_PATH] = {};
        if (SUCCEEDED(file->Load(wide.c_str(), STGM_READ)) &&
            SUCCEEDED(shell->GetPath(path, MAX_PATH, nullptr, 0)))
            target = path;
        file->Release();
    }
    shell->Release();
    return target;
}

// The process's visible About dialog: the dialog besides the main one that has the title line.
HWND AboutWindow(DWORD processId, HWND main)
{
    struct Search { DWORD processId; HWND main; HWND found; } search{processId, main, nullptr};
    EnumWindows([](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid == s->processId && window != s->main && IsWindowVisible(window) && GetDlgItem(window, 1002))
            s->found = window;
        return s->found == nullptr;
    }, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Where one kind of install puts things: per machine by default, per user with /CURRENTUSER.
struct InstallMode {
    const char* name;
    const char* setupArgs;
    HKEY registryRoot;
    std::string root;      // install folder, with a trailing backslash
    std::string startMenu; // Programs folder of the Start menu that gets the shortcut
};

InstallMode PerMachine()
{
    return {"per machine", "", HKEY_LOCAL_MACHINE, ShellFolder(CSIDL_PROGRAM_FILES) + "\\Window Veilbox\\",
            ShellFolder(CSIDL_COMMON_PROGRAMS)};
}

InstallMode PerUser()
{
    return {"per user", "/CURRENTUSER", HKEY_CURRENT_USER,
            ShellFolder(CSIDL_LOCAL_APPDATA) + "\\Programs\\Window Veilbox\\", ShellFolder(CSIDL_PROGRAMS)};
}

bool UninstallerRunning()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32First(snapshot, &entry); more && !found; more = Process32Next(snapshot, &entry))
        found = _stricmp(entry.szExeFile, "Un.exe") == 0 || _stricmp(entry.szExeFile, "Au_.exe") == 0;
    CloseHandle(snapshot);
    return found;
}

bool RunSetup(const InstallMode& mode)
{
    ChildProcess setup;
    return setup.Start(Package("-setup.exe"), std::string("/S ") + mode.setupArgs) &&
           setup.WaitForExit(60000) && setup.ExitCode() == 0;
}

// uninstall.exe hands over to a copy of itself in the temporary folder (Un.exe; Au_.exe before
// NSIS 3) and returns at once:
// the uninstall has finished when that copy has ended and the install folder, which it removes
// last, is gone.
bool RunUninstall(const InstallMode& mode, const std::string& args = "")
{
    ChildProcess uninstall;
    if (!uninstall.Start(mode.root + "uninstall.exe", "/S " + args) || !uninstall.WaitForExit(30000))
        return false;
    return WaitFor([&] { return !UninstallerRunning() && !Exists(mode.root); }, 30000);
}

// The installed Veilbox.exe, started by its full path.
class InstalledCopy {
public:
    explicit InstalledCopy(const InstallMode& mode) { m_process.Start(mode.root + "bin\\Veilbox.exe"); }

    HWND Main()
    {
        if (!m_main)
            m_main = WaitForTopWindow({m_process.Id(), "Window Veilbox", "#32770", true}, 15000);
        return m_main;
    }

    // Hides the listed window into the menu as a double click on its entry does.
    bool Hide(const char* title)
    {
        HWND list = GetDlgItem(Main(), 1000);
        LRESULT index = LB_ERR;
        WaitFor([&] {
            return SendWithin(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(title),
                              &index) && index != LB_ERR;
        });
        if (index == LB_ERR)
            return false;
        return SendWithin(list, LB_SETCURSEL, index, 0) &&
               SendWithin(Main(), WM_COMMAND, MAKEWPARAM(1000, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
    }

    ChildProcess& Process() { return m_process; }

private:
    ChildProcess m_process;
    HWND m_main = nullptr;
};

class Installer : public ::testing::Test {
protected:
    void SetUp() override
    {
#ifndef VB_PACKAGES_BUILT
        GTEST_SKIP() << "this build makes no packages (makensis, zip or bash missing)";
#endif
        ASSERT_TRUE(Exists(Package("-setup.exe"))) << Package("-setup.exe");
    }

    // No install and no Startup shortcut outlives its test.
    void TearDown() override
    {
        for (const InstallMode& mode : {PerMachine(), PerUser()})
            if (Exists(mode.root + "uninstall.exe"))
                RunUninstall(mode);
        for (int csidl : {CSIDL_STARTUP, CSIDL_COMMON_STARTUP})
            DeleteFileA((ShellFolder(csidl) + "\\" + kLinkName).c_str());
    }

    // Starts the installed program and hides both target windows into its menu.
    void HoldBothWindows(InstalledCopy& copy, TargetWindows& targets)
    {
        ASSERT_NE(copy.Main(), nullptr);
        ASSERT_TRUE(copy.Hide("Veilbox Package One"));
        ASSERT_TRUE(copy.Hide("Veilbox Package Two"));
        for (size_t i = 0; i < 2; ++i)
            ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(targets[i]); })) << i;
    }

    // The running copy has ended and given both windows back.
    void ExpectReleased(InstalledCopy& copy, TargetWindows& targets)
    {
        EXPECT_TRUE(copy.Process().WaitForExit(15000));
        for (size_t i = 0; i < 2; ++i)
            EXPECT_TRUE(IsWindowVisible(targets[i])) << i;
    }

    RegistryKeyGuard m_settings;
};

} // namespace

TEST_F(Installer, SilentInstallLaysOutTheProgramAndRegistersIt)
{
    for (const InstallMode& mode : {PerMachine(), PerUser()}) {
        SCOPED_TRACE(mode.name);
        ASSERT_TRUE(RunSetup(mode));

        EXPECT_EQ(FileSize(mode.root + "bin\\Veilbox.exe"), FileSize(BinDir() + "Veilbox.exe"));
        EXPECT_GT(FileSize(mode.root + "license\\license.txt"), 0);
        EXPECT_TRUE(Exists(mode.root + "uninstall.exe"));
        // An installed copy keeps its settings in the registry: no settings file beside it.
        EXPECT_FALSE(Exists(mode.root + "bin\\Veilbox.ini"));
        EXPECT_EQ(_stricmp(ShortcutTarget(mode.startMenu + "\\Window Veilbox.lnk").c_str(),
                           (mode.root + "bin\\Veilbox.exe").c_str()), 0);

        const std::string folder = mode.root.substr(0, mode.root.size() - 1);
        const std::string uninstaller = "\"" + mode.root + "uninstall.exe\"";
        const std::pair<const char*, std::string> values[] = {
            {"DisplayName", "Window Veilbox"},
            {"DisplayVersion", VB_VERSION_DOT_STR},
            {"Publisher", "Quillfen"},
            {"DisplayIcon", mode.root + "bin\\Veilbox.exe,0"},
            {"InstallLocation", folder},
            {"UninstallString", uninstaller},
            {"QuietUninstallString", uninstaller + " /S"},
        };
        for (const auto& value : values)
            EXPECT_EQ(ReadText(mode.registryRoot, kUninstallKey, value.first), value.second) << value.first;
        for (const char* name : {"NoModify", "NoRepair", "EstimatedSize"}) {
            DWORD number = 0, size = sizeof number;
            EXPECT_EQ(RegGetValueA(mode.registryRoot, kUninstallKey, name, RRF_RT_REG_DWORD, nullptr,
                                   &number, &size), ERROR_SUCCESS) << name;
            EXPECT_GT(number, 0u) << name;
        }

        ASSERT_TRUE(RunUninstall(mode));
        EXPECT_FALSE(Exists(mode.startMenu + "\\Window Veilbox.lnk"));
        EXPECT_FALSE(KeyExists(mode.registryRoot, kUninstallKey));
    }
}

TEST_F(Installer, InstalledProgramStartsAndShowsItsLicence)
{
    const InstallMode mode = PerMachine();
    ASSERT_TRUE(RunSetup(mode));
    InstalledCopy copy(mode);
    HWND main = copy.Main();
    ASSERT_NE(main, nullptr);

    // The About dialog has its licence text area only when license\license.txt was found.
    PostMessageA(main, WM_COMMAND, 1001, 0);
    HWND about = nullptr;
    WaitFor([&] { return (about = AboutWindow(copy.Process().Id(), main)) != nullptr; }, 10000);
    ASSERT_NE(about, nullptr);
    EXPECT_NE(GetDlgItem(about, 1000), nullptr);
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(about); }));

    ChildProcess quit;
    ASSERT_TRUE(quit.Start(mode.root + "bin\\Veilbox.exe", "uninstall"));
    EXPECT_TRUE(quit.WaitForExit());
    EXPECT_TRUE(copy.Process().WaitForExit());
}

TEST_F(Installer, UpdateEndsTheRunningCopyWhichShowsItsWindowsAgain)
{
    const InstallMode mode = PerMachine();
    ASSERT_TRUE(RunSetup(mode));
    TargetWindows targets("--window --title \"Veilbox Package One\" --window --title \"Veilbox Package Two\"");
    ASSERT_TRUE(targets.Ready());
    InstalledCopy copy(mode);
    HoldBothWindows(copy, targets);

    ASSERT_TRUE(RunSetup(mode));
    ExpectReleased(copy, targets);
    EXPECT_EQ(FileSize(mode.root + "bin\\Veilbox.exe"), FileSize(BinDir() + "Veilbox.exe"));
}

TEST_F(Installer, UninstallEndsTheRunningCopyWhichShowsItsWindowsAgain)
{
    const InstallMode mode = PerMachine();
    ASSERT_TRUE(RunSetup(mode));
    TargetWindows targets("--window --title \"Veilbox Package One\" --window --title \"Veilbox Package Two\"");
    ASSERT_TRUE(targets.Ready());
    InstalledCopy copy(mode);
    HoldBothWindows(copy, targets);

    ASSERT_TRUE(RunUninstall(mode));
    ExpectReleased(copy, targets);
}

TEST_F(Installer, ACopyThatDoesNotEndStopsSilentSetupAndUninstallBeforeAnyChange)
{
    const InstallMode mode = PerMachine();
    ASSERT_TRUE(RunSetup(mode));
    InstalledCopy copy(mode);
    ASSERT_NE(copy.Main(), nullptr);
    // The setup writes its Apps entry after the files: an older version left there means
    // nothing was replaced.
    ASSERT_EQ(RegSetKeyValueA(mode.registryRoot, kUninstallKey, "DisplayVersion", REG_SZ, "0.9", 4), ERROR_SUCCESS);
    {
        ProcessFreeze freeze(copy.Process().Id());
        ASSERT_TRUE(freeze.Frozen());
        ChildProcess setup;
        ASSERT_TRUE(setup.Start(Package("-setup.exe"), "/S"));
        ASSERT_TRUE(setup.WaitForExit(30000)) << "the setup waits 10 s, then gives up";
        EXPECT_EQ(setup.ExitCode(), 2u);
        EXPECT_EQ(ReadText(mode.registryRoot, kUninstallKey, "DisplayVersion"), "0.9");

        ChildProcess uninstall;
        ASSERT_TRUE(uninstall.Start(mode.root + "uninstall.exe", "/S"));
        ASSERT_TRUE(uninstall.WaitForExit(30000));
        EXPECT_TRUE(WaitFor([] { return !UninstallerRunning(); }, 30000));
        for (const char* file : {"uninstall.exe", "bin\\Veilbox.exe", "license\\license.txt"})
            EXPECT_TRUE(Exists(mode.root + file)) << file;
        EXPECT_TRUE(KeyExists(mode.registryRoot, kUninstallKey));
    }
    copy.Process().Kill();
}

TEST_F(Installer, UninstallRemovesStartupShortcutsAndKeepsSettingsUnlessAsked)
{
    const struct {
        const char* args;
        bool settingsKept;
    } cases[] = {{"", true}, {"/REMOVESETTINGS", false}};
    const InstallMode mode = PerMachine();
    const std::string startups[] = {ShellFolder(CSIDL_STARTUP), ShellFolder(CSIDL_COMMON_STARTUP)};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        ASSERT_TRUE(RunSetup(mode));
        ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKey, "CloseToTray", REG_DWORD,
                                  "\1\0\0\0", 4), ERROR_SUCCESS);
        for (const std::string& folder : startups) {
            FILE* link = fopen((folder + "\\" + kLinkName).c_str(), "wb");
            ASSERT_NE(link, nullptr) << folder;
            fclose(link);
        }

        ASSERT_TRUE(RunUninstall(mode, c.args));
        for (const std::string& folder : startups)
            EXPECT_FALSE(Exists(folder + "\\" + kLinkName)) << folder;
        EXPECT_EQ(KeyExists(HKEY_CURRENT_USER, kSettingsKey), c.settingsKept);
    }
}
