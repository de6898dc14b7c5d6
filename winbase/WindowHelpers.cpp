// Centring arithmetic and the console-related window operations of the base.
#include "winbase/WindowHelpers.h"

#include "winbase/WinBase.h"
#include "winbase/WindowOps.h"

namespace {

constexpr DWORD kConsoleTitleCapacity = 261;

// Vertical centre of a window (height, halfHeight) that is taller than its
// reference: aligned with the reference's top, shifted up by half the excess.
int CentreForTallWindow(int halfHeight, int height, const RECT& reference, int desktopHeight)
{
    const int referenceHeight = reference.bottom - reference.top;
    if (reference.top < 0) {
        return halfHeight;
    }
    int cy = reference.top + halfHeight - (height - referenceHeight) / 2;
    if (cy - halfHeight < 0) {
        cy = halfHeight;
    }
    if (cy + halfHeight > desktopHeight) {
        cy = desktopHeight - halfHeight;
    }
    return cy;
}

// Puts a centre so that the half-extent around it lies on [0, limit] where it
// fits, preferring the far edge.
int KeepOnDesktop(int centre, int halfExtent, int limit)
{
    if (centre + halfExtent > limit) {
        return limit - halfExtent;
    }
    if (centre - halfExtent < 0) {
        return halfExtent;
    }
    return centre;
}

}  // namespace

RECT CenteredRect(const RECT& window, const RECT& reference, int desktopWidth, int desktopHeight)
{
    const int halfWidth = (window.right - window.left) / 2;
    const int height = window.bottom - window.top;
    const int halfHeight = height / 2;

    const int cx = KeepOnDesktop((reference.left + reference.right) / 2, halfWidth, desktopWidth);
    int cy = 0;
    if (halfHeight <= (reference.bottom - reference.top) / 2) {
        cy = KeepOnDesktop((reference.top + reference.bottom) / 2, halfHeight, desktopHeight);
    } else {
        cy = CentreForTallWindow(halfHeight, height, reference, desktopHeight);
    }
    RECT placed;
    placed.left = cx - halfWidth;
    placed.top = cy - halfHeight;
    placed.right = placed.left + 2 * halfWidth;
    placed.bottom = placed.top + 2 * halfHeight;
    return placed;
}

void CenterWindow(HWND window, HWND reference)
{
    if (!IsWindow(window)) {
        return;
    }
    HWND desktop = GetDesktopWindow();
    if (!reference || !IsWindow(reference)) {
        reference = desktop;
    }
    RECT desktopRect = {};
    RECT referenceRect = {};
    RECT windowRect = {};
    GetWindowRect(desktop, &desktopRect);
    GetWindowRect(reference, &referenceRect);
    GetWindowRect(window, &windowRect);
    const RECT placed = CenteredRect(windowRect, referenceRect, desktopRect.right - desktopRect.left,
                                     desktopRect.bottom - desktopRect.top);
    MoveWindow(window, placed.left, placed.top, placed.right - placed.left, placed.bottom - placed.top, TRUE);
}

HWND ConsoleWindow()
{
    char title[kConsoleTitleCapacity] = {};
    if (GetConsoleTitleA(title, kConsoleTitleCapacity) == 0 || title[0] == '\0') {
        return nullptr;
    }
    return FindTopLevelWindow(title, "", nullptr, false);
}

void QF_WINBASE::HideWithConsole()
{
    ShowWindow(m_window, SW_HIDE);
    if (HWND console = ConsoleWindow()) {
        ShowWindow(console, SW_HIDE);
    }
}

// SW_SHOWDEFAULT and SW_RESTORE after SW_SHOW bring back a window that was
// minimised when it was hidden at its normal size.
void QF_WINBASE::ShowWithConsole()
{
    static const int kShowCommands[] = {SW_SHOW, SW_SHOWDEFAULT, SW_RESTORE};
    MakeDeferredControls();
    for (int command : kShowCommands) {
        ShowWindow(m_window, command);
    }
    if (HWND console = ConsoleWindow()) {
        for (int command : kShowCommands) {
            ShowWindow(console, command);
        }
    }
    m_windowState = kStateNormal;
}

RECT QF_WINBASE::ControlRect(int id) const
{
    RECT rect = {};
    if (!GetWindowRect(Item(id), &rect)) {
        return RECT{};
    }
    MapWindowPoints(nullptr, m_window, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}
