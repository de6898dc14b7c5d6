#include "app/titlebar/TitleBarClicks.h"

#include <cstdlib>

// The window is asked last, and only when nothing kept here rules it out.
HWND TitleBarClicks::ButtonOwner(POINT at, LRESULT hit)
{
    HWND window = m_world.windowAt(at);
    if (!window || (hit == HTCLOSE && !m_world.closeRuleNames(window)) || !m_world.nearCaption(window, at))
        return nullptr;
    return m_world.hitTest(window, at) == hit ? window : nullptr;
}

// A release is swallowed only after its own press was: a press that passed keeps its release,
// so a program never sees half a click from us.
bool TitleBarClicks::OnMouse(WPARAM message, POINT at, HWND& window, TitleBarButton& button)
{
    window = nullptr;
    switch (message) {
    case WM_RBUTTONDOWN:
        m_swallowRightUp = false;
        if (!m_minimiseButtonHides || m_world.shiftHeld())
            return false;
        window = ButtonOwner(at, HTMINBUTTON);
        button = TitleBarButton::Minimise;
        m_swallowRightUp = window != nullptr;
        return m_swallowRightUp;
    case WM_LBUTTONDOWN:
        m_swallowLeftUp = false;
        m_closePress = m_closeRules ? ButtonOwner(at, HTCLOSE) : nullptr;
        m_closePressAt = at;
        m_swallowLeftUp = m_closePress != nullptr;
        return m_swallowLeftUp;
    case WM_RBUTTONUP: {
        const bool swallow = m_swallowRightUp;
        m_swallowRightUp = false;
        return swallow;
    }
    case WM_LBUTTONUP: {
        const bool swallow = m_swallowLeftUp;
        m_swallowLeftUp = false;
        if (swallow && labs(at.x - m_closePressAt.x) <= kCloseReleaseSlop &&
            labs(at.y - m_closePressAt.y) <= kCloseReleaseSlop) {
            window = m_closePress;
            button = TitleBarButton::Close;
        }
        m_closePress = nullptr;
        return swallow;
    }
    default:
        return false;
    }
}
