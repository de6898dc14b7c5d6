// Owner drawing of list and menu entries, checked pixel by pixel in a memory
// device context.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/list/CandidateList.h"
#include "app/held/HiddenMenu.h"
#include "app/main/EntryDrawing.h"
#include "app/OwnerDraw.h"
#include "text/WString.h"

namespace {

constexpr int kWidth = 200;
constexpr COLORREF kBackground = RGB(128, 128, 128);
constexpr COLORREF kHighlight = RGB(255, 0, 0);
constexpr COLORREF kWindow = RGB(0, 255, 0);
constexpr COLORREF kMenu = RGB(0, 0, 255);

class Canvas {
public:
    Canvas()
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = kWidth;
        info.bmiHeader.biHeight = -static_cast<LONG>(kEntryHeight);
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        m_dc = CreateCompatibleDC(nullptr);
        m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_old = SelectObject(m_dc, m_bitmap);
        HBRUSH background = CreateSolidBrush(kBackground);
        RECT all = {0, 0, kWidth, static_cast<LONG>(kEntryHeight)};
        FillRect(m_dc, &all, background);
        DeleteObject(background);
    }
    ~Canvas()
    {
        SelectObject(m_dc, m_old);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }
    HDC Dc() const { return m_dc; }
    COLORREF At(int x, int y) const { return GetPixel(m_dc, x, y); }
    // True when some pixel of columns left to right - 1 has the colour (or,
    // with other, any other colour).
    bool Has(COLORREF colour, int left, int right, bool other = false) const
    {
        for (int x = left; x < right; ++x) {
            for (int y = 0; y < static_cast<int>(kEntryHeight); ++y) {
                if ((At(x, y) == colour) != other) return true;
            }
        }
        return false;
    }
    bool Untouched() const { return !Has(kBackground, 0, kWidth, true); }

private:
    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_old;
};

DRAWITEMSTRUCT Item(const Canvas& canvas, UINT type, const void* data, UINT state, UINT action, int id = 0)
{
    DRAWITEMSTRUCT item = {};
    item.CtlType = type;
    item.itemID = static_cast<UINT>(id);
    item.itemAction = action;
    item.itemState = state;
    item.hDC = canvas.Dc();
    item.rcItem = RECT{0, 0, kWidth, static_cast<LONG>(kEntryHeight)};
    item.itemData = reinterpret_cast<ULONG_PTR>(data);
    return item;
}

HICON BlackIcon()
{
    BYTE andMask[32] = {};
    BYTE xorMask[32] = {};
    return CreateIcon(GetModuleHandleA(nullptr), 16, 16, 1, 1, andMask, xorMask);
}

struct Brushes {
    HBRUSH highlight = CreateSolidBrush(kHighlight);
    HBRUSH window = CreateSolidBrush(kWindow);
    HBRUSH menu = CreateSolidBrush(kMenu);
    RowLook List() const
    {
        return {window, highlight, GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_GRAYTEXT),
                GetSysColor(COLOR_HIGHLIGHTTEXT)};
    }
    RowLook Menu() const { return {menu, highlight, List().text, List().grayText, List().selectedText}; }
    ~Brushes()
    {
        DeleteObject(highlight);
        DeleteObject(window);
        DeleteObject(menu);
    }
};

} // namespace

// Columns 0-15 hold the icon; the selection fill starts at column 16 unless a
// menu entry has no icon, which is filled across.
TEST(OwnerDraw, FillsTheBackgroundAsTheStateAndActionSay)
{
    Brushes brushes;
    HICON icon = BlackIcon();
    CandidateRecord candidate;
    candidate.title = "Mx";
    MenuEntry withIcon;
    withIcon.title = "Mx";
    withIcon.icon = icon;
    MenuEntry withoutIcon;
    withoutIcon.title = "Mx";
    struct Case {
        const char* what;
        bool menu;
        const void* data;
        UINT state, action;
        COLORREF iconColumn, rest;
    };
    const Case cases[] = {
        {"list selected, whole", false, &candidate, ODS_SELECTED, ODA_DRAWENTIRE, kBackground, kHighlight},
        {"list selected, selection", false, &candidate, ODS_SELECTED, ODA_SELECT, kBackground, kHighlight},
        {"list unselected, selection", false, &candidate, 0, ODA_SELECT, kBackground, kWindow},
        {"list unselected, whole", false, &candidate, 0, ODA_DRAWENTIRE, kBackground, kBackground},
        {"list selected, focus", false, &candidate, ODS_SELECTED, ODA_FOCUS, kBackground, kBackground},
        {"menu with icon, selected", true, &withIcon, ODS_SELECTED, ODA_DRAWENTIRE, kBackground, kHighlight},
        {"menu with icon, unselected", true, &withIcon, 0, ODA_SELECT, kBackground, kMenu},
        {"menu without icon, selected", true, &withoutIcon, ODS_SELECTED, ODA_DRAWENTIRE, kHighlight, kHighlight},
        {"menu without icon, unselected", true, &withoutIcon, 0, ODA_SELECT, kMenu, kMenu},
    };
    for (const Case& c : cases) {
        Canvas canvas;
        SetBkMode(canvas.Dc(), OPAQUE);
        SetTextColor(canvas.Dc(), RGB(1, 2, 3));
        DRAWITEMSTRUCT item = Item(canvas, c.menu ? ODT_MENU : ODT_LISTBOX, c.data, c.state, c.action);
        if (c.menu) {
            DrawMenuEntry(item, brushes.Menu());
        } else {
            DrawCandidateEntry(item, brushes.List());
        }
        EXPECT_EQ(canvas.At(10, 19), c.iconColumn) << c.what;
        EXPECT_EQ(canvas.At(150, 19), c.rest) << c.what;
        EXPECT_EQ(GetBkMode(canvas.Dc()), OPAQUE) << c.what;
        EXPECT_EQ(GetTextColor(canvas.Dc()), RGB(1, 2, 3)) << c.what;
    }
    DestroyIcon(icon);
}

TEST(OwnerDraw, DrawsTheIconAndTheTitleInTheirColumns)
{
    Brushes brushes;
    HICON icon = BlackIcon();
    CandidateRecord candidate;
    candidate.title = "MMMM";
    candidate.icon = icon;
    Canvas list;
    DrawCandidateEntry(Item(list, ODT_LISTBOX, &candidate, ODS_SELECTED, ODA_DRAWENTIRE), brushes.List());
    EXPECT_EQ(list.At(10, 8), RGB(0, 0, 0));
    EXPECT_TRUE(list.Has(GetSysColor(COLOR_HIGHLIGHTTEXT), 26, 80));
    EXPECT_FALSE(list.Has(kHighlight, 21, 26, true));
    // At 192 DPI the icon is 32 pixels wide, from column 10.
    Canvas wide;
    DrawCandidateEntry(Item(wide, ODT_LISTBOX, &candidate, 0, ODA_DRAWENTIRE), brushes.List(), 192);
    EXPECT_TRUE(wide.At(9, 8) != 0 && wide.At(10, 8) == 0 && wide.At(41, 8) == 0 && wide.At(42, 8) != 0);

    // Without an icon a menu entry's text moves left to column 21; the short
    // title is what is drawn.
    MenuEntry entry;
    entry.title = "MMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMM";
    Canvas menu;
    DrawMenuEntry(Item(menu, ODT_MENU, &entry, 0, ODA_SELECT), brushes.Menu());
    EXPECT_TRUE(menu.Has(GetSysColor(COLOR_WINDOWTEXT), 21, 26));
    Canvas full;
    MenuEntry shortEntry;
    shortEntry.title = ShortTitle(entry.title);
    DrawMenuEntry(Item(full, ODT_MENU, &shortEntry, 0, ODA_SELECT), brushes.Menu());
    for (int x = 0; x < kWidth; x += 7) {
        EXPECT_EQ(menu.At(x, 10), full.At(x, 10)) << "column " << x;
    }
    DestroyIcon(icon);
}

TEST(OwnerDraw, DrawsNothingWithoutARecordAndOnlyTheFocusForAnEmptyList)
{
    Brushes brushes;
    CandidateRecord candidate;
    candidate.title = "title";
    MenuEntry entry;
    entry.title = "title";
    struct Case {
        const char* what;
        bool menu;
        const void* data;
        int id;
        bool focusDrawn;
    };
    const Case cases[] = {
        {"list entry without record", false, nullptr, 0, false},
        {"menu entry without record", true, nullptr, 0, false},
        {"menu, no item", true, &entry, -1, false},
        {"list, no item, with focus", false, &candidate, -1, true},
    };
    for (const Case& c : cases) {
        Canvas canvas;
        DRAWITEMSTRUCT item =
            Item(canvas, c.menu ? ODT_MENU : ODT_LISTBOX, c.data, ODS_SELECTED, ODA_DRAWENTIRE | ODA_FOCUS, c.id);
        if (c.menu) {
            DrawMenuEntry(item, brushes.Menu());
        } else {
            DrawCandidateEntry(item, brushes.List());
        }
        EXPECT_EQ(!canvas.Untouched(), c.focusDrawn) << c.what;
        EXPECT_EQ(canvas.At(150, 10), kBackground) << c.what;
    }
}

// The entry is as wide as the text column and the short title in the menu's
// font at the window's DPI, so the title is never cut at a higher DPI; a title
// in Cyrillic or Japanese is measured by its letters, not by its UTF-8 bytes.
TEST(OwnerDraw, MeasuresAMenuEntryByItsShortTitleInTheMenuFontAtTheDpi)
{
    HWND window = CreateWindowExA(0, "STATIC", "measure", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    MenuEntry entry;
    for (const char* title : {"A title that is much longer than twenty-five characters",
                              "\xD0\x94\xD0\xBE\xD0\xBA\xD1\x83\xD0\xBC\xD0\xB5\xD0\xBD\xD1\x82 "
                              "\xD0\x91\xD0\xBB\xD0\xBE\xD0\xBA\xD0\xBD\xD0\xBE\xD1\x82",
                              "\xE3\x83\xA1\xE3\x83\xA2\xE5\xB8\xB3"})
    for (UINT dpi : {96u, 192u}) {
        entry.title = title;
        const WString shortTitle = WString::FromNarrow(ShortTitle(entry.title).Text(), CP_UTF8);
        MEASUREITEMSTRUCT item = {};
        item.CtlType = ODT_MENU;
        item.itemData = reinterpret_cast<ULONG_PTR>(&entry);
        MeasureMenuEntry(item, window, dpi);

        NONCLIENTMETRICSW metrics = {};
        ASSERT_TRUE(NonClientMetricsForDpi(metrics, dpi));
        HFONT font = CreateFontIndirectW(&metrics.lfMenuFont);
        HDC dc = GetDC(window);
        HGDIOBJ prior = SelectObject(dc, font);
        SIZE size = {};
        GetTextExtentPoint32W(dc, shortTitle.Text(), static_cast<int>(shortTitle.Length()), &size);
        SelectObject(dc, prior);
        ReleaseDC(window, dc);
        DeleteObject(font);
        EXPECT_EQ(item.itemHeight, kEntryHeight * dpi / 96) << dpi;
        EXPECT_EQ(item.itemWidth, static_cast<UINT>(21 * static_cast<int>(dpi) / 96 + size.cx)) << dpi << " " << title;
    }

    MEASUREITEMSTRUCT empty = {};
    empty.itemWidth = 77;
    MeasureMenuEntry(empty, window);
    EXPECT_EQ(empty.itemHeight, kEntryHeight);
    EXPECT_EQ(empty.itemWidth, 77u);
    DestroyWindow(window);
}
