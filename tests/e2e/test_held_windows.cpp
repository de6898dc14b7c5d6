// Windows held by a copy of the program that was killed are taken back by the next start.
#include <windows.h>

#include <shellapi.h>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <random>
#include <string>

#include "app/held/HeldRecordRead.h"
#include "app/rules/WindowMatch.h"
#include "hotkeys/HotkeyTable.h"
#include "settings/RegistryRead.h"
#include "settings/StateFile.h"
#include "support/TargetWindows.h"
#include "support/TempFolder.h"
#include "support/VeilboxApp.h"

using namespace vbtest;

namespace {

constexpr char kHeldKey[] = "Software\\Quillfen\\Veilbox\\Held";

bool AllHidden(TargetWindows& targets)
{
    for (size_t i = 0; i < targets.Count(); ++i)
        if (IsWindowVisible(targets[i]))
            return false;
    return true;
}

bool AllVisible(TargetWindows& targets)
{
    for (size_t i = 0; i < targets.Count(); ++i)
        if (!IsWindowVisible(targets[i]))
            return false;
    return true;
}

// The names of this version's records (values named by their number).
std::vector<std::string> RecordValueNames()
{
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kHeldKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    NString name;
    DWORD type = 0;
    for (DWORD i = 0; RegistryEnumValue(key, i, name, &type, nullptr) == ERROR_SUCCESS; ++i) {
        if (strspn(name.Text(), "0123456789") == name.Length())
            names.push_back(name.Text());
    }
    RegCloseKey(key);
    return names;
}

// The state file of the portable copy under test; empty while the copy under test keeps its records
// in the registry.
std::string g_stateFile;

// Records of this version and of older ones (sub-keys).
int StoredRecords()
{
    if (!g_stateFile.empty()) {
        StateFileStore state(std::wstring(g_stateFile.begin(), g_stateFile.end()), kHeldKey);
        return static_cast<int>(LoadHeldRecords(state, kHeldKey).size());
    }
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kHeldKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    DWORD count = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr);
    RegCloseKey(key);
    return static_cast<int>(count + RecordValueNames().size());
}

// A record of this version: one value, named by its number.
void WriteValueRecord(const char* name, HWND window, DWORD processId, const char* className, const char* title,
                      const std::vector<HWND>& owned = {})
{
    HeldRecord record;
    record.window = window;
    record.processId = processId;
    record.processCreated = ProcessCreationTime(processId);
    record.className = className;
    record.title = title;
    record.owned = owned;
    const NString text = PackHeldRecord(record);
    RegSetKeyValueA(HKEY_CURRENT_USER, kHeldKey, name, REG_SZ, text.Text(), text.Length() + 1);
}

// owned: the record's owned windows as stored, handles in decimal separated by blanks.
void WriteRecord(int index, HWND window, DWORD processId, const char* className, const char* title,
                 unsigned long long created = 0, const std::string& owned = "")
{
    char path[128];
    snprintf(path, sizeof path, "%s\\%05d", kHeldKey, index);
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    std::string handle = std::to_string(reinterpret_cast<UINT_PTR>(window));
    RegSetValueExA(key, "ProcessId", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&processId), sizeof processId);
    const std::string createdText = std::to_string(created);
    RegSetValueExA(key, "ProcessCreated", 0, REG_SZ, reinterpret_cast<const BYTE*>(createdText.c_str()),
                   createdText.size() + 1);
    RegSetValueExA(key, "Class", 0, REG_SZ, reinterpret_cast<const BYTE*>(className), strlen(className) + 1);
    RegSetValueExA(key, "Title", 0, REG_SZ, reinterpret_cast<const BYTE*>(title), strlen(title) + 1);
    if (!owned.empty())
        RegSetValueExA(key, "Owned", 0, REG_SZ, reinterpret_cast<const BYTE*>(owned.c_str()), owned.size() + 1);
    RegSetValueExA(key, "Window", 0, REG_SZ, reinterpret_cast<const BYTE*>(handle.c_str()), handle.size() + 1);
    RegCloseKey(key);
}

// Names the copy of the program that wrote the records.
void WriteOwner(DWORD processId, unsigned long long created)
{
    const std::string createdText = std::to_string(created);
    RegSetKeyValueA(HKEY_CURRENT_USER, kHeldKey, "OwnerProcessId", REG_DWORD, &processId, sizeof processId);
    RegSetKeyValueA(HKEY_CURRENT_USER, kHeldKey, "OwnerCreated", REG_SZ, createdText.c_str(),
                    static_cast<DWORD>(createdText.size() + 1));
}

} // namespace

class HeldWindows : public ::testing::Test {
protected:
    void SetUp() override { m_settings.Clear(); }
    RegistryKeyGuard m_settings;
};

// The last window owns one more, which goes and comes back with it.
TEST_F(HeldWindows, AKilledCopyLosesNoWindow)
{
    TargetWindows targets("--window --title \"Held Window\" --count 10 --window --title \"Held Owned\" --owned-by 9");
    ASSERT_TRUE(targets.Ready());
    ASSERT_EQ(targets.Count(), 11u);
    {
        VeilboxApp first;
        ASSERT_TRUE(first.WaitListed("Held Window 009"));
        for (int i = 0; i < 10; ++i) {
            std::string title = "Held Window 00" + std::to_string(i);
            ASSERT_TRUE(first.DoubleClick(title.c_str())) << title << " " << first.Failure();
        }
        ASSERT_TRUE(WaitFor([&] { return AllHidden(targets); }));
        EXPECT_EQ(StoredRecords(), 10);
        first.Process().Kill();
    }
    EXPECT_TRUE(AllHidden(targets));

    // With a tray icon per hidden window, the windows taken back get theirs (a new copy hands
    // out the entries' ids from 4000 on).
    DWORD on = 1;
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Quillfen\\Veilbox\\Interface", "IconPerWindow", REG_DWORD, &on,
                    sizeof on);
    VeilboxApp second;
    ASSERT_NE(second.MainWindow(), nullptr);
    EXPECT_TRUE(AllHidden(targets)) << "taken back, the windows stay hidden";
    for (UINT id = 0x10000 + 4000; id < 0x10000 + 4010; ++id) {
        NOTIFYICONDATAW record = {static_cast<DWORD>(NOTIFYICONDATAW_V1_SIZE), second.MainWindow(), id};
        EXPECT_TRUE(WaitFor([&] { return Shell_NotifyIconW(NIM_MODIFY, &record) != FALSE; })) << id;
    }
    ASSERT_TRUE(second.ChooseTopMenuEntry());
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(targets[9]) != FALSE; })) << "the newest is on top";
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(targets[10]) != FALSE; })) << "its owned window with it";
    EXPECT_TRUE(WaitFor([&] { return StoredRecords() == 9; }));

    ASSERT_TRUE(second.Exit());
    EXPECT_TRUE(AllVisible(targets)) << "all ten were in the menu";
    EXPECT_EQ(StoredRecords(), 0) << "a normal end leaves no records";
}

// Of a record's owned windows only those still hidden and owned by its window in its process
// are shown with it: a handle reused for another window is left alone. A window recorded in both
// forms (a copy killed between writing its record anew and removing the old form) is taken back
// once, with the owned windows of both, under the newest record's number, the greatest there is:
// the next hide numbers the records afresh.
TEST_F(HeldWindows, RecordsOfOtherProcessesOrVisibleWindowsAreDropped)
{
    // A hidden window of this process, recorded as if another process owned it: its handle
    // has been reused.
    HWND reused = CreateWindowExA(0, "STATIC", "Reused Handle", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    TargetWindows targets("--window --title \"Shown Meanwhile\" --window --title \"Held Owner\" --hidden"
                          " --window --title \"Owned Kept\" --owned-by 1 --hidden"
                          " --window --title \"Owned Elsewhere\" --owned --hidden"
                          " --window --title \"Owned In Newer\" --owned-by 1 --hidden"
                          " --window --title \"Hidden Next\"");
    ASSERT_TRUE(targets.Ready());
    const auto handle = [](HWND window) { return std::to_string(reinterpret_cast<UINT_PTR>(window)); };
    WriteRecord(0, reused, GetCurrentProcessId() + 4, "Static", "Reused Handle");
    WriteRecord(1, targets[0], targets.Process().Id(), "VbTestWin", "Shown Meanwhile");
    WriteRecord(2, reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x7FFFFFF0)), 1234, "Gone", "Gone");
    WriteRecord(3, targets[1], targets.Process().Id(), "VbTestWin", "Held Owner",
                ProcessCreationTime(targets.Process().Id()),
                handle(targets[2]) + " " + handle(targets[3]) + " " + handle(reused) + " 2147483632 x " +
                    handle(targets[1]));
    WriteValueRecord("99999999", targets[1], targets.Process().Id(), "VbTestWin", "Held Owner", {targets[4]});

    VeilboxApp app;
    ASSERT_NE(app.MainWindow(), nullptr);
    EXPECT_TRUE(WaitFor([] { return StoredRecords() == 1; }));
    EXPECT_EQ(RecordValueNames(), std::vector<std::string>{"99999999"});
    EXPECT_FALSE(IsWindowVisible(targets[2]) || IsWindowVisible(targets[4])) << "owned windows stay with their owner";
    ASSERT_TRUE(app.WaitListed("Hidden Next"));
    ASSERT_TRUE(app.DoubleClick("Hidden Next")) << app.Failure();
    EXPECT_TRUE(WaitFor([] { return RecordValueNames() == std::vector<std::string>{"00000", "00001"}; }))
        << "numbered afresh";
    ASSERT_TRUE(app.Exit());
    EXPECT_TRUE(WaitFor([&] {
        return IsWindowVisible(targets[1]) && IsWindowVisible(targets[2]) && IsWindowVisible(targets[4]) &&
               IsWindowVisible(targets[5]);
    })) << "owner and the owned windows of both records shown at exit";
    EXPECT_FALSE(IsWindowVisible(targets[3])) << "owned by another window";
    EXPECT_FALSE(IsWindowVisible(reused)) << "a window of another process is left alone";
    DestroyWindow(reused);
}

TEST_F(HeldWindows, RecordsOfACopyThatStillRunsAreLeftToIt)
{
    TargetWindows targets("--window --title \"Held Elsewhere\" --hidden");
    ASSERT_TRUE(targets.Ready());
    const unsigned long long helperCreated = ProcessCreationTime(targets.Process().Id());
    // This test process stands in for the copy that wrote the records.
    const unsigned long long ownCreated = ProcessCreationTime(GetCurrentProcessId());
    const struct {
        const char* what;
        bool named;
        unsigned long long ownerCreated;
        bool adopted;
    } cases[] = {
        {"records that name no copy (older versions)", false, 0, true},
        {"the copy that wrote them still runs", true, ownCreated, false},
        {"that copy has ended and its id was reused", true, ownCreated + 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_settings.Clear();
        ShowWindow(targets[0], SW_HIDE);
        WriteRecord(0, targets[0], targets.Process().Id(), "VbTestWin", "Held Elsewhere", helperCreated);
        if (c.named)
            WriteOwner(GetCurrentProcessId(), c.ownerCreated);
        {
            VeilboxApp app;
            ASSERT_NE(app.MainWindow(), nullptr);
            ASSERT_TRUE(app.Exit());
        }
        EXPECT_EQ(IsWindowVisible(targets[0]) != FALSE, c.adopted) << "shown at exit when it was taken";
        EXPECT_EQ(StoredRecords(), c.adopted ? 0 : 1);
    }
}

// A copy that finds the records claimed by another running copy (one that claimed them after it
// started) writes none of its own over them: it keeps them in memory, and shows its windows at
// its end as ever.
TEST_F(HeldWindows, ACopyStartedBesideTheOwnerWritesNoRecord)
{
    TargetWindows targets("--window --title \"Owner's Window\" --hidden --window --title \"Second Copy's Window\"");
    ASSERT_TRUE(targets.Ready());
    VeilboxApp app;
    ASSERT_TRUE(app.WaitListed("Second Copy's Window"));
    // This test process stands in for the copy that claimed the records meanwhile.
    WriteOwner(GetCurrentProcessId(), ProcessCreationTime(GetCurrentProcessId()));
    WriteValueRecord("00000", targets[0], targets.Process().Id(), "VbTestWin", "Owner's Window");
    const std::string before = [] {
        char text[512] = {};
        DWORD size = sizeof text;
        RegGetValueA(HKEY_CURRENT_USER, kHeldKey, "00000", RRF_RT_REG_SZ, nullptr, text, &size);
        return std::string(text);
    }();

    ASSERT_TRUE(app.DoubleClick("Second Copy's Window")) << app.Failure();
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(targets[1]); }));
    DWORD owner = 0, size = sizeof owner;
    RegGetValueA(HKEY_CURRENT_USER, kHeldKey, "OwnerProcessId", RRF_RT_REG_DWORD, nullptr, &owner, &size);
    EXPECT_EQ(owner, GetCurrentProcessId());
    char after[512] = {};
    size = sizeof after;
    RegGetValueA(HKEY_CURRENT_USER, kHeldKey, "00000", RRF_RT_REG_SZ, nullptr, after, &size);
    EXPECT_EQ(before, after);
    EXPECT_EQ(StoredRecords(), 1);

    ASSERT_TRUE(app.Exit());
    EXPECT_TRUE(IsWindowVisible(targets[1]));
    EXPECT_FALSE(IsWindowVisible(targets[0])) << "the other copy's window is left to it";
    EXPECT_EQ(StoredRecords(), 1);
}

TEST_F(HeldWindows, AQuitRequestEndsTheProgramWithinASecondWhateverIsOpen)
{
    TargetWindows targets("--window --title \"Held At Quit\" --window --title \"Refuses\" --refuse-hide");
    ASSERT_TRUE(targets.Ready());
    using Opener = std::function<HWND(VeilboxApp&)>;
    const struct {
        const char* what;
        Opener open;
    } cases[] = {
        {"About", [](VeilboxApp& app) {
             PostMessageA(app.MainWindow(), WM_COMMAND, 1001, 0);
             HWND about = nullptr;
             WaitFor([&] { return (about = app.OtherDialog()) != nullptr; });
             return about;
         }},
        {"Change Key Bindings over Hot Key", [](VeilboxApp& app) {
             PostMessageA(app.MainWindow(), WM_COMMAND, 1003, 0);
             HWND hotkey = WaitForTopWindow({app.Process().Id(), "Hot Key", "#32770", true}, 5000);
             PostMessageA(hotkey, WM_COMMAND, 1006, 0);
             return WaitForTopWindow({app.Process().Id(), "Change Key Bindings", "#32770", true}, 5000);
         }},
        {"the menu", [](VeilboxApp& app) {
             PostMessageA(app.MainWindow(), kTrayCallbackMessage, 0, WM_RBUTTONUP);
             return WaitForTopWindow({app.Process().Id(), nullptr, "#32768", true}, 5000);
         }},
        {"the refused-hide message", [](VeilboxApp& app) {
             if (!app.WaitListed("Refuses") || !app.Select(app.IndexOf("Refuses")))
                 return HWND{};
             PostMessageA(app.MainWindow(), WM_COMMAND, MAKEWPARAM(1000, LBN_DBLCLK),
                          reinterpret_cast<LPARAM>(app.List()));
             HWND box = nullptr;
             WaitFor([&] { return (box = app.OtherDialog()) != nullptr; });
             return box;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        VeilboxApp app;
        ASSERT_TRUE(app.WaitListed("Held At Quit"));
        ASSERT_TRUE(app.DoubleClick("Held At Quit")) << app.Failure();
        ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(targets[0]); }));
        ASSERT_NE(c.open(app), nullptr);

        ChildProcess quit;
        const ULONGLONG asked = GetTickCount64();
        ASSERT_TRUE(quit.Start("Veilbox.exe", "uninstall"));
        EXPECT_TRUE(app.Process().WaitForExit(3000));
        EXPECT_LT(GetTickCount64() - asked, 3000u);
        EXPECT_TRUE(quit.WaitForExit());
        EXPECT_EQ(quit.ExitCode(), 0u);
        EXPECT_TRUE(IsWindowVisible(targets[0]));
    }
}

// Whatever a copy was doing when it was killed, the next start takes back every window it held
// or shows it: a window's record is written before it is hidden, and an owned window is shown
// even when its owner was shown by its program meanwhile. Each row runs with the records in the
// registry, in the state file of a portable copy, or both.
TEST_F(HeldWindows, AKillAtAnyStepOfAHideLosesNoWindow)
{
    enum Copies { kRegistry = 1, kPortable = 2, kBoth = 3 };
    TempFolder folder("held-portable");
    const std::string exe = folder / "Veilbox.exe", ini = folder / "Veilbox.ini";
    ASSERT_TRUE(CopyFileA((BinDir() + "Veilbox.exe").c_str(), exe.c_str(), FALSE));
    folder.MakeFile("Veilbox.ini", "[Interface]\r\nLanguage=\"en-US\"\r\n");
    HANDLE lock = INVALID_HANDLE_VALUE;
    const struct {
        const char* what;
        const char* windows;
        // Leaves the first copy at the moment it is killed.
        std::function<bool(VeilboxApp&, TargetWindows&)> hide;
        // What the program does while no copy runs.
        std::function<void(TargetWindows&)> meanwhile;
        // What happens once the next copy has started, before it ends.
        std::function<void(TargetWindows&)> then;
        int copies = kBoth;
        // What another program does before the first copy starts.
        std::function<void()> before;
    } cases[] = {
        {"killed while Hide Program's message about a refusing window is up",
         "--window --title \"Plain Of Program\" --window --title \"Refuses Of Program\" --refuse-hide",
         [](VeilboxApp& app, TargetWindows& targets) {
             if (!app.WaitListed("Plain Of Program") || !ClickToFront(targets[0]))
                 return false;
             PostMessageA(app.MainWindow(), WM_COMMAND, kHideProgramHotkeyId, 0);
             return WaitFor([&] { return app.OtherDialog() != nullptr; }) &&
                    !IsWindowVisible(targets[0]);
         },
         nullptr},
        {"the owner shown by its program while no copy ran",
         "--window --title \"Owner Of Tool\" --window --title \"Tool Of Owner\" --owned-by 0 --toolwindow",
         [](VeilboxApp& app, TargetWindows& targets) {
             return app.WaitListed("Owner Of Tool") && app.DoubleClick("Owner Of Tool") &&
                    WaitFor([&] { return AllHidden(targets); });
         },
         [](TargetWindows& targets) { ShowWindow(targets[0], SW_SHOWNA); }, nullptr},
        {"killed while the hide waits for a busy program, which takes it after the next start",
         "--hang-after-ms 1500 --wake-after-ms 8000 --window --title \"Busy When Killed\"",
         [](VeilboxApp& app, TargetWindows& targets) {
             return app.WaitListed("Busy When Killed") && WaitHung(targets[0]) &&
                    app.DoubleClick("Busy When Killed") && WaitFor([] { return StoredRecords() == 1; }) &&
                    IsWindowVisible(targets[0]);
         },
         nullptr,
         [](TargetWindows& targets) {
             EXPECT_TRUE(IsWindowVisible(targets[0]) && !Answers(targets[0])) << "the program woke too early";
             EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(targets[0]); }, 15000)) << "the queued hide taken";
             EXPECT_TRUE(WaitFor([] { return StoredRecords() == 1; })) << "and its record kept";
         }},
        {"the Held key deleted under the running copy before its next hide",
         "--window --title \"Before Deletion\" --window --title \"After Deletion\"",
         [](VeilboxApp& app, TargetWindows& targets) {
             if (!app.WaitListed("After Deletion") || !app.DoubleClick("Before Deletion") ||
                 !WaitFor([&] { return !IsWindowVisible(targets[0]); }) ||
                 RegDeleteTreeA(HKEY_CURRENT_USER, kHeldKey) != ERROR_SUCCESS)
                 return false;
             return app.DoubleClick("After Deletion") && WaitFor([&] { return AllHidden(targets); }) &&
                    StoredRecords() == 2;
         },
         nullptr, [](TargetWindows& targets) { EXPECT_TRUE(AllHidden(targets)) << "both taken back"; }, kRegistry},
        {"an older Veilbox.ini saved over the file between two hides, as an editor or a sync tool does",
         "--window --title \"Saved A\" --window --title \"Saved B\" --window --title \"Saved C\"",
         [&](VeilboxApp& app, TargetWindows& targets) {
             if (!app.WaitListed("Saved C") || !app.DoubleClick("Saved A") ||
                 !WaitFor([&] { return !IsWindowVisible(targets[0]); }))
                 return false;
             std::ifstream in(ini, std::ios::binary);
             const std::string older((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
             in.close();
             if (!app.DoubleClick("Saved B") || !WaitFor([&] { return !IsWindowVisible(targets[1]); }))
                 return false;
             std::ofstream(ini, std::ios::binary | std::ios::trunc) << older;
             return app.DoubleClick("Saved C") && WaitFor([&] { return AllHidden(targets); }) && StoredRecords() == 3;
         },
         nullptr, [](TargetWindows& targets) { EXPECT_TRUE(AllHidden(targets)) << "all three taken back"; }, kPortable},
        {"the state file locked by another program as the copy starts, free again before its second hide",
         "--window --title \"Locked A\" --window --title \"Locked B\"",
         [&](VeilboxApp& app, TargetWindows& targets) {
             // The notice may come before the main dialog shows, with the same title.
             HWND notice = nullptr;
             const bool told = WaitFor([&] {
                 notice = FindTopWindow({app.Process().Id(), nullptr, "#32770", true});
                 return notice && !GetDlgItem(notice, 1000);
             });
             if (told)
                 PostMessageA(notice, WM_COMMAND, IDOK, 0);
             const bool first = told && WaitFor([&] { return !IsWindow(notice); }) && app.WaitListed("Locked B") &&
                                app.DoubleClick("Locked A") &&
                                WaitFor([&] { return !IsWindowVisible(targets[0]); });
             CloseHandle(lock);
             return first && app.DoubleClick("Locked B") && WaitFor([&] { return AllHidden(targets); }) &&
                    StoredRecords() == 2;
         },
         nullptr, [](TargetWindows& targets) { EXPECT_TRUE(AllHidden(targets)) << "both taken back"; }, kPortable,
         [&] { lock = CreateFileA((folder / "Veilbox.held").c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS, 0, nullptr); }},
    };
    for (const int copy : {kRegistry, kPortable}) {
        for (const auto& c : cases) {
            if (!(c.copies & copy))
                continue;
            SCOPED_TRACE(std::string(copy == kPortable ? "portable: " : "") + c.what);
            m_settings.Clear();
            g_stateFile = copy == kPortable ? folder / "Veilbox.held" : "";
            TargetWindows targets(c.windows);
            ASSERT_TRUE(targets.Ready());
            if (c.before)
                c.before();
            {
                VeilboxApp first("", copy == kPortable ? exe : "Veilbox.exe");
                ASSERT_TRUE(c.hide(first, targets)) << first.Failure();
                first.Process().Kill();
            }
            if (c.meanwhile)
                c.meanwhile(targets);
            VeilboxApp second("", copy == kPortable ? exe : "Veilbox.exe");
            ASSERT_NE(second.MainWindow(), nullptr);
            if (c.then)
                c.then(targets);
            ASSERT_TRUE(second.Exit());
            EXPECT_TRUE(WaitFor([&] { return AllVisible(targets); })) << "no window lost";
            EXPECT_EQ(StoredRecords(), 0);
        }
    }
    g_stateFile.clear();
}

// Kills at random moments while a command hides many windows, one of them with an owned window:
// wherever the kill falls, every window is visible once the next start has ended.
TEST_F(HeldWindows, KillsAtRandomMomentsOfManyHidesLoseNoWindow)
{
    constexpr int kWindows = 24;
    constexpr int kRounds = 4;
    TargetWindows targets("--window --title \"Many Held\" --count 24 --window --title \"Many Owned\" --owned-by 23");
    ASSERT_TRUE(targets.Ready());
    const unsigned seed = static_cast<unsigned>(GetTickCount64());
    std::mt19937 random(seed);
    for (int round = 0; round < kRounds; ++round) {
        // The kill comes once this many windows are hidden, in turn early and late in the batch;
        // once one is, the command has reached the copy and starts no other.
        const int killAfter = 1 + static_cast<int>(random() % (kWindows / 2)) + (round % 2) * (kWindows / 2);
        SCOPED_TRACE("seed " + std::to_string(seed) + ", round " + std::to_string(round) + ", kill after " +
                     std::to_string(killAfter) + " hides");
        {
            VeilboxApp first;
            ASSERT_NE(first.MainWindow(), nullptr);
            ChildProcess hide;
            ASSERT_TRUE(hide.Start("Veilbox.exe", "hide --title-like \"Many Held*\""));
            ASSERT_TRUE(WaitFor([&] {
                int hidden = 0;
                for (int i = 0; i < kWindows; ++i)
                    hidden += IsWindowVisible(targets[i]) ? 0 : 1;
                return hidden >= killAfter;
            }, 10000)) << "the command hid too few windows to kill in the middle";
            first.Process().Kill();
            hide.Kill();
        }
        VeilboxApp second;
        ASSERT_NE(second.MainWindow(), nullptr);
        ASSERT_TRUE(second.Exit());
        ASSERT_TRUE(WaitFor([&] { return AllVisible(targets); })) << "no window lost";
        EXPECT_EQ(StoredRecords(), 0);
    }
}
