// The finder tool: the user presses the left button on the crosshair picture, drags it over any
// window and releases; that window is selected in the candidate list (not hidden).
#include "app/main/MainDialog.h"

#include "res/MainDialogIds.h"

namespace {

// The system's standard arrow (IDC_ARROW).
constexpr WORD kArrowCursorId = 32512;

// The top-level window a point belongs to: the window under it and then its parents and
// owners, so a drop on another program's dialog box takes that program's main window.
HWND TopLevelAt(POINT screenPoint)
{
    HWND window = WindowFromPoint(screenPoint);
    while (window) {
        HWND parent = GetParent(window);
        if (!parent)
            break;
        window = parent;
    }
    return window;
}

} // namespace

// The press must land on the finder's picture, wherever the layout and the DPI put it.
bool DIALOG::IsOnFinder(int x, int y) const
{
    const RECT picture = ControlRect(IDC_MAIN_FINDER);
    if (!PtInRect(&picture, POINT{x, y}))
        return false;
    POINT screenPoint = {x, y};
    ClientToScreen(Window(), &screenPoint);
    return WindowFromPoint(screenPoint) == Window();
}

// The dialog hides for the whole drag so that the windows beneath it can be reached.
void DIALOG::FinderPress(int x, int y)
{
    if (IsOnFinder(x, y)) {
        HideWithConsole();
        m_dragging = true;
        SetCapture(Window());
        SetCursor(m_finderCursor.get());
    } else {
        ShowWithConsole();
        m_dragging = false;
    }
    InvalidateRect(Window(), nullptr, TRUE);
}

// The drop point is the pointer's real screen position: the client point the mouse message
// carries, converted by the system, whatever the size of the window's frame and caption.
void DIALOG::FinderDrop(int x, int y)
{
    POINT screenPoint = {x, y};
    ClientToScreen(Window(), &screenPoint);
    const bool dragging = m_dragging;
    // Cleared first: the release of the capture below is no lost capture.
    m_dragging = false;
    ShowWithConsole();
    ReleaseCapture();
    if (!dragging)
        return;

    HWND target = TopLevelAt(screenPoint);
    if (m_candidates.Count() <= 0)
        return;
    m_candidates.SelectWindow(target);
    InvalidateRect(Window(), nullptr, TRUE);
}

void DIALOG::FinderCaptureLost()
{
    if (!m_dragging)
        return;
    m_dragging = false;
    SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(kArrowCursorId)));
    ShowWithConsole();
    InvalidateRect(Window(), nullptr, TRUE);
}
