#include "winbase/MenuItems.h"

#include <algorithm>
#include <mutex>

#include "winbase/Dpi.h"

namespace {

// The names and the text-item owners alive in this process; only this program writes them.
std::mutex g_liveLock;
std::vector<const MenuItemName*>& LiveNames()
{
    static std::vector<const MenuItemName*> names;
    return names;
}
std::vector<const MenuTextItems*>& LiveOwners()
{
    static std::vector<const MenuTextItems*> owners;
    return owners;
}

template <class T>
void Enlist(std::vector<const T*>& live, const T* object)
{
    const std::lock_guard<std::mutex> lock(g_liveLock);
    live.push_back(object);
}

template <class T>
void Drop(std::vector<const T*>& live, const T* object)
{
    const std::lock_guard<std::mutex> lock(g_liveLock);
    live.erase(std::remove(live.begin(), live.end(), object), live.end());
}

wchar_t Upper(wchar_t c)
{
    return static_cast<wchar_t>(reinterpret_cast<ULONG_PTR>(CharUpperW(reinterpret_cast<LPWSTR>(ULONG_PTR{c}))));
}

// The name of the item at position, when its data is a live name.
const MenuItemName* NameAt(HMENU menu, int position)
{
    MENUITEMINFOW info = {sizeof(info)};
    info.fMask = MIIM_DATA;
    return GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info) ? LiveMenuItemName(info.dwItemData)
                                                                             : nullptr;
}

}  // namespace

UINT EntryHeight(UINT dpi)
{
    return static_cast<UINT>(ScaleToDpi(static_cast<int>(kEntryHeight), dpi));
}

MenuItemName::MenuItemName() : m_info{}, m_text(L"")
{
    Point();
    Enlist(LiveNames(), this);
}

MenuItemName::MenuItemName(const MenuItemName& other) : m_info{}, m_text(other.m_text)
{
    Point();
    Enlist(LiveNames(), this);
}

MenuItemName& MenuItemName::operator=(const MenuItemName& other)
{
    m_text = other.m_text;
    Point();
    return *this;
}

MenuItemName::~MenuItemName()
{
    Drop(LiveNames(), this);
}

void MenuItemName::Point()
{
    if (m_text.IsNull())
        m_text = L"";
    m_info.dwMSAASignature = static_cast<DWORD>(MSAA_MENU_SIG);
    m_info.cchWText = m_text.Length();
    m_info.pszWText = const_cast<wchar_t*>(m_text.Text());
}

void MenuItemName::SetText(const wchar_t* text)
{
    m_text = text ? text : L"";
    Point();
}

void MenuItemName::SetLiteral(const char* text)
{
    const WString wide = WString::FromNarrow(text ? text : "", CP_ACP);
    WString doubled(L"");
    for (uint32_t i = 0; i < wide.Length(); ++i) {
        if (wide.Text()[i] == L'&')
            doubled.Append(L'&');
        doubled.Append(wide.Text()[i]);
    }
    SetText(doubled.Text());
}

const MenuItemName* LiveMenuItemName(ULONG_PTR itemData)
{
    const std::lock_guard<std::mutex> lock(g_liveLock);
    for (const MenuItemName* name : LiveNames()) {
        if (reinterpret_cast<ULONG_PTR>(name) == itemData)
            return name;
    }
    return nullptr;
}

wchar_t AccessKeyOf(const wchar_t* text)
{
    for (const wchar_t* at = text; at && *at; ++at) {
        if (*at != L'&')
            continue;
        if (at[1] == L'&') {
            ++at;
            continue;
        }
        return at[1] ? Upper(at[1]) : L'\0';
    }
    return L'\0';
}

MenuTextItems::MenuTextItems()
{
    Enlist(LiveOwners(), this);
}

MenuTextItems::MenuTextItems(HMENU menu) : MenuTextItems()
{
    Take(menu);
}

MenuTextItems::~MenuTextItems()
{
    Drop(LiveOwners(), this);
}

void MenuTextItems::Take(HMENU menu)
{
    if (menu != m_menu)
        m_items.clear();
    m_menu = menu;
    const int count = menu ? GetMenuItemCount(menu) : 0;
    for (int position = 0; position < count; ++position) {
        wchar_t text[256] = {};
        MENUITEMINFOW info = {sizeof(info)};
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = ARRAYSIZE(text);
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info) || info.hSubMenu ||
            (info.fType & (MFT_OWNERDRAW | MFT_SEPARATOR | MFT_BITMAP)))
            continue;
        auto item = std::make_unique<Item>();
        item->name.SetText(text);
        item->command = info.wID;
        MENUITEMINFOW drawn = {sizeof(drawn)};
        drawn.fMask = MIIM_FTYPE | MIIM_DATA;
        drawn.fType = info.fType | MFT_OWNERDRAW;
        drawn.dwItemData = reinterpret_cast<ULONG_PTR>(&item->name);
        if (SetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &drawn))
            m_items.push_back(std::move(item));
    }
}

bool MenuTextItems::Rename(UINT command, const char* shown)
{
    const WString text = WString::FromNarrow(shown ? shown : "", CP_ACP);
    for (const auto& item : m_items) {
        if (item->command != command)
            continue;
        MENUITEMINFOW info = {sizeof(info)};
        info.fMask = MIIM_STRING;
        info.dwTypeData = const_cast<wchar_t*>(text.IsNull() ? L"" : text.Text());
        SetMenuItemInfoW(m_menu, command, FALSE, &info);
        item->name.SetText(text.Text());
        return true;
    }
    return false;
}

const MenuItemName* MenuTextItems::Find(ULONG_PTR itemData) const
{
    for (const auto& item : m_items) {
        if (reinterpret_cast<ULONG_PTR>(&item->name) == itemData)
            return &item->name;
    }
    return nullptr;
}

const MenuItemName* LiveMenuText(ULONG_PTR itemData)
{
    const std::lock_guard<std::mutex> lock(g_liveLock);
    for (const MenuTextItems* owner : LiveOwners()) {
        if (const MenuItemName* name = owner->Find(itemData))
            return name;
    }
    return nullptr;
}

void DrawMenuTextRow(const DRAWITEMSTRUCT& item, const MenuItemName& name, const RowLook& rows, UINT dpi)
{
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    FillRect(item.hDC, &item.rcItem, selected ? rows.selectedBack : rows.back);
    RECT text = item.rcItem;
    text.left += ScaleToDpi(kTextLeftWithoutIcon, dpi);
    const COLORREF colour = (item.itemState & (ODS_DISABLED | ODS_GRAYED)) ? rows.grayText
                            : selected                                    ? rows.selectedText
                                                                          : rows.text;
    const int mode = SetBkMode(item.hDC, TRANSPARENT);
    const COLORREF prior = SetTextColor(item.hDC, colour);
    const UINT keys = (item.itemState & ODS_NOACCEL) ? DT_HIDEPREFIX : 0;
    DrawTextW(item.hDC, name.Text(), -1, &text, DT_SINGLELINE | DT_VCENTER | keys);
    SetTextColor(item.hDC, prior);
    SetBkMode(item.hDC, mode);
}

void MeasureMenuTextRow(MEASUREITEMSTRUCT& item, const MenuItemName& name, HWND window, UINT dpi)
{
    item.itemHeight = EntryHeight(dpi);
    if (const int width = MenuTextWidth(name.Text(), true, window, dpi))
        item.itemWidth = static_cast<UINT>(ScaleToDpi(kTextLeftWithoutIcon, dpi) + width);
}

// The menu draws its items' text in the menu font, which the window's own device context does not
// hold: the font at the window's DPI is selected for the measure.
int MenuTextWidth(const wchar_t* text, bool prefix, HWND window, UINT dpi)
{
    NONCLIENTMETRICSW metrics = {};
    const OwnedFont font(NonClientMetricsForDpi(metrics, dpi) ? CreateFontIndirectW(&metrics.lfMenuFont) : nullptr);
    const WindowDc dc(window);
    const SelectedObject selected(dc.get(), font.get());
    if (!dc || !text)
        return 0;
    if (!prefix) {
        SIZE size = {};
        const int length = lstrlenW(text);
        return GetTextExtentPoint32W(dc.get(), text, length, &size) ? size.cx : 0;
    }
    RECT size = {};
    return DrawTextW(dc.get(), text, -1, &size, DT_CALCRECT | DT_SINGLELINE) ? size.right - size.left : 0;
}

LRESULT MenuCharAnswer(HMENU menu, wchar_t key)
{
    const int count = menu ? GetMenuItemCount(menu) : 0;
    const wchar_t wanted = Upper(key);
    int selected = -1;
    for (int position = 0; position < count; ++position) {
        const MenuItemName* name = NameAt(menu, position);
        if (name && wanted && AccessKeyOf(name->Text()) == wanted)
            return MAKELRESULT(position, MNC_EXECUTE);
        if (GetMenuState(menu, static_cast<UINT>(position), MF_BYPOSITION) & MF_HILITE)
            selected = position;
    }
    for (int step = 1; wanted && step <= count; ++step) {
        const int position = (selected + step + count) % count;
        const MenuItemName* name = NameAt(menu, position);
        const wchar_t* text = name ? name->Text() : L"";
        const wchar_t first = text[0] == L'&' && text[1] != L'&' ? text[1] : text[0];
        if (first && Upper(first) == wanted)
            return MAKELRESULT(position, MNC_SELECT);
    }
    return 0;
}
