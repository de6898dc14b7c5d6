// The hidden-window menu: the pop-up menu opened from the tray icon and the
// "Popup Menu" hotkey. Each window hidden with an entry becomes an
// owner-drawn item at the top of it (newest first), above three fixed items.
//
// The menu owns its entry records; each item's data points to its record.
// A record is freed by whichever operation removes its item: unhide, prune
// or release. Records only borrow icons: nothing here destroys an icon.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "app/CandidateList.h"
#include "text/NString.h"

constexpr UINT kCmdShowMainWindow = 1002;
constexpr UINT kCmdVisitWebSite = 1012;
constexpr UINT kCmdExitFromMenu = 1004;
// Hidden-window entries take command ids from this range, in turn.
constexpr uint32_t kFirstEntryId = 4000;
constexpr uint32_t kLastEntryId = 8000;

struct MenuEntry {
    // The candidate's title; the entry is drawn with its short form.
    NString title;
    // Always empty.
    NString secondText;
    uint32_t commandId = 0;
    HWND window = nullptr;
    // Borrowed, may be null.
    HICON icon = nullptr;
    uint32_t reserved = 0;
};

// Hands out entry command ids from kFirstEntryId to kLastEntryId in turn,
// wrapping around, and skipping ids that are still held so that two entries
// never share one.
class CommandIdCounter {
public:
    explicit CommandIdCounter(uint32_t next = kFirstEntryId);
    // The next free id, or 0 when every id of the range is held.
    uint32_t Next(const std::function<bool(uint32_t)>& isHeld);
    // The one counter of the process, shared by every menu.
    static CommandIdCounter& Process();

private:
    void Advance();
    uint32_t m_next;
};

class HiddenMenu {
public:
    explicit HiddenMenu(CommandIdCounter& counter = CommandIdCounter::Process());
    HiddenMenu(const HiddenMenu&) = delete;
    HiddenMenu& operator=(const HiddenMenu&) = delete;
    // Releases whatever is still held (see ReleaseAll).
    ~HiddenMenu();

    // Creates the pop-up menu with its three fixed items. False when the
    // menu could not be made.
    bool Create();
    // Null before Create and after ReleaseAll.
    HMENU Handle() const noexcept { return m_menu; }

    // Inserts an entry for the candidate at the top of the menu, with the
    // next free command id. Null (nothing inserted) when no id is free or
    // the item cannot be inserted.
    MenuEntry* AddEntry(const CandidateRecord& candidate);
    // Removes the entry with the command id, shows its window again and
    // returns that window; null when no entry has the id. The window is not
    // brought to the front here.
    HWND Unhide(UINT commandId);
    // Drops the entries whose windows are gone or visible again; their
    // windows are left as they are.
    void Prune();
    // Shows every held window again, newest first, destroys the menu and
    // frees the records. The windows are not brought to the front.
    void ReleaseAll();

    // The entry holding the command id, or null.
    const MenuEntry* EntryById(uint32_t commandId) const;
    size_t EntryCount() const noexcept { return m_entries.size(); }
    // The held entries, oldest first.
    std::vector<const MenuEntry*> Entries() const
    {
        std::vector<const MenuEntry*> entries;
        for (const auto& entry : m_entries)
            entries.push_back(entry.get());
        return entries;
    }

private:
    // The record behind a menu item's data, when it is one of ours.
    MenuEntry* OwnedEntry(ULONG_PTR itemData) const;
    void ReleaseItems(HMENU menu);
    void FreeEntry(const MenuEntry* entry);

    CommandIdCounter& m_counter;
    HMENU m_menu = nullptr;
    std::vector<std::unique_ptr<MenuEntry>> m_entries;
};
