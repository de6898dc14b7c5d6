#include "app/HideOps.h"

#include "app/ForeignWindow.h"
#include "app/ListBox.h"
#include "winbase/WindowOps.h"

namespace {

constexpr const char kDesktopTitle[] = "Program Manager";

bool IsHeld(KeyStateReader keyState, int virtualKey)
{
    return (keyState(virtualKey) & 0x8000) != 0;
}

// Hides the window; true when it is hidden or the hide is queued for a program that does not
// answer. A window whose program answered yet which is still visible refused the hide: the
// handler is told and false returned.
bool HideWindow(HWND window, const HideRefusedHandler& refused)
{
    if (!ShowForeignWindow(window, SW_HIDE) || !IsWindowVisible(window))
        return true;
    if (refused)
        refused(window);
    return false;
}

// Hides the window with an entry in the menu; false, leaving the window
// alone, when no entry can be made, so a window is never hidden beyond the
// user's reach by accident. A window that refuses the hide is not claimed:
// its entry is taken out again.
bool HideWithEntry(const CandidateRecord& record, HiddenMenu& menu, const HideRefusedHandler& refused)
{
    HWND window = record.window;
    MenuEntry* entry = menu.AddEntry(record);
    if (!entry) {
        return false;
    }
    if (!HideWindow(window, refused)) {
        menu.Unhide(entry->commandId);
        return false;
    }
    return true;
}

// The first window below start in the Z order that is visible, or that is
// the (invisible) desktop; null when the walk runs out of windows.
HWND NextWindowBelow(HWND start)
{
    SilentThreads silent;
    for (HWND window = start ? GetWindow(start, GW_HWNDNEXT) : nullptr; window;
         window = GetWindow(window, GW_HWNDNEXT)) {
        if (IsWindowVisible(window) || SentTitle(window, &silent).EqualsNoCase(kDesktopTitle)) {
            return window;
        }
    }
    return nullptr;
}

} // namespace

bool HideSelectedCandidate(HWND dialog, CandidateList& candidates, HiddenMenu& menu,
                           KeyStateReader keyState, const HideRefusedHandler& refused)
{
    CandidateRecord* record = candidates.Selected();
    if (!record) {
        return false;
    }
    if (IsHeld(keyState, VK_SHIFT)) {
        HideWindow(record->window, refused);
    } else if (!HideWithEntry(*record, menu, refused)) {
        return false;
    }
    candidates.Refresh();
    if (IsHeld(keyState, VK_CONTROL)) {
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    }
    return true;
}

bool HideWindowIntoMenu(HWND window, HiddenMenu& menu, const HideRefusedHandler& refused)
{
    CandidateRecord record;
    record.window = window;
    record.title = StoredTitle(window);
    record.icon = WindowIcon(window);
    return HideWithEntry(record, menu, refused);
}

HWND HideActiveWindow(HWND dialog, CandidateList& candidates, HiddenMenu& menu,
                      const HideRefusedHandler& refused)
{
    HWND active = GetForegroundWindow();
    HWND hidden = nullptr;
    if (active && active == dialog) {
        SendMessageA(dialog, WM_CLOSE, 0, 0);
    } else {
        if (active && SentTitle(active).EqualsNoCase(kDesktopTitle)) {
            return nullptr;
        }
        int index = candidates.Find(active);
        if (index != LB_ERR) {
            QF_LISTBOX(candidates.ListBox()).SelectIndex(index);
            CandidateRecord* record = candidates.RecordAt(index);
            if (record && HideWithEntry(*record, menu, refused)) {
                hidden = active;
                candidates.Refresh();
            }
        }
    }
    if (VisibleWindowCount() == 0) {
        return hidden;
    }
    if (HWND next = NextWindowBelow(active)) {
        BringToFrontWithoutWaiting(next);
    }
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

void BringToFrontWithoutWaiting(HWND window)
{
    if (WindowAnswers(window)) {
        BringWindowToFront(window);
    } else {
        SetForegroundWindow(window);
    }
}
