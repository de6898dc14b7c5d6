// The items of the program's menus, all drawn by the program in the theme's colours, and what a
// screen reader reads of them.
//
// An owner-drawn item shows nothing the system can read, so every owner-drawn item's data begins
// with an MSAAMENUINFO (MenuItemName): the signature MSAA_MENU_SIG and the item's text, which a
// screen reader reads in its place. Item data is any program's to set, and an owner-draw message
// any program's to send: data is read as a name only once found among the names alive in this
// process (LiveMenuItemName), and as a text item only once found among the live text items
// (LiveMenuText).
#pragma once

#include <windows.h>

#include <oleacc.h>

#include <memory>
#include <vector>

#include "text/WString.h"
#include "winbase/Theme.h"

// Height of a list entry and of a menu entry at 96 DPI, in pixels.
constexpr UINT kEntryHeight = 21;
// Where a row's text begins at 96 DPI when the row has no icon.
constexpr int kTextLeftWithoutIcon = 21;

// Height of an entry at dpi.
UINT EntryHeight(UINT dpi);

// The name of an owner-drawn menu item, the first member of its item data's record. Copies
// point at their own text.
class MenuItemName {
public:
    MenuItemName();
    MenuItemName(const MenuItemName& other);
    MenuItemName& operator=(const MenuItemName& other);
    ~MenuItemName();

    // A menu item's text: & marks the access key, && is a plain &.
    void SetText(const wchar_t* text);
    // A text shown as it is (a window's title, in the ANSI code page): each & is kept as a plain &.
    void SetLiteral(const char* text);
    const wchar_t* Text() const { return m_text.IsNull() ? L"" : m_text.Text(); }
    const MSAAMENUINFO& Info() const { return m_info; }

private:
    void Point();

    // First: the item data points here.
    MSAAMENUINFO m_info;
    WString m_text;
};

// The live name whose address is itemData, or null when the data is none of this process's names.
const MenuItemName* LiveMenuItemName(ULONG_PTR itemData);

// The access key a menu text marks with &, upper-cased; 0 when it marks none.
wchar_t AccessKeyOf(const wchar_t* text);

// The text items of one menu (not of its sub-menus): each string item becomes owner-drawn with a
// record of its own as its data, and keeps its string. The records live as long as this object;
// it must go before its menu is used again without it, but may outlive the menu.
class MenuTextItems {
public:
    MenuTextItems();
    explicit MenuTextItems(HMENU menu);
    MenuTextItems(const MenuTextItems&) = delete;
    MenuTextItems& operator=(const MenuTextItems&) = delete;
    ~MenuTextItems();

    // Takes the string items of menu that are not owner-drawn yet; the records of another menu
    // taken before go.
    void Take(HMENU menu);
    // The item's string and name in the language in use; false when no item of ours has the id.
    bool Rename(UINT command, const char* text);
    // The record whose address is itemData, or null.
    const MenuItemName* Find(ULONG_PTR itemData) const;

private:
    struct Item {
        MenuItemName name;
        UINT command = 0;
    };
    HMENU m_menu = nullptr;
    std::vector<std::unique_ptr<Item>> m_items;
};

// The live text item whose record is itemData, or null.
const MenuItemName* LiveMenuText(ULONG_PTR itemData);

// A text item: its text at the row's text column in the rows' colours, its access key underlined
// unless the menu hides access keys, and the whole row filled.
void DrawMenuTextRow(const DRAWITEMSTRUCT& item, const MenuItemName& name, const RowLook& rows, UINT dpi);
// EntryHeight high and as wide as the text column and the text in the menu font at dpi.
void MeasureMenuTextRow(MEASUREITEMSTRUCT& item, const MenuItemName& name, HWND window, UINT dpi);

// The width of text in the menu font at dpi (with prefix, & marks are not counted); 0 when it
// cannot be measured.
int MenuTextWidth(const wchar_t* text, bool prefix, HWND window, UINT dpi);

// WM_MENUCHAR's answer for a key typed in menu: the item whose name marks the key as its access
// key is chosen; else the next item after the selected one whose name begins with the key is
// selected; 0 (MNC_IGNORE) when none. Only items whose data is a live name are looked at.
LRESULT MenuCharAnswer(HMENU menu, wchar_t key);
