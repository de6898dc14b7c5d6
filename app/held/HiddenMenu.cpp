#include "app/held/HiddenMenu.h"

#include <algorithm>

#include "app/ForeignWindow.h"
#include "app/held/MenuTexts.h"

namespace {

// The menus that exist (all on the dialog's thread), for the answers to queued hides, which
// arrive through a plain callback.
std::vector<HiddenMenu*>& LiveMenus()
{
    static std::vector<HiddenMenu*> menus;
    return menus;
}

void ShowOwnedAgain(const std::vector<HWND>& owned)
{
    for (HWND window : owned) {
        if (IsWindow(window)) {
            QueueShowWindow(window, SW_SHOWNA);
        }
    }
}

void HideOwnedWindows(const std::vector<HWND>& owned)
{
    for (HWND window : owned) {
        QueueShowWindow(window, SW_HIDE);
    }
}

} // namespace

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
    LiveMenus().push_back(this);
}

HiddenMenu::~HiddenMenu()
{
    ReleaseAll();
    std::vector<HiddenMenu*>& menus = LiveMenus();
    menus.erase(std::remove(menus.begin(), menus.end(), this), menus.end());
}

bool HiddenMenu::Create(HWND owner)
{
    if (owner) {
        m_owner = owner;
    }
    if (m_menu) {
        return true;
    }
    HMENU menu = CreatePopupMenu();
    if (!menu) {
        return false;
    }
    AppendFixedItems(menu, m_fixed);
    m_menu.reset(menu);
    return true;
}

void HiddenMenu::RenameFixedItems()
{
    if (m_menu) {
        ::RenameFixedItems(m_fixed);
    }
}

MenuEntry* HiddenMenu::AddEntry(const TitledWindow& candidate)
{
    if (!m_menu) {
        return nullptr;
    }
    DropEntryOf(candidate.window);
    uint32_t id = m_counter.Next([this](uint32_t held) { return EntryById(held) != nullptr; });
    if (id == 0) {
        return nullptr;
    }
    auto entry = std::make_unique<MenuEntry>();
    entry->name.SetLiteral(candidate.title.Text());
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
    if (!InsertMenuItemA(m_menu.get(), 0, TRUE, &item)) {
        return nullptr;
    }
    m_entries.push_back(std::move(entry));
    Changed();
    return m_entries.back().get();
}

// The entry is looked up again after the hide: a window of this thread runs its own code while
// it is hidden. Hiding an owner leaves its owned windows as they are, so they are looked for
// after its hide (which waits on nothing more) and join the entry before they are hidden.
HideOutcome HiddenMenu::HideEntryWindow(uint32_t commandId)
{
    MenuEntry* entry = Entry(commandId);
    if (!entry) {
        return HideOutcome::NoEntry;
    }
    HWND window = entry->window;
    const bool answered = ShowForeignWindow(window, SW_HIDE);
    const bool refused = answered && StaysVisible(window);
    entry = Entry(commandId);
    if (!entry) {
        return refused ? HideOutcome::Refused : HideOutcome::NoEntry;
    }
    if (refused) {
        RemoveEntry(entry);
        Changed();
        return HideOutcome::Refused;
    }
    entry->place = PlaceOf(window);
    entry->owned = VisibleOwnedWindows(window);
    if (!entry->owned.empty()) {
        Changed();
    }
    HideOwnedWindows(entry->owned);
    if (answered) {
        return HideOutcome::Hidden;
    }
    AwaitQueuedHide(commandId);
    return HideOutcome::Queued;
}

void HiddenMenu::AwaitQueuedHide(uint32_t commandId)
{
    MenuEntry* entry = Entry(commandId);
    if (!entry) {
        return;
    }
    entry->hidePending = true;
    entry->answered = false;
    // Sent behind the queued hides: its answer says the program has taken them.
    SendMessageCallbackA(entry->window, WM_NULL, 0, 0, QueuedHideAnswered, commandId);
}

void HiddenMenu::SetEntryIcon(uint32_t commandId, HICON icon)
{
    if (MenuEntry* entry = Entry(commandId)) {
        entry->icon = icon;
    }
}

HWND HiddenMenu::Unhide(UINT commandId)
{
    if (!m_menu) {
        return nullptr;
    }
    MENUITEMINFOA item = {sizeof(item)};
    item.fMask = MIIM_DATA;
    if (!GetMenuItemInfoA(m_menu.get(), commandId, FALSE, &item)) {
        return nullptr;
    }
    MenuEntry* entry = OwnedEntry(item.dwItemData);
    if (!entry) {
        return nullptr;
    }
    const MenuEntry held = *entry;
    RemoveEntry(entry);
    if (m_atPointer)
        PutOnMonitorAtPointer(held.window, held.place);
    else
        PutBackOnItsMonitor(held.window, held.place);
    ShowForeignWindow(held.window, SW_SHOW);
    ShowOwnedAgain(held.owned);
    Changed();
    return held.window;
}

// The window is being hidden again, so it is visible: its old entry goes as Prune would drop it.
// The entry is gone before its owned windows are shown, since showing one may run code.
void HiddenMenu::DropEntryOf(HWND window)
{
    for (const auto& entry : m_entries) {
        if (entry->window == window) {
            const std::vector<HWND> owned = entry->owned;
            RemoveEntry(entry.get());
            ShowOwnedAgain(owned);
            return;
        }
    }
}

const MenuEntry* HiddenMenu::PendingEntryOf(HWND window) const
{
    for (const auto& entry : m_entries) {
        if (entry->window == window && entry->hidePending) {
            return entry.get();
        }
    }
    return nullptr;
}

void HiddenMenu::Prune()
{
    std::vector<uint32_t> gone;
    for (const auto& entry : m_entries) {
        if (!IsWindow(entry->window) || (IsWindowVisible(entry->window) && !entry->hidePending)) {
            gone.push_back(entry->commandId);
        }
    }
    for (uint32_t id : gone) {
        MenuEntry* entry = Entry(id);
        if (IsWindow(entry->window)) {
            ShowOwnedAgain(entry->owned);
        }
        RemoveEntry(entry);
    }
    if (!gone.empty()) {
        Changed();
    }
}

std::vector<HWND> HiddenMenu::SettleQueuedHides()
{
    std::vector<HWND> refused;
    std::vector<uint32_t> dropped;
    for (const auto& entry : m_entries) {
        if (!entry->hidePending || !entry->answered) {
            continue;
        }
        if (IsWindowVisible(entry->window)) {
            refused.push_back(entry->window);
            dropped.push_back(entry->commandId);
        } else {
            entry->hidePending = false;
        }
    }
    for (uint32_t id : dropped) {
        MenuEntry* entry = Entry(id);
        ShowOwnedAgain(entry->owned);
        RemoveEntry(entry);
    }
    if (!dropped.empty()) {
        Changed();
    }
    return refused;
}

// Everything is taken out first, so that whatever runs while the windows are shown (the window
// procedure of a window of this thread) finds the menu empty. A program that does not answer
// costs one bound in all, not one per window.
void HiddenMenu::ReleaseAll()
{
    std::vector<std::unique_ptr<MenuEntry>> entries;
    entries.swap(m_entries);
    m_menu.reset();
    SilentThreads silent;
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        PutBackOnItsMonitor((*entry)->window, (*entry)->place);
        ShowForeignWindow((*entry)->window, SW_SHOW, &silent);
        ShowOwnedAgain((*entry)->owned);
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

MenuEntry* HiddenMenu::Entry(uint32_t commandId)
{
    return const_cast<MenuEntry*>(EntryById(commandId));
}

void HiddenMenu::Changed() const
{
    if (m_changed) {
        m_changed();
    }
}

void HiddenMenu::RemoveEntry(const MenuEntry* entry)
{
    RemoveMenu(m_menu.get(), entry->commandId, MF_BYCOMMAND);
    FreeEntry(entry);
}

// Only notes the answer and posts: the callback comes from whichever message loop this thread
// runs at the time (a message box's, a menu's), where nothing else should happen.
void CALLBACK HiddenMenu::QueuedHideAnswered(HWND window, UINT, ULONG_PTR commandId, LRESULT)
{
    for (HiddenMenu* menu : LiveMenus()) {
        menu->TakeAnswer(window, static_cast<uint32_t>(commandId));
    }
}

void HiddenMenu::TakeAnswer(HWND window, uint32_t commandId)
{
    MenuEntry* entry = Entry(commandId);
    if (!entry || entry->window != window || !entry->hidePending) {
        return;
    }
    entry->answered = true;
    if (m_owner) {
        PostMessageA(m_owner, kQueuedHideAnswered, 0, 0);
    }
}

void HiddenMenu::FreeEntry(const MenuEntry* entry)
{
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(),
                                   [entry](const std::unique_ptr<MenuEntry>& e) { return e.get() == entry; }),
                    m_entries.end());
}
