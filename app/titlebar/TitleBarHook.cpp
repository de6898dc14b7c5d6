#include "app/titlebar/TitleBarHook.h"

#include "app/titlebar/TitleBarShared.h"

TitleBarHook::TitleBarHook(UINT message) : m_shared(std::make_shared<Shared>(nullptr, message)) {}

TitleBarHook::~TitleBarHook()
{
    Stop();
}

void TitleBarHook::Configure(HWND owner, bool minimiseButtonHides, std::vector<WindowCriteria> closeRules)
{
    auto options = std::make_shared<TitleBarOptions>();
    options->minimiseButtonHides = minimiseButtonHides;
    options->closeRules = std::move(closeRules);
    const bool wanted = options->minimiseButtonHides || !options->closeRules.empty();
    if (owner != m_shared->owner) {
        Stop();
        m_shared = std::make_shared<Shared>(owner, m_shared->message);
    }
    m_shared->SetOptions(std::move(options));
    if (wanted && !m_thread)
        Start();
    else if (!wanted)
        Stop();
}

// The thread is given its own reference to the shared state.
void TitleBarHook::Start()
{
    if (!m_shared->ready)
        return;
    ResetEvent(m_shared->ready.get());
    auto* parameter = new std::shared_ptr<Shared>(m_shared);
    m_thread.reset(CreateThread(nullptr, 0, RunTitleBarHook, parameter, 0, &m_shared->threadId));
    if (!m_thread) {
        delete parameter;
        return;
    }
    const HANDLE both[] = {m_shared->ready.get(), m_thread.get()};
    WaitForMultipleObjects(2, both, FALSE, kStopWaitMs);
}

// A thread that has not ended in time is left to end alone: it holds its own reference to the
// shared state and the quit message stays in its queue.
void TitleBarHook::Stop()
{
    if (!m_thread)
        return;
    PostThreadMessageW(m_shared->threadId, WM_QUIT, 0, 0);
    WaitForSingleObject(m_thread.get(), kStopWaitMs);
    m_thread.reset();
    m_shared->hookSet = false;
}

bool TitleBarHook::IsSet() const
{
    return m_thread && m_shared->hookSet;
}

bool TitleBarHook::CloseRuleNames(HWND window) const
{
    const auto options = m_shared->Options();
    WindowFacts facts(window);
    for (const WindowCriteria& criteria : options->closeRules)
        if (Matches(criteria, facts))
            return true;
    return false;
}

bool TitleBarHook::MinimiseButtonHides() const
{
    return m_shared->Options()->minimiseButtonHides;
}

// The hook's thread hands on through the shared state, having found the window may be acted on.
void TitleBarHook::HandOn(HWND window, TitleBarButton button) const
{
    WindowFacts facts(window);
    if (MayActOn(facts))
        m_shared->HandOn(window, button);
}

bool TitleBarHook::TakeHandedOn(HWND window, TitleBarButton button)
{
    return m_shared->TakeHandedOn(window, button);
}

// One post, which the caller's work does not wait for: the thread finds where the pointer was in
// the message itself.
void TitleBarHook::CheckHook()
{
    const ULONGLONG now = GetTickCount64();
    if (!m_thread || (m_lastCheckAsked != 0 && now - m_lastCheckAsked < kCheckGapMs))
        return;
    m_lastCheckAsked = now;
    PostThreadMessageW(m_shared->threadId, kCheckHookMessage, static_cast<WPARAM>(GetTickCount()), 0);
}

void TitleBarHook::SetHookAgain()
{
    if (m_thread)
        PostThreadMessageW(m_shared->threadId, kSetHookAgainMessage, 0, 0);
}
