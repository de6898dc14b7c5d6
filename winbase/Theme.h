// The program's theme: light, dark or the system's high-contrast colours, and the colours of
// every surface the program draws or colours itself.
//
// The look is a pure function of the Theme option, Windows' app mode and high contrast
// (DecideLook): high contrast wins whatever the option says, then a Light or Dark option, and
// "Windows default" follows the app mode. Light and high contrast take the system's colours
// (GetSysColor), dark the one small palette below, whose texts keep a contrast of at least 4.5:1
// to their backgrounds. The process holds one theme (CurrentTheme) with its brushes: the system's
// for the light looks, and the dark look's own, made once and kept while the process runs (a
// menu open across a change keeps a brush that exists). The dialog base tells every open dialog
// when the look changes (QF_WINBASE::FollowThemeChoice, LookAtThemeAgain), so a change shows at
// once. Nothing here polls: Windows' facts are read again only when Windows says its settings or
// colours changed, or the option changes. Used on the dialogs' thread.
#pragma once

#include <windows.h>

#include <cstdint>

#include "settings/SettingsKey.h"
#include "winbase/ScopedHandles.h"

// The Theme option: a REG_DWORD in the program key's Interface sub-key; any value but these
// three, or none, is WindowsDefault.
constexpr char kThemeValue[] = "Theme";
enum class ThemeChoice : int32_t { WindowsDefault = 0, Light = 1, Dark = 2 };

ThemeChoice ThemeChoiceFromStored(int32_t stored);
// The stored choice under programKey\Interface.
ThemeChoice ReadThemeChoice(const SettingsKey& programKey);

enum class ThemeLook { Light, Dark, HighContrast };

// What Windows says: the app mode (AppsUseLightTheme, light when missing) and high contrast.
struct ThemeFacts {
    bool appsUseLightTheme = true;
    bool highContrast = false;
};

ThemeLook DecideLook(ThemeChoice choice, const ThemeFacts& facts);

// AppsUseLightTheme from its read: the read's answer and the value's type, size and number.
// Only a REG_DWORD of 4 bytes that is 0 means dark; anything else, or no value, is light.
bool AppsUseLightFromValue(LONG status, DWORD type, DWORD size, DWORD value);

// Reads the facts from the registry (HKEY_CURRENT_USER\...\Themes\Personalize, never through the
// settings store) and SPI_GETHIGHCONTRAST.
ThemeFacts ReadThemeFacts();
// How the theme learns the facts; tests put their own reader in place (null: ReadThemeFacts).
// Returns the reader it replaces.
using ThemeFactsReader = ThemeFacts (*)();
ThemeFactsReader SetThemeFactsReader(ThemeFactsReader reader);

// The colours of the surfaces: dialog backgrounds and their texts (labels, check boxes, group
// boxes), windows that hold data (lists, edit boxes, list rows), the selected row, texts that
// are not available, the menu and its selected entry, links and the help popups.
struct ThemeColours {
    COLORREF dialog, dialogText;
    COLORREF window, windowText;
    COLORREF highlight, highlightText;
    COLORREF grayText;
    COLORREF menu, menuText, menuHighlight, menuHighlightText;
    COLORREF link;
    COLORREF tip, tipText;
};

ThemeColours ColoursFor(ThemeLook look);
bool operator==(const ThemeColours& a, const ThemeColours& b);

// The contrast ratio of two colours as the Web Content Accessibility Guidelines define it: from
// 1 (the same luminance) to 21 (black on white).
double ContrastRatio(COLORREF a, COLORREF b);

// How one kind of row is drawn: its background and selected background as brushes the theme
// owns (or the system's), and its texts.
struct RowLook {
    HBRUSH back;
    HBRUSH selectedBack;
    COLORREF text;
    COLORREF grayText;
    COLORREF selectedText;
};

class Theme {
public:
    Theme() = default;
    Theme(const Theme&) = delete;
    Theme& operator=(const Theme&) = delete;

    ThemeChoice Choice() const { return m_choice; }
    ThemeLook Look() const { return m_look; }
    bool IsDark() const { return m_look == ThemeLook::Dark; }
    const ThemeColours& Colours() const { return m_colours; }

    // Brushes of the colours of the look; owned here, or the system's own.
    HBRUSH DialogBrush() const { return m_dialog; }
    HBRUSH WindowBrush() const { return m_window; }
    HBRUSH MenuBrush() const { return m_menu; }
    RowLook ListRows() const;
    RowLook MenuRows() const;

    // Takes the option's choice and looks again (see Refresh).
    bool SetChoice(ThemeChoice choice);
    // Reads Windows' facts again and decides the look; true when the look or its colours changed
    // (the brushes are then made anew).
    bool Refresh();

private:
    void MakeBrushes();

    ThemeChoice m_choice = ThemeChoice::WindowsDefault;
    ThemeLook m_look = ThemeLook::Light;
    bool m_decided = false;
    ThemeColours m_colours = {};
    OwnedBrush m_ownDialog, m_ownWindow, m_ownMenu, m_ownHighlight, m_ownMenuHighlight;
    HBRUSH m_dialog = nullptr, m_window = nullptr, m_menu = nullptr;
    HBRUSH m_highlight = nullptr, m_menuHighlight = nullptr;
};

// The theme of the process, decided on its first use.
Theme& CurrentTheme();
