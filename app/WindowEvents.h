// Windows shown and minimised anywhere on the desktop, as the system reports them with
// out-of-context WinEvents (EVENT_OBJECT_SHOW, EVENT_SYSTEM_MINIMIZESTART). The reports arrive on
// the thread that started the watch while it reads its messages, also inside any modal loop, so
// the callback only queues the window and posts its owner one message per batch; the owner takes
// the queue when it is ready to act. Where the system delivers no such events (this Wine delivers
// none for either), nothing arrives and the owner's scan does the work.
#pragma once

#include <windows.h>

#include <vector>

#include "app/Rules.h"

struct WindowEvent {
    HWND window;
    RuleTrigger what;  // Appears: shown; Minimised: being minimised
};

class WindowEvents {
public:
    WindowEvents() = default;
    WindowEvents(const WindowEvents&) = delete;
    WindowEvents& operator=(const WindowEvents&) = delete;
    ~WindowEvents() { Stop(); }

    // Starts the watch of this process (one at a time); owner is posted message when the queue
    // gets its first event. False when the system set no hook.
    bool Start(HWND owner, UINT message);
    void Stop();
    bool Running() const { return m_show || m_minimise; }

    // The queued events, oldest first; the queue is left empty and the next event posts again.
    std::vector<WindowEvent> Take();

private:
    static void CALLBACK OnEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object, LONG child,
                                 DWORD thread, DWORD time);
    void Queue(HWND window, RuleTrigger what);

    HWINEVENTHOOK m_show = nullptr;
    HWINEVENTHOOK m_minimise = nullptr;
    HWND m_owner = nullptr;
    UINT m_message = 0;
    bool m_posted = false;
    std::vector<WindowEvent> m_queue;
};
