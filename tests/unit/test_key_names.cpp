// Key names, the fallback of a code without one, and the two display forms of a
// combination.
#include <gtest/gtest.h>

#include <string>

#include "hotkeys/HotkeyTable.h"
#include "hotkeys/KeyNames.h"
#include "text/Texts.h"

namespace {

TEST(KeyNamesTest, NamedCodes)
{
    const struct { uint32_t code; const char* name; } cases[] = {
        {0x01, "LBUTTON"}, {0x0D, "RETURN"},  {0x12, "MENU"},    {0x1B, "ESCAPE"},
        {0x2F, "HELP"},    {0x5D, "APPS"},    {0x6F, "DIVIDE"},  {0x91, "SCROLL"},
        {0xA5, "RMENU"},   {0xE5, "PROCESSKEY"}, {0xF6, "VK_ATTN"}, {0xFE, "VK_OEM_CLEAR"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(KeyName(c.code).Text(), c.name) << std::hex << c.code;
}

TEST(KeyNamesTest, NumberedRangesFollowTheirCodes)
{
    for (uint32_t n = 0; n <= 9; ++n)
        EXPECT_EQ(std::string(KeyName(0x60 + n).Text()), "NUMPAD" + std::to_string(n));
    for (uint32_t n = 1; n <= 24; ++n)
        EXPECT_EQ(std::string(KeyName(0x6F + n).Text()), "F" + std::to_string(n));
}

TEST(KeyNamesTest, ExactlyNinetyOneCodesHaveNames)
{
    // Every name is at least two capitals, digits or underscores; no fallback is ("0xE8", ";").
    int named = 0;
    for (uint32_t code = 0; code <= 0xFF; ++code) {
        const std::string name = KeyName(code).Text();
        named += name.size() > 1 && name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_") ==
                                        std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(named, 91);
}

TEST(KeyNamesTest, UnnamedCodesFallBackToOneCharacter)
{
    const struct { uint32_t code; std::string text; } cases[] = {
        {0x41, "A"}, {0x5A, "Z"}, {0x30, "0"}, {0x39, "9"},
        {0x05, std::string(1, '\x05')},
        // From 0x80 up a byte is no UTF-8 character: the key cap (of a US keyboard, as the test
        // session's), else the code.
        {VK_OEM_1, ";"}, {VK_OEM_PLUS, "="}, {VK_OEM_COMMA, ","}, {VK_OEM_MINUS, "-"},
        {VK_OEM_PERIOD, "."}, {VK_OEM_2, "/"}, {VK_OEM_3, "`"}, {VK_OEM_4, "["},
        {VK_OEM_5, "\\"}, {VK_OEM_6, "]"}, {VK_OEM_7, "'"},
        {0xFF, "0xFF"},                 // the end marker is no name
        {0x141, "A"},                   // above 8 bits: never a table match
        {0x170, "p"},                   // not F1
        {0x00, ""},
        {0x100, ""},
    };
    for (const auto& c : cases) {
        const NString name = KeyName(c.code);
        ASSERT_FALSE(name.IsNull()) << std::hex << c.code;
        EXPECT_EQ(std::string(name.Text()), c.text) << std::hex << c.code;
    }
}

TEST(KeyNamesTest, HotkeyAndBindingTextOrderModifiersDifferently)
{
    const struct {
        bool ctrl, shift, alt;
        uint16_t key;
        const char* hotkeyText;
        const char* bindingText;
        const char* locale = "en-US";  // the modifiers are named in the language in use
    } cases[] = {
        {true, true, false, 0x48, "Ctrl+Shft+H", "Ctrl+Shft+H"},
        {false, false, true, 0x70, "Alt+F1", "Alt+F1"},
        {true, true, true, 0x70, "Ctrl+Alt+Shft+F1", "Ctrl+Shft+Alt+F1"},
        {false, true, true, 0x0D, "Alt+Shft+RETURN", "Shft+Alt+RETURN"},
        {true, false, false, 0x1B, "Ctrl+ESCAPE", "Ctrl+ESCAPE"},
        {false, false, false, 0x41, "A", "A"},
        {false, false, false, 0x00, "", ""},
        {true, false, false, 0x00, "Ctrl+", "Ctrl+"},
        {false, true, false, 0x141, "Shft+A", "Shft+A"},
        {true, false, false, VK_OEM_1, "Ctrl+;", "Ctrl+;"},
        {true, true, true, 0x48, "Strg+Alt+Umschalt+H", "Strg+Umschalt+Alt+H", "de-DE"},
        {false, true, false, 0x48, "Maj+H", "Maj+H", "fr-FR"},
    };
    for (const auto& c : cases) {
        SelectLanguage(c.locale);
        const HotkeyRecord record("x", c.ctrl, c.shift, c.alt, c.key, 1);
        EXPECT_STREQ(HotkeyText(record).Text(), c.hotkeyText);
        EXPECT_STREQ(BindingText(record).Text(), c.bindingText);
        EXPECT_STREQ(record.HotkeyText().Text(), c.hotkeyText);
    }
    SelectLanguage("en-US");
}

} // namespace
