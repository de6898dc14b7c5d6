#include "app/OwnerDraw.h"

#include "text/WString.h"
#include "winbase/ScopedHandles.h"

namespace {

constexpr int kIconLeft = 5;
constexpr int kIconSize = 16;
constexpr int kFillLeft = 16;
constexpr int kTextLeftWithIcon = 26;
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
void DrawNote(HDC dc, const char* note, const RECT& row, const RECT& title, COLORREF colour, UINT dpi)
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
    COLORREF prior = SetTextColor(dc, colour);
    DrawTextW(dc, wide.Text(), -1, &place, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    SetTextColor(dc, prior);
}

} // namespace

void DrawEntry(const DRAWITEMSTRUCT& item, const EntryLook& look, const RowLook& rows, UINT dpi)
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
        FillRect(dc, &fill, rows.selectedBack);
    } else if (!selected && (item.itemAction & ODA_SELECT)) {
        FillRect(dc, &fill, rows.back);
    }
    if (item.itemAction & ODA_FOCUS) {
        DrawFocusRect(dc, &row);
    }

    int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF colour = selected ? rows.selectedText : (item.itemState & ODS_DISABLED) ? rows.grayText : rows.text;
    COLORREF oldColour = SetTextColor(dc, colour);
    DrawIconEx(dc, row.left + size.iconLeft, row.top, look.icon, size.iconSize, size.iconSize, 0, rows.back, DI_IMAGE);
    // Texts are in the ANSI code page; the A calls would read them in the font's character set.
    const WString title = WString::FromNarrow(look.text ? look.text : "", CP_ACP);
    const wchar_t* shown = title.IsNull() ? L"" : title.Text();
    DrawTextW(dc, shown, -1, &text, DT_CALCRECT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    DrawTextW(dc, shown, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    DrawNote(dc, look.note, row, text, selected ? rows.selectedText : rows.grayText, dpi);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
}

bool IsNoItem(const DRAWITEMSTRUCT& item)
{
    return static_cast<int>(item.itemID) < 0;
}

void DrawHiddenEntry(const DRAWITEMSTRUCT& item, const HiddenEntryLook& look, const RowLook& rows, UINT dpi)
{
    if (IsNoItem(item)) {
        if (item.itemAction & ODA_FOCUS) {
            DrawFocusRect(item.hDC, &item.rcItem);
        }
        return;
    }
    DrawEntry(item, EntryLook{look.title, look.icon, true, look.program}, rows, dpi);
}

UINT MenuEntryWidth(const char* text, bool withIcon, HWND dialog, UINT dpi)
{
    const WString wide = WString::FromNarrow(text ? text : "", CP_ACP);
    const int width = wide.IsNull() ? 0 : MenuTextWidth(wide.Text(), false, dialog, dpi);
    if (width <= 0) {
        return 0;
    }
    const EntryMetrics metricsAtDpi(dpi);
    const int textLeft = withIcon ? metricsAtDpi.textLeftWithIcon : metricsAtDpi.textLeftWithoutIcon;
    return static_cast<UINT>(textLeft + width);
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
