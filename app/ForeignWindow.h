// Talking to other programs' windows without waiting long on a program that
// does not answer.
//
// Every message that goes to a foreign window's thread is sent with a short
// bound; a thread that misses it once during a pass (one refresh, one
// release) is remembered and not asked again in that pass, so a pass costs at
// most one bound per stuck program, not one per window.
#pragma once

#include <windows.h>

#include <vector>

// How long one message may wait for a foreign thread's answer.
constexpr UINT kAnswerTimeoutMs = 100;

// The threads that failed to answer during one pass.
class SilentThreads {
public:
    bool IsSilent(HWND window) const;
    void MarkSilent(HWND window);
    void Clear() { m_threads.clear(); }

private:
    std::vector<DWORD> m_threads;
};

// Sends a message bounded by kAnswerTimeoutMs and SMTO_ABORTIFHUNG. False,
// with result untouched, when the window is hung, did not answer in time,
// is gone, the system refused the message, or the window belongs to a thread
// already known to be silent. A thread that is hung or timed out is marked
// silent (silent may be null).
bool SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                 SilentThreads* silent);
// The same with SendMessageTimeoutW, for text messages: the system converts
// narrow text messages with further sends of its own, which are not always
// bounded (seen under Wine with WM_GETTEXTLENGTH to a stuck program).
bool SendBoundedWide(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                     SilentThreads* silent);

// True when the window's thread answers a WM_NULL probe in time.
bool WindowAnswers(HWND window, SilentThreads* silent = nullptr);

// ShowWindow for a window that answers; ShowWindowAsync for one that does
// not, so the caller never waits on a stuck program. Failures on dead
// windows are ignored.
// Returns true when the window was shown or hidden at once (its program answered), false when
// the change was only queued for it.
bool ShowForeignWindow(HWND window, int command, SilentThreads* silent = nullptr);
