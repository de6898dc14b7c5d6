// The theme's decisions and the names screen readers read of menu items.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>

#include "text/NString.h"
#include "winbase/DarkMode.h"
#include "winbase/MenuItems.h"
#include "winbase/Theme.h"

namespace {

constexpr ThemeChoice kDefault = ThemeChoice::WindowsDefault;
constexpr ThemeChoice kLight = ThemeChoice::Light;
constexpr ThemeChoice kDark = ThemeChoice::Dark;

TEST(Theme, HighContrastWinsThenTheOptionThenWindowsAppMode)
{
    const struct {
        ThemeChoice choice;
        bool appsLight, highContrast;
        ThemeLook look;
    } cases[] = {
        {kDefault, true, false, ThemeLook::Light},   {kDefault, false, false, ThemeLook::Dark},
        {kLight, false, false, ThemeLook::Light},    {kLight, true, false, ThemeLook::Light},
        {kDark, true, false, ThemeLook::Dark},       {kDark, false, false, ThemeLook::Dark},
        {kDefault, false, true, ThemeLook::HighContrast}, {kDark, true, true, ThemeLook::HighContrast},
        {kLight, true, true, ThemeLook::HighContrast},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecideLook(c.choice, ThemeFacts{c.appsLight, c.highContrast}), c.look)
            << static_cast<int>(c.choice) << " " << c.appsLight << " " << c.highContrast;
}

TEST(Theme, StoredValuesAndTheAppModeAreReadStrictly)
{
    for (const auto& [stored, choice] : {std::pair<int32_t, ThemeChoice>{0, kDefault}, {1, kLight}, {2, kDark},
                                         {3, kDefault}, {-1, kDefault}, {0x102, kDefault}})
        EXPECT_EQ(ThemeChoiceFromStored(stored), choice) << stored;
    const struct {
        const char* what;
        LONG status;
        DWORD type, size, value;
        bool light;
    } reads[] = {
        {"0 is dark", ERROR_SUCCESS, REG_DWORD, 4, 0, false},
        {"1 is light", ERROR_SUCCESS, REG_DWORD, 4, 1, true},
        {"any other number is light", ERROR_SUCCESS, REG_DWORD, 4, 7, true},
        {"no value", ERROR_FILE_NOT_FOUND, REG_NONE, 0, 0, true},
        {"a text", ERROR_SUCCESS, REG_SZ, 4, 0, true},
        {"a short number", ERROR_SUCCESS, REG_DWORD, 2, 0, true},
        {"a value too long for the buffer", ERROR_MORE_DATA, REG_BINARY, 8, 0, true},
    };
    for (const auto& r : reads)
        EXPECT_EQ(AppsUseLightFromValue(r.status, r.type, r.size, r.value), r.light) << r.what;
}

// The window manager's attribute and the theme library's ordinals only where the build has them.
TEST(Theme, TheSystemsDarkPartsAreAskedForOnlyOnBuildsThatHaveThem)
{
    for (const auto& [build, attribute, ordinals] :
         {std::tuple<DWORD, DWORD, bool>{0, 0, false}, {7601, 0, false}, {17134, 0, false}, {17763, 19, true},
          {18362, 19, true}, {18984, 19, true}, {18985, 20, true}, {22621, 20, true}}) {
        EXPECT_EQ(DarkTitleBarAttribute(build), attribute) << build;
        EXPECT_EQ(HasDarkModeOrdinals(build), ordinals) << build;
    }
}

TEST(Theme, EveryDarkTextReadsAtLeastFourAndAHalfToOne)
{
    const ThemeColours c = ColoursFor(ThemeLook::Dark);
    const struct {
        const char* what;
        COLORREF text, back;
    } pairs[] = {
        {"dialog text", c.dialogText, c.dialog},       {"list text", c.windowText, c.window},
        {"selected row", c.highlightText, c.highlight}, {"grey on a list", c.grayText, c.window},
        {"grey on a dialog", c.grayText, c.dialog},     {"grey on the menu", c.grayText, c.menu},
        {"menu entry", c.menuText, c.menu},            {"selected menu entry", c.menuHighlightText, c.menuHighlight},
        {"link", c.link, c.dialog},                    {"help popup", c.tipText, c.tip},
    };
    for (const auto& p : pairs)
        EXPECT_GE(ContrastRatio(p.text, p.back), 4.5) << p.what;
    EXPECT_NEAR(ContrastRatio(RGB(0, 0, 0), RGB(255, 255, 255)), 21.0, 0.01);
}

std::wstring Read(const MSAAMENUINFO& info)
{
    return std::wstring(info.pszWText, info.cchWText);
}

// What a screen reader finds at an item's data: the signature and the text, in a name that is
// alive; a copy points at its own text, and a name gone is no longer found.
TEST(MenuItemNames, BeginWithTheSignatureAndTheTextAndAreFoundOnlyWhileAlive)
{
    ULONG_PTR gone = 0;
    {
        MenuItemName name;
        const auto& info = *reinterpret_cast<const MSAAMENUINFO*>(&name);
        EXPECT_EQ(info.dwMSAASignature, static_cast<DWORD>(MSAA_MENU_SIG));
        EXPECT_EQ(Read(info), L"");
        name.SetText(L"E&xit");
        EXPECT_EQ(Read(info), L"E&xit");
        // A title as the A calls read it: in the ANSI code page, whatever that is.
        name.SetLiteral(NString::FromWide(L"Tom & Jerry \x2013 Notes", 0, CP_ACP).Text());
        EXPECT_EQ(Read(info), L"Tom && Jerry \x2013 Notes");
        MenuItemName copy(name);
        EXPECT_NE(copy.Info().pszWText, info.pszWText);
        EXPECT_EQ(Read(copy.Info()), Read(info));
        gone = reinterpret_cast<ULONG_PTR>(&copy);
        EXPECT_EQ(LiveMenuItemName(gone), &copy);
        EXPECT_EQ(LiveMenuItemName(reinterpret_cast<ULONG_PTR>(&name)), &name);
    }
    EXPECT_EQ(LiveMenuItemName(gone), nullptr);
    for (ULONG_PTR junk : {ULONG_PTR{0}, ULONG_PTR{0x10}, ~ULONG_PTR{0}})
        EXPECT_EQ(LiveMenuItemName(junk), nullptr) << junk;

    for (const auto& [text, key] : {std::pair<const wchar_t*, wchar_t>{L"E&xit", L'X'}, {L"&show", L'S'},
                                    {L"Tom && Jerry", 0}, {L"&&&a", L'A'}, {L"end&", 0}, {L"", 0}})
        EXPECT_EQ(AccessKeyOf(text), key) << text;
}

}  // namespace
