// The hidden-window menu: its items, entry records, unhide, prune and the
// release at the end. Target windows belong to this test process, so their
// show order and their icons can be observed directly.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "HelperWindows.h"
#include "app/held/HeldWindows.h"
#include "app/held/HeldRecordRead.h"
#include "app/held/HiddenMenu.h"
#include "settings/FileStore.h"
#include "settings/RegistryStore.h"
#include "settings/StateFile.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"

namespace {

std::vector<HWND> g_shown;

// A window hidden or shown, and whether the records stored at that moment named it (as a held
// window or as one of a held window's owned windows).
struct Change {
    HWND window;
    bool shown;
    bool stored;
};
const HeldWindowStore* g_store = nullptr;
std::vector<Change> g_changes;
// With the settings in a file: the file on disk, and the key it stands for; with the records in a
// state file, that file.
std::wstring g_file;
std::string g_root;
std::wstring g_stateFile;

// The records in the settings file or the state file on disk, not those of the store's memory.
std::vector<HeldRecord> RecordsInFile()
{
    if (!g_stateFile.empty()) {
        StateFileStore onDisk(g_stateFile, (g_root + "\\Held").c_str());
        return LoadHeldRecords(onDisk, (g_root + "\\Held").c_str());
    }
    std::vector<HeldRecord> records;
    FileStamp stamp;
    std::string text;
    ReadWholeFile(g_file, kSettingsFileMaxBytes, text, stamp);
    IniDocument document = ParseIni(text.data(), text.size(), g_root);
    const IniKey* held = FindIniKey(document, g_root + "\\Held");
    for (const IniValue& value : held ? held->values : std::vector<IniValue>()) {
        HeldRecord record;
        const char* chars = reinterpret_cast<const char*>(value.data.data());
        if (value.type == REG_SZ && !value.data.empty() && UnpackHeldRecord(NString(chars), record))
            records.push_back(record);
    }
    return records;
}

bool StoredNow(HWND window)
{
    for (const HeldRecord& record : g_file.empty() && g_stateFile.empty() ? g_store->Load() : RecordsInFile()) {
        if (record.window == window || std::find(record.owned.begin(), record.owned.end(), window) != record.owned.end())
            return true;
    }
    return false;
}

LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SHOWWINDOW && wParam) {
        g_shown.push_back(window);
    }
    if (message == WM_SHOWWINDOW && g_store) {
        g_changes.push_back({window, wParam != 0, StoredNow(window)});
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeTarget(const char* title, HWND owner = nullptr)
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = TargetProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VbMenuTarget";
        registered = RegisterClassA(&wc) != 0;
    }
    return CreateWindowExA(0, "VbMenuTarget", title, WS_OVERLAPPEDWINDOW, 0, 0, 120, 80, owner, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

HICON MakeIcon()
{
    BYTE andMask[32] = {};
    BYTE xorMask[32];
    FillMemory(xorMask, sizeof(xorMask), 0x5A);
    return CreateIcon(GetModuleHandleA(nullptr), 16, 16, 1, 1, andMask, xorMask);
}

TitledWindow Record(HWND window, HICON icon = nullptr)
{
    TitledWindow record;
    record.title = StoredTitle(window);
    record.window = window;
    record.icon = icon;
    return record;
}

struct Item {
    UINT id;
    UINT type;
    ULONG_PTR data;
    std::string text;
};

std::vector<Item> Items(HMENU menu)
{
    std::vector<Item> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[256] = {};
        MENUITEMINFOA info = {sizeof(info)};
        info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_DATA | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof(text);
        GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info);
        items.push_back(Item{info.wID, info.fType, info.dwItemData, text});
    }
    return items;
}

// The registry, failing every write while told to; at each write, the fewest hidden windows
// whose records were stored.
struct FailingRegistry : RegistryStore {
    bool failing = false;
    size_t fewest = SIZE_MAX;
    LONG SetValue(const char* path, const char* name, DWORD type, const BYTE* data, DWORD size) override
    {
        return failing ? ERROR_ACCESS_DENIED : Counted(RegistryStore::SetValue(path, name, type, data, size));
    }
    LONG Counted(LONG result)
    {
        std::set<HWND> hidden;
        for (const HeldRecord& record : LoadHeldRecords(*this, "Software\\Quillfen\\VeilboxTest.HeldRecords\\Held"))
            if (!IsWindowVisible(record.window))
                hidden.insert(record.window);
        fewest = std::min(fewest, hidden.size());
        return result;
    }
};

class HiddenMenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_shown.clear();
        ASSERT_TRUE(m_menu.Create());
    }
    void TearDown() override
    {
        m_menu.ReleaseAll();
        for (HWND window : m_targets) {
            DestroyWindow(window);
        }
    }
    // The records of the menu's windows at each hide and show, through the store in use.
    void CheckStoredAtEachHideAndShow(const char* path);
    HWND Target(const char* title, HWND owner = nullptr)
    {
        m_targets.push_back(MakeTarget(title, owner));
        return m_targets.back();
    }

    CommandIdCounter m_counter{kFirstEntryId};
    HiddenMenu m_menu{m_counter};
    std::vector<HWND> m_targets;
};

} // namespace

TEST_F(HiddenMenuTest, NewEntriesGoOnTopOfTheFixedItemsCarryingTheirRecord)
{
    HICON icon = MakeIcon();
    HWND first = Target("first window");
    HWND second = Target("second window");
    MenuEntry* a = m_menu.AddEntry(Record(first, icon));
    MenuEntry* b = m_menu.AddEntry(Record(second));
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);

    std::vector<Item> items = Items(m_menu.Handle());
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].data, reinterpret_cast<ULONG_PTR>(b));
    EXPECT_EQ(items[1].data, reinterpret_cast<ULONG_PTR>(a));
    EXPECT_EQ(items[0].id, 4001u);
    EXPECT_EQ(items[1].id, 4000u);
    // Every item is drawn by the program, and its data begins with what a screen reader reads: the
    // signature and the item's text (the entry's whole title).
    const auto read = [](ULONG_PTR data) {
        const auto* info = reinterpret_cast<const MSAAMENUINFO*>(LiveMenuItemName(data));
        EXPECT_TRUE(info && info->dwMSAASignature == static_cast<DWORD>(MSAA_MENU_SIG));
        return info ? std::wstring(info->pszWText, info->cchWText) : std::wstring(L"no name");
    };
    for (const Item& item : items)
        EXPECT_TRUE(item.type & MFT_OWNERDRAW) << item.id;
    EXPECT_EQ(read(items[0].data), L"second window");
    const std::pair<UINT, const char*> fixed[] = {
        {1002, "&Show Window Veilbox"}, {1012, "&Visit Quillfen"}, {1004, "E&xit"}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(items[2 + i].id, fixed[i].first);
        EXPECT_EQ(items[2 + i].text, fixed[i].second);
        EXPECT_EQ(read(items[2 + i].data), std::wstring(fixed[i].second, fixed[i].second + strlen(fixed[i].second)));
        EXPECT_EQ(LiveMenuText(items[2 + i].data), LiveMenuItemName(items[2 + i].data)) << "a text item";
    }
    EXPECT_EQ(LiveMenuText(items[0].data), nullptr) << "an entry is no text item";
    // Keys typed in the menu: an access key chooses its item, a first letter selects a window.
    for (const auto& [key, answer] : {std::pair<wchar_t, LRESULT>{L'x', MAKELRESULT(4, MNC_EXECUTE)},
                                      {L'S', MAKELRESULT(2, MNC_EXECUTE)}, {L'f', MAKELRESULT(1, MNC_SELECT)},
                                      {L'q', 0}})
        EXPECT_EQ(MenuCharAnswer(m_menu.Handle(), key), answer) << static_cast<char>(key);

    EXPECT_STREQ(a->title.Text(), "first window");
    EXPECT_TRUE(a->secondText.IsEmpty());
    EXPECT_EQ(a->commandId, 4000u);
    EXPECT_EQ(a->window, first);
    EXPECT_EQ(a->icon, icon);
    EXPECT_EQ(a->reserved, 0u);
    m_menu.ReleaseAll();
    DestroyIcon(icon);
}

// After the counter wraps, a new entry must not take an id an older entry
// still holds: choosing one would show the other's window and orphan it.
TEST_F(HiddenMenuTest, IdsStillHeldAreSkippedAfterTheCounterWraps)
{
    HWND oldest = Target("oldest");
    HWND older = Target("older");
    ASSERT_EQ(m_menu.AddEntry(Record(oldest))->commandId, 4000u);
    ASSERT_EQ(m_menu.AddEntry(Record(older))->commandId, 4001u);
    m_counter = CommandIdCounter(kLastEntryId);
    HWND last = Target("last of the range");
    HWND wrapped = Target("after the wrap");
    EXPECT_EQ(m_menu.AddEntry(Record(last))->commandId, 8000u);
    EXPECT_EQ(m_menu.AddEntry(Record(wrapped))->commandId, 4002u);

    EXPECT_EQ(m_menu.Unhide(4000), oldest);
    EXPECT_TRUE(IsWindowVisible(oldest));
    EXPECT_FALSE(IsWindowVisible(wrapped));
    EXPECT_EQ(m_menu.EntryCount(), 3u);
}

TEST_F(HiddenMenuTest, UnhideShowsTheWindowAndRemovesOnlyItsItem)
{
    HWND keep = Target("stays hidden");
    HWND back = Target("comes back");
    m_menu.AddEntry(Record(keep));
    MenuEntry* entry = m_menu.AddEntry(Record(back));
    uint32_t id = entry->commandId;

    for (UINT unknown : {1002u, 1004u, 4999u, 40002u}) {
        EXPECT_EQ(m_menu.Unhide(unknown), nullptr) << unknown;
    }
    EXPECT_EQ(GetMenuItemCount(m_menu.Handle()), 5);

    EXPECT_EQ(m_menu.Unhide(id), back);
    EXPECT_TRUE(IsWindowVisible(back));
    EXPECT_FALSE(IsWindowVisible(keep));
    EXPECT_EQ(GetMenuItemCount(m_menu.Handle()), 4);
    EXPECT_EQ(m_menu.EntryById(id), nullptr);
    EXPECT_EQ(m_menu.Unhide(id), nullptr);
}

TEST_F(HiddenMenuTest, PruneDropsEntriesOfWindowsThatAreGoneOrVisibleAgain)
{
    HWND destroyed = MakeTarget("destroyed");
    HWND shownElsewhere = Target("shown by somebody else");
    HWND stillHidden = Target("still hidden");
    uint32_t gone = m_menu.AddEntry(Record(destroyed))->commandId;
    uint32_t shown = m_menu.AddEntry(Record(shownElsewhere))->commandId;
    uint32_t hidden = m_menu.AddEntry(Record(stillHidden))->commandId;
    DestroyWindow(destroyed);
    ShowWindow(shownElsewhere, SW_SHOWNOACTIVATE);

    m_menu.Prune();
    EXPECT_EQ(m_menu.EntryById(gone), nullptr);
    EXPECT_EQ(m_menu.EntryById(shown), nullptr);
    EXPECT_NE(m_menu.EntryById(hidden), nullptr);
    EXPECT_EQ(GetMenuItemCount(m_menu.Handle()), 4);
    EXPECT_FALSE(IsWindowVisible(stillHidden));
}

// The records only borrow icons: releasing the menu must leave every icon
// usable by its owner.
TEST_F(HiddenMenuTest, ReleaseShowsNewestFirstAndLeavesIconsAlone)
{
    HICON icons[3] = {MakeIcon(), MakeIcon(), MakeIcon()};
    HWND windows[3] = {Target("one"), Target("two"), Target("three")};
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(m_menu.AddEntry(Record(windows[i], icons[i])), nullptr);
    }
    HMENU handle = m_menu.Handle();
    g_shown.clear();

    m_menu.ReleaseAll();
    EXPECT_EQ(g_shown, (std::vector<HWND>{windows[2], windows[1], windows[0]}));
    EXPECT_EQ(m_menu.Handle(), nullptr);
    EXPECT_FALSE(IsMenu(handle));
    EXPECT_EQ(m_menu.EntryCount(), 0u);
    for (HICON icon : icons) {
        ICONINFO info = {};
        EXPECT_TRUE(GetIconInfo(icon, &info));
        DeleteObject(info.hbmMask);
        DeleteObject(info.hbmColor);
        EXPECT_TRUE(DestroyIcon(icon));
    }
}

// The visible windows a window owns (directly or through another owned window) go with it and
// come back with it, by unhide and by release; an owned window that was hidden stays hidden.
// None gets an entry of its own.
TEST_F(HiddenMenuTest, OwnedWindowsGoAndComeBackWithTheirOwner)
{
    for (bool release : {false, true}) {
        ASSERT_TRUE(m_menu.Create());
        HWND owner = Target("owner");
        HWND palette = Target("palette", owner);
        HWND findBox = Target("find box", palette);
        HWND hiddenDialog = Target("hidden dialog", owner);
        for (HWND window : {owner, palette, findBox})
            ShowWindow(window, SW_SHOWNOACTIVATE);

        uint32_t id = m_menu.AddEntry(Record(owner))->commandId;
        EXPECT_EQ(m_menu.HideEntryWindow(id), HideOutcome::Hidden);
        for (HWND window : {owner, palette, findBox, hiddenDialog})
            EXPECT_FALSE(IsWindowVisible(window)) << release;
        EXPECT_EQ(m_menu.EntryCount(), 1u);

        if (release)
            m_menu.ReleaseAll();
        else
            EXPECT_EQ(m_menu.Unhide(id), owner);
        for (HWND window : {owner, palette, findBox})
            EXPECT_TRUE(IsWindowVisible(window)) << release;
        EXPECT_FALSE(IsWindowVisible(hiddenDialog)) << release;
    }
}

// With the records following the menu, a window (and each window it owns) is stored before it is
// hidden, and stays stored until it has been shown again; the records of a window shown leave a
// gap that the others keep their order across. With the settings in a file, the records are in
// the file on disk at each hide and show, and so they are with a state file beside it.
TEST_F(HiddenMenuTest, EveryWindowIsStoredBeforeItsHideAndUntilItIsShown)
{
    constexpr char kPath[] = "Software\\Quillfen\\VeilboxTest.HeldRecords";
    for (const char* where : {"registry", "Veilbox.ini", "Veilbox.held"}) {
        SCOPED_TRACE(where);
        vbtest::RegistryKeyGuard guard(kPath);
        TempFolder folder("held-file");
        if (where[0] == 'V') {
            const std::string file = folder.MakeFile("Veilbox.ini"), state = folder / "Veilbox.held";
            g_file.assign(file.begin(), file.end());
            g_root = kPath;
            UseSettingsStore(std::unique_ptr<SettingsStore>(new FileStore(g_file, kPath)));
            if (std::string(where) == "Veilbox.held")
                g_stateFile.assign(state.begin(), state.end());
        }
        CheckStoredAtEachHideAndShow(kPath);
        EXPECT_FALSE(g_stateFile.empty() && TempFolder::Exists(folder / "Veilbox.held")) << "gone with the last record";
        UseSettingsStore(nullptr);
        g_file.clear();
        g_stateFile.clear();
    }
}

void HiddenMenuTest::CheckStoredAtEachHideAndShow(const char* path)
{
    HeldWindowStore store(path, g_stateFile);
    store.Clear();
    m_menu.SetChangeHandler([&] { store.Sync(m_menu); });
    HWND first = Target("first"), owner = Target("owner"), owned = Target("owned", owner), last = Target("last");
    for (HWND window : {first, owner, owned, last})
        ShowWindow(window, SW_SHOWNOACTIVATE);
    g_store = &store;
    g_changes.clear();
    std::vector<uint32_t> ids;
    for (HWND window : {first, owner, last}) {
        ids.push_back(m_menu.AddEntry(Record(window))->commandId);
        EXPECT_EQ(m_menu.HideEntryWindow(ids.back()), HideOutcome::Hidden);
    }
    EXPECT_EQ(m_menu.Unhide(ids[1]), owner);
    g_store = nullptr;

    const std::vector<std::pair<HWND, bool>> expected = {
        {first, false}, {owner, false}, {owned, false}, {last, false}, {owner, true}, {owned, true}};
    ASSERT_EQ(g_changes.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(g_changes[i].window, expected[i].first) << i;
        EXPECT_EQ(g_changes[i].shown, expected[i].second) << i;
        EXPECT_TRUE(g_changes[i].stored) << i;
    }
    const std::vector<HeldRecord> records = HeldWindowStore(path, g_stateFile).Load();
    ASSERT_EQ(records.size(), 2u) << "the shown window's record went after its show";
    EXPECT_EQ(records[0].window, first);
    EXPECT_EQ(records[1].window, last);
    EXPECT_EQ(records[1].index, 2);
    m_menu.SetChangeHandler(nullptr);
    store.Clear();
    // The menu as SetUp made it, for the next store.
    m_menu.ReleaseAll();
    EXPECT_TRUE(m_menu.Create());
}

// A key deleted under the store (a cleaner, a user) is made again at the next change, with every
// record that it held, not only the new one. A store that failed twice (the copy is then unsure of
// what it holds) has every record written again at the next change before any goes.
TEST_F(HiddenMenuTest, RecordsAreWrittenAgainWhenTheirKeyWasDeleted)
{
    constexpr char kPath[] = "Software\\Quillfen\\VeilboxTest.HeldRecords";
    vbtest::RegistryKeyGuard guard(kPath);
    FailingRegistry* registry = new FailingRegistry;
    UseSettingsStore(std::unique_ptr<SettingsStore>(registry));
    HeldWindowStore store(kPath);
    store.Clear();
    m_menu.SetChangeHandler([&] { store.Sync(m_menu); });
    HWND before = Target("before"), after = Target("after"), failed = Target("failed"), last = Target("last");
    for (HWND window : {before, after, failed, last}) {
        registry->failing = window == failed;
        registry->fewest = SIZE_MAX;
        ShowWindow(window, SW_SHOWNOACTIVATE);
        EXPECT_EQ(m_menu.HideEntryWindow(m_menu.AddEntry(Record(window))->commandId), HideOutcome::Hidden);
        if (window == before) {
            ASSERT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, kPath), ERROR_SUCCESS);
        }
    }
    EXPECT_EQ(registry->fewest, 2u) << "the records stored before the failures stayed";
    std::vector<HWND> stored;
    for (const HeldRecord& record : HeldWindowStore(kPath).Load())
        stored.push_back(record.window);
    EXPECT_EQ(stored, (std::vector<HWND>{before, after, failed, last}));
    DWORD owner = 0, size = sizeof owner;
    EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, (std::string(kPath) + "\\Held").c_str(), "OwnerProcessId",
                           RRF_RT_REG_DWORD, nullptr, &owner, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(owner, GetCurrentProcessId());
    m_menu.SetChangeHandler(nullptr);
    store.Clear();
    UseSettingsStore(nullptr);
}

TEST(HiddenMenu, ReleaseDoesNotWaitOnAProgramThatDoesNotAnswer)
{
    HelperWindows helper("--window --title \"" + UniqueTag() + " stuck\" --count 8", 0);
    ASSERT_TRUE(helper.Ready()) << helper.Error();
    CommandIdCounter counter;
    HiddenMenu menu(counter);
    ASSERT_TRUE(menu.Create());
    for (size_t i = 0; i < helper.Count(); ++i) {
        menu.AddEntry(Record(helper.Window(i)));
    }
    DWORD start = GetTickCount();
    menu.ReleaseAll();
    // One bounded probe for the stuck thread, not one per window.
    EXPECT_LT(GetTickCount() - start, 5 * kAnswerTimeoutMs);
    EXPECT_EQ(menu.Handle(), nullptr);
}

// A record of a window that is visible again is dropped when its program answers (the window was
// shown meanwhile), and taken back with its hide pending when it does not (the hide of the copy
// that wrote the record may still be queued for it).
TEST(HiddenMenu, RecoveryWaitsForAProgramThatDoesNotAnswerBeforeDroppingItsRecord)
{
    constexpr char kPath[] = "Software\\Quillfen\\VeilboxTest.HeldRecovery";
    const struct {
        const char* what;
        int hangAfterMs;
        int recovered;
    } cases[] = {{"the program answers", -1, 0}, {"the program does not answer", 0, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        vbtest::RegistryKeyGuard guard(kPath);
        HelperWindows helper("--window --title \"" + UniqueTag() + " visible\"", c.hangAfterMs);
        ASSERT_TRUE(helper.Ready()) << helper.Error();
        const HWND window = helper.Window(0);
        CommandIdCounter counter;
        {
            // The copy that was killed: its record written, the hide not yet taken.
            HiddenMenu written(counter);
            HeldWindowStore writer(kPath);
            ASSERT_TRUE(written.Create());
            writer.Clear();
            written.SetChangeHandler([&] { writer.Sync(written); });
            ASSERT_NE(written.AddEntry(Record(window)), nullptr);
            written.SetChangeHandler(nullptr);
        }
        HiddenMenu menu(counter);
        ASSERT_TRUE(menu.Create());
        HeldWindowStore store(kPath);
        EXPECT_EQ(store.Recover(menu), c.recovered);
        EXPECT_EQ(menu.PendingEntryOf(window) != nullptr, c.recovered == 1);
        EXPECT_EQ(store.Load().size(), static_cast<size_t>(c.recovered)) << "the record stays with the entry";
        store.Clear();
    }
}
