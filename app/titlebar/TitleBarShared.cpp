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

void TitleBarHook::Shared::HandOn(HWND window, TitleBarButton button)
{
    {
        ExclusiveLock hold(m_lock);
        if (m_handedOn.size() >= kMostHandedOn)
            m_handedOn.erase(m_handedOn.begin());
        m_handedOn.push_back({window, button, GetTickCount64()});
    }
    PostMessageW(owner, message, reinterpret_cast<WPARAM>(window), static_cast<LPARAM>(button));
}

bool TitleBarHook::Shared::TakeHandedOn(HWND window, TitleBarButton button)
{
    const ULONGLONG now = GetTickCount64();
    ExclusiveLock hold(m_lock);
    m_handedOn.erase(std::remove_if(m_handedOn.begin(), m_handedOn.end(),
                                    [now](const HandedOn& h) { return now - h.tick > kHandOnMs; }),
                     m_handedOn.end());
    auto at = std::find_if(m_handedOn.begin(), m_handedOn.end(),
                           [&](const HandedOn& h) { return h.window == window && h.button == button; });
    if (at == m_handedOn.end())
        return false;
    m_handedOn.erase(at);
    return true;
}

