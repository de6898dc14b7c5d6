#include "app/HiddenMenu.h"

#include <algorithm>

#include "app/ForeignWindow.h"

CommandIdCounter::CommandIdCounter(uint32_t next)
    : m_next(next < kFirstEntryId || next > kLastEntryId ? kFirstEntryId : next)
{
}

void CommandIdCounter::Advance()
{
    m_next = m_next >= kLastEntryId ? kFirstEntryId : m_next + 1;
}

uint32_t CommandIdCounter::Next(const std::function<bool(uint32_t)>& isHeld)
{
    for (uint32_t tries = 0; tries <= kLastEntryId - kFirstEntryId; ++tries) {
        uint32_t id = m_next;
        Advance();
        if (!isHeld || !isHeld(id)) {
            return id;
        }
    }
    return 0;
}

CommandIdCounter& CommandIdCounter::Process()
{
    static CommandIdCounter counter;
    return counter;
}

HiddenMenu::HiddenMenu(CommandIdCounter& counter) : m_counter(counter)
{
}

HiddenMenu::~HiddenMenu()
{
    ReleaseAll();
}

bool HiddenMenu::Create()
{
    if (m_menu) {
        return true;
    }
    HMENU menu = CreatePopupMenu();
    if (!menu) {
        return false;
    }
    AppendMenuA(menu, MF_STRING, kCmdShowMainWindow, "&Show Window Veilbox");
    AppendMenuA(menu, MF_STRING, kCmdVisitWebSite, "&Visit Quillfen");
    AppendMenuA(menu, MF_STRING, kCmdExitFromMenu, "E&xit");
    m_menu = menu;
    return true;
}

MenuEntry* HiddenMenu::AddEntry(const CandidateRecord& candidate)
{
    if (!m_menu) {
        return nullptr;
    }
    uint32_t id = m_counter.Next([this](uint32_t held) { return EntryById(held) != nullptr; });
    if (id == 0) {
        return nullptr;
    }
    auto entry = std::make_unique<MenuEntry>();
    entry->title = candidate.title;
    entry->secondText = "";
    entry->commandId = id;
    entry->window = candidate.window;
    entry->icon = candidate.icon;

    // The item's own text is the title as the window shows it right now;
    // the drawing uses the record's title.
    NString itemText = ShortTitle(StoredTitle(candidate.window));
    MENUITEMINFOA item = {sizeof(item)};
    item.fMask = MIIM_ID | MIIM_TYPE | MIIM_DATA;
    item.fType = MFT_OWNERDRAW;
    item.wID = id;
    item.dwItemData = reinterpret_cast<ULONG_PTR>(entry.get());
    item.dwTypeData = const_cast<char*>(itemText.Text() ? itemText.Text() : "");
    if (!InsertMenuItemA(m_menu, 0, TRUE, &item)) {
        return nullptr;
    }
    m_entries.push_back(std::move(entry));
    return m_entries.back().get();
}

HWND HiddenMenu::Unhide(UINT commandId)
{
    if (!m_menu) {
        return nullptr;
    }
    MENUITEMINFOA item = {sizeof(item)};
    item.fMask = MIIM_DATA;
    if (!GetMenuItemInfoA(m_menu, commandId, FALSE, &item)) {
        return nullptr;
    }
    MenuEntry* entry = OwnedEntry(item.dwItemData);
    if (!entry) {
        return nullptr;
    }
    HWND window = entry->window;
    RemoveMenu(m_menu, entry->commandId, MF_BYCOMMAND);
    FreeEntry(entry);
    ShowForeignWindow(window, SW_SHOW);
    return window;
}

void HiddenMenu::Prune()
{
    std::vector<const MenuEntry*> gone;
    for (const auto& entry : m_entries) {
        if (!IsWindow(entry->window) || IsWindowVisible(entry->window)) {
            gone.push_back(entry.get());
        }
    }
    for (const MenuEntry* entry : gone) {
        RemoveMenu(m_menu, entry->commandId, MF_BYCOMMAND);
        FreeEntry(entry);
    }
}

void HiddenMenu::ReleaseAll()
{
    if (m_menu) {
        ReleaseItems(m_menu);
        DestroyMenu(m_menu);
        m_menu = nullptr;
    }
    m_entries.clear();
}

// Walks the items from the top, so windows come back newest first. The
// items are left in place: the whole menu is destroyed afterwards.
void HiddenMenu::ReleaseItems(HMENU menu)
{
    SilentThreads silent;
    int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        MENUITEMINFOA item = {sizeof(item)};
        item.fMask = MIIM_SUBMENU | MIIM_DATA;
        if (!GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &item)) {
            continue;
        }
        if (item.hSubMenu) {
            ReleaseItems(item.hSubMenu);
        }
        if (MenuEntry* entry = OwnedEntry(item.dwItemData)) {
            ShowForeignWindow(entry->window, SW_SHOW, &silent);
            FreeEntry(entry);
        }
    }
}

const MenuEntry* HiddenMenu::EntryById(uint32_t commandId) const
{
    for (const auto& entry : m_entries) {
        if (entry->commandId == commandId) {
            return entry.get();
        }
    }
    return nullptr;
}

MenuEntry* HiddenMenu::OwnedEntry(ULONG_PTR itemData) const
{
    for (const auto& entry : m_entries) {
        if (reinterpret_cast<ULONG_PTR>(entry.get()) == itemData) {
            return entry.get();
        }
    }
    return nullptr;
}

void HiddenMenu::FreeEntry(const MenuEntry* entry)
{
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(),
                                   [entry](const std::unique_ptr<MenuEntry>& e) { return e.get() == entry; }),
                    m_entries.end());
}
