// Settings key against the real registry. Every test works below its own
// throw-away key Software\Quillfen\VeilboxTest\<unique> and deletes it; the
// program's own key is never touched.
#include <gtest/gtest.h>

#include <string>

#include "settings/SettingsKey.h"

namespace {

const char kTestParent[] = "Software\\Quillfen\\VeilboxTest";

// Opens path below HKEY_CURRENT_USER and, given a name, queries that value's
// type and size.
bool RawQuery(const char* path, const char* name = nullptr, DWORD* type = nullptr, DWORD* size = nullptr)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    const bool found = !name || RegQueryValueExA(key, name, nullptr, type, nullptr, size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

class SettingsKeyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static int serial = 0;
        m_path = NString::Format("%s\\%lu_%lu_%d", kTestParent, GetCurrentProcessId(), GetTickCount(), ++serial);
    }

    void TearDown() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, m_path.Text());
        // Succeeds only once no other test process has a key there.
        RegDeleteKeyA(HKEY_CURRENT_USER, kTestParent);
    }

    // Stores a value of any type with plain registry calls.
    void RawSet(const char* name, DWORD type, const void* data, DWORD size)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, m_path.Text(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr), ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
        RegCloseKey(key);
    }

    NString m_path;
};

TEST(SettingsKeyConstructionTest, RootsAndPaths)
{
    const SettingsKey base(HKEY_LOCAL_MACHINE, "Software\\Quillfen");
    const SettingsKey invalid(HKEY_CURRENT_USER, "");
    const struct { SettingsKey key; HKEY root; const char* path; LONG error; } cases[] = {
        {{HKEY_CURRENT_USER, "\\Software\\Quillfen\\Veilbox\\"}, HKEY_CURRENT_USER, "Software\\Quillfen\\Veilbox", 0},
        {{HKEY_CLASSES_ROOT, "x"}, HKEY_CLASSES_ROOT, "x", 0},
        {{HKEY_USERS, "x"}, HKEY_USERS, "x", 0},
        {{HKEY_CURRENT_USER, ""}, HKEY_CURRENT_USER, "", ERROR_PATH_NOT_FOUND},
        {{HKEY_CURRENT_USER, nullptr}, HKEY_CURRENT_USER, nullptr, ERROR_PATH_NOT_FOUND},
        {{HKEY_CURRENT_USER, "\\\\"}, HKEY_CURRENT_USER, "", ERROR_PATH_NOT_FOUND},
        {{HKEY_CURRENT_CONFIG, "x"}, HKEY_CURRENT_CONFIG, "x", ERROR_PATH_NOT_FOUND},
        {{base, "Veilbox"}, HKEY_LOCAL_MACHINE, "Software\\Quillfen\\Veilbox", 0},
        {{base, nullptr}, HKEY_LOCAL_MACHINE, "Software\\Quillfen", 0},
        {{base, ""}, HKEY_LOCAL_MACHINE, "Software\\Quillfen", 0},
        {{invalid, "Font"}, HKEY_CURRENT_USER, nullptr, ERROR_PATH_NOT_FOUND},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.key.Root(), c.root);
        EXPECT_TRUE(c.key.Path().Equals(c.path)) << (c.path ? c.path : "(null)") << " got " << c.key.Path().Text();
        EXPECT_EQ(c.key.LastError(), c.error) << (c.path ? c.path : "(null)");
    }
}

TEST_F(SettingsKeyTest, ReadingAMissingKeyKeepsDefaultsAndCreatesNothing)
{
    SettingsKey key(HKEY_CURRENT_USER, m_path.Text());
    int32_t useHotkey = 1;
    NString password("default");
    EXPECT_FALSE(key.ReadInt("UseHotkey", useHotkey));
    EXPECT_EQ(key.LastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(key.ReadText("Password", password));
    EXPECT_FALSE(key.ValueExists("UseHotkey"));
    EXPECT_EQ(useHotkey, 1);
    EXPECT_STREQ(password.Text(), "default");
    EXPECT_FALSE(RawQuery(m_path.Text()));
}

TEST_F(SettingsKeyTest, WritesCreateThePathAndReadBack)
{
    SettingsKey key(SettingsKey(HKEY_CURRENT_USER, m_path.Text()), "MainWindow\\Font");
    for (const int32_t value : {0, -1, INT32_MIN, INT32_MAX}) {
        int32_t read = 12345;
        ASSERT_TRUE(key.WriteInt("lfHeight", value));
        EXPECT_TRUE(key.ReadInt("lfHeight", read));
        EXPECT_EQ(read, value);
    }
    for (const char* text : {"1,0,1,0,72", "C:\\dir\\file.lnk", ""}) {
        NString read;
        ASSERT_TRUE(key.WriteText("lfFaceName", text));
        EXPECT_TRUE(key.ReadText("lfFaceName", read));
        EXPECT_FALSE(read.IsNull());
        EXPECT_STREQ(read.Text(), text);
    }
    const NString path = m_path + "\\MainWindow\\Font";
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_TRUE(RawQuery(path.Text(), "lfHeight", &type, &size));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(size, 4u);
    // The empty text is stored as a REG_SZ of one zero byte.
    ASSERT_TRUE(RawQuery(path.Text(), "lfFaceName", &type, &size));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 1u);
}

TEST_F(SettingsKeyTest, WrongTypesCountAsMissing)
{
    const DWORD four = 4;
    const unsigned long long eight = 8;
    RawSet("binary4", REG_BINARY, &four, 4);
    RawSet("text", REG_SZ, "5", 2);
    RawSet("dword", REG_DWORD, &four, 4);
    RawSet("shortDword", REG_DWORD, &four, 2);
    RawSet("qword", REG_QWORD, &eight, 8);
    RawSet("expand", REG_EXPAND_SZ, "%TEMP%", 7);
    const struct { const char* name; bool intOk; bool textOk; } cases[] = {
        {"binary4", false, false}, {"text", false, true},   {"dword", true, false},
        {"shortDword", false, false}, {"qword", false, false}, {"expand", false, false},
    };
    SettingsKey key(HKEY_CURRENT_USER, m_path.Text());
    for (const auto& c : cases) {
        int32_t number = -7;
        NString text("keep");
        EXPECT_TRUE(key.ValueExists(c.name)) << c.name;
        EXPECT_EQ(key.ReadInt(c.name, number), c.intOk) << c.name;
        EXPECT_EQ(key.LastError(), c.intOk ? 0 : ERROR_BADKEY) << c.name;
        EXPECT_EQ(number, c.intOk ? 4 : -7) << c.name;
        EXPECT_EQ(key.ReadText(c.name, text), c.textOk) << c.name;
        EXPECT_EQ(key.LastError(), c.textOk ? 0 : ERROR_BADKEY) << c.name;
        EXPECT_STREQ(text.Text(), c.textOk ? "5" : "keep") << c.name;
    }
}

TEST_F(SettingsKeyTest, ReadTextStopsAtStoredSizeOrFirstZero)
{
    const std::string big(100000, 'x');
    RawSet("unterminated", REG_SZ, "abc", 3);
    RawSet("embeddedZero", REG_SZ, "ab\0cd", 5);
    RawSet("big", REG_SZ, big.c_str(), static_cast<DWORD>(big.size() + 1));
    const struct { const char* name; std::string want; } cases[] = {
        {"unterminated", "abc"}, {"embeddedZero", "ab"}, {"big", big}};
    SettingsKey key(HKEY_CURRENT_USER, m_path.Text());
    for (const auto& c : cases) {
        NString text;
        ASSERT_TRUE(key.ReadText(c.name, text)) << c.name;
        EXPECT_EQ(std::string(text.Text(), text.Length()), c.want) << c.name;
    }
}

TEST_F(SettingsKeyTest, OverlongTextIsCutAndStillTerminated)
{
    SettingsKey key(HKEY_CURRENT_USER, m_path.Text());
    ASSERT_TRUE(key.WriteText("big", std::string(100000, 'y').c_str()));
    DWORD size = 0;
    ASSERT_TRUE(RawQuery(m_path.Text(), "big", nullptr, &size));
    EXPECT_EQ(size, 0x10000u + 1);
    NString text;
    ASSERT_TRUE(key.ReadText("big", text));
    EXPECT_EQ(text.Length(), 0x10000u);
    EXPECT_EQ(text.LastChar(), 'y');
}

TEST_F(SettingsKeyTest, NullArgumentsFailWithoutTouchingAnything)
{
    SettingsKey key(HKEY_CURRENT_USER, m_path.Text());
    int32_t number = 3;
    NString text("keep");
    ASSERT_FALSE(key.ReadInt("missing", number));
    const LONG before = key.LastError();
    EXPECT_FALSE(key.ValueExists(nullptr));
    EXPECT_FALSE(key.ReadInt(nullptr, number));
    EXPECT_FALSE(key.ReadText(nullptr, text));
    EXPECT_FALSE(key.WriteInt(nullptr, 1));
    EXPECT_FALSE(key.WriteText(nullptr, "x"));
    EXPECT_FALSE(key.WriteText("name", nullptr));
    EXPECT_EQ(key.LastError(), before);
    EXPECT_EQ(number, 3);
    EXPECT_STREQ(text.Text(), "keep");
    EXPECT_FALSE(RawQuery(m_path.Text()));
}

TEST(SettingsKeyInvalidTest, NeverReachesTheRegistry)
{
    // A path of only backslashes would otherwise name the root itself.
    SettingsKey key(HKEY_CURRENT_USER, "\\\\");
    const char* name = "VeilboxTestStray";
    EXPECT_FALSE(key.WriteInt(name, 1));
    EXPECT_EQ(key.LastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(key.WriteText(name, "x"));
    EXPECT_FALSE(key.ValueExists(name));
    EXPECT_FALSE(SettingsKey(HKEY_CURRENT_USER, "").WriteInt(name, 1));
    EXPECT_FALSE(RawQuery("", name));
}

}  // namespace
