#include "app/held/UnlistedHides.h"

#include <algorithm>

bool UnlistedHides::StillThere(const Kept& kept)
{
    return IsWindow(kept.window) && GetWindowThreadProcessId(kept.window, nullptr) == kept.thread;
}

void UnlistedHides::Add(HWND window)
{
    const DWORD thread = window ? GetWindowThreadProcessId(window, nullptr) : 0;
    if (thread == 0) {
        return;
    }
    Remove(window);
    Prune();
    if (m_kept.size() >= kMaxKept) {
        m_kept.erase(m_kept.begin());
    }
    m_kept.push_back({window, thread});
}

void UnlistedHides::Remove(HWND window)
{
    m_kept.erase(std::remove_if(m_kept.begin(), m_kept.end(), [window](const Kept& k) { return k.window == window; }),
                 m_kept.end());
}

bool UnlistedHides::Contains(HWND window) const
{
    return window && std::any_of(m_kept.begin(), m_kept.end(), [window](const Kept& k) {
               return k.window == window && GetWindowThreadProcessId(window, nullptr) == k.thread;
           });
}

void UnlistedHides::Prune()
{
    m_kept.erase(std::remove_if(m_kept.begin(), m_kept.end(), [](const Kept& k) { return !StillThere(k); }),
                 m_kept.end());
}
