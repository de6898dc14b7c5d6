// Hotkey records: their stored text both ways, the table built from the
// settings store, and the table's editing and text operations.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "hotkeys/HotkeyTable.h"
#include "support/TestSupport.h"

namespace {

struct Fields {
    bool ctrl, shift, alt;
    uint16_t key;
    uint32_t id;
};

void ExpectFields(const HotkeyRecord& r, const Fields& f, const std::string& label)
{
    EXPECT_EQ(r.ctrl, f.ctrl) << label;
    EXPECT_EQ(r.shift, f.shift) << label;
    EXPECT_EQ(r.alt, f.alt) << label;
    EXPECT_EQ(r.key, f.key) << label;
    EXPECT_EQ(r.id, f.id) << label;
    EXPECT_FALSE(r.registered) << label;
}

TEST(HotkeyRecordTest, StoredTextIsReadFieldByField)
{
    const struct { const char* text; Fields want; } cases[] = {
        {"1,1,0,72,1009", {true, true, false, 72, 1009}},
        {"0,1,1,112,1009", {false, true, true, 112, 1009}},
        {"1,1,0", {true, true, false, 0, 0}},
        {"7,0,-3,65608,1010", {true, false, true, 72, 1010}},
        {"0,0,0,-1,5", {false, false, false, 0xFFFF, 5}},
        {" 1 , 0 , 1 , 65 , 42 ", {true, false, true, 65, 42}},
        {"1,1,0,72,1009,99", {true, true, false, 72, 0}}, // extra field spoils the id
        {"garbage", {false, false, false, 0, 0}},
        {"x,1,y,77,z", {false, true, false, 77, 0}},
        {"", {false, false, false, 0, 0}},
        {",,,,", {false, false, false, 0, 0}},
    };
    for (const auto& c : cases) {
        const HotkeyRecord r = HotkeyRecord::FromStoredText("Hide Active", NString(c.text));
        EXPECT_STREQ(r.name.Text(), "Hide Active");
        ExpectFields(r, c.want, c.text);
    }
}

TEST(HotkeyRecordTest, StoredTextRoundTrips)
{
    const HotkeyRecord records[] = {
        {"a", true, true, false, 'H', 1009},
        {"b", false, true, true, 0x70, 1010},
        {"c", true, false, true, 0xFFFF, 0xBFFF},
        {"d", false, false, false, 0, 0},
    };
    for (const HotkeyRecord& r : records) {
        const HotkeyRecord back = HotkeyRecord::FromStoredText("z", r.ToStoredText());
        EXPECT_TRUE(back.SameRecord(r)) << r.ToStoredText().Text();
    }
    EXPECT_STREQ(records[1].ToStoredText().Text(), "0,1,1,112,1010");
}

TEST(HotkeyRecordTest, ModifierFlags)
{
    const struct { bool ctrl, shift, alt; UINT want; } cases[] = {
        {false, false, false, 0}, {true, false, false, MOD_CONTROL},
        {false, true, true, MOD_SHIFT | MOD_ALT}, {true, true, true, 7},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HotkeyRecord("x", c.ctrl, c.shift, c.alt, 1, 1).Modifiers(), c.want);
    EXPECT_EQ(HotkeyRecord::FromStoredText("x", "0,1,1,112,1009").Modifiers(), 5u);
}

TEST(HotkeyRecordTest, SameCombinationIgnoresIdAndName_SameRecordDoesNot)
{
    const HotkeyRecord base("one", true, true, false, 'H', 1009);
    HotkeyRecord renamed = base;
    renamed.name = "two";
    renamed.registered = true;
    HotkeyRecord otherId = base;
    otherId.id = 1010;
    HotkeyRecord otherKey = base;
    otherKey.key = 'M';
    HotkeyRecord otherAlt = base;
    otherAlt.alt = true;

    EXPECT_TRUE(base.SameRecord(renamed));
    EXPECT_TRUE(base.SameCombination(otherId));
    EXPECT_FALSE(base.SameRecord(otherId));
    EXPECT_FALSE(base.SameCombination(otherKey));
    EXPECT_FALSE(base.SameCombination(otherAlt));
}

// A throw-away key per test, so tests running side by side never share values.
class HotkeyStoreTest : public ::testing::Test {
protected:
    HotkeyStoreTest()
        : m_path(std::string("Software\\Quillfen\\VeilboxTest.") +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name()),
          m_guard(m_path.c_str()), m_store(HKEY_CURRENT_USER, m_path.c_str())
    {
        m_guard.Clear();
    }

    DWORD ValueCount()
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, m_path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return 0;
        DWORD count = 0;
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                         nullptr, nullptr, nullptr, nullptr);
        RegCloseKey(key);
        return count;
    }

    std::string m_path;
    vbtest::RegistryKeyGuard m_guard;
    SettingsKey m_store;
};

TEST_F(HotkeyStoreTest, EmptyStoreGivesDefaultsAndWritesNothing)
{
    const struct {
        const char* name;
        Fields fields;
        const char* stored;
    } defaults[] = {
        {"Hide Active", {true, true, false, 0x48, 1009}, "1,1,0,72,1009"},
        {"Popup Menu", {true, true, false, 0x4D, 1010}, "1,1,0,77,1010"},
        {"Restore Last", {true, true, false, 0x55, 1013}, "1,1,0,85,1013"},
        {"Restore All", {true, true, true, 0x55, 1014}, "1,1,1,85,1014"},
        {"Hide Program", {true, true, true, 0x48, 1015}, "1,1,1,72,1015"},
    };
    HotkeyTable table;
    table.Load(m_store);
    ASSERT_EQ(table.Count(), 5u);
    for (size_t i = 0; i < table.Count(); ++i) {
        EXPECT_STREQ(table[i].name.Text(), defaults[i].name);
        ExpectFields(table[i], defaults[i].fields, defaults[i].name);
        EXPECT_STREQ(table[i].ToStoredText().Text(), defaults[i].stored);
    }
    EXPECT_EQ(ValueCount(), 0u);

    // Settings from before the last three actions: those get their defaults, the two stored
    // records stay as they are, and nothing is written.
    ASSERT_TRUE(m_store.WriteText("Hide Active", "0,1,1,112,1009"));
    ASSERT_TRUE(m_store.WriteText("Popup Menu", "1,0,0,81,1010"));
    table.Load(m_store);
    ASSERT_EQ(table.Count(), 5u);
    EXPECT_STREQ(table[0].ToStoredText().Text(), "0,1,1,112,1009");
    EXPECT_STREQ(table[1].ToStoredText().Text(), "1,0,0,81,1010");
    for (size_t i = 2; i < table.Count(); ++i)
        EXPECT_STREQ(table[i].ToStoredText().Text(), defaults[i].stored);
    EXPECT_EQ(ValueCount(), 2u);
}

// Stored bindings win over the defaults of the newer actions (Restore Last, Restore All, Hide
// Program): such a default equal to a stored combination stays unassigned, and the texts say
// "none" for it. A stored "none" stays none; a damaged value is no binding.
TEST_F(HotkeyStoreTest, ADefaultThatCollidesWithAStoredBindingStaysUnassigned)
{
    const struct {
        const char* label;
        std::vector<std::pair<const char*, const char*>> stored;
        std::vector<const char*> unassigned;
    } cases[] = {
        {"Hide Active on Restore Last's", {{"Hide Active", "1,1,0,85,1009"}}, {"Restore Last"}},
        {"Popup Menu on Restore All's", {{"Popup Menu", "1,1,1,85,1010"}}, {"Restore All"}},
        {"Hide Active on Hide Program's", {{"Hide Active", "1,1,1,72,1009"}}, {"Hide Program"}},
        // An older action's default never gives way: the user settles it through the question.
        {"Restore All on Popup Menu's", {{"Restore All", "1,1,0,77,1014"}}, {}},
        {"Restore All on a damaged Popup Menu's", {{"Popup Menu", "1,1,0"}, {"Restore All", "1,1,0,77,1014"}}, {}},
        {"Hide Program on Hide Active's", {{"Hide Program", "1,1,0,72,1015"}}, {}},
        {"Restore All on Restore Last's", {{"Restore All", "1,1,0,85,1014"}}, {"Restore Last"}},
        {"two at once", {{"Hide Active", "1,1,0,85,1009"}, {"Popup Menu", "1,1,1,72,1010"}},
         {"Restore Last", "Hide Program"}},
        {"no collision", {{"Hide Active", "0,1,1,112,1009"}, {"Popup Menu", "1,0,0,81,1010"}}, {}},
        // The Hot Key dialog's OK stored a newer action's default beside the user's binding.
        {"Restore Last's default saved beside Hide Active on it",
         {{"Hide Active", "1,1,0,85,1009"}, {"Restore Last", "1,1,0,85,1013"}}, {"Restore Last"}},
        {"Hide Program's default saved beside Popup Menu on it",
         {{"Popup Menu", "1,1,1,72,1010"}, {"Hide Program", "1,1,1,72,1015"}, {"Restore All", "1,1,1,85,1014"}},
         {"Hide Program"}},
        {"both stored alike, not a default: the user's own",
         {{"Hide Active", "1,0,0,80,1009"}, {"Restore Last", "1,0,0,80,1013"}}, {}},
        {"two newer ones stored alike: the user's own",
         {{"Restore All", "1,1,0,85,1014"}, {"Restore Last", "1,1,0,85,1013"}}, {}},
        {"a damaged value is no binding", {{"Hide Active", "1,1,0,0,1009"}}, {}},
        // What Save writes for an action without a combination stays so.
        {"a stored none", {{"Restore Last", "0,0,0,0,1013"}}, {"Restore Last"}},
        {"a stored none of an older action", {{"Popup Menu", "0,0,0,0,1010"}}, {"Popup Menu"}},
        {"a stored none frees its default for nobody",
         {{"Hide Active", "1,1,0,85,1009"}, {"Restore Last", "0,0,0,0,1013"}}, {"Restore Last"}},
        {"key 0 with another id is damaged", {{"Restore Last", "0,0,0,0,1014"}}, {}},
        {"key 0 with modifiers is damaged", {{"Restore Last", "1,0,0,0,1013"}}, {}},
        {"key 0 without an id is damaged", {{"Restore Last", "0,0,0,0"}}, {}},
        {"key 0 in other words is damaged", {{"Restore Last", "0,0,0,0,1013,"}}, {}},
    };
    for (const auto& c : cases) {
        m_guard.Clear();
        for (const auto& [name, text] : c.stored)
            ASSERT_TRUE(m_store.WriteText(name, text)) << c.label;
        HotkeyTable table;
        table.Load(m_store);
        ASSERT_EQ(table.Count(), 5u) << c.label;
        const uint32_t ids[] = {1009, 1010, 1013, 1014, 1015}; // kept, so the action stays reachable
        const std::string listed = table.CurrentHotkeysText().Text();
        std::vector<std::string> unassigned;
        for (size_t i = 0; i < table.Count(); ++i) {
            if (table[i].IsAssigned())
                continue;
            unassigned.push_back(table[i].name.Text());
            ExpectFields(table[i], {false, false, false, 0, ids[i]}, c.label);
            EXPECT_NE(listed.find("\n" + unassigned.back() + " none"), std::string::npos) << c.label;
        }
        EXPECT_EQ(unassigned, std::vector<std::string>(c.unassigned.begin(), c.unassigned.end())) << c.label;
        EXPECT_EQ(ValueCount(), c.stored.size()) << c.label;
    }
}

TEST_F(HotkeyStoreTest, StringValuesReplaceDefaults_OtherTypesDoNot)
{
    ASSERT_TRUE(m_store.WriteText("Hide Active", "0,1,1,112,1009"));
    ASSERT_TRUE(m_store.WriteInt("Popup Menu", 5)); // wrong type: ignored
    HotkeyTable table;
    table.Load(m_store);
    ASSERT_EQ(table.Count(), 5u);
    EXPECT_STREQ(table[0].HotkeyText().Text(), "Alt+Shft+F1");
    ExpectFields(table[1], {true, true, false, 0x4D, 1010}, "popup");

    // Text that names no key (0, or beyond the last virtual-key code) keeps the default.
    for (const char* damaged : {"rubbish", "1,1,0", "1,1,0,65535,1010", "\x01,,-,99999999999,x"}) {
        ASSERT_TRUE(m_store.WriteText("Popup Menu", damaged));
        table.Load(m_store);
        ASSERT_EQ(table.Count(), 5u); // reloading replaces, never adds
        ExpectFields(table[1], {true, true, false, 0x4D, 1010}, damaged);
        EXPECT_STREQ(table[1].name.Text(), "Popup Menu");
    }
    ASSERT_TRUE(m_store.WriteText("Popup Menu", "0,0,1,65608,7"));
    table.Load(m_store);
    ExpectFields(table[1], {false, false, true, 72, 7}, "a real key is taken as read");
}

TEST_F(HotkeyStoreTest, SaveWritesEachRecordUnderItsName)
{
    HotkeyTable table;
    table.Append({"Popup Menu", false, false, true, 0x70, 1010});
    table.Append({"Hide Active", true, false, false, 'Q', 1009});
    table.Save(m_store);
    NString hide, popup;
    ASSERT_TRUE(m_store.ReadText("Hide Active", hide));
    ASSERT_TRUE(m_store.ReadText("Popup Menu", popup));
    EXPECT_STREQ(hide.Text(), "1,0,0,81,1009");
    EXPECT_STREQ(popup.Text(), "0,0,1,112,1010");

    HotkeyTable reloaded;
    reloaded.Load(m_store);
    EXPECT_TRUE(reloaded[0].SameRecord(table[1]));
    EXPECT_TRUE(reloaded[1].SameRecord(table[0]));

    // An action left without a combination comes back without one, not with its default.
    reloaded.Clear();
    reloaded.Append({"Restore Last", false, false, false, 0, 1013});
    reloaded.Save(m_store);
    reloaded.Load(m_store);
    const HotkeyRecord* restore = reloaded.FindByName("Restore Last");
    ASSERT_NE(restore, nullptr);
    ExpectFields(*restore, {false, false, false, 0, 1013}, "a saved none");
}

TEST_F(HotkeyStoreTest, SwitchesDefaultToOnAndReadNonzeroAsOn)
{
    EXPECT_TRUE(ReadSwitch(m_store, "UseHotkey"));
    const struct { int32_t value; bool on; } cases[] = {{0, false}, {1, true}, {-1, true}, {2, true}};
    for (const auto& c : cases) {
        ASSERT_TRUE(m_store.WriteInt("UseHotkey", c.value));
        EXPECT_EQ(ReadSwitch(m_store, "UseHotkey"), c.on) << c.value;
    }
    ASSERT_TRUE(m_store.WriteText("UseHelpPopups", "0")); // not a number value: default
    EXPECT_TRUE(ReadSwitch(m_store, "UseHelpPopups"));
}

TEST(HotkeyTableTest, RemoveFirstSameMatchesCombinationAndId)
{
    HotkeyTable table;
    table.Append({"a", true, false, false, 'A', 1});
    table.Append({"b", true, false, false, 'A', 2});
    table.Append({"c", true, false, false, 'A', 1});

    EXPECT_FALSE(table.RemoveFirstSame({"a", true, false, false, 'A', 3}));
    EXPECT_FALSE(table.RemoveFirstSame({"a", false, false, false, 'A', 1}));
    ASSERT_TRUE(table.RemoveFirstSame({"whatever", true, false, false, 'A', 1}));
    ASSERT_EQ(table.Count(), 2u);
    EXPECT_STREQ(table[0].name.Text(), "b");
    EXPECT_STREQ(table[1].name.Text(), "c");
}

TEST(HotkeyTableTest, CurrentHotkeysTextListsRecordsInOrder)
{
    HotkeyTable table;
    EXPECT_STREQ(table.CurrentHotkeysText().Text(), "\nCurrent hotkeys are");
    table.Append({"Popup Menu", true, true, false, 'H', 1010});
    table.Append({"Hide Active", true, true, true, 0x70, 1009});
    EXPECT_STREQ(table.CurrentHotkeysText().Text(),
                 "\nCurrent hotkeys are\nPopup Menu Ctrl+Shft+H\nHide Active Ctrl+Alt+Shft+F1");
}

} // namespace
