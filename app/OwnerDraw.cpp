#include "app/OwnerDraw.h"

#include "text/WString.h"
#include "winbase/ScopedHandles.h"

namespace {

constexpr int kIconLeft = 5;
constexpr int kIconSize = 16;
constexpr int kFillLeft = 16;
constexpr int kTextLeftWithIcon = 26;
constexpr int kTextLeftWithoutIcon = 21;
constexpr int kTextTop = 5;
// Between the title and the program's name beside it.
constexpr int kNoteGap = 12;

// The sizes above at the DPI of the entry's window.
struct EntryMetrics {
    explicit EntryMetrics(UINT dpi)
        : iconLeft(ScaleToDpi(kIconLeft, dpi)), iconSize(ScaleToDpi(kIconSize, dpi)),
          fillLeft(ScaleToDpi(kFillLeft, dpi)), textLeftWithIcon(ScaleToDpi(kTextLeftWithIcon, dpi)),
          textLeftWithoutIcon(ScaleToDpi(kTextLeftWithoutIcon, dpi)), textTop(ScaleToDpi(kTextTop, dpi))
    {
    }
    int iconLeft, iconSize, fillLeft, textLeftWithIcon, textLeftWithoutIcon, textTop;
};

// The note goes after the text, in grey unless the entry is selected, as far as the row reaches.
void DrawNote(HDC dc, const char* note, const RECT& row, const RECT& title, bool selected, UINT dpi)
{
    if (!note || !*note) {
        return;
    }
    RECT place = title;
    place.left = title.right + ScaleToDpi(kNoteGap, dpi);
    place.right = row.right;
    if (place.left >= place.right) {
        return;
    }
    const WString wide = WString::FromNarrow(note, CP_ACP);
    if (wide.IsNull()) {
        return;
    }
    COLORREF prior = SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_GRAYTEXT));
    DrawTextW(dc, wide.Text(), -1, &place, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    SetTextColor(dc, prior);
}

} // namespace

void DrawEntry(const DRAWITEMSTRUCT& item, const EntryLook& look, HBRUSH highlightBrush, UINT dpi)
{
    const EntryMetrics size(dpi);
    HDC dc = item.hDC;
    const RECT& row = item.rcItem;
    RECT fill = row;
    RECT text = row;
    if (look.iconColumn) {
        fill.left += size.fillLeft;
        text.left += size.textLeftWithIcon;
    } else {
        text.left += size.textLeftWithoutIcon;
    }
    text.top += size.textTop;

    bool selected = (item.itemState & ODS_SELECTED) != 0;
    if (selected && (item.itemAction & (ODA_DRAWENTIRE | ODA_SELECT))) {
        FillRect(dc, &fill, highlightBrush);
    } else if (!selected && (item.itemAction & ODA_SELECT)) {
        FillRect(dc, &fill, look.unselectedBrush);
    }
    if (item.itemAction & ODA_FOCUS) {
        DrawFocusRect(dc, &row);
    }

    int oldMode = SetBkMode(dc, TRANSPARENT);
    int colour = selected ? COLOR_HIGHLIGHTTEXT
                          : (item.itemState & ODS_DISABLED) ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT;
    COLORREF oldColour = SetTextColor(dc, GetSysColor(colour));
    DrawIconEx(dc, row.left + size.iconLeft, row.top, look.icon, size.iconSize, size.iconSize, 0, look.iconBrush,
               DI_IMAGE);
    // Texts are in the ANSI code page; the A calls would read them in the font's character set.
    const WString title = WString::FromNarrow(look.text ? look.text : "", CP_ACP);
    const wchar_t* shown = title.IsNull() ? L"" : title.Text();
    DrawTextW(dc, shown, -1, &text, DT_CALCRECT | DT_SINGLELINE | DT_VCENTER);
    DrawTextW(dc, shown, -1, &text, DT_SINGLELINE | DT_VCENTER);
    DrawNote(dc, look.note, row, text, selected, dpi);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
}

bool IsNoItem(const DRAWITEMSTRUCT& item)
{
    return static_cast<int>(item.itemID) < 0;
}

UINT EntryHeight(UINT dpi)
{
    return static_cast<UINT>(ScaleToDpi(static_cast<int>(kEntryHeight), dpi));
}

void DrawHiddenEntry(const DRAWITEMSTRUCT& item, const HiddenEntryLook& look, UINT dpi)
{
    if (IsNoItem(item)) {
        if (item.itemAction & ODA_FOCUS) {
            DrawFocusRect(item.hDC, &item.rcItem);
        }
        return;
    }
    HBRUSH window = GetSysColorBrush(COLOR_WINDOW);
    EntryLook entry{look.title, look.icon, true, window, window, look.program};
    DrawEntry(item, entry, GetSysColorBrush(COLOR_HIGHLIGHT), dpi);
}

// The menu draws its items' text in the menu font, which the dialog's own device context does not
// hold: the font at the dialog's DPI is selected for the measure.
UINT MenuEntryWidth(const char* text, bool withIcon, HWND dialog, UINT dpi)
{
    NONCLIENTMETRICSW metrics = {};
    const OwnedFont font(NonClientMetricsForDpi(metrics, dpi) ? CreateFontIndirectW(&metrics.lfMenuFont) : nullptr);
    const WindowDc dc(dialog);
    const SelectedObject selected(dc.get(), font.get());
    SIZE size = {};
    const WString wide = WString::FromNarrow(text ? text : "", CP_ACP);
    if (!dc || wide.IsNull() || !GetTextExtentPoint32W(dc.get(), wide.Text(), static_cast<int>(wide.Length()), &size)) {
        return 0;
    }
    const EntryMetrics metricsAtDpi(dpi);
    const int textLeft = withIcon ? metricsAtDpi.textLeftWithIcon : metricsAtDpi.textLeftWithoutIcon;
    return static_cast<UINT>(textLeft + size.cx);
}

void ResizeListEntries(HWND listBox, UINT dpi)
{
    const LRESULT count = SendMessageA(listBox, LB_GETCOUNT, 0, 0);
    for (LRESULT index = 0; index < count; ++index) {
        SendMessageA(listBox, LB_SETITEMHEIGHT, static_cast<WPARAM>(index), EntryHeight(dpi));
    }
    InvalidateRect(listBox, nullptr, TRUE);
}

// Setting an item's type again drops the size the system measured for it.
void RemeasureMenuEntries(HMENU menu)
{
    const int count = menu ? GetMenuItemCount(menu) : 0;
    for (int position = 0; position < count; ++position) {
        MENUITEMINFOA item = {sizeof(item)};
        item.fMask = MIIM_FTYPE | MIIM_SUBMENU;
        if (!GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &item)) {
            continue;
        }
        if (item.hSubMenu) {
            RemeasureMenuEntries(item.hSubMenu);
        }
        if (item.fType & MFT_OWNERDRAW) {
            item.fMask = MIIM_FTYPE;
            SetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &item);
        }
    }
}
