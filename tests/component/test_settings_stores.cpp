// The program's settings users against both stores beneath the one settings interface: the
// registry, and a Veilbox.ini in a folder with a name beyond ASCII. Each row runs the same users
// (texts, a font, a window's placement, rules with a move, held records through the hidden-window
// menu with the key deleted under them) and checks they read back as written; the file row also
// checks that everything is in the file on disk and that the registry was never touched.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "app/held/HeldWindows.h"
#include "app/held/HiddenMenu.h"
#include "app/rules/Rules.h"
#include "dialogs/UiDialog.h"
#include "hotkeys/HotkeyTable.h"
#include "settings/FileStore.h"
#include "settings/SettingsKey.h"
#include "settings/SettingsStore.h"
#include "shell/Links.h"
#include "tests/support/ScriptedDialog.h"
#include "winbase/FontStore.h"
#include "winbase/PlacementStore.h"

namespace {

constexpr char kKey[] = "Software\\Quillfen\\VeilboxStoresTest";
const char kMixed[] = u8"日本語のクラス Ελληνικά \U0001F4BE \"q\"\n";

// A folder of its own below the temporary folder, removed with what it holds.
class TempFolder {
public:
    TempFolder()
    {
        wchar_t base[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, base);
        m_path = std::wstring(base) + L"Veilbox \u00DC\u6771 " + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(m_path.c_str(), nullptr);
    }
    ~TempFolder()
    {
        SetFileAttributesW(File().c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(File().c_str());
        RemoveDirectoryW(m_path.c_str());
    }
    std::wstring File() const { return m_path + L"\\Veilbox.ini"; }
    std::string Text() const
    {
        std::ifstream in(File().c_str(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::wstring m_path;
};

bool RegistryKeyExists(const char* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

HWND MakeWindow(const char* title)
{
    return CreateWindowExA(0, "STATIC", title, WS_OVERLAPPEDWINDOW, 40, 50, 320, 200, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

TitledWindow Record(HWND window)
{
    TitledWindow record;
    record.title = NString("held");
    record.window = window;
    return record;
}

// Texts, a font and a placement through SettingsKey.
void CheckKeyUsers(const SettingsKey& key, HWND window)
{
    SettingsKey texts(key, "Interface");
    ASSERT_TRUE(texts.WriteText("Mixed", kMixed) && texts.WriteInt("Left", -8));
    NString text;
    int32_t number = 0;
    EXPECT_TRUE(texts.ReadText("Mixed", text) && text.Equals(kMixed));
    EXPECT_TRUE(texts.ReadInt("Left", number) && number == -8);
    EXPECT_FALSE(texts.ReadInt("Mixed", number)) << "a text is no number";
    LOGFONTA font = {}, read = {};
    font.lfHeight = -15;
    lstrcpyA(font.lfFaceName, "Tahoma");
    COLORREF color = RGB(1, 2, 3), readColor = 0;
    ASSERT_TRUE(WriteFont(key, "ListFont", font, &color));
    EXPECT_TRUE(ReadFont(key, "ListFont", read, &readColor));
    EXPECT_EQ(read.lfHeight, -15);
    EXPECT_STREQ(read.lfFaceName, "Tahoma");
    EXPECT_EQ(readColor, color);
    EXPECT_TRUE(SaveWindowPlacement(key, "MainWindow", window, 2, 96));
    SetWindowPos(window, nullptr, 0, 0, 100, 100, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(RestoreWindowPlacement(key, "MainWindow", window, true, 96));
    RECT rect = {};
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.right - rect.left, 320);
}

void CheckRules()
{
    const RuleStore rules(kKey);
    Rule first, second;
    first.title = kMixed;
    second.exe = "notepad.exe";
    second.trigger = RuleTrigger::Minimised;
    ASSERT_TRUE(rules.Append(first) && rules.Append(second));
    std::vector<StoredRule> loaded = rules.Load();
    ASSERT_EQ(loaded.size(), 2u);
    std::swap(loaded[0], loaded[1]);
    ASSERT_TRUE(rules.Save(loaded));
    loaded = rules.Load();
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_TRUE(loaded[0].rule.SameAs(second) && loaded[1].rule.SameAs(first)) << "moved with its values";
}

// Each window's record is stored before it is hidden, and a key deleted under the store by
// another hand is written again whole at the next change.
void CheckHeldRecords(HWND a, HWND b, const std::function<void()>& deleteHeld)
{
    CommandIdCounter counter{kFirstEntryId};
    HiddenMenu menu{counter};
    ASSERT_TRUE(menu.Create());
    HeldWindowStore store(kKey);
    store.Clear();
    bool storedBeforeHide = true;
    menu.SetChangeHandler([&] { store.Sync(menu); });
    for (HWND window : {a, b}) {
        ShowWindow(window, SW_SHOWNOACTIVATE);
        const uint32_t id = menu.AddEntry(Record(window))->commandId;
        storedBeforeHide = storedBeforeHide && HeldWindowStore(kKey).Load().size() == (window == a ? 1u : 2u);
        EXPECT_EQ(menu.HideEntryWindow(id), HideOutcome::Hidden);
        if (window == a)
            deleteHeld();
    }
    EXPECT_TRUE(storedBeforeHide) << "every record, the deleted ones again, before the next hide";
    const std::vector<HeldRecord> records = HeldWindowStore(kKey).Load();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].window, a);
    EXPECT_EQ(records[1].window, b);
    menu.SetChangeHandler(nullptr);
    menu.ReleaseAll();
    store.Clear();
    EXPECT_TRUE(HeldWindowStore(kKey).Load().empty());
}

} // namespace

TEST(SettingsStores, EverySettingsUserKeepsItsValuesInEitherStore)
{
    for (const bool inFile : {false, true}) {
        SCOPED_TRACE(inFile ? "Veilbox.ini" : "registry");
        RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
        TempFolder folder;
        if (inFile) {
            std::ofstream(folder.File().c_str(), std::ios::binary) << "";
            UseSettingsStore(std::unique_ptr<SettingsStore>(new FileStore(folder.File(), kKey)));
        }
        HWND window = MakeWindow("placed"), a = MakeWindow("held a"), b = MakeWindow("held b");
        CheckKeyUsers(SettingsKey(HKEY_CURRENT_USER, kKey), window);
        CheckRules();
        CheckHeldRecords(a, b, [&] {
            if (!inFile) {
                RegDeleteTreeA(HKEY_CURRENT_USER, (std::string(kKey) + "\\Held").c_str());
                return;
            }
            // An editor that drops the section and writes the file again.
            std::string text = folder.Text();
            const size_t held = text.find("\r\n[Held]\r\n");
            ASSERT_NE(held, std::string::npos) << text;
            const size_t next = text.find("\r\n[", held + 2);
            text.erase(held, next == std::string::npos ? std::string::npos : next - held);
            std::ofstream(folder.File().c_str(), std::ios::binary | std::ios::trunc) << text;
        });
        for (HWND w : {window, a, b})
            DestroyWindow(w);
        EXPECT_EQ(RegistryKeyExists(kKey), !inFile);
        if (inFile) {
            UseSettingsStore(nullptr);
            const std::string text = folder.Text();
            EXPECT_EQ(text.compare(0, 3, "\xEF\xBB\xBF"), 0);
            EXPECT_NE(text.find("[Interface]\r\nMixed=\"\xE6\x97\xA5"), std::string::npos) << text;
            EXPECT_NE(text.find("[Rules\\001]\r\n"), std::string::npos) << text;
            FileStore reread(folder.File(), kKey);
            std::vector<BYTE> data;
            EXPECT_EQ(reread.QueryValue((std::string(kKey) + "\\Interface").c_str(), "Left", nullptr, data, 4),
                      ERROR_SUCCESS);
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
    }
}

// A file that cannot be replaced (read-only, then locked by another program) keeps every change
// in memory, leaves the file as it was and tells once; the first write that can be made holds
// them all. A file another hand changed is read again; one that vanished is written anew.
TEST(SettingsStores, AFileThatCannotBeWrittenLosesNothingAndTellsOnce)
{
    TempFolder folder;
    std::ofstream(folder.File().c_str(), std::ios::binary) << "[Interface]\r\nKept=1\r\n";
    FileStore store(folder.File(), kKey);
    const std::string interfaceKey = std::string(kKey) + "\\Interface";
    const HWND notice = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    SetSettingsFailureNotice(notice, WM_APP + 9);
    auto set = [&](const char* name, DWORD value) {
        return store.SetValue(interfaceKey.c_str(), name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
    };
    auto read = [&](const char* name) {
        std::vector<BYTE> data;
        return store.QueryValue(interfaceKey.c_str(), name, nullptr, data, 4) == ERROR_SUCCESS;
    };
    const std::string before = folder.Text();
    SetFileAttributesW(folder.File().c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(set("WhileReadOnly", 1), ERROR_SUCCESS);
    SetFileAttributesW(folder.File().c_str(), FILE_ATTRIBUTE_NORMAL);
    {
        const HANDLE lock = CreateFileW(folder.File().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(set("WhileLocked", 2), ERROR_SUCCESS);
        CloseHandle(lock);
    }
    EXPECT_TRUE(store.Unsaved() && read("WhileReadOnly") && read("WhileLocked")) << "memory answers";
    EXPECT_EQ(folder.Text(), before) << "the old file whole";
    MSG message;
    int notices = 0;
    while (PeekMessageA(&message, notice, WM_APP + 9, WM_APP + 9, PM_REMOVE))
        ++notices;
    EXPECT_EQ(notices, 1);

    EXPECT_EQ(set("Writable", 3), ERROR_SUCCESS);
    EXPECT_FALSE(store.Unsaved());
    for (const char* name : {"Kept=1", "WhileReadOnly=1", "WhileLocked=2", "Writable=3"})
        EXPECT_NE(folder.Text().find(name), std::string::npos) << name;

    std::ofstream(folder.File().c_str(), std::ios::binary | std::ios::trunc) << "[Interface]\nByHand=4\n";
    EXPECT_TRUE(read("ByHand") && !read("Writable")) << "a change by another hand is read";
    DeleteFileW(folder.File().c_str());
    EXPECT_TRUE(read("ByHand")) << "a vanished file leaves memory";
    EXPECT_EQ(set("Again", 5), ERROR_SUCCESS);
    EXPECT_NE(folder.Text().find("ByHand=4\r\nAgain=5"), std::string::npos) << folder.Text();
    SetSettingsFailureNotice(nullptr, 0);
    DestroyWindow(notice);
}

// A file that could not be read whole is never replaced, so nothing this copy did not read is
// lost: not while it is locked at start (the copy runs from memory and tells once), nor when it is
// larger than the store reads (nor by a text that would be), nor when another hand changed it and
// holds it locked. Stale temporary files of copies that no longer run are removed at start; those
// of a running copy stay.
TEST(SettingsStores, AFileNotReadWholeIsNeverReplaced)
{
    struct Row {
        const char* name;
        std::function<void(TempFolder&, std::unique_ptr<FileStore>&)> open;
        // Another program holds the file locked through the changes, and reading it whole after
        // makes the store write them.
        bool lockedThenRead;
    };
    auto lockedAtStart = [](TempFolder& folder, std::unique_ptr<FileStore>& store) {
        const HANDLE lock = CreateFileW(folder.File().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        store.reset(new FileStore(folder.File(), kKey));
        CloseHandle(lock);
    };
    auto tooLarge = [](TempFolder& folder, std::unique_ptr<FileStore>& store) {
        std::ofstream(folder.File().c_str(), std::ios::binary | std::ios::app)
            << std::string(kSettingsFileMaxBytes, ';');
        store.reset(new FileStore(folder.File(), kKey));
    };
    auto growsOverTheCap = [](TempFolder& folder, std::unique_ptr<FileStore>& store) {
        std::ofstream(folder.File().c_str(), std::ios::binary | std::ios::app)
            << std::string(kSettingsFileMaxBytes - folder.Text().size() - 2, ';');
        store.reset(new FileStore(folder.File(), kKey));
    };
    auto changedAndLocked = [](TempFolder& folder, std::unique_ptr<FileStore>& store) {
        store.reset(new FileStore(folder.File(), kKey));
        std::ofstream(folder.File().c_str(), std::ios::binary | std::ios::app) << "[Other]\r\nByHand=2\r\n";
    };
    const Row rows[] = {{"locked at start", lockedAtStart, false},
                        {"too large", tooLarge, false},
                        {"a change would make it too large", growsOverTheCap, false},
                        {"changed, then locked", changedAndLocked, true}};
    for (const Row& row : rows) {
        TempFolder folder;
        std::ofstream(folder.File().c_str(), std::ios::binary) << "[Held]\r\n00000=\"killed copy's record\"\r\n";
        const std::wstring stale = folder.File() + L".4294967292-1.tmp", live = folder.File() + L"." +
                                                                               std::to_wstring(GetCurrentProcessId()) + L"-77.tmp";
        std::ofstream(stale.c_str()) << "partial";
        std::ofstream(live.c_str()) << "partial";
        std::unique_ptr<FileStore> store;
        row.open(folder, store);
        const std::string before = folder.Text();
        const HANDLE lock = row.lockedThenRead
                                ? CreateFileW(folder.File().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                                : nullptr;
        for (const char* name : {"00001", "00002"}) {
            const DWORD value = 1;
            EXPECT_EQ(store->SetValue((std::string(kKey) + "\\Held").c_str(), name, REG_DWORD,
                                      reinterpret_cast<const BYTE*>(&value), 4),
                      ERROR_SUCCESS)
                << row.name;
        }
        std::vector<BYTE> data;
        EXPECT_EQ(store->QueryValue((std::string(kKey) + "\\Held").c_str(), "00001", nullptr, data, 4), ERROR_SUCCESS)
            << row.name << ": memory answers";
        EXPECT_TRUE(store->Unsaved()) << row.name;
        if (lock)
            CloseHandle(lock);
        EXPECT_EQ(folder.Text(), before) << row.name << ": the file as it was";
        EXPECT_NE(folder.Text().find("killed copy's record"), std::string::npos) << row.name;
        EXPECT_EQ(GetFileAttributesW(stale.c_str()), INVALID_FILE_ATTRIBUTES) << row.name << ": stale file removed";
        EXPECT_NE(GetFileAttributesW(live.c_str()), INVALID_FILE_ATTRIBUTES) << row.name << ": a running copy's kept";
        DeleteFileW(live.c_str());
        // Once the file reads whole, the store's next use writes the other hand's change with
        // every change made meanwhile (the held record among them); until then nothing is written.
        EXPECT_EQ(store->KeyExists((std::string(kKey) + "\\Held").c_str()), ERROR_SUCCESS) << row.name;
        const std::string text = folder.Text();
        EXPECT_EQ(!store->Unsaved(), row.lockedThenRead) << row.name;
        EXPECT_EQ(text.find("ByHand=2") != std::string::npos && text.find("00001=1\r\n00002=1") != std::string::npos &&
                      text.find("killed copy's record") != std::string::npos,
                  row.lockedThenRead)
            << row.name << ": " << text.substr(0, 200);
    }
}

// A listing of the rules that fails part-way (a key deleted or unreadable under the listing) may
// have left rules out: neither a save nor an added rule writes over the keys it did not list.
TEST(SettingsStores, RulesAreNotWrittenOverAListingThatFailedPartWay)
{
    // The settings file, whose listing of keys ends with a failure after the first name.
    class FailingListing : public FileStore {
    public:
        using FileStore::FileStore;
        bool fail = false;
        LONG ListKeys(const char* path, std::vector<NString>& names) override
        {
            const LONG result = FileStore::ListKeys(path, names);
            if (!fail || names.size() < 2)
                return result;
            names.resize(1);
            return ERROR_KEY_DELETED;
        }
    };
    TempFolder folder;
    std::ofstream(folder.File().c_str(), std::ios::binary) << "";
    auto* store = new FailingListing(folder.File(), kKey);
    UseSettingsStore(std::unique_ptr<SettingsStore>(store));
    const RuleStore rules(kKey);
    Rule first, second, added;
    first.title = "first";
    second.title = "second";
    added.title = "added";
    ASSERT_TRUE(rules.Append(first) && rules.Append(second));
    store->fail = true;
    std::vector<StoredRule> listed = rules.Load();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_FALSE(rules.Append(added)) << "would have taken the key of the rule left out";
    StoredRule more;
    more.rule = added;
    more.changed = true;
    listed.push_back(more);
    EXPECT_FALSE(rules.Save(listed)) << "would have written over the rule left out";
    store->fail = false;
    listed = rules.Load();
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_TRUE(listed[0].rule.SameAs(first) && listed[1].rule.SameAs(second));
    // Another hand adds a rule while the list is open: saving three rules would write over it.
    ASSERT_TRUE(RuleStore(kKey).Append(added));
    listed.push_back(more);
    EXPECT_FALSE(rules.Save(listed)) << "would have written over the rule added meanwhile";
    listed = rules.Load();
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_TRUE(listed[2].rule.SameAs(added));
    UseSettingsStore(nullptr);
}

// Hand edits of the file: a value line that does not parse damages its rule, which then hides
// nothing (never every window of its program), and is written back as it was; a held record
// that does not parse is not taken, and its number is not given to another while the records
// were not listed whole; a key that holds only sub-keys lists no values, as the registry's does.
TEST(SettingsStores, HandEditsOfTheFileAreNeitherActedOnNorLost)
{
    class FailingHeldListing : public FileStore {
    public:
        using FileStore::FileStore;
        LONG ListValues(const char* path, std::vector<StoredValue>& values, DWORD maxValues, bool withData) override
        {
            const LONG result = FileStore::ListValues(path, values, maxValues, withData);
            return std::string(path).find("\\Held") == std::string::npos ? result : ERROR_KEY_DELETED;
        }
    };
    const std::string rule = "[Rules\\000]\r\nExe=\"notepad.exe\"\r\nTitle=Secret*\r\n";
    const struct {
        const char* what;
        std::string text;
        size_t rules, damaged;
    } rows[] = {
        {"a rule with a title that does not parse", rule, 1, 1},
        {"beside a rule key with sub-keys alone", "[Rules\\001\\Sub]\r\nX=1\r\n" + rule, 2, 2},
        {"a held record that does not parse", "[Held]\r\n00000=\"1a2b|4242\r\n", 0, 0},
        {"a rule under a header with a comment, the header ending in a lone CR", "[Rules\\000] ; mine\r" + rule.substr(13), 1, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TempFolder folder;
        std::ofstream(folder.File().c_str(), std::ios::binary) << row.text;
        UseSettingsStore(std::unique_ptr<SettingsStore>(new FailingHeldListing(folder.File(), kKey)));
        std::vector<StoredRule> loaded = RuleStore(kKey).Load();
        EXPECT_EQ(loaded.size(), row.rules);
        EXPECT_EQ(size_t(std::count_if(loaded.begin(), loaded.end(), [](const StoredRule& r) { return r.rule.damaged; })),
                  row.damaged);
        EXPECT_TRUE(RuleStore(kKey).LoadActing().empty()) << "hides no notepad window";
        std::vector<StoredValue> values;
        // "Rules" has sections below it but none of its own.
        EXPECT_EQ(ActiveSettings().ListValues((std::string(kKey) + "\\Rules").c_str(), values, 8, true),
                  row.rules ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
        HWND window = MakeWindow("held");
        CommandIdCounter counter{kFirstEntryId};
        HiddenMenu menu{counter};
        ASSERT_TRUE(menu.Create());
        HeldWindowStore store(kKey);
        EXPECT_EQ(store.Recover(menu), 0);
        menu.SetChangeHandler([&] { store.Sync(menu); });
        EXPECT_EQ(menu.HideEntryWindow(menu.AddEntry(Record(window))->commandId), HideOutcome::Hidden);
        menu.SetChangeHandler(nullptr);
        menu.ReleaseAll();
        DestroyWindow(window);
        UseSettingsStore(nullptr);
        const std::string text = folder.Text();
        EXPECT_NE(text.find(row.text.substr(row.text.rfind('\n', row.text.size() - 2) + 1)), std::string::npos)
            << "the line that does not parse is written back: " << text;
    }
}

// The users that write several values at once (a window's placement, a font, the hotkeys, the
// options of User Interface) write the settings file once for them all, not once a value: no
// value of the group finds the file on disk changed since the one before it, and the file holds
// the whole group afterwards. User Interface writes its language after its options, apart.
TEST(SettingsStores, AGroupOfValuesIsOneWriteOfTheFile)
{
    class WatchedStore : public FileStore {
    public:
        WatchedStore(const TempFolder& folder) : FileStore(folder.File(), kKey), m_folder(folder) {}
        LONG SetValue(const char* path, const char* name, DWORD type, const BYTE* data, DWORD size) override
        {
            const std::string onDisk = m_folder.Text();
            writesWithin += values > 0 && onDisk != m_last ? 1 : 0;
            m_last = onDisk;
            ++values;
            return FileStore::SetValue(path, name, type, data, size);
        }
        int values = 0;
        int writesWithin = 0;

    private:
        const TempFolder& m_folder;
        std::string m_last;
    };
    const HWND window = MakeWindow("placed");
    const SettingsKey key(HKEY_CURRENT_USER, kKey);
    const struct {
        const char* name;
        std::function<void()> write;
        const char* lastValue;
        int writesAmid = 0;
    } rows[] = {
        {"a window's placement", [&] { SaveWindowPlacement(key, "MainWindow", window, 2, 96); }, "TopMost="},
        {"a font with its colour",
         [&] {
             LOGFONTA font = {};
             lstrcpyA(font.lfFaceName, "Tahoma");
             const COLORREF color = RGB(1, 2, 3);
             WriteFont(key, "ListFont", font, &color);
         },
         "Tahoma"},
        {"the hotkeys",
         [&] {
             SettingsKey hotkeys(key, "Hotkeys");
             HotkeyTable table;
             table.Load(hotkeys);
             table.Save(hotkeys);
         },
         "Hide Program="},
        {"the options of User Interface, then its language",
         [&] {
             // Startup folders that are not there: the shortcut is neither found nor made.
             const std::string none = "C:\\VeilboxStoresTest-no-startup-" + std::to_string(GetCurrentProcessId()) + "\\";
             CoInitialize(nullptr);
             ScriptedDialog<UI> dialog([](ScriptedDialog<UI>&) { return static_cast<WPARAM>(IDOK); },
                                       GetModuleHandleA(nullptr), nullptr, kKey, kStartupLinkName,
                                       kStartupLinkDescription, StartupFolders{NString(none.c_str()), NString(none.c_str())});
             dialog.Show(nullptr);
             CoUninitialize();
         },
         "Language=", 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder folder;
        std::ofstream(folder.File().c_str(), std::ios::binary) << "";
        auto* store = new WatchedStore(folder);
        UseSettingsStore(std::unique_ptr<SettingsStore>(store));
        row.write();
        EXPECT_GE(store->values, 2);
        EXPECT_EQ(store->writesWithin, row.writesAmid) << "the file was written in the middle of the group";
        EXPECT_NE(folder.Text().find(row.lastValue), std::string::npos) << folder.Text();
        UseSettingsStore(nullptr);
    }
    DestroyWindow(window);
    EXPECT_FALSE(RegistryKeyExists(kKey));
}
