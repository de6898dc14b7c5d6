// What the shell reports on a notification-area icon's callback message, and the icon version
// that brings the keyboard's reports. Two layouts reach the same callback message:
//  - the first: wParam the icon's id, lParam the mouse message. Every icon has it until the shell
//    takes version 4 for it, and other programs send it (a second start of Veilbox, of any
//    version, sends the own icon's callback WM_LBUTTONUP this way to bring the dialog back);
//  - version 4: lParam's low word the event (a mouse message, NIN_SELECT, NIN_KEYSELECT for Enter
//    or Space on the focused icon, WM_CONTEXTMENU for the context-menu key, Shift+F10 or a right
//    click), its high word the low 16 bits of the icon's id, wParam the anchor point (x and y in
//    screen coordinates, 16 signed bits each).
// An icon of id 0 gives lParam the same value in both layouts; only wParam differs. So a report
// names its event by lParam's low word either way, and the events that only the version-4 layout
// carries count only for an icon the shell took version 4 for.
#pragma once

#include <windows.h>

#include <cstdint>

// Asks the shell to report on the icon (window, id) in the version-4 layout; true when it took
// it. A shell that refuses, or does not know the version, goes on reporting in the first layout.
// The version lasts while the icon does: an icon added again (a new shell) is asked again.
bool AskTrayVersion4(HWND window, UINT id);

// True for NIN_SELECT, NIN_KEYSELECT and WM_CONTEXTMENU: the events only a version-4 icon has.
bool IsVersion4Event(UINT event);

// The anchor point of a version-4 report: where the icon's menu opens. Another program may send
// anything: a point on no monitor (or a wParam wider than the layout's) gives the cursor.
POINT TrayAnchor(WPARAM wParam);

// The shell reports one click on a version-4 icon twice: the button's release, then what it means
// (NIN_SELECT after WM_LBUTTONUP, WM_CONTEXTMENU after WM_RBUTTONUP). The first report acts; the
// second is the same click, not another, when it is the next report for the same icon and comes
// while the first one's action runs or within kSameClickMs of its end: it is dropped. Only a
// release from the shell awaits a second report: one in the version-4 layout, which has an anchor.
// A release in the first layout (another program's, such as a second start, or Veilbox's own)
// has none. A report of any other event ends the wait for the second.
class TrayClickPairs {
public:
    static constexpr ULONGLONG kSameClickMs = 1000;

    // False for the second report of a click; true for every other report (which may act).
    // fromShell: the report is in the version-4 layout.
    bool Admit(uint32_t icon, UINT event, bool fromShell);
    // The action of the report admitted last has ended.
    void Ended();

private:
    uint32_t m_icon = 0;
    // The event that would be the same click again; 0 when none is awaited.
    UINT m_partner = 0;
    // Until when it is awaited; the largest value while the action runs.
    ULONGLONG m_until = 0;
};
