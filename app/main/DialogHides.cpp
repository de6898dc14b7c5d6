#include "app/main/DialogHides.h"

#include "app/TitleAndIcon.h"

namespace {

bool IsHeld(KeyStateReader keyState, int virtualKey)
{
    return (keyState(virtualKey) & 0x8000) != 0;
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

} // namespace

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

HWND HideActiveWindow(HWND dialog, CandidateList& candidates, HiddenMenu& menu,
                      const HideRefusedHandler& refused)
{
    HWND active = GetForegroundWindow();
    HWND hidden = nullptr;
    if (active && active == dialog) {
        SendMessageA(dialog, WM_CLOSE, 0, 0);
    } else if (active && IsDesktopWindow(active)) {
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
