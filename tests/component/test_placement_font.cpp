// The user font kept in the "Font" sub-key: defaults stored on first use, a
// stored description used only when it is complete, and the font given to the
// dialog's controls.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "component/WinbaseProbe.h"
#include "support/TestSupport.h"
#include "winbase/FontStore.h"

using winbase_test::ProbeDialog;

namespace {

constexpr char kKeyName[] = "VeilboxFontTest";
constexpr char kKeyPath[] = "Software\\Quillfen\\VeilboxFontTest";
constexpr const char* kNumeric[] = {"lfHeight",       "lfWidth",         "lfEscapement", "lfOrientation",
                                    "lfWeight",       "lfItalic",        "lfUnderline",  "lfStrikeOut",
                                    "lfCharSet",      "lfOutPrecision",  "lfClipPrecision", "lfQuality",
                                    "lfPitchAndFamily"};

SettingsKey FontKey()
{
    return SettingsKey(SettingsKey(HKEY_CURRENT_USER, kKeyPath), "Font");
}

struct Made {
    LOGFONTA font = {};
    bool childrenHaveIt = false;
    bool firstDeleted = false;
    int logicalHeightFor12Points = 0;
};

Made MakeUserFont(bool twice = false)
{
    ProbeDialog dialog(IDD_HIDDEN, nullptr, kKeyName);
    Made made;
    dialog.script = [&](ProbeDialog& d) {
        HFONT first = d.CreateUserFont();
        HFONT font = twice ? d.CreateUserFont() : first;
        made.firstDeleted = twice && GetObjectType(first) == 0;
        GetObjectA(font, sizeof made.font, &made.font);
        made.childrenHaveIt = true;
        for (HWND child = GetWindow(d.Window(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            made.childrenHaveIt &= reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0)) == font;
        }
        HDC dc = GetDC(d.Window());
        made.logicalHeightFor12Points = -MulDiv(12, GetDeviceCaps(dc, LOGPIXELSY), 72);
        ReleaseDC(d.Window(), dc);
    };
    dialog.Show();
    return made;
}

class UserFont : public ::testing::Test {
protected:
    void SetUp() override { m_settings.Clear(); }
    vbtest::RegistryKeyGuard m_settings{kKeyPath};
};

TEST_F(UserFont, FirstUseStoresTheDefaultsAndGivesEveryControlTheFont)
{
    const Made made = MakeUserFont();
    EXPECT_TRUE(made.childrenHaveIt);
    EXPECT_STREQ(made.font.lfFaceName, "Arial");
    EXPECT_LT(made.font.lfHeight, 0) << "a character height in logical units";
    const int32_t want[] = {8, 0, 0, 0, 400, 0, 0, 0, 0, 3, 2, 1, 0x2B};
    for (size_t i = 0; i < 13; ++i) {
        int32_t value = -1;
        EXPECT_TRUE(FontKey().ReadInt(kNumeric[i], value)) << kNumeric[i];
        EXPECT_EQ(value, want[i]) << kNumeric[i];
    }
    NString face;
    EXPECT_TRUE(FontKey().ReadText("lfFaceName", face));
    EXPECT_STREQ(face.Text(), "Arial");
    EXPECT_FALSE(FontKey().ValueExists("ForeColor"));
}

TEST_F(UserFont, AStoredDescriptionIsUsedOnlyWhenComplete)
{
    LOGFONTA custom = {};
    custom.lfHeight = 12;
    custom.lfWeight = 700;
    custom.lfItalic = 1;
    custom.lfPitchAndFamily = 0x22;
    strcpy(custom.lfFaceName, "Courier New");
    for (bool complete : {true, false}) {
        m_settings.Clear();
        ASSERT_TRUE(WriteFont(SettingsKey(HKEY_CURRENT_USER, kKeyPath), "Font", custom, nullptr));
        if (!complete) {
            RegDeleteKeyValueA(HKEY_CURRENT_USER, (std::string(kKeyPath) + "\\Font").c_str(), "lfWeight");
        }
        const Made made = MakeUserFont(true);
        EXPECT_TRUE(made.firstDeleted) << complete;
        int32_t storedHeight = 0, storedWeight = 0;
        FontKey().ReadInt("lfHeight", storedHeight);
        FontKey().ReadInt("lfWeight", storedWeight);
        NString face;
        FontKey().ReadText("lfFaceName", face);
        if (complete) {
            EXPECT_EQ(made.font.lfHeight, made.logicalHeightFor12Points);
            EXPECT_EQ(made.font.lfWeight, 700);
            EXPECT_EQ(made.font.lfItalic, 1);
            EXPECT_STREQ(made.font.lfFaceName, "Courier New");
            EXPECT_EQ(storedHeight, 12) << "the height stays stored in points";
        } else {
            EXPECT_STREQ(made.font.lfFaceName, "Arial") << "a part is missing: all defaults";
            EXPECT_EQ(storedHeight, 8) << "the defaults replace the whole stored font";
            EXPECT_EQ(storedWeight, 400);
            EXPECT_STREQ(face.Text(), "Arial");
        }
    }
}

TEST_F(UserFont, AStoredFaceNameIsTakenWholeOrNotAtAll)
{
    const struct { const char* face; bool read; } cases[] = {
        {"Courier New", true},
        {u8"ＭＳ ゴシック", true},                        // 19 bytes in UTF-8
        {u8"Ελληνικά Sans Mono Pro1", true},              // 31 bytes: the most that fits
        {u8"游ゴシック ミディアム 太字 ノーマル", false},  // 51 bytes: would be cut inside a character
    };
    LOGFONTA stored = {};
    stored.lfHeight = 12;
    for (const auto& c : cases) {
        strcpy(stored.lfFaceName, "Arial");
        ASSERT_TRUE(WriteFont(SettingsKey(HKEY_CURRENT_USER, kKeyPath), "Font", stored, nullptr));
        ASSERT_TRUE(FontKey().WriteText("lfFaceName", c.face));
        LOGFONTA read = {};
        EXPECT_EQ(ReadFont(SettingsKey(HKEY_CURRENT_USER, kKeyPath), "Font", read, nullptr), c.read) << c.face;
        EXPECT_STREQ(read.lfFaceName, c.read ? c.face : "") << c.face;
    }
}

}  // namespace
