#include "app/WindowEvents.h"

namespace {

// Events queued at most between two looks of the owner; the scan finds what is dropped.
constexpr size_t kMaxQueued = 512;

WindowEvents* g_running = nullptr;

} // namespace

bool WindowEvents::Start(HWND owner, UINT message)
{
    Stop();
    if (g_running)
        return false;
    constexpr DWORD flags = WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS;
    m_show = SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_SHOW, nullptr, OnEvent, 0, 0, flags);
    m_minimise = SetWinEventHook(EVENT_SYSTEM_MINIMIZESTART, EVENT_SYSTEM_MINIMIZESTART, nullptr, OnEvent, 0, 0, flags);
    if (!Running())
        return false;
    m_owner = owner;
    m_message = message;
    m_posted = false;
    g_running = this;
    return true;
}

void WindowEvents::Stop()
{
    if (m_show)
        UnhookWinEvent(m_show);
    if (m_minimise)
        UnhookWinEvent(m_minimise);
    m_show = m_minimise = nullptr;
    m_queue.clear();
    if (g_running == this)
        g_running = nullptr;
}

std::vector<WindowEvent> WindowEvents::Take()
{
    std::vector<WindowEvent> events;
    events.swap(m_queue);
    m_posted = false;
    return events;
}

// Only whole windows count: the show of a caret, a cursor or a list item is no window appearing.
void CALLBACK WindowEvents::OnEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD,
                                    DWORD)
{
    if (!g_running || !window || object != OBJID_WINDOW || child != CHILDID_SELF)
        return;
    g_running->Queue(window, event == EVENT_SYSTEM_MINIMIZESTART ? RuleTrigger::Minimised : RuleTrigger::Appears);
}

void WindowEvents::Queue(HWND window, RuleTrigger what)
{
    if (m_queue.size() < kMaxQueued)
        m_queue.push_back({window, what});
    if (!m_posted)
        m_posted = PostMessageA(m_owner, m_message, 0, 0) != FALSE;
}
