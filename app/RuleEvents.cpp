#include "app/WindowEvents.h"

#include <algorithm>
#include <utility>

namespace {

// Events queued at most between two looks of the owner; the scan finds what is dropped.
constexpr size_t kMaxQueued = 512;

// The hooks set, with their owners: the system's callback names only the hook. Used on the
// thread that set them.
struct HookOwner {
    HWINEVENTHOOK hook;
    WholeWindowEvents* owner;
};

std::vector<HookOwner>& HookOwners()
{
    static std::vector<HookOwner> owners;
    return owners;
}

} // namespace

bool WholeWindowEvents::Start(std::initializer_list<DWORD> events, Handler handler)
{
    Stop();
    m_handler = std::move(handler);
    constexpr DWORD flags = WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS;
    for (DWORD event : events) {
        if (HWINEVENTHOOK hook = SetWinEventHook(event, event, nullptr, OnEvent, 0, 0, flags)) {
            m_hooks.push_back(hook);
            HookOwners().push_back({hook, this});
        }
    }
    return Running();
}

void WholeWindowEvents::Stop()
{
    for (HWINEVENTHOOK hook : m_hooks)
        UnhookWinEvent(hook);
    m_hooks.clear();
    std::vector<HookOwner>& owners = HookOwners();
    owners.erase(std::remove_if(owners.begin(), owners.end(), [this](const HookOwner& o) { return o.owner == this; }),
                 owners.end());
}

void CALLBACK WholeWindowEvents::OnEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object, LONG child,
                                         DWORD, DWORD)
{
    if (!window || object != OBJID_WINDOW || child != CHILDID_SELF)
        return;
    for (const HookOwner& owner : HookOwners()) {
        if (owner.hook == hook) {
            if (owner.owner->m_handler)
                owner.owner->m_handler(event, window);
            return;
        }
    }
}

bool WindowEvents::Start(HWND owner, UINT message)
{
    m_queue.clear();
    m_owner = owner;
    m_message = message;
    m_posted = false;
    return m_hooks.Start({EVENT_OBJECT_SHOW, EVENT_SYSTEM_MINIMIZESTART}, [this](DWORD event, HWND window) {
        Queue(window, event == EVENT_SYSTEM_MINIMIZESTART ? RuleTrigger::Minimised : RuleTrigger::Appears);
    });
}

void WindowEvents::Stop()
{
    m_hooks.Stop();
    m_queue.clear();
}

std::vector<WindowEvent> WindowEvents::Take()
{
    std::vector<WindowEvent> events;
    events.swap(m_queue);
    m_posted = false;
    return events;
}

void WindowEvents::Queue(HWND window, RuleTrigger what)
{
    if (m_queue.size() < kMaxQueued)
        m_queue.push_back({window, what});
    if (!m_posted)
        m_posted = PostMessageA(m_owner, m_message, 0, 0) != FALSE;
}
