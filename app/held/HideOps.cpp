#include "app/held/HideOps.h"

#include "app/ForeignWindow.h"
#include "app/TitleAndIcon.h"
#include "winbase/WindowOps.h"

namespace {

struct BelowSearch {
    HWND start;
    bool passedStart;
    bool anyVisible;
    HWND next;
};

// Looks at the top-level windows in the Z order, without a message to any: whether one other
// than the desktop is visible, and the first one below start that is visible or is the desktop.
// A title is read only where it decides something.
BOOL CALLBACK FindBelow(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<BelowSearch*>(param);
    const bool visible = IsWindowVisible(window) != FALSE;
    if (visible && !search->anyVisible && !IsDesktopWindow(window)) {
        search->anyVisible = true;
    }
    if (search->passedStart && !search->next && (visible || IsDesktopWindow(window))) {
        search->next = window;
    }
    search->passedStart = search->passedStart || window == search->start;
    return search->anyVisible && search->next ? FALSE : TRUE;
}

} // namespace

bool HideWithoutEntry(HWND window, const HideRefusedHandler& refused, UnlistedHides* unlisted)
{
    if (unlisted) {
        unlisted->Add(window);
    }
    if (!ShowForeignWindow(window, SW_HIDE) || !StaysVisible(window)) {
        return true;
    }
    if (unlisted) {
        unlisted->Remove(window);
    }
    if (refused) {
        refused(window);
    }
    return false;
}

bool HideWithEntry(const TitledWindow& record, HiddenMenu& menu, const HideRefusedHandler& refused,
                   uint32_t& id)
{
    HWND window = record.window;
    // A second hide while the first is still queued keeps the one entry; the hide is under way.
    if (const MenuEntry* pending = menu.PendingEntryOf(window)) {
        id = pending->commandId;
        return true;
    }
    const MenuEntry* entry = menu.AddEntry(record);
    if (!entry) {
        return false;
    }
    id = entry->commandId;
    HideOutcome outcome = menu.HideEntryWindow(id);
    if (outcome == HideOutcome::Refused && refused) {
        refused(window);
    }
    return outcome == HideOutcome::Hidden || outcome == HideOutcome::Queued;
}

void ActivateNextBelow(HWND start)
{
    BelowSearch search = {start, false, false, nullptr};
    if (start) {
        EnumWindows(FindBelow, reinterpret_cast<LPARAM>(&search));
    }
    if (search.anyVisible && search.next) {
        BringToFrontWithoutWaiting(search.next);
    }
}

// The icon is asked for after the hide, so that the hide waits on nothing; a program that did
// not answer the hide is not asked at all.
bool HideWindowIntoMenu(HWND window, HiddenMenu& menu, const HideRefusedHandler& refused)
{
    TitledWindow record;
    record.window = window;
    record.title = StoredTitle(window);
    uint32_t id = 0;
    if (!HideWithEntry(record, menu, refused, id)) {
        return false;
    }
    SilentThreads silent;
    const MenuEntry* entry = menu.EntryById(id);
    if (entry && entry->hidePending) {
        silent.MarkSilent(window);
    }
    menu.SetEntryIcon(id, WindowIcon(window, &silent));
    return true;
}

void BringToFrontWithoutWaiting(HWND window, SilentThreads* silent)
{
    if (WindowAnswers(window, silent)) {
        BringWindowToFront(window);
    } else {
        SetForegroundWindow(window);
    }
}
