// The title-bar hook: a low-level mouse hook (WH_MOUSE_LL) of this process that lets a right
// click on any window's minimise button, and a left click on the close box of a window a
// close-box rule names, hide that window into the menu. Nothing runs in other programs.
//
// The hook runs on a thread of its own that does nothing but read its messages, so the pointer
// never waits for the owner's dialog (which may be busy with a batch of bounded sends to slow
// windows). The hook procedure only decides (see TitleBarClicks), asking a window which part of
// it is under the pointer with a bounded WM_NCHITTEST on a press over its caption, and hands the
// window on: it is remembered here and the owner is posted a message. The owner hides it from
// its own message loop, and only a window the hook handed on (TakeHandedOn).
//
// The thread runs only while something wants the hook, and wakes only for the events it hooks
// and for what the owner asks of it: it has no timer, so a program that waits costs nothing.
// The system drops a hook that kept it waiting (rare, as the thread only ever does bounded
// work), and a set can fail: the owner asks the thread to look at its hook (CheckHook) on the
// wakes it has anyway, and to set it again (SetHookAgain) after a resume from sleep or an
// unlock of the session. The thread works from a copy of the owner's options that Configure
// replaces whole.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "app/rules/WindowMatch.h"
#include "app/titlebar/TitleBarClicks.h"
#include "winbase/ScopedHandles.h"

class TitleBarHook {
public:
    // The owner (see Configure) is posted message with the window to hide in wParam and its
    // TitleBarButton in lParam.
    explicit TitleBarHook(UINT message);
    // Stops the thread.
    ~TitleBarHook();
    TitleBarHook(const TitleBarHook&) = delete;
    TitleBarHook& operator=(const TitleBarHook&) = delete;

    // Starts or stops the hook's thread to suit: it runs while the minimise button hides or a
    // close-box rule acts. closeRules: the criteria of the acting close-box rules.
    void Configure(HWND owner, bool minimiseButtonHides, std::vector<WindowCriteria> closeRules);
    // True while the thread has the hook set.
    bool IsSet() const;
    // True while the thread runs.
    bool IsRunning() const { return static_cast<bool>(m_thread); }

    // True when an acting close-box rule names the window (checked again as the hide is done).
    bool CloseRuleNames(HWND window) const;
    // True while the option to hide from the minimise button is on.
    bool MinimiseButtonHides() const;

    // Remembers the window as handed on for button and posts the owner, when it may be acted on
    // (MayActOn); the hook thread hands on the same way. Whatever the owner takes was checked so.
    void HandOn(HWND window, TitleBarButton button) const;
    // True once for a window handed on for button, however long ago, while it exists; it is then
    // forgotten. A window that is gone is forgotten too.
    bool TakeHandedOn(HWND window, TitleBarButton button);

    // Asks the thread to look whether its hook is still set and to set it again when not; a look
    // asked within kCheckGapMs of the last one is not asked. Nothing while the thread does not run.
    void CheckHook();
    // Asks the thread to set its hook again, whatever it finds (after a resume or an unlock, when
    // the system may have dropped it while the thread could not answer).
    void SetHookAgain();

    // The bound of the hit test: a window that does not answer in this time keeps its click.
    static constexpr UINT kHitTestTimeoutMs = 40;
    // The least time between two looks CheckHook asks for.
    static constexpr ULONGLONG kCheckGapMs = 10000;
    // How long stopping waits for the thread to end.
    static constexpr DWORD kStopWaitMs = 2000;
    // The name the hook's thread carries (where the system keeps thread names), so that a debugger
    // and a measurement can tell it from the others.
    static constexpr const wchar_t* kThreadName = L"vb titlebar";

    struct Shared;

private:
    void Start();
    void Stop();

    std::shared_ptr<Shared> m_shared;
    OwnedHandle m_thread;
    // When CheckHook last asked for a look; 0: never.
    ULONGLONG m_lastCheckAsked = 0;
};
