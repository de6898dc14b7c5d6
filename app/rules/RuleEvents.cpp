#include "app/rules/RuleEvents.h"

namespace {

// Events queued at most between two looks of the owner; the scan finds what is dropped.
constexpr size_t kMaxQueued = 512;

} // namespace

bool RuleEvents::Start(HWND owner, UINT message)
{
    m_queue.clear();
    m_owner = owner;
    m_message = message;
    m_posted = false;
    m_hooks = std::make_unique<TopLevelEvents>(std::vector<DWORD>{EVENT_OBJECT_SHOW, EVENT_SYSTEM_MINIMIZESTART},
                                               [this](DWORD event, HWND window) {
                                                   Queue(window, event == EVENT_SYSTEM_MINIMIZESTART
                                                                     ? RuleTrigger::Minimised
                                                                     : RuleTrigger::Appears);
                                               });
    if (!m_hooks->IsHooked())
        m_hooks.reset();
    return Running();
}

void RuleEvents::Stop()
{
    m_hooks.reset();
    m_queue.clear();
}

std::vector<WindowEvent> RuleEvents::Take()
{
    std::vector<WindowEvent> events;
    events.swap(m_queue);
    m_posted = false;
    return events;
}

void RuleEvents::Queue(HWND window, RuleTrigger what)
{
    if (m_queue.size() < kMaxQueued)
        m_queue.push_back({window, what});
    if (!m_posted)
        m_posted = PostMessageA(m_owner, m_message, 0, 0) != FALSE;
}
