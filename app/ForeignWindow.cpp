#include "app/ForeignWindow.h"

#include <algorithm>

namespace {

DWORD ThreadOf(HWND window)
{
    return GetWindowThreadProcessId(window, nullptr);
}

} // namespace

bool SilentThreads::IsSilent(HWND window) const
{
    DWORD thread = ThreadOf(window);
    return thread != 0 && std::find(m_threads.begin(), m_threads.end(), thread) != m_threads.end();
}

void SilentThreads::MarkSilent(HWND window)
{
    DWORD thread = ThreadOf(window);
    if (thread != 0 && std::find(m_threads.begin(), m_threads.end(), thread) == m_threads.end()) {
        m_threads.push_back(thread);
    }
}

namespace {

bool SendWithBound(bool wide, HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                   SilentThreads* silent)
{
    if (silent && silent->IsSilent(window)) {
        return false;
    }
    DWORD_PTR answer = 0;
    bool hung = IsHungAppWindow(window) != FALSE;
    if (!hung) {
        auto send = wide ? SendMessageTimeoutW : SendMessageTimeoutA;
        SetLastError(0);
        if (send(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &answer)) {
            result = static_cast<LRESULT>(answer);
            return true;
        }
        // A refused message (a dead window, one the system does not pass on)
        // says nothing about whether the thread answers.
        hung = GetLastError() == ERROR_TIMEOUT;
    }
    if (hung && silent) {
        silent->MarkSilent(window);
    }
    return false;
}

} // namespace

bool SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                 SilentThreads* silent)
{
    return SendWithBound(false, window, message, wParam, lParam, result, silent);
}

bool SendBoundedWide(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                     SilentThreads* silent)
{
    return SendWithBound(true, window, message, wParam, lParam, result, silent);
}

bool WindowAnswers(HWND window, SilentThreads* silent)
{
    LRESULT ignored = 0;
    return SendBounded(window, WM_NULL, 0, 0, ignored, silent);
}

bool ShowForeignWindow(HWND window, int command, SilentThreads* silent)
{
    if (WindowAnswers(window, silent)) {
        ShowWindow(window, command);
        return true;
    }
    ShowWindowAsync(window, command);
    return false;
}
