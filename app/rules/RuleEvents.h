// Windows of other programs as the system reports them with out-of-context WinEvents. The reports
// arrive on the thread that set the hooks while it reads its messages, also inside any modal
// loop: the handlers here only queue what they are told, and their owners act on it when they
// are ready. Where the system delivers no such events (this Wine delivers none for a window's own
// show, minimise or rename), nothing arrives and the owners' polls do the work.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "app/rules/Rules.h"
#include "winbase/WindowEvents.h"

struct WindowEvent {
    HWND window;
    RuleTrigger what;  // Appears: shown; Minimised: being minimised
};

// The rules' watch: windows shown (EVENT_OBJECT_SHOW) and being minimised
// (EVENT_SYSTEM_MINIMIZESTART) anywhere on the desktop, queued for the owner, who is posted one
// message per batch and takes the queue when it is ready to act.
class RuleEvents {
public:
    RuleEvents() = default;
    RuleEvents(const RuleEvents&) = delete;
    RuleEvents& operator=(const RuleEvents&) = delete;

    // Starts the watch; owner is posted message when the queue gets its first event. False when
    // the system did not set both hooks (the owner's scan then finds the windows).
    bool Start(HWND owner, UINT message);
    void Stop();
    bool Running() const { return m_hooks != nullptr; }

    // The queued events, oldest first; the queue is left empty and the next event posts again.
    std::vector<WindowEvent> Take();

private:
    void Queue(HWND window, RuleTrigger what);

    std::unique_ptr<TopLevelEvents> m_hooks;
    HWND m_owner = nullptr;
    UINT m_message = 0;
    bool m_posted = false;
    std::vector<WindowEvent> m_queue;
};
