// The state the title-bar hook's object and its thread share, each side under one lock.
#include "app/titlebar/TitleBarShared.h"

#include <algorithm>

namespace {

// A lock held for one scope.
class ExclusiveLock {
public:
    explicit ExclusiveLock(SRWLOCK& lock) : m_lock(lock) { AcquireSRWLockExclusive(&m_lock); }
    ~ExclusiveLock() { ReleaseSRWLockExclusive(&m_lock); }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;

private:
    SRWLOCK& m_lock;
};

// How many windows may wait at once; the oldest gives way.
constexpr size_t kMostHandedOn = 8;

// A test for the entry of window and button.
auto Same(HWND window, TitleBarButton button)
{
    return [window, button](const HandedOn& h) { return h.window == window && h.button == button; };
}

// A window that is gone waits no more: its handle may be given to another window.
void ForgetGone(std::vector<HandedOn>& handedOn)
{
    handedOn.erase(std::remove_if(handedOn.begin(), handedOn.end(), [](const HandedOn& h) { return !IsWindow(h.window); }),
                   handedOn.end());
}

} // namespace

std::shared_ptr<const TitleBarOptions> TitleBarHook::Shared::Options() const
{
    ExclusiveLock hold(m_lock);
    return m_options;
}

void TitleBarHook::Shared::SetOptions(std::shared_ptr<const TitleBarOptions> options)
{
    ExclusiveLock hold(m_lock);
    m_options = std::move(options);
}

// A window handed on again before the owner took it waits once. The hook's thread asks nothing
// of the system here but the post: the windows that are gone are forgotten as the owner takes one.
void TitleBarHook::Shared::HandOn(HWND window, TitleBarButton button)
{
    {
        ExclusiveLock hold(m_lock);
        if (std::none_of(m_handedOn.begin(), m_handedOn.end(), Same(window, button))) {
            if (m_handedOn.size() >= kMostHandedOn)
                m_handedOn.erase(m_handedOn.begin());
            m_handedOn.push_back({window, button});
        }
    }
    if (PostMessageW(owner, message, reinterpret_cast<WPARAM>(window), static_cast<LPARAM>(button)))
        return;
    ExclusiveLock hold(m_lock);
    m_handedOn.erase(std::remove_if(m_handedOn.begin(), m_handedOn.end(), Same(window, button)), m_handedOn.end());
}

// The window taken is not looked at here: the owner hides only a window still visible.
bool TitleBarHook::Shared::TakeHandedOn(HWND window, TitleBarButton button)
{
    ExclusiveLock hold(m_lock);
    auto at = std::find_if(m_handedOn.begin(), m_handedOn.end(), Same(window, button));
    const bool found = at != m_handedOn.end();
    if (found)
        m_handedOn.erase(at);
    ForgetGone(m_handedOn);
    return found;
}
