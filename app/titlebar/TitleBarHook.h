// The title-bar hook: a low-level mouse hook (WH_MOUSE_LL) of this process that lets a right
// click on any window's minimise button, and a left click on the close box of a window a
// close-box rule names, hide that window into the menu. Nothing runs in other programs.
//
// The hook procedure runs on the thread that set the hook (the main dialog's) and must return
// at once, or the pointer lags on the whole desktop and the system drops the hook: it only
// decides (see TitleBarClicks), asking a window which part of it is under the pointer with a
// bounded WM_NCHITTEST on a press, and posts the owner a message for each window to hide. The
// owner hides it from its message loop, never inside the hook.
//
// The hook is set only while something wants it, and set again when the system may have
// dropped it (the owner calls Check about once a second). One object sets the hook at a time.
#pragma once

#include <windows.h>

#include <vector>

#include "app/rules/WindowMatch.h"
#include "app/titlebar/TitleBarClicks.h"

class TitleBarHook {
public:
    // The owner (see Configure) is posted message with the window to hide in wParam and its
    // TitleBarButton in lParam.
    explicit TitleBarHook(UINT message);
    ~TitleBarHook();
    TitleBarHook(const TitleBarHook&) = delete;
    TitleBarHook& operator=(const TitleBarHook&) = delete;

    // Sets or removes the hook to suit: set while the minimise button hides or a close-box rule
    // acts. closeRules: the criteria of the acting close-box rules.
    void Configure(HWND owner, bool minimiseButtonHides, std::vector<WindowCriteria> closeRules);
    // Cheap; about once a second. Sets the hook again when the system may have dropped it: the
    // owner's thread was held up longer than the system waits for a hook, or the pointer moved
    // while the hook saw nothing.
    void Check();
    bool IsSet() const { return m_hook != nullptr; }

    // True when an acting close-box rule names the window (checked again as the hide is done).
    bool CloseRuleNames(HWND window) const;
    // True while the option to hide from the minimise button is on.
    bool MinimiseButtonHides() const { return m_minimiseButtonHides; }

    // The bound of the hit test: a window that does not answer in this time keeps its click.
    static constexpr UINT kHitTestTimeoutMs = 40;

private:
    static LRESULT CALLBACK HookProc(int code, WPARAM message, LPARAM info);
    LRESULT OnEvent(int code, WPARAM message, const MSLLHOOKSTRUCT& info);
    void Set();
    void Remove();

    HWND m_owner = nullptr;
    UINT m_message;
    HHOOK m_hook = nullptr;
    TitleBarClicks m_clicks;
    bool m_minimiseButtonHides = false;
    std::vector<WindowCriteria> m_closeRules;
    // For Check: events the hook saw, and what was seen at the last check.
    unsigned m_events = 0;
    unsigned m_eventsAtCheck = 0;
    POINT m_cursorAtCheck = {};
    ULONGLONG m_lastCheck = 0;
};
