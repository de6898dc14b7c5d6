#include "winbase/Theme.h"

#include <cmath>

namespace {

constexpr wchar_t kPersonalizeKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
constexpr wchar_t kAppsUseLightTheme[] = L"AppsUseLightTheme";

// The dark palette. Every text keeps at least 4.5:1 to the backgrounds it is drawn on (the unit
// tests check each pair).
constexpr ThemeColours kDark = {
    RGB(32, 32, 32),    RGB(242, 242, 242),  // dialog, dialogText
    RGB(25, 25, 25),    RGB(242, 242, 242),  // window, windowText
    RGB(0, 84, 153),    RGB(255, 255, 255),  // highlight, highlightText
    RGB(160, 160, 160),                      // grayText
    RGB(43, 43, 43),    RGB(242, 242, 242),  // menu, menuText
    RGB(65, 65, 65),    RGB(255, 255, 255),  // menuHighlight, menuHighlightText
    RGB(110, 180, 255),                      // link
    RGB(43, 43, 43),    RGB(242, 242, 242),  // tip, tipText
};

// The link colour of the light look, as the About dialog always drew its links.
constexpr COLORREF kLightLink = RGB(0, 0, 255);

ThemeColours SystemColours(ThemeLook look)
{
    ThemeColours colours = {};
    colours.dialog = GetSysColor(COLOR_BTNFACE);
    colours.dialogText = GetSysColor(COLOR_WINDOWTEXT);
    colours.window = GetSysColor(COLOR_WINDOW);
    colours.windowText = GetSysColor(COLOR_WINDOWTEXT);
    colours.highlight = GetSysColor(COLOR_HIGHLIGHT);
    colours.highlightText = GetSysColor(COLOR_HIGHLIGHTTEXT);
    colours.grayText = GetSysColor(COLOR_GRAYTEXT);
    colours.menu = GetSysColor(COLOR_MENU);
    colours.menuText = GetSysColor(COLOR_MENUTEXT);
    colours.menuHighlight = colours.highlight;
    colours.menuHighlightText = colours.highlightText;
    colours.link = look == ThemeLook::HighContrast ? GetSysColor(COLOR_HOTLIGHT) : kLightLink;
    colours.tip = GetSysColor(COLOR_INFOBK);
    colours.tipText = GetSysColor(COLOR_INFOTEXT);
    return colours;
}

// The relative luminance of one sRGB channel.
double Linear(BYTE channel)
{
    const double c = channel / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(COLORREF colour)
{
    return 0.2126 * Linear(GetRValue(colour)) + 0.7152 * Linear(GetGValue(colour)) +
           0.0722 * Linear(GetBValue(colour));
}

ThemeFactsReader g_factsReader = nullptr;

}  // namespace

ThemeChoice ThemeChoiceFromStored(int32_t stored)
{
    switch (stored) {
    case static_cast<int32_t>(ThemeChoice::Light):
        return ThemeChoice::Light;
    case static_cast<int32_t>(ThemeChoice::Dark):
        return ThemeChoice::Dark;
    default:
        return ThemeChoice::WindowsDefault;
    }
}

ThemeChoice ReadThemeChoice(const SettingsKey& programKey)
{
    int32_t stored = 0;
    SettingsKey(programKey, kInterfaceKey).ReadInt(kThemeValue, stored);
    return ThemeChoiceFromStored(stored);
}

ThemeLook DecideLook(ThemeChoice choice, const ThemeFacts& facts)
{
    if (facts.highContrast)
        return ThemeLook::HighContrast;
    switch (choice) {
    case ThemeChoice::Light:
        return ThemeLook::Light;
    case ThemeChoice::Dark:
        return ThemeLook::Dark;
    default:
        return facts.appsUseLightTheme ? ThemeLook::Light : ThemeLook::Dark;
    }
}

bool AppsUseLightFromValue(LONG status, DWORD type, DWORD size, DWORD value)
{
    return status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(DWORD) || value != 0;
}

ThemeFacts ReadThemeFacts()
{
    ThemeFacts facts;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kPersonalizeKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        const OwnedKey owned(key);
        DWORD type = REG_NONE;
        DWORD value = 1;
        DWORD size = sizeof(value);
        const LONG status =
            RegQueryValueExW(key, kAppsUseLightTheme, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
        facts.appsUseLightTheme = AppsUseLightFromValue(status, type, size, value);
    }
    HIGHCONTRASTW contrast = {sizeof(contrast)};
    facts.highContrast = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
                         (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
    return facts;
}

ThemeFactsReader SetThemeFactsReader(ThemeFactsReader reader)
{
    const ThemeFactsReader before = g_factsReader;
    g_factsReader = reader;
    return before;
}

ThemeColours ColoursFor(ThemeLook look)
{
    return look == ThemeLook::Dark ? kDark : SystemColours(look);
}

bool operator==(const ThemeColours& a, const ThemeColours& b)
{
    return a.dialog == b.dialog && a.dialogText == b.dialogText && a.window == b.window &&
           a.windowText == b.windowText && a.highlight == b.highlight && a.highlightText == b.highlightText &&
           a.grayText == b.grayText && a.menu == b.menu && a.menuText == b.menuText &&
           a.menuHighlight == b.menuHighlight && a.menuHighlightText == b.menuHighlightText && a.link == b.link &&
           a.tip == b.tip && a.tipText == b.tipText;
}

double ContrastRatio(COLORREF a, COLORREF b)
{
    const double la = Luminance(a), lb = Luminance(b);
    return la > lb ? (la + 0.05) / (lb + 0.05) : (lb + 0.05) / (la + 0.05);
}

RowLook Theme::ListRows() const
{
    return RowLook{m_window, m_highlight, m_colours.windowText, m_colours.grayText, m_colours.highlightText};
}

RowLook Theme::MenuRows() const
{
    return RowLook{m_menu, m_menuHighlight, m_colours.menuText, m_colours.grayText, m_colours.menuHighlightText};
}

bool Theme::SetChoice(ThemeChoice choice)
{
    m_choice = choice;
    return Refresh();
}

bool Theme::Refresh()
{
    const ThemeFacts facts = g_factsReader ? g_factsReader() : ReadThemeFacts();
    const ThemeLook look = DecideLook(m_choice, facts);
    const ThemeColours colours = ColoursFor(look);
    if (m_decided && look == m_look && colours == m_colours)
        return false;
    const bool first = !m_decided;
    m_decided = true;
    m_look = look;
    m_colours = colours;
    MakeBrushes();
    return !first;
}

// The light looks paint with the system's own brushes, which follow its colours by themselves
// and are never deleted; the dark one with brushes of its own, made the first time it is taken and
// kept from then on (its palette never changes): a menu open across a change of the look still
// holds the dark background it opened with, and no switch makes or deletes a brush again.
void Theme::MakeBrushes()
{
    const bool own = m_look == ThemeLook::Dark;
    const auto pick = [own](OwnedBrush& owned, COLORREF colour, int system) {
        if (own && !owned)
            owned.reset(CreateSolidBrush(colour));
        return own && owned ? owned.get() : GetSysColorBrush(system);
    };
    m_dialog = pick(m_ownDialog, m_colours.dialog, COLOR_BTNFACE);
    m_window = pick(m_ownWindow, m_colours.window, COLOR_WINDOW);
    m_menu = pick(m_ownMenu, m_colours.menu, COLOR_MENU);
    m_highlight = pick(m_ownHighlight, m_colours.highlight, COLOR_HIGHLIGHT);
    m_menuHighlight = pick(m_ownMenuHighlight, m_colours.menuHighlight, COLOR_HIGHLIGHT);
}

Theme& CurrentTheme()
{
    static Theme theme;
    static const bool decided = (theme.Refresh(), true);
    (void)decided;
    return theme;
}
