#include "app/main/EntryDrawing.h"

#include "app/OwnerDraw.h"
#include "app/held/HiddenMenu.h"
#include "app/list/CandidateList.h"

void DrawCandidateEntry(const DRAWITEMSTRUCT& item, const RowLook& rows, UINT dpi)
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
    DrawEntry(item, EntryLook{record->title.Text(), record->icon, true}, rows, dpi);
}

void DrawMenuEntry(const DRAWITEMSTRUCT& item, const RowLook& rows, UINT dpi)
{
    if (item.itemData == 0 || IsNoItem(item)) {
        return;
    }
    const auto* entry = reinterpret_cast<const MenuEntry*>(item.itemData);
    NString text = ShortTitle(entry->title);
    DrawEntry(item, EntryLook{text.Text(), entry->icon, entry->icon != nullptr}, rows, dpi);
}

void MeasureCandidateEntry(MEASUREITEMSTRUCT& item, UINT dpi)
{
    item.itemHeight = EntryHeight(dpi);
}

void MeasureMenuEntry(MEASUREITEMSTRUCT& item, HWND dialog, UINT dpi)
{
    item.itemHeight = EntryHeight(dpi);
    if (item.itemData == 0) {
        return;
    }
    const auto* entry = reinterpret_cast<const MenuEntry*>(item.itemData);
    const NString text = ShortTitle(entry->title);
    if (const UINT width = MenuEntryWidth(text.Text(), entry->icon != nullptr, dialog, dpi)) {
        item.itemWidth = width;
    }
}
