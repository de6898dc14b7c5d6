#include "app/held/HideOps.h"

#include "app/held/ForeignWindow.h"
#include "winbase/WindowOps.h"

namespace {

constexpr const char kDesktopTitle[] = "Program Manager";

bool IsHeld(KeyStateReader keyState, int virtualKey)
{
    return (keyState(virtualKey) & 0x8000) != 0;
}

// Read without a message to the window, as every check on the way to a hide is.
bool IsDesktop(HWND window)
{
    return StoredTitle(window).EqualsNoCase(kDesktopTitle);
}

// The hide without an entry; true when the window is hidden or its hide is queued. The window is
// remembered in unlisted before the hide and forgotten again when the program refuses it.
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

// Hides the window with an entry in the menu; false, leaving the window alone, when no entry
// can be made, so a window is never hidden beyond the user's reach by accident. A window that
// refuses the hide is not claimed: its entry is gone before the handler is told, and nothing
// is touched after the handler, which may run a message loop. The new entry's command id is
// stored in id.
bool HideWithEntry(const CandidateRecord& record, HiddenMenu& menu, const HideRefusedHandler& refused,
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

// Hides the listed window with an entry made from its candidate record; false when it is not
// listed or was not hidden. The record is found without a message to the list box (while the
// dialog is hidden the window's entry is first brought up to date, so the window is looked at
// once), and nothing but the held record's write comes before the hide. The entry is selected
// after the hide and before the list is rebuilt, so the list's earlier selection does not outlive
// it: a selection is a round of messages to the list box and a repaint, which the hide does not
// wait for. The entry is found again by window for that, as the hide may have pumped.
bool HideListedWindow(HWND window, CandidateList& candidates, HiddenMenu& menu, const HideRefusedHandler& refused)
{
    const CandidateRecord* listed = candidates.RecordOf(window);
    if (!listed) {
        return false;
    }
    const CandidateRecord record = *listed;
    uint32_t id = 0;
    if (!HideWithEntry(record, menu, refused, id)) {
        return false;
    }
    candidates.SelectListedWindow(window);
    candidates.Refresh();
    return true;
}

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
    if (visible && !search->anyVisible && !IsDesktop(window)) {
        search->anyVisible = true;
    }
    if (search->passedStart && !search->next && (visible || IsDesktop(window))) {
        search->next = window;
    }
    search->passedStart = search->passedStart || window == search->start;
    return search->anyVisible && search->next ? FALSE : TRUE;
}

} // namespace

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

bool HideSelectedCandidate(HWND dialog, CandidateList& candidates, HiddenMenu& menu,
                           KeyStateReader keyState, const HideRefusedHandler& refused, UnlistedHides* unlisted)
{
    const CandidateRecord* selected = candidates.Selected();
    if (!selected) {
        return false;
    }
    const CandidateRecord record = *selected;
    uint32_t id = 0;
    if (IsHeld(keyState, VK_SHIFT)) {
        HideWithoutEntry(record.window, refused, unlisted);
    } else if (!HideWithEntry(record, menu, refused, id)) {
        return false;
    }
    candidates.Refresh();
    if (IsHeld(keyState, VK_CONTROL)) {
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    }
    return true;
}

// The icon is asked for after the hide, so that the hide waits on nothing; a program that did
// not answer the hide is not asked at all.
bool HideWindowIntoMenu(HWND window, HiddenMenu& menu, const HideRefusedHandler& refused)
{
    CandidateRecord record;
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

HWND HideActiveWindow(HWND dialog, CandidateList& candidates, HiddenMenu& menu,
                      const HideRefusedHandler& refused)
{
    HWND active = GetForegroundWindow();
    HWND hidden = nullptr;
    if (active && active == dialog) {
        SendMessageA(dialog, WM_CLOSE, 0, 0);
    } else if (active && IsDesktop(active)) {
        return nullptr;
    } else if (HideListedWindow(active, candidates, menu, refused)) {
        hidden = active;
    }
    ActivateNextBelow(active);
    return hidden;
}

bool UnhideMenuEntry(UINT commandId, CandidateList& candidates, HiddenMenu& menu)
{
    HWND window = menu.Unhide(commandId);
    if (!window) {
        return false;
    }
    BringToFrontWithoutWaiting(window);
    candidates.Refresh();
    return true;
}

void PruneHiddenMenu(CandidateList& candidates, HiddenMenu& menu)
{
    menu.Prune();
    candidates.Refresh();
}

void BringToFrontWithoutWaiting(HWND window, SilentThreads* silent)
{
    if (WindowAnswers(window, silent)) {
        BringWindowToFront(window);
    } else {
        SetForegroundWindow(window);
    }
}
