#include "app/titlebar/TitleBarClicks.h"

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
        if (!m_closeRules)
            return false;
        window = ButtonOwner(at, HTCLOSE);
        button = TitleBarButton::Close;
        m_swallowLeftUp = window != nullptr;
        return m_swallowLeftUp;
    case WM_RBUTTONUP: {
        const bool swallow = m_swallowRightUp;
        m_swallowRightUp = false;
        return swallow;
    }
    case WM_LBUTTONUP: {
        const bool swallow = m_swallowLeftUp;
        m_swallowLeftUp = false;
        return swallow;
    }
    default:
        return false;
    }
}
