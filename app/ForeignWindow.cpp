#include "app/ForeignWindow.h"

#include <algorithm>

namespace {

DWORD ThreadOf(HWND window)
{
    return GetWindowThreadProcessId(window, nullptr);
}

// The answer to the probe of a remembered silent thread: the thread reads
// its messages again.
void CALLBACK AnswerAfterSilence(HWND, UINT, ULONG_PTR thread, LRESULT)
{
    RememberedSilentThreads().Forget(static_cast<DWORD>(thread));
}

} // namespace

bool SilentThreads::IsSilent(HWND window) const
{
    // Most passes meet no silent thread: they then ask nothing about the window.
    if (m_marks.empty()) {
        return false;
    }
    DWORD thread = ThreadOf(window);
    return thread != 0 && std::any_of(m_marks.begin(), m_marks.end(),
                                      [thread](const Mark& mark) { return mark.thread == thread; });
}

void SilentThreads::MarkSilent(HWND window)
{
    DWORD thread = ThreadOf(window);
    if (thread == 0 || IsSilent(window)) {
        return;
    }
    m_marks.push_back({thread, GetTickCount64()});
    if (m_probeWhenMarked) {
        SendMessageCallbackA(window, WM_NULL, 0, 0, AnswerAfterSilence, thread);
    }
}

void SilentThreads::Forget(DWORD thread)
{
    m_marks.erase(std::remove_if(m_marks.begin(), m_marks.end(),
                                 [thread](const Mark& mark) { return mark.thread == thread; }),
                  m_marks.end());
}

void SilentThreads::ForgetOlderThan(ULONGLONG ms)
{
    ULONGLONG now = GetTickCount64();
    m_marks.erase(std::remove_if(m_marks.begin(), m_marks.end(),
                                 [now, ms](const Mark& mark) { return now - mark.since > ms; }),
                  m_marks.end());
}

SilentThreads& RememberedSilentThreads()
{
    static SilentThreads remembered(true);
    return remembered;
}

namespace {

bool SendWithBound(bool wide, HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                   SilentThreads* silent, UINT timeoutMs)
{
    if (silent && silent->IsSilent(window)) {
        return false;
    }
    // SMTO_ABORTIFHUNG returns at once for a window the system reports hung,
    // so no separate hung test is made in front of the message.
    DWORD_PTR answer = 0;
    auto send = wide ? SendMessageTimeoutW : SendMessageTimeoutA;
    SetLastError(0);
    if (send(window, message, wParam, lParam, SMTO_ABORTIFHUNG, timeoutMs, &answer)) {
        result = static_cast<LRESULT>(answer);
        return true;
    }
    // A refused message (a dead window, one the system does not pass on)
    // says nothing about whether the thread answers; a hung or timed-out
    // one does.
    if (GetLastError() == ERROR_TIMEOUT && silent) {
        silent->MarkSilent(window);
    }
    return false;
}

} // namespace

bool SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                 SilentThreads* silent, UINT timeoutMs)
{
    return SendWithBound(false, window, message, wParam, lParam, result, silent, timeoutMs);
}

bool SendBoundedWide(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                     SilentThreads* silent)
{
    return SendWithBound(true, window, message, wParam, lParam, result, silent, kAnswerTimeoutMs);
}

bool WindowAnswers(HWND window, SilentThreads* silent)
{
    LRESULT ignored = 0;
    return SendBounded(window, WM_NULL, 0, 0, ignored, silent);
}

namespace {

// How long a window whose program answered a hide may stay visible before the hide counts as
// refused: on some systems a queued change is taken just after a message sent behind it.
constexpr ULONGLONG kRefusalGraceMs = kAnswerTimeoutMs;

bool OnThisThread(HWND window)
{
    return ThreadOf(window) == GetCurrentThreadId();
}

} // namespace

// The queued change and the bounded message behind it cost one round trip to the program, as a
// plain ShowWindow does; SMTO_BLOCK keeps the messages others send this thread waiting until
// the answer is in.
bool ShowForeignWindow(HWND window, int command, SilentThreads* silent)
{
    if (OnThisThread(window)) {
        ShowWindow(window, command);
        return true;
    }
    ShowWindowAsync(window, command);
    if (silent && silent->IsSilent(window)) {
        return false;
    }
    DWORD_PTR ignored = 0;
    SetLastError(0);
    if (SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &ignored)) {
        return true;
    }
    if (GetLastError() == ERROR_TIMEOUT && silent) {
        silent->MarkSilent(window);
    }
    return false;
}

void QueueShowWindow(HWND window, int command)
{
    if (OnThisThread(window)) {
        ShowWindow(window, command);
    } else {
        ShowWindowAsync(window, command);
    }
}

bool StaysVisible(HWND window)
{
    const ULONGLONG start = GetTickCount64();
    while (IsWindowVisible(window)) {
        if (GetTickCount64() - start >= kRefusalGraceMs) {
            return true;
        }
        Sleep(1);
    }
    return false;
}
