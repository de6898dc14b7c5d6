// Notification-area icons for the hidden-window menu's entries. When the user wants them, every
// entry also has an icon of its own beside the program's: the window's icon, with the window's
// title as its tip. The icons belong to the main dialog's window; an icon's id is
// kFirstWindowIconId plus its entry's command id, and the shell reports clicks and keys on it with
// the callback message given at construction, in either layout of winbase/TrayEvents.h: the
// first (wParam the icon's whole id, lParam the mouse message, whose high word is 0), or, for an
// icon the shell took version 4 for, lParam's high word the low 16 bits of the id (the command id,
// never 0) and its low word the event, wParam the anchor point.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "app/held/HiddenMenu.h"
#include "text/NString.h"
#include "winbase/TrayEvents.h"

// Above every entry command id: no icon of this kind ever has the program's own id 0.
constexpr UINT kFirstWindowIconId = 0x10000;

class WindowTrayIcons {
public:
    explicit WindowTrayIcons(UINT callbackMessage) : m_callback(callbackMessage) {}
    WindowTrayIcons(const WindowTrayIcons&) = delete;
    WindowTrayIcons& operator=(const WindowTrayIcons&) = delete;
    ~WindowTrayIcons() { RemoveAll(); }

    // The window the icons belong to; set before the first Sync.
    void Attach(HWND owner) { m_owner = owner; }

    // Makes the icons mirror the menu's entries (none while enabled is false): adds the missing
    // ones in the menu's order (oldest first), removes those whose entries are gone and updates
    // those whose window, icon or title changed. When nothing changed, nothing reaches the shell.
    void Sync(const HiddenMenu& menu, bool enabled);
    // Adds every icon again: a shell that has just started ("TaskbarCreated") shows none.
    void Restore();
    void RemoveAll();

    size_t Count() const { return m_shown.size(); }

    // What a report on the callback message is about: the entry of a live icon and the event.
    struct Report {
        // 0 when no icon shown for an entry still in the menu has the id the report names, or
        // when a report in the version-4 layout names an icon the shell did not take it for, or
        // an event only that layout has comes in the first.
        uint32_t commandId = 0;
        UINT event = 0;
        // The report is in the version-4 layout: the shell's.
        bool version4 = false;
    };
    Report Read(WPARAM wParam, LPARAM lParam, const HiddenMenu& menu) const;
    // Read, with the shell's second report of a click (TrayClickPairs) given a command id of 0.
    Report Take(WPARAM wParam, LPARAM lParam, const HiddenMenu& menu);
    // The command id of the entry behind an icon id the shell reported; 0 when that id is not
    // one of the icons shown or its entry has left the menu.
    uint32_t EntryIdFor(WPARAM iconId, const HiddenMenu& menu) const;

private:
    struct Shown {
        HWND window = nullptr;
        // Borrowed, as the entry's; may be null.
        HICON icon = nullptr;
        NString title;
        // The shell took the icon, and version 4 for it.
        bool added = false;
        bool version4 = false;
    };

    void SyncOnce(const HiddenMenu& menu, bool enabled);
    // Adds or modifies the icon of the command id; true when the shell took it.
    bool Tell(DWORD action, uint32_t commandId, const Shown& shown) const;
    // Tells the shell the icon of the command id as m_shown holds it: modifies it when it was
    // added and still exists, else adds it and asks for version 4 (anew: adds it first, as for a
    // shell that has just started, and asks for the version whatever the answer); notes the
    // outcome in m_shown.
    void Show(uint32_t commandId, bool anew);
    void Delete(uint32_t commandId) const;

    HWND m_owner = nullptr;
    UINT m_callback;
    // By command id.
    std::map<uint32_t, Shown> m_shown;
    TrayClickPairs m_clicks;
    // A Sync is running, and another pass (with m_syncEnabled) was asked for meanwhile.
    bool m_syncing = false;
    bool m_syncDue = false;
    bool m_syncEnabled = false;
};
