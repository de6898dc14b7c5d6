#include "winbase/WindowEvents.h"

#include "winbase/ThreadStack.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <utility>

namespace {

// The live hooks of the process and their objects; used on the hooking threads only.
std::vector<std::pair<HWINEVENTHOOK, TopLevelEvents*>>& LiveHooks()
{
    static std::vector<std::pair<HWINEVENTHOOK, TopLevelEvents*>> hooks;
    return hooks;
}

struct Probe {
    std::unique_ptr<TopLevelEvents> hook;
    // Set by the probe's thread before its window goes through the events.
    std::atomic<HWND> window{nullptr};
    unsigned arrived = 0;
    ULONGLONG deadline = 0;
    bool started = false;
    EventDelivery answer = EventDelivery::Unknown;
};

Probe& TheProbe()
{
    static Probe probe;
    return probe;
}

unsigned EventBit(DWORD event)
{
    const std::vector<DWORD>& events = TopLevelChangeEvents();
    auto at = std::find(events.begin(), events.end(), event);
    return at == events.end() ? 0u : 1u << (at - events.begin());
}

DWORD WINAPI RunProbeWindow(LPVOID)
{
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, L"STATIC", L"", WS_POPUP, -32000,
                                  -32000, 1, 1, nullptr, nullptr, nullptr, nullptr);
    if (!window) {
        return 0;
    }
    TheProbe().window.store(window);
    SetWindowTextW(window, L"event probe");
    SetWindowTextW(window, L"");
    ShowWindow(window, SW_SHOWNA);
    ShowWindow(window, SW_HIDE);
    DestroyWindow(window);
    // The system may keep an ended thread's stack until another thread ends.
    ReleaseUnusedStack();
    return 0;
}

} // namespace

TopLevelEvents::TopLevelEvents(const std::vector<DWORD>& events, Handler handler) : m_handler(std::move(handler))
{
    m_hooked = true;
    for (DWORD event : events) {
        HWINEVENTHOOK hook = SetWinEventHook(event, event, nullptr, &TopLevelEvents::Proc, 0, 0,
                                             WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNTHREAD);
        if (!hook) {
            m_hooked = false;
            continue;
        }
        m_hooks.emplace_back(hook);
        LiveHooks().emplace_back(hook, this);
    }
}

// The hooks themselves are unhooked as m_hooks goes, right after this.
TopLevelEvents::~TopLevelEvents()
{
    auto& live = LiveHooks();
    for (const OwnedWinEventHook& owned : m_hooks) {
        HWINEVENTHOOK hook = owned.get();
        live.erase(std::remove_if(live.begin(), live.end(), [hook](const auto& h) { return h.first == hook; }),
                   live.end());
    }
}

// An event queued before its hook went finds no object and is dropped.
void CALLBACK TopLevelEvents::Proc(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object, LONG child, DWORD,
                                   DWORD)
{
    if (!window || object != OBJID_WINDOW || child != CHILDID_SELF) {
        return;
    }
    if (event != EVENT_OBJECT_DESTROY && GetAncestor(window, GA_PARENT) != GetDesktopWindow()) {
        return;
    }
    const auto& live = LiveHooks();
    auto at = std::find_if(live.begin(), live.end(), [hook](const auto& h) { return h.first == hook; });
    if (at != live.end() && at->second->m_handler) {
        // The handler may end this object: nothing of it is used afterwards.
        Handler handler = at->second->m_handler;
        handler(event, window);
    }
}

const std::vector<DWORD>& TopLevelChangeEvents()
{
    static const std::vector<DWORD> events = {EVENT_OBJECT_SHOW, EVENT_OBJECT_HIDE, EVENT_OBJECT_DESTROY,
                                              EVENT_OBJECT_NAMECHANGE};
    return events;
}

void StartEventDeliveryProbe(DWORD deadlineMs)
{
    Probe& probe = TheProbe();
    if (probe.started) {
        return;
    }
    probe.started = true;
    probe.deadline = GetTickCount64() + deadlineMs;
    probe.hook = std::make_unique<TopLevelEvents>(TopLevelChangeEvents(), [](DWORD event, HWND window) {
        Probe& p = TheProbe();
        if (window && window == p.window.load()) {
            p.arrived |= EventBit(event);
        }
    });
    // The probe window's thread runs on alone: its handle is closed at once.
    const OwnedHandle thread(probe.hook->IsHooked() ? CreateThread(nullptr, 0, RunProbeWindow, nullptr, 0, nullptr)
                                                    : nullptr);
    if (!thread) {
        probe.answer = EventDelivery::NotDelivered;
        probe.hook.reset();
    }
}

EventDelivery TopLevelEventDelivery()
{
    Probe& probe = TheProbe();
    if (!probe.started || probe.answer != EventDelivery::Unknown) {
        return probe.answer;
    }
    const unsigned all = (1u << TopLevelChangeEvents().size()) - 1;
    if (probe.arrived == all) {
        probe.answer = EventDelivery::Delivered;
    } else if (GetTickCount64() >= probe.deadline) {
        probe.answer = EventDelivery::NotDelivered;
    }
    if (probe.answer != EventDelivery::Unknown) {
        probe.hook.reset();
    }
    return probe.answer;
}
