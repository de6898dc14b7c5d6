// Windows of other programs as the system reports them with out-of-context WinEvents. The reports
// arrive on the thread that set the hooks while it reads its messages, also inside any modal
// loop: the handlers here only queue what they are told, and their owners act on it when they
// are ready. Where the system delivers no such events (this Wine delivers none for a window's own
// show, minimise or rename), nothing arrives and the owners' polls do the work.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <vector>

#include "app/Rules.h"

// WinEvent hooks for other processes' whole windows (the show of a caret, a cursor or a list item
// is no window's), one handler for all of them. Hooks of several objects may run at once.
class WholeWindowEvents {
public:
    using Handler = std::function<void(DWORD event, HWND window)>;

    WholeWindowEvents() = default;
    WholeWindowEvents(const WholeWindowEvents&) = delete;
    WholeWindowEvents& operator=(const WholeWindowEvents&) = delete;
    ~WholeWindowEvents() { Stop(); }

    // Hooks each event (stopping the hooks there were first); false when the system set none.
    bool Start(std::initializer_list<DWORD> events, Handler handler);
    void Stop();
    bool Running() const { return !m_hooks.empty(); }

private:
    static void CALLBACK OnEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object, LONG child,
                                 DWORD thread, DWORD time);

    std::vector<HWINEVENTHOOK> m_hooks;
    Handler m_handler;
};

struct WindowEvent {
    HWND window;
    RuleTrigger what;  // Appears: shown; Minimised: being minimised
};

// The rules' watch: windows shown (EVENT_OBJECT_SHOW) and being minimised
// (EVENT_SYSTEM_MINIMIZESTART) anywhere on the desktop, queued for the owner, who is posted one
// message per batch and takes the queue when it is ready to act.
class WindowEvents {
public:
    WindowEvents() = default;
    WindowEvents(const WindowEvents&) = delete;
    WindowEvents& operator=(const WindowEvents&) = delete;

    // Starts the watch; owner is posted message when the queue gets its first event. False when
    // the system set no hook.
    bool Start(HWND owner, UINT message);
    void Stop();
    bool Running() const { return m_hooks.Running(); }

    // The queued events, oldest first; the queue is left empty and the next event posts again.
    std::vector<WindowEvent> Take();

private:
    void Queue(HWND window, RuleTrigger what);

    WholeWindowEvents m_hooks;
    HWND m_owner = nullptr;
    UINT m_message = 0;
    bool m_posted = false;
    std::vector<WindowEvent> m_queue;
};
