#include "winbase/Subclasses.h"

#include <algorithm>

bool Subclasses::Install(HWND window, WNDPROC ours)
{
    if (!IsWindow(window) || Previous(window))
        return false;
    const bool wide = IsWindowUnicode(window) != FALSE;
    const auto previous = reinterpret_cast<WNDPROC>(wide ? GetWindowLongPtrW(window, GWLP_WNDPROC)
                                                         : GetWindowLongPtrA(window, GWLP_WNDPROC));
    if (!previous)
        return false;
    m_windows.emplace_back(window, previous);
    const auto setter = wide ? SetWindowLongPtrW : SetWindowLongPtrA;
    if (setter(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ours)))
        return true;
    m_windows.pop_back();
    return false;
}

WNDPROC Subclasses::Previous(HWND window) const
{
    for (const auto& held : m_windows) {
        if (held.first == window)
            return held.second;
    }
    return nullptr;
}

LRESULT Subclasses::CallPrevious(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return IsWindowUnicode(window) ? CallWindowProcW(previous, window, message, wParam, lParam)
                                   : CallWindowProcA(previous, window, message, wParam, lParam);
}

void Subclasses::Restore(HWND window, WNDPROC previous)
{
    const auto setter = IsWindowUnicode(window) ? SetWindowLongPtrW : SetWindowLongPtrA;
    setter(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    m_windows.erase(std::remove_if(m_windows.begin(), m_windows.end(),
                                   [window](const auto& held) { return held.first == window; }),
                    m_windows.end());
}
