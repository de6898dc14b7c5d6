// What a click on another window's title bar does: the decisions of the title-bar hook, apart
// from the hook itself so that they can be tried without a desktop.
//
// A right press on a window's minimise button (without Shift, while the option is on) and a left
// press on the close box of a window that a close-box rule names are taken: the press and its
// matching release are swallowed. The minimise button's window is handed on to be hidden at the
// press; the close box's at the release, and only when the release lands where the press was
// (as the system's own close happens on the release and is cancelled by dragging off). Every
// other event passes. Only presses ask anything of the desktop, and a window is hit-tested only
// when the press lies in the top band of its rectangle where a caption can be; a move or a
// release is answered from what is kept here.
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
    // True when the point lies in the window's caption band (see InCaptionBand); asked before
    // the hit test, which goes to another program.
    std::function<bool(HWND, POINT)> nearCaption;
};

// True when at lies within the window's rectangle and no more than band pixels below its top.
inline bool InCaptionBand(const RECT& window, POINT at, int band)
{
    return at.x >= window.left && at.x < window.right && at.y >= window.top && at.y < window.bottom &&
           at.y < window.top + band;
}

// A low-level hook reports the buttons as pressed; with the buttons swapped (SM_SWAPBUTTON) the
// physical left button is the secondary one. The message as a window would get it.
inline WPARAM LogicalButtonMessage(WPARAM physical, bool swapped)
{
    if (!swapped)
        return physical;
    switch (physical) {
    case WM_LBUTTONDOWN: return WM_RBUTTONDOWN;
    case WM_LBUTTONUP: return WM_RBUTTONUP;
    case WM_RBUTTONDOWN: return WM_LBUTTONDOWN;
    case WM_RBUTTONUP: return WM_LBUTTONUP;
    default: return physical;
    }
}

// What the hook's watch saw at its last look.
struct HookWatchState {
    ULONGLONG lastCheck = 0;  // 0: not looked yet
    DWORD lastInput = 0;      // when the system last took input (GetLastInputInfo)
    POINT cursor = {};        // where the pointer was last seen, when cursorKnown
    bool cursorKnown = false;
    unsigned events = 0;
};

// Longer than the system waits for a hook procedure on older systems (200 ms and up): a look
// asked of the hook's thread that it takes later than this found the thread held up, and its
// hook may be lost.
constexpr ULONGLONG kHookStallMs = 1500;

// True when the system took input since the last look while the hook saw no event: the keyboard
// alone, or a hook lost. Only then is the pointer's position worth comparing.
inline bool InputUnseen(const HookWatchState& last, DWORD lastInput, unsigned events)
{
    return last.lastCheck != 0 && lastInput != last.lastInput && events == last.events;
}

// True when the hook is to be set (again): it is not set, the thread took this look late
// (kHookStallMs after it was asked), or the pointer moved while the hook saw no event. cursor:
// where the pointer is now, or null when it was not looked at.
inline bool HookNeedsSetting(bool set, bool late, const HookWatchState& last, const POINT* cursor, unsigned events)
{
    if (!set || late)
        return true;
    const bool moved = cursor && last.cursorKnown && (cursor->x != last.cursor.x || cursor->y != last.cursor.y);
    return last.lastCheck != 0 && moved && events == last.events;
}

// The watch's state after a look at now: the pointer where it was read, else where the hook's
// last event put it when the hook saw any since the last look, else where it was last seen.
inline HookWatchState NextWatchState(const HookWatchState& last, ULONGLONG now, DWORD lastInput,
                                     const POINT* cursor, unsigned events, POINT lastEventAt)
{
    HookWatchState next{now, lastInput, last.cursor, last.cursorKnown, events};
    if (cursor || events != last.events) {
        next.cursor = cursor ? *cursor : lastEventAt;
        next.cursorKnown = true;
    }
    return next;
}

// How a window takes screen points, as far as the system tells: in the physical pixels the hook
// sees (per-monitor DPI aware), in logical ones of its own (not aware, or aware of the system's
// DPI only: the system scales it on a monitor of another DPI), or not known (older systems).
enum class PointSpace { Physical, Logical, Unknown };

// The point a window is asked about for a press the hook saw at seen, into asked. A window that
// takes physical pixels is asked about seen itself; any other about seen as toWindow converts it
// for the window (the identity where the system does not scale it). Where the system has no
// such conversion (toWindow empty: before Windows 8.1, where no window is scaled per monitor)
// seen is asked. False when the conversion failed: the window is not asked, and keeps its click.
inline bool HitTestPointFor(POINT seen, PointSpace space, const std::function<bool(POINT&)>& toWindow, POINT& asked)
{
    asked = seen;
    if (space == PointSpace::Physical || !toWindow)
        return true;
    return toWindow(asked);
}

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
    // swallowed. An event that hands a window on names it and its button in window and button.
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
    // The window whose close box the swallowed left press was on, and where.
    HWND m_closePress = nullptr;
    POINT m_closePressAt = {};
};

// How far (in pixels, each way) a close box's release may land from its press and still hide.
constexpr LONG kCloseReleaseSlop = 4;
