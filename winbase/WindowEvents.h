// Out-of-context WinEvents about top-level windows, and whether this system delivers them.
//
// Not every system passes them on: Wine 8 delivers EVENT_OBJECT_CREATE and focus events from
// other threads, but no show, hide, destroy or name change. Whether those four arrive is found
// out once per process at run time (StartEventDeliveryProbe), so a part that would rather wait
// for events than look at every window now and then knows whether it can.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "winbase/ScopedHandles.h"

// Hooks events out of context on the calling thread, which must read its messages: the handler
// runs while it does. Only events about a window itself (OBJID_WINDOW, CHILDID_SELF) whose
// parent is the desktop reach the handler; EVENT_OBJECT_DESTROY reaches it for every window
// object, since a destroyed window has no parent left to look at. Each event is hooked on its
// own, so no other event wakes the thread. The calling thread's own events are skipped.
class TopLevelEvents {
public:
    using Handler = std::function<void(DWORD event, HWND window)>;

    TopLevelEvents(const std::vector<DWORD>& events, Handler handler);
    TopLevelEvents(const TopLevelEvents&) = delete;
    TopLevelEvents& operator=(const TopLevelEvents&) = delete;
    // Unhooks; no handler call follows.
    ~TopLevelEvents();

    // True when every event was hooked.
    bool IsHooked() const { return m_hooked; }

private:
    static void CALLBACK Proc(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object, LONG child,
                              DWORD thread, DWORD time);

    std::vector<OwnedWinEventHook> m_hooks;
    Handler m_handler;
    bool m_hooked = false;
};

enum class EventDelivery { Unknown, Delivered, NotDelivered };

// The four events the probe checks, which tell a list of visible titled top-level windows every
// change it needs: EVENT_OBJECT_SHOW, EVENT_OBJECT_HIDE, EVENT_OBJECT_DESTROY and
// EVENT_OBJECT_NAMECHANGE.
const std::vector<DWORD>& TopLevelChangeEvents();

// Starts the process's one probe, unless one has started: a thread of this process makes a
// hidden, untitled top-level window, gives it a title and takes it away, shows and hides it and
// destroys it (so it is never a visible titled window that a list could take up). The calling
// thread must read its messages; the events arrive while it does. deadlineMs: how long the
// probe waits for them.
void StartEventDeliveryProbe(DWORD deadlineMs = 3000);
// What the probe has found: Delivered once all four events of its window have arrived,
// NotDelivered once the deadline has passed without them, Unknown before, or when no probe was
// started. Call it on the thread that started the probe; the probe's hook goes once decided.
EventDelivery TopLevelEventDelivery();
