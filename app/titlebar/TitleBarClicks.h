// What a click on another window's title bar does: the decisions of the title-bar hook, apart
// from the hook itself so that they can be tried without a desktop.
//
// A right press on a window's minimise button (without Shift, while the option is on) and a left
// press on the close box of a window that a close-box rule names are taken: the press and its
// matching release are swallowed, and the window is handed on to be hidden. Every other event
// passes. Only presses ask anything of the desktop; a move or a release is answered from what is
// kept here.
#pragma once

#include <windows.h>

#include <functional>

// Which of a window's caption buttons sent it away.
enum class TitleBarButton : int { Minimise = 1, Close = 2 };

// What the decisions need to know of the desktop, each asked only on a press.
struct TitleBarWorld {
    // The top-level window under the point that may be acted on (not ours, not the desktop, not
    // the taskbar), or null.
    std::function<HWND(POINT)> windowAt;
    // The window's own answer to WM_NCHITTEST at the point, bounded; HTNOWHERE when it gave
    // none in time.
    std::function<LRESULT(HWND, POINT)> hitTest;
    // True when an acting close-box rule names the window.
    std::function<bool(HWND)> closeRuleNames;
    std::function<bool()> shiftHeld;
};

class TitleBarClicks {
public:
    explicit TitleBarClicks(TitleBarWorld world) : m_world(std::move(world)) {}

    void Configure(bool minimiseButtonHides, bool closeRules)
    {
        m_minimiseButtonHides = minimiseButtonHides;
        m_closeRules = closeRules;
    }
    bool Wanted() const { return m_minimiseButtonHides || m_closeRules; }

    // One mouse event (a WM_ message of a low-level hook) at a point: true when it is to be
    // swallowed. A taken press names its window and button in window and button.
    bool OnMouse(WPARAM message, POINT at, HWND& window, TitleBarButton& button);

private:
    // The window whose button given by hit (HTMINBUTTON, or HTCLOSE of a window a close-box rule
    // names) is under the point, or null.
    HWND ButtonOwner(POINT at, LRESULT hit);

    TitleBarWorld m_world;
    bool m_minimiseButtonHides = false;
    bool m_closeRules = false;
    // A press was swallowed: so is the next release of its button.
    bool m_swallowRightUp = false;
    bool m_swallowLeftUp = false;
};
