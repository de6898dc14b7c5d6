// The hidden-window menu: the pop-up menu opened from the tray icon and the
// "Popup Menu" hotkey. Each window hidden with an entry becomes an
// owner-drawn item at the top of it (newest first), above three fixed items,
// which the program draws too (winbase/MenuItems.h).
//
// The menu owns its entry records; each item's data points to its record,
// which begins with the entry's name for screen readers (MenuItemName: the
// window's title).
// A record is freed by whichever operation removes its item: unhide, prune,
// a refused hide or release. Records only borrow icons: nothing here
// destroys an icon. Code that may run other code of this program meanwhile
// (a message box, a menu, a send) keeps an entry's command id, not its
// record, and looks the record up again afterwards.
//
// A window goes and comes back with the visible windows it owns, and comes
// back on the monitor it was on. A hide that its program has not answered
// is queued: its entry stays until the program answers (see
// SettleQueuedHides).
//
// Whoever mirrors the entries (the held-window records) is told of every
// change of them at once, from inside the operation: a new entry before its
// window is hidden, an entry that goes after its window is shown again, and
// each before anything of the operation could run code of this program
// (see SetChangeHandler).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "app/TitleAndIcon.h"
#include "app/held/WindowPlace.h"
#include "text/NString.h"
#include "winbase/MenuItems.h"
#include "winbase/ScopedHandles.h"

constexpr UINT kCmdShowMainWindow = 1002;
constexpr UINT kCmdVisitWebSite = 1012;
constexpr UINT kCmdExitFromMenu = 1004;
// Hidden-window entries take command ids from this range, in turn.
constexpr uint32_t kFirstEntryId = 4000;
constexpr uint32_t kLastEntryId = 8000;
// Posted to the menu's owner window when the program of a queued hide has answered: time for
// SettleQueuedHides.
constexpr UINT kQueuedHideAnswered = WM_APP + 2;

struct MenuEntry {
    // First: the item's data points here, where a screen reader reads the title.
    MenuItemName name;
    // The candidate's title; the entry is drawn with its short form.
    NString title;
    // Always empty.
    NString secondText;
    uint32_t commandId = 0;
    HWND window = nullptr;
    // Borrowed, may be null.
    HICON icon = nullptr;
    uint32_t reserved = 0;
    // The visible windows it owned when it was hidden: hidden with it, shown with it again.
    std::vector<HWND> owned;
    WindowPlace place;
    // The hide was queued for a program that did not answer, and has not been settled.
    bool hidePending = false;
    // The program of the pending hide has answered since.
    bool answered = false;
};

enum class HideOutcome {
    Hidden,
    // Queued for a program that did not answer: the entry stays, pending.
    Queued,
    // The program answered and the window stayed visible: the entry is gone.
    Refused,
    // No entry had the command id.
    NoEntry,
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
    // menu could not be made. owner, when given, is posted kQueuedHideAnswered.
    bool Create(HWND owner = nullptr);
    // Null before Create and after ReleaseAll.
    HMENU Handle() const noexcept { return m_menu.get(); }
    // The fixed items in the language in use.
    void RenameFixedItems();
    // Called whenever the entries (or an entry's owned windows) change: after an entry is added
    // and before its window is hidden, and after the window of an entry that went is shown
    // again. It must not pump messages nor change the menu. ReleaseAll does not call it: after
    // ReleaseAll the mirror is cleared by its owner.
    void SetChangeHandler(std::function<void()> changed) { m_changed = std::move(changed); }
    // With atPointer, Unhide brings a window back on the monitor under the pointer (see
    // PutOnMonitorAtPointer) instead of the monitor it left.
    void SetComeBackAtPointer(bool atPointer) { m_atPointer = atPointer; }

    // Inserts an entry for the window at the top of the menu, with the
    // next free command id. Null (nothing inserted) when no id is free or
    // the item cannot be inserted. An entry left for the same window from an
    // earlier hide is dropped first, so a window never has two.
    MenuEntry* AddEntry(const TitledWindow& candidate);
    // Hides the window of the entry with the command id, then the visible
    // windows it owns, and notes where it was. The owned windows join the
    // entry (and the change handler is told) before they are hidden. A
    // refused hide takes the entry out again. Nothing is asked of the window
    // before its hide.
    HideOutcome HideEntryWindow(uint32_t commandId);
    // Makes the entry's hide one queued for a program that has not answered (one an earlier copy
    // of this program queued, say): the entry stays until SettleQueuedHides finds the program's
    // answer, as for a hide HideEntryWindow queued.
    void AwaitQueuedHide(uint32_t commandId);
    void SetEntryIcon(uint32_t commandId, HICON icon);
    // Removes the entry with the command id, shows its window (on its
    // monitor, or the pointer's, in the state it left) and its owned windows again and returns
    // that window; null when no entry has the id. The window is not brought
    // to the front here.
    HWND Unhide(UINT commandId);
    // Drops the entries whose windows are gone, or visible again while no
    // hide of theirs is pending; the windows are left as they are (a window
    // shown again gets its owned windows back). Pending entries stay.
    void Prune();
    // Settles the pending hides whose programs have answered: an entry whose
    // window is hidden becomes an ordinary entry, one whose window stayed
    // visible was refused and is dropped (its owned windows are shown
    // again). Returns the refused windows.
    std::vector<HWND> SettleQueuedHides();
    // Takes every entry out, destroys the menu, then shows every held window
    // (pending ones too) and its owned windows again, newest first. The
    // windows are not brought to the front.
    void ReleaseAll();

    // The entry holding the command id, or null.
    const MenuEntry* EntryById(uint32_t commandId) const;
    // The entry of the window whose hide is still pending, or null.
    const MenuEntry* PendingEntryOf(HWND window) const;
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
    MenuEntry* Entry(uint32_t commandId);
    // Removes the entry's item and frees the record.
    void RemoveEntry(const MenuEntry* entry);
    void DropEntryOf(HWND window);
    void FreeEntry(const MenuEntry* entry);
    void Changed() const;
    static void CALLBACK QueuedHideAnswered(HWND window, UINT, ULONG_PTR commandId, LRESULT);
    void TakeAnswer(HWND window, uint32_t commandId);

    CommandIdCounter& m_counter;
    // The records of the fixed items; they may outlive the menu.
    MenuTextItems m_fixed;
    OwnedMenu m_menu;
    HWND m_owner = nullptr;
    std::function<void()> m_changed;
    bool m_atPointer = false;
    std::vector<std::unique_ptr<MenuEntry>> m_entries;
};
