// Broken settings and stray messages from other programs never take the program down, never
// make it act, and never change what the user stored.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>
#include <string>
#include <vector>

#include "app/command/CommandWire.h"
#include "settings/RegistryRead.h"
#include "support/TargetWindows.h"
#include "support/TempFolder.h"
#include "support/VeilboxApp.h"

using namespace vbtest;

namespace {

struct Value {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    bool operator==(const Value& other) const { return type == other.type && data == other.data; }
};

// Every value of a key and its sub-keys, by "sub\name".
using Snapshot = std::map<std::string, Value>;

void Collect(HKEY root, const std::string& path, const std::string& prefix, Snapshot& out)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    NString name;
    Value value;
    for (DWORD i = 0; RegistryEnumValue(key, i, name, &value.type, &value.data) == ERROR_SUCCESS; ++i)
        out[prefix + name.Text()] = value;
    std::vector<std::string> subKeys;
    for (DWORD i = 0; RegistryEnumKey(key, i, name) == ERROR_SUCCESS; ++i)
        subKeys.push_back(name.Text());
    RegCloseKey(key);
    for (const std::string& sub : subKeys)
        Collect(root, path + "\\" + sub, prefix + sub + "\\", out);
}

void Write(const std::string& subKey, const char* name, DWORD type, const void* data, DWORD size)
{
    std::string path = "Software\\Quillfen\\Veilbox" + (subKey.empty() ? "" : "\\" + subKey);
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

struct Setting {
    const char* subKey;
    const char* name;
};

// Every value the program reads.
const Setting kSettings[] = {
    {"", "UseHelpPopups"}, {"", "UseHotkey"}, {"", "Hide Active"}, {"", "Popup Menu"},
    {"", "Restore Last"}, {"", "Restore All"}, {"", "Hide Program"},
    {"CloseToTray", "CloseToTray"}, {"CloseToTray", "CloseToTrayReminder"},
    {"CloseToTray", "CloseToTrayRunReminder"}, {"MinimizeToTray", "MinimizeToTray"},
    {"MinimizeToTray", "MinimizeToTrayReminder"}, {"MinimizeToTray", "MinimizeToTrayRunReminder"},
    {"Password", "UseSystrayPassword"}, {"Password", "Password"},
    {"MainWindow", "WPLeft"}, {"MainWindow", "WPTop"}, {"MainWindow", "WPRight"},
    {"MainWindow", "WPBottom"}, {"MainWindow", "WinState"}, {"MainWindow", "TopMost"},
    {"Rules\\000", "Enabled"}, {"Rules\\000", "Title"}, {"Rules\\000", "Class"}, {"Rules\\000", "Exe"},
    {"Rules\\000", "When"}, {"Interface", "Language"},
};

// The window placement is saved whenever the dialog closes; every other value only when the
// user confirms a dialog.
bool SavedOnClose(const std::string& name) { return name.rfind("MainWindow\\", 0) == 0; }

void ExpectUnchangedButPlacement(const Snapshot& before, const Snapshot& after)
{
    for (const auto& [name, value] : before) {
        if (SavedOnClose(name))
            continue;
        auto found = after.find(name);
        ASSERT_NE(found, after.end()) << name << " was removed";
        EXPECT_TRUE(found->second == value) << name << " was changed";
    }
}

// Starts the program over the broken settings, checks it works, ends it with Exit.
void StartUseAndExit(const char* what)
{
    Snapshot before;
    Collect(HKEY_CURRENT_USER, "Software\\Quillfen\\Veilbox", "", before);
    {
        VeilboxApp app;
        HWND main = app.MainWindow();
        ASSERT_NE(main, nullptr) << what;
        ASSERT_TRUE(WaitFor([&] { return SendWithin(app.List(), LB_GETCOUNT, 0, 0, nullptr, 1000); })) << what;
        EXPECT_TRUE(app.Exit()) << what;
        EXPECT_EQ(app.Process().ExitCode(), 0u) << what;
    }
    Snapshot after;
    Collect(HKEY_CURRENT_USER, "Software\\Quillfen\\Veilbox", "", after);
    ExpectUnchangedButPlacement(before, after);
}

// Counts the access violations raised inside a process while the object lives, whether or not
// the process handles them: a window procedure's handler may swallow one, and the process lives
// on with whatever the fault left half done. It watches as a debugger, from a thread of its own.
class AccessViolationWatch {
public:
    explicit AccessViolationWatch(DWORD pid) : m_thread([this, pid] { Watch(pid); })
    {
        WaitFor([&] { return m_attached.load() != 0; }, 10000);
    }
    ~AccessViolationWatch()
    {
        m_stop = true;
        m_thread.join();
    }
    bool Attached() const { return m_attached == 1; }
    int Count() const { return m_violations; }

private:
    void Watch(DWORD pid)
    {
        if (!DebugActiveProcess(pid)) {
            m_attached = -1;
            return;
        }
        DebugSetProcessKillOnExit(FALSE);
        m_attached = 1;
        while (!m_stop) {
            DEBUG_EVENT event = {};
            if (!WaitForDebugEvent(&event, 50))
                continue;
            DWORD status = DBG_CONTINUE;
            if (event.dwDebugEventCode == EXCEPTION_DEBUG_EVENT &&
                event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
                status = DBG_EXCEPTION_NOT_HANDLED;
                if (event.u.Exception.ExceptionRecord.ExceptionCode == EXCEPTION_ACCESS_VIOLATION &&
                    event.u.Exception.dwFirstChance)
                    ++m_violations;
            } else if (event.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT) {
                CloseHandle(event.u.CreateProcessInfo.hFile);
            } else if (event.dwDebugEventCode == LOAD_DLL_DEBUG_EVENT) {
                CloseHandle(event.u.LoadDll.hFile);
            }
            ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
        }
        DebugActiveProcessStop(pid);
    }

    std::atomic<int> m_attached{0};
    std::atomic<int> m_violations{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread; // last: it uses the members above
};

} // namespace

class HostileInput : public ::testing::Test {
protected:
    void SetUp() override { m_settings.Clear(); }
    RegistryKeyGuard m_settings;
};

TEST_F(HostileInput, SettingsOfTheWrongTypeOrOutOfRangeAreIgnored)
{
    const std::string huge(100000, 'x');
    const BYTE binary[4] = {1, 0, 0, 0};
    const DWORD big = 0x7FFFFFFF, negative = 0x80000000, minusOne = 0xFFFFFFFF;
    const char garbage[] = "\x01,,-,99999999999999999999,\xff\xfe";

    struct Variant {
        const char* what;
        DWORD type;
        const void* data;
        DWORD size;
    } variants[] = {
        {"binary", REG_BINARY, binary, sizeof binary},
        {"huge number", REG_DWORD, &big, sizeof big},
        {"negative number", REG_DWORD, &negative, sizeof negative},
        {"minus one", REG_DWORD, &minusOne, sizeof minusOne},
        {"garbage text", REG_SZ, garbage, sizeof garbage},
        {"100 000 characters", REG_SZ, huge.c_str(), static_cast<DWORD>(huge.size() + 1)},
        {"text without terminator", REG_SZ, "1234", 4},
        {"expandable text", REG_EXPAND_SZ, "%TEMP%", 7},
    };
    for (const Variant& v : variants) {
        m_settings.Clear();
        // Keep the close box from asking: the program ends on close.
        for (const Setting& s : kSettings)
            Write(s.subKey, s.name, v.type, v.data, v.size);
        StartUseAndExit(v.what);
        if (HasFatalFailure())
            return;
    }
}

TEST_F(HostileInput, OnlyTheQuitRequestActsAmongCopyDataMessages)
{
    TargetWindows targets("--window --title \"Not To Hide\"");
    ASSERT_TRUE(targets.Ready());
    VeilboxApp app;
    HWND main = app.MainWindow();
    ASSERT_NE(main, nullptr);

    // Well-formed command requests whose reply window is none, or the running copy's own.
    HWND sender = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    WireRequest hide;
    hide.verb = WireVerb::Hide;
    hide.criteria.title = "Not To Hide";
    const HWND bogus = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x7FFFFFF0));
    hide.replyTo = bogus;
    std::vector<char> noReplyWindow = EncodeRequest(hide);
    hide.replyTo = main;
    std::vector<char> ownReplyWindow = EncodeRequest(hide);
    hide.replyTo = sender;
    std::vector<char> truncated = EncodeRequest(hide);
    truncated.pop_back();

    std::vector<char> big(65536, 'u');
    char word[] = "uninstall";
    struct Case {
        ULONG_PTR kind;
        DWORD size;
        void* data;
        HWND from;
    } cases[] = {
        {0, sizeof word, word}, {2, sizeof word, word}, {0xFFFFFFFF, sizeof word, word},
        {static_cast<ULONG_PTR>(-1), sizeof word, word}, {2, 0, nullptr}, {3, 1, word},
        {7, static_cast<DWORD>(big.size()), big.data()}, {0x100000001ull, sizeof word, word},
        {kCommandRequestKind, sizeof word, word, sender}, {kCommandRequestKind, 0, nullptr, sender},
        {kCommandRequestKind, static_cast<DWORD>(big.size()), big.data(), sender},
        {kCommandRequestKind, static_cast<DWORD>(truncated.size()), truncated.data(), sender},
        {kCommandRequestKind, static_cast<DWORD>(noReplyWindow.size()), noReplyWindow.data(), bogus},
        {kCommandRequestKind, static_cast<DWORD>(ownReplyWindow.size()), ownReplyWindow.data(), main},
    };
    for (const Case& c : cases) {
        COPYDATASTRUCT data = {c.kind, c.size, c.data};
        DWORD_PTR result = 0;
        EXPECT_TRUE(SendMessageTimeoutA(main, WM_COPYDATA, reinterpret_cast<WPARAM>(c.from),
                                        reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 5000, &result)) << c.kind;
        EXPECT_EQ(result, 0u) << c.kind;
        EXPECT_TRUE(app.Process().Running()) << c.kind;
    }
    ASSERT_TRUE(app.Send(main, WM_NULL, 0, 0));
    EXPECT_TRUE(IsWindowVisible(targets[0])) << "no request acted";
    DestroyWindow(sender);
    COPYDATASTRUCT empty = {1, 0, nullptr};
    DWORD_PTR result = 0;
    SendMessageTimeoutA(main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&empty), SMTO_NORMAL, 5000, &result);
    EXPECT_TRUE(app.Process().WaitForExit()) << "a quit request with no text still ends the program";
}

TEST_F(HostileInput, TrayMessagesOtherThanTheFourClicksDoNothing)
{
    VeilboxApp app;
    HWND main = app.MainWindow();
    ASSERT_NE(main, nullptr);

    const LPARAM ignored[] = {0, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN,
                              WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK, WM_CONTEXTMENU, 0x0400, 0x7FFFFFFF,
                              static_cast<LPARAM>(-1), static_cast<LPARAM>(0x1234567800000205ll)};
    for (LPARAM lParam : ignored) {
        DWORD_PTR result = 0;
        // Posted, as the shell does: a menu opened by mistake must not block the test.
        PostMessageA(main, kTrayCallbackMessage, 0, lParam);
        SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
        EXPECT_EQ(FindTopWindow({app.Process().Id(), nullptr, "#32768", true}), nullptr) << lParam;
        EXPECT_TRUE(IsWindowVisible(main)) << lParam;
        EXPECT_TRUE(app.Process().Running()) << lParam;
    }

    // A right click does act: the hidden-window menu opens.
    ASSERT_TRUE(app.OpenMenu());
    EXPECT_TRUE(app.CloseMenu());
}

// Messages whose parameters would be pointers in the program, sent by another program with
// pointers that mean nothing there: the hyperlinks' text commands, sent and posted, and owner
// drawing with item data that is no record of the program's.
TEST_F(HostileInput, PointersFromAnotherProgramAreNeverFollowed)
{
    VeilboxApp app;
    HWND main = app.MainWindow();
    ASSERT_NE(main, nullptr);
    PostMessageA(main, WM_COMMAND, 1001, 0); // About
    HWND about = WaitForTopWindow({app.Process().Id(), "About", "#32770", true});
    ASSERT_NE(about, nullptr);

    const LPARAM bogus = static_cast<LPARAM>(0x10);
    for (int link : {1003, 1004, 1010}) {
        HWND control = GetDlgItem(about, link);
        ASSERT_NE(control, nullptr) << link;
        for (WPARAM command : {1001, 1002}) {
            EXPECT_TRUE(app.Send(control, WM_COMMAND, command, bogus)) << link << " " << command;
            PostMessageA(control, WM_COMMAND, command, bogus);
        }
    }
    DRAWITEMSTRUCT draw = {ODT_LISTBOX, 1000, 0, ODA_DRAWENTIRE, 0, app.List(), nullptr, {0, 0, 50, 20}, 0x10};
    EXPECT_TRUE(app.Send(main, WM_DRAWITEM, 1000, reinterpret_cast<LPARAM>(&draw)));
    draw.CtlType = ODT_MENU;
    draw.itemID = 4000;
    EXPECT_TRUE(app.Send(main, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)));
    MEASUREITEMSTRUCT measure = {ODT_MENU, 0, 4000, 0, 0, 0x10};
    EXPECT_TRUE(app.Send(main, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)));

    EXPECT_TRUE(app.Send(about, WM_NULL, 0, 0));
    EXPECT_TRUE(app.Process().Running());
    EXPECT_TRUE(IsWindowVisible(about));
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(about); }));
}

// Item data another program put in the list's entries, draw and measure structures of its own
// with item ids that are no entry's, and a dialog's start with a number for its object: the
// program follows no pointer from them, draws nothing from them and goes on listing windows.
TEST_F(HostileInput, ItemDataAndPointersOfAnotherProgramAreNotFollowed)
{
    TargetWindows targets("--window --title \"Junk Data\" --count 2");
    ASSERT_TRUE(targets.Ready());
    VeilboxApp app;
    HWND main = app.MainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(app.WaitListed("Junk Data 001"));
    AccessViolationWatch violations(app.Process().Id());
    ASSERT_TRUE(violations.Attached());
    HWND list = app.List();
    const ULONG_PTR lbErr = static_cast<ULONG_PTR>(static_cast<LONG_PTR>(LB_ERR));
    const ULONG_PTR junk[] = {0x10, lbErr, 0x7FFF00001230ull, 1};

    struct Forged {
        const char* what;
        UINT message;
        WPARAM control;
        UINT type;
        UINT itemId;
    };
    const Forged forged[] = {
        {"draw of an entry past the end", WM_DRAWITEM, 1000, ODT_LISTBOX, 9999},
        {"draw of the first entry", WM_DRAWITEM, 1000, ODT_LISTBOX, 0},
        {"draw of no entry", WM_DRAWITEM, 1000, ODT_LISTBOX, static_cast<UINT>(-1)},
        {"draw of a menu item", WM_DRAWITEM, 0, ODT_MENU, 4000},
        {"draw of a menu item that is none", WM_DRAWITEM, 0, ODT_MENU, 9999},
        {"measure of an entry past the end", WM_MEASUREITEM, 1000, ODT_LISTBOX, 9999},
        {"measure of a menu item", WM_MEASUREITEM, 0, ODT_MENU, 4000},
        {"draw of a fixed menu item", WM_DRAWITEM, 0, ODT_MENU, 1004},
        {"measure of a fixed menu item", WM_MEASUREITEM, 0, ODT_MENU, 1004},
    };
    for (ULONG_PTR data : junk) {
        SCOPED_TRACE(data);
        // The entries' own data replaced, then drawn by the list box itself.
        for (WPARAM index : {0, 1})
            EXPECT_TRUE(app.Send(list, LB_SETITEMDATA, index, static_cast<LPARAM>(data)));
        InvalidateRect(list, nullptr, TRUE);
        EXPECT_TRUE(WaitFor([&] { return !GetUpdateRect(list, nullptr, FALSE); })) << "the list box was drawn";
        for (const Forged& f : forged) {
            DRAWITEMSTRUCT draw = {f.type, 1000, f.itemId, ODA_DRAWENTIRE, ODS_SELECTED, list, nullptr, {0, 0, 50, 20},
                                   data};
            MEASUREITEMSTRUCT measure = {f.type, 1000, f.itemId, 0, 0, data};
            const LPARAM structure = f.message == WM_DRAWITEM ? reinterpret_cast<LPARAM>(&draw)
                                                              : reinterpret_cast<LPARAM>(&measure);
            EXPECT_TRUE(app.Send(main, f.message, f.control, structure)) << f.what;
        }
        EXPECT_TRUE(app.Send(main, WM_INITDIALOG, 0, static_cast<LPARAM>(data)));
        PostMessageA(main, WM_INITDIALOG, 0, static_cast<LPARAM>(data));
        EXPECT_TRUE(app.Send(main, WM_NULL, 0, 0));
        ASSERT_TRUE(app.Process().Running());
        EXPECT_EQ(violations.Count(), 0) << "no pointer was followed";
    }
    EXPECT_TRUE(app.Send(main, WM_NULL, 0, 0)) << "it still answers";
    EXPECT_TRUE(app.Lists("Junk Data 000") && app.Lists("Junk Data 001")) << "it still lists";
    EXPECT_TRUE(app.Exit());
}

// A DLL named as a system DLL the program loads, beside a copy of the program (in a download
// folder, say), is never loaded.
TEST_F(HostileInput, ADllBesideTheProgramIsNotTakenForTheSystemOne)
{
    TempFolder folder("planted");
    ASSERT_TRUE(CopyFileA((BinDir() + "Veilbox.exe").c_str(), (folder / "Veilbox.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((BinDir() + "vb_planted.dll").c_str(), (folder / "riched20.dll").c_str(), FALSE));
    // Windows takes the first file of the name on the search path; Wine takes its own built-in
    // copy of a system DLL instead unless told to do as Windows does, which the copy is told.
    RegistryKeyGuard wineOptions("Software\\Wine\\AppDefaults\\Veilbox.exe");
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\Veilbox.exe\\DllOverrides", "riched20",
                    REG_SZ, "native,builtin", 15);
    VeilboxApp app("", folder / "Veilbox.exe");
    ASSERT_NE(app.MainWindow(), nullptr);
    EXPECT_FALSE(TempFolder::Exists(folder / "riched20.dll.loaded"));
}
