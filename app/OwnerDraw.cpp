#include "app/OwnerDraw.h"

#include "app/CandidateList.h"
#include "app/HiddenMenu.h"

namespace {

constexpr int kIconLeft = 5;
constexpr int kIconSize = 16;
constexpr int kFillLeft = 16;
constexpr int kTextLeftWithIcon = 26;
constexpr int kTextLeftWithoutIcon = 21;
constexpr int kTextTop = 5;

// What differs between a list entry and a menu entry.
struct EntryLook {
    const char* text;
    HICON icon;
    // The row keeps the icon's column free of the selection fill.
    bool iconColumn;
    HBRUSH unselectedBrush;
    HBRUSH iconBrush;
};

void DrawEntry(const DRAWITEMSTRUCT& item, const EntryLook& look, HBRUSH highlightBrush)
{
    HDC dc = item.hDC;
    const RECT& row = item.rcItem;
    RECT fill = row;
    RECT text = row;
    if (look.iconColumn) {
        fill.left += kFillLeft;
        text.left += kTextLeftWithIcon;
    } else {
        text.left += kTextLeftWithoutIcon;
    }
    text.top += kTextTop;

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
    DrawIconEx(dc, row.left + kIconLeft, row.top, look.icon, kIconSize, kIconSize, 0, look.iconBrush,
               DI_IMAGE);
    const char* title = look.text ? look.text : "";
    DrawTextA(dc, title, -1, &text, DT_CALCRECT | DT_SINGLELINE | DT_VCENTER);
    DrawTextA(dc, title, -1, &text, DT_SINGLELINE | DT_VCENTER);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
}

bool IsNoItem(const DRAWITEMSTRUCT& item)
{
    return static_cast<int>(item.itemID) < 0;
}

} // namespace

void DrawCandidateEntry(const DRAWITEMSTRUCT& item, HBRUSH windowBrush, HBRUSH highlightBrush)
{
    if (item.itemData == 0) {
        return;
    }
    if (IsNoItem(item)) {
        if (item.itemAction & ODA_FOCUS) {
            DrawFocusRect(item.hDC, &item.rcItem);
        }
        return;
    }
    const auto* record = reinterpret_cast<const CandidateRecord*>(item.itemData);
    DrawEntry(item, EntryLook{record->title.Text(), record->icon, true, windowBrush, windowBrush},
              highlightBrush);
}

void DrawMenuEntry(const DRAWITEMSTRUCT& item, HBRUSH menuBrush, HBRUSH highlightBrush)
{
    if (item.itemData == 0 || IsNoItem(item)) {
        return;
    }
    const auto* entry = reinterpret_cast<const MenuEntry*>(item.itemData);
    NString text = ShortTitle(entry->title);
    DrawEntry(item, EntryLook{text.Text(), entry->icon, entry->icon != nullptr, menuBrush, menuBrush},
              highlightBrush);
}

void MeasureCandidateEntry(MEASUREITEMSTRUCT& item)
{
    item.itemHeight = kEntryHeight;
}

void MeasureMenuEntry(MEASUREITEMSTRUCT& item, HWND dialog)
{
    item.itemHeight = kEntryHeight;
    if (item.itemData == 0) {
        return;
    }
    const auto* entry = reinterpret_cast<const MenuEntry*>(item.itemData);
    NString text = ShortTitle(entry->title);
    HDC dc = GetDC(dialog);
    SIZE size = {};
    if (dc && GetTextExtentPoint32A(dc, text.Text() ? text.Text() : "", static_cast<int>(text.Length()),
                                    &size)) {
        item.itemWidth = static_cast<UINT>(size.cx);
    }
    if (dc) {
        ReleaseDC(dialog, dc);
    }
}
