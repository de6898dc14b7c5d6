// Texts beyond ASCII in the real registry, read by the program's own code under the UTF-8 code
// page (this test program carries the program's manifest), where a text comes back longer than it
// is stored: settings, rules and held records keep every character through a load, a save and a
// move; a value that grows between two reads is read in full; a value that cannot be read damages
// its rule or record instead of leaving a field out. Each test works below its own throw-away key.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/held/HeldWindows.h"
#include "app/rules/Rules.h"
#include "settings/RegistryRead.h"
#include "settings/SettingsKey.h"
#include "text/WString.h"

namespace {

const char kTestParent[] = "Software\\Quillfen\\VeilboxTest";

// Greek takes 2 UTF-8 bytes per stored UTF-16 unit, Japanese 3 for 2, emoji 4 per pair.
const char kJapanese[] = u8"*東京都庁のお知らせ*";
const char kGreek[] = u8"Καλημέρα κόσμε — Ωμέγα*";
const char kEmoji[] = u8"\U0001F600\U0001F680 launch?";
const char kMixed[] = u8"日本語のクラス Ελληνικά \U0001F4BE";

std::string Repeat(const char* text, int times)
{
    std::string repeated;
    for (int i = 0; i < times; ++i)
        repeated += text;
    return repeated;
}

// What the probe rewrites: before read try i of the value named value below path, steps[i]
// (when there is one and it is not empty).
struct GrowthPlan {
    std::string path, value;
    std::vector<std::string> steps;
    int enumerations = 0;
    int deleteAt = 2;
    std::string deleteOnSecondEnumeration;
    std::function<void()> afterTheDelete;
} g_plan;

void GrowingProbe(HKEY, const char* name, int attempt)
{
    if (!name) {
        if (++g_plan.enumerations == g_plan.deleteAt && !g_plan.deleteOnSecondEnumeration.empty()) {
            RegDeleteTreeA(HKEY_CURRENT_USER, g_plan.deleteOnSecondEnumeration.c_str());
            if (g_plan.afterTheDelete)
                g_plan.afterTheDelete();
        }
        return;
    }
    if (g_plan.value != name || attempt >= static_cast<int>(g_plan.steps.size()) || g_plan.steps[attempt].empty())
        return;
    const std::string& text = g_plan.steps[attempt];
    RegSetKeyValueA(HKEY_CURRENT_USER, g_plan.path.c_str(), name, REG_SZ, text.c_str(),
                    static_cast<DWORD>(text.size() + 1));
}

Rule MakeRule(const char* title, const char* className, const char* exe)
{
    Rule rule;
    rule.title = title;
    rule.className = className;
    rule.exe = exe;
    return rule;
}

std::vector<StoredRule> Fresh(const std::vector<Rule>& rules)
{
    std::vector<StoredRule> stored(rules.size());
    for (size_t i = 0; i < rules.size(); ++i) {
        stored[i].rule = rules[i];
        stored[i].changed = true;
    }
    return stored;
}

} // namespace

class RegistryTextsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8)) << "the test program must run under the UTF-8 code page";
        static int serial = 0;
        m_path = NString::Format("%s\\%lu_%d", kTestParent, GetCurrentProcessId(), ++serial);
        g_plan = GrowthPlan();
        SetRegistryReadProbe(GrowingProbe);
    }
    void TearDown() override
    {
        SetRegistryReadProbe(nullptr);
        RegDeleteTreeA(HKEY_CURRENT_USER, m_path.Text());
        RegDeleteKeyA(HKEY_CURRENT_USER, kTestParent);
    }
    void Plan(const NString& path, const char* value, std::vector<std::string> steps)
    {
        g_plan.path = path.Text();
        g_plan.value = value;
        g_plan.steps = std::move(steps);
    }
    NString m_path;
};

TEST_F(RegistryTextsTest, SettingsTextsKeepEveryCharacterAndAreStoredAsTheirCharacters)
{
    const std::string longText = Repeat(kJapanese, 100);
    SettingsKey key(HKEY_CURRENT_USER, m_path.Text());
    for (const char* text : {kJapanese, kGreek, kEmoji, kMixed, longText.c_str()}) {
        NString read("unchanged");
        ASSERT_TRUE(key.WriteText("Text", text));
        EXPECT_TRUE(key.ReadText("Text", read)) << key.LastError();
        EXPECT_STREQ(read.Text(), text);
        wchar_t stored[4096] = {}, expected[4096] = {};
        DWORD size = sizeof stored;
        RegGetValueW(HKEY_CURRENT_USER, WString::FromNarrow(m_path.Text()).Text(), L"Text", RRF_RT_REG_SZ, nullptr,
                     stored, &size);
        MultiByteToWideChar(CP_UTF8, 0, text, -1, expected, 4096);
        EXPECT_EQ(std::wstring(stored), std::wstring(expected));
    }
}

TEST_F(RegistryTextsTest, ATextThatChangesBetweenReadsIsReadInFullOrNotAtAll)
{
    const std::string a = Repeat(kJapanese, 20), b = Repeat(kGreek, 60), c = Repeat(kEmoji, 200);
    const struct { std::vector<std::string> steps; bool read; std::string expected; } cases[] = {
        {{a}, true, a},                       // longer than the first try
        {{a, b, c}, true, c},                 // grows again before each of two more tries
        {{c, kGreek}, true, kGreek},          // shrinks before the second try
    };
    for (const auto& c : cases) {
        SettingsKey key(HKEY_CURRENT_USER, m_path.Text());
        ASSERT_TRUE(key.WriteText("Grows", "start"));
        Plan(m_path, "Grows", c.steps);
        NString read("unchanged");
        EXPECT_EQ(key.ReadText("Grows", read), c.read);
        EXPECT_STREQ(read.Text(), c.expected.c_str());
    }
    // Grown before every try: given up after the last, with nothing read.
    std::vector<std::string> everTry;
    for (int i = 0; i < kRegistryReadTries; ++i)
        everTry.push_back(Repeat(kEmoji, 40 << i));
    Plan(m_path, "Grows", everTry);
    SettingsKey key(HKEY_CURRENT_USER, m_path.Text());
    NString read("unchanged");
    EXPECT_FALSE(key.ReadText("Grows", read));
    EXPECT_EQ(key.LastError(), ERROR_MORE_DATA);
    EXPECT_STREQ(read.Text(), "unchanged");
}

TEST_F(RegistryTextsTest, RulesKeepEveryCharacterThroughLoadSaveAndMove)
{
    const std::vector<Rule> rules = {
        MakeRule(kJapanese, "", "notepad.exe"),
        MakeRule(kGreek, kMixed, ""),
        MakeRule("", kEmoji, u8"プログラム.exe"),
        MakeRule(Repeat(u8"窓", 255).c_str(), "", ""),
    };
    const RuleStore store(m_path.Text());
    ASSERT_TRUE(store.Save(Fresh(rules)));
    // Values no rule has, with long names beyond ASCII: copied with their rule. The second name
    // is 36 000 bytes in UTF-8, past the 32 KB a name buffer once stopped growing at.
    for (const std::string& extraName : {Repeat(u8"名", 200), Repeat(u8"名", 12000)})
        ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, (m_path + "\\Rules\\001").Text(), extraName.c_str(), REG_SZ,
                                  kEmoji, sizeof kEmoji),
                  ERROR_SUCCESS);
    std::vector<StoredRule> loaded = store.Load();
    ASSERT_EQ(loaded.size(), rules.size());
    for (size_t i = 0; i < rules.size(); ++i) {
        EXPECT_FALSE(loaded[i].rule.damaged) << i;
        EXPECT_TRUE(loaded[i].rule.SameAs(rules[i])) << i << ": " << loaded[i].rule.Describe().Text();
    }
    // Moved unchanged: every rule is copied value for value to its new place.
    std::reverse(loaded.begin(), loaded.end());
    ASSERT_TRUE(store.Save(loaded));
    const std::vector<StoredRule> moved = store.Load();
    ASSERT_EQ(moved.size(), rules.size());
    for (size_t i = 0; i < rules.size(); ++i) {
        EXPECT_TRUE(moved[i].rule.SameAs(rules[rules.size() - 1 - i])) << i << ": " << moved[i].rule.Describe().Text();
        EXPECT_EQ(moved[i].raw.size(), loaded[i].raw.size()) << i;
    }
    EXPECT_EQ(store.LoadActing().size(), rules.size());
    // Saved twice without a load between (as after a save that failed), the rules dropped the
    // second time go: the store knows the keys it wrote. A store that never read the keys there
    // writes nothing over them.
    const RuleStore again(m_path.Text());
    EXPECT_FALSE(again.Save(Fresh({rules[0]})));
    EXPECT_EQ(again.Load().size(), rules.size());
    ASSERT_TRUE(again.Save(Fresh(rules)));
    ASSERT_TRUE(again.Save(Fresh({rules[2]})));
    EXPECT_EQ(again.Load().size(), 1u);
}

TEST_F(RegistryTextsTest, AnUnreadableValueDamagesItsRuleOrRecordWhereverItMoves)
{
    std::vector<std::string> everTry;
    for (int i = 0; i < kRegistryReadTries; ++i)
        everTry.push_back(Repeat(kJapanese, 40 << i));
    const RuleStore store(m_path.Text());
    ASSERT_TRUE(store.Save(Fresh({MakeRule("*", "", "a.exe"), MakeRule(kJapanese, "", "notepad.exe")})));
    Plan(m_path + "\\Rules\\001", "Title", everTry);
    std::vector<StoredRule> loaded = store.Load();
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_FALSE(loaded[0].rule.damaged);
    EXPECT_TRUE(loaded[1].rule.damaged) << loaded[1].rule.Describe().Text();
    EXPECT_EQ(store.LoadActing().size(), 1u);
    // Moved up, it stays damaged: it never becomes "every notepad.exe window".
    g_plan = GrowthPlan();
    std::swap(loaded[0], loaded[1]);
    ASSERT_TRUE(store.Save(loaded));
    const std::vector<StoredRule> moved = store.Load();
    ASSERT_EQ(moved.size(), 2u);
    EXPECT_TRUE(moved[0].rule.damaged);
    EXPECT_FALSE(moved[1].rule.damaged);
    for (const char* name : {"Enabled", "Title", "Exe", "When"})
        EXPECT_TRUE(std::any_of(moved[0].raw.begin(), moved[0].raw.end(),
                                [name](const RawValue& value) { return value.name.Equals(name); })) << name;

    // A held record whose title cannot be read is skipped, its sound neighbours are not.
    const SettingsKey held(HKEY_CURRENT_USER, (m_path + "\\Held").Text());
    for (const char* name : {"00000", "00001", "00002"}) {
        SettingsKey entry(held, name);
        entry.WriteInt("ProcessId", 77);
        entry.WriteText("Class", kMixed);
        entry.WriteText("Title", kJapanese);
        entry.WriteText("Window", "4660");
    }
    Plan(m_path + "\\Held\\00001", "Title", everTry);
    // Found by the held records' fuzz target: a REG_DWORD process id of three bytes was read as a
    // smaller number instead of damaging its record.
    HKEY shortId = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (m_path + "\\Held\\00003").Text(), 0, nullptr, 0, KEY_WRITE,
                              nullptr, &shortId, nullptr),
              ERROR_SUCCESS);
    const BYTE threeBytes[] = {77, 0, 0};
    RegSetValueExA(shortId, "ProcessId", 0, REG_DWORD, threeBytes, sizeof threeBytes);
    RegSetValueExA(shortId, "Window", 0, REG_SZ, reinterpret_cast<const BYTE*>("4660"), 5);
    RegCloseKey(shortId);
    const std::vector<HeldRecord> records = HeldWindowStore(m_path.Text()).Load();
    ASSERT_EQ(records.size(), 2u);
    for (const HeldRecord& record : records) {
        EXPECT_STREQ(record.className.Text(), kMixed);
        EXPECT_STREQ(record.title.Text(), kJapanese);
    }
}

TEST_F(RegistryTextsTest, RuleEnumerationEndsWhenTheRulesKeyIsDeletedMeanwhile)
{
    const std::vector<Rule> three = {MakeRule("a", "", ""), MakeRule("b", "", ""), MakeRule("c", "", "")};
    // Made again at once, the rules are all stored while the key being listed answers errors:
    // a save of the short list must not delete the ones it did not read.
    for (const bool madeAgain : {false, true}) {
        SCOPED_TRACE(madeAgain ? "made again meanwhile" : "deleted");
        const RuleStore store(m_path.Text());
        ASSERT_TRUE(store.Save(Fresh(three)));
        g_plan.enumerations = 0;
        g_plan.deleteOnSecondEnumeration = (m_path + "\\Rules").Text();
        g_plan.afterTheDelete = nullptr;
        if (madeAgain)
            g_plan.afterTheDelete = [this, &three] { RuleStore(m_path.Text()).Save(Fresh(three)); };
        const DWORD start = GetTickCount();
        std::vector<StoredRule> loaded = store.Load();
        EXPECT_LE(loaded.size(), 1u);
        EXPECT_LT(GetTickCount() - start, 5000u);
        EXPECT_FALSE(store.LoadedWhole());
        g_plan = GrowthPlan();
        if (!loaded.empty())
            loaded[0].changed = true;
        EXPECT_FALSE(store.Save(loaded)) << "a list not read whole is not saved over the store";
        const RuleStore reread(m_path.Text());
        EXPECT_EQ(reread.Load().size(), madeAgain ? 3u : 0u);
        EXPECT_TRUE(reread.LoadedWhole());
        RegDeleteTreeA(HKEY_CURRENT_USER, m_path.Text());
    }
}

// The held records' listing fails part of the way (the key made again while it is listed): none
// of a killed copy's three records is read. They are neither written over by the record of a
// window hidden next nor deleted at the end (that record alone goes), and the next start takes
// their windows back.
TEST_F(RegistryTextsTest, HeldRecordsNotAllListedAreNeitherWrittenOverNorDeleted)
{
    std::vector<HWND> windows;
    for (int i = 0; i < 4; ++i)
        windows.push_back(CreateWindowExA(0, "STATIC", "held", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                          nullptr, nullptr, nullptr));
    const auto hide = [](HiddenMenu& menu, HWND window) {
        TitledWindow record;
        record.window = window;
        record.title = "held";
        const MenuEntry* entry = menu.AddEntry(record);
        return entry && menu.HideEntryWindow(entry->commandId) == HideOutcome::Hidden;
    };
    const NString held = m_path + "\\Held";
    CommandIdCounter counter;
    {
        HiddenMenu killed(counter);
        HeldWindowStore writer(m_path.Text());
        ASSERT_TRUE(killed.Create());
        writer.Clear();
        killed.SetChangeHandler([&] { writer.Sync(killed); });
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(hide(killed, windows[i]));
        killed.SetChangeHandler(nullptr);
    }
    std::vector<std::pair<NString, std::string>> records;
    for (const char* name : {"00000", "00001", "00002"}) {
        ShowWindow(windows[records.size()], SW_HIDE);
        char text[1024] = {};
        DWORD size = sizeof text;
        ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, held.Text(), name, RRF_RT_REG_SZ, nullptr, text, &size), 0);
        records.push_back({NString(name), text});
    }
    // Without the values naming the killed copy the key holds the three records alone. The legacy
    // sub-keys are listed first, then the values: the third listing call fails.
    for (const char* owner : {"OwnerProcessId", "OwnerCreated"})
        ASSERT_EQ(RegDeleteKeyValueA(HKEY_CURRENT_USER, held.Text(), owner), 0);
    g_plan.deleteAt = 3;
    g_plan.deleteOnSecondEnumeration = held.Text();
    g_plan.afterTheDelete = [&] {
        for (const auto& record : records)
            RegSetKeyValueA(HKEY_CURRENT_USER, held.Text(), record.first.Text(), REG_SZ, record.second.c_str(),
                            static_cast<DWORD>(record.second.size() + 1));
    };
    HiddenMenu menu(counter);
    ASSERT_TRUE(menu.Create());
    HeldWindowStore store(m_path.Text());
    // The records listed before the deletion are taken back (none, when the names are listed before
    // any is read); the listing then fails, and the rest must stay as they are.
    const int recovered = store.Recover(menu);
    ASSERT_LT(recovered, 3) << "the listing did not fail part-way";
    g_plan = GrowthPlan();
    menu.SetChangeHandler([&] { store.Sync(menu); });
    EXPECT_TRUE(hide(menu, windows[3]));
    menu.SetChangeHandler(nullptr);
    menu.ReleaseAll();
    store.Clear();
    std::vector<HWND> left;
    for (const HeldRecord& record : HeldWindowStore(m_path.Text()).Load())
        left.push_back(record.window);
    // A window taken back was shown by ReleaseAll and its record went; the others' stay, neither
    // written over by the new hide nor deleted at the clear.
    EXPECT_EQ(left, std::vector<HWND>(windows.begin() + recovered, windows.begin() + 3));

    HiddenMenu next(counter);
    ASSERT_TRUE(next.Create());
    HeldWindowStore again(m_path.Text());
    EXPECT_EQ(again.Recover(next), 3 - recovered);
    next.ReleaseAll();
    again.Clear();
    for (HWND window : windows) {
        EXPECT_TRUE(IsWindowVisible(window));
        DestroyWindow(window);
    }
}
