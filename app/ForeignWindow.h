// Talking to other programs' windows without waiting long on a program that
// does not answer.
//
// Every message that goes to a foreign window's thread is sent with a short
// bound; a thread that misses it once during a pass (one refresh, one
// release) is remembered and not asked again in that pass, so a pass costs at
// most one bound per stuck program, not one per window. The candidate list's
// refreshes share one memory across passes (RememberedSilentThreads), so a
// stuck program costs one bound in all, not one per refresh.
#pragma once

#include <windows.h>

#include <vector>

// How long one message may wait for a foreign thread's answer.
constexpr UINT kAnswerTimeoutMs = 100;
// How long the icon query may wait: its answer only picks an entry's
// picture, and a refresh must stay short when a few programs stop answering
// at once.
constexpr UINT kIconAnswerTimeoutMs = 50;
// How long RememberedSilentThreads() keeps a thread that has not answered
// since: by then the system itself reports a thread that still does not
// pump as hung, and a bounded message to it returns at once.
constexpr ULONGLONG kSilenceMemoryMs = 5000;

// The threads that failed to answer.
class SilentThreads {
public:
    SilentThreads() = default;
    SilentThreads(const SilentThreads&) = delete;
    SilentThreads& operator=(const SilentThreads&) = delete;

    bool IsSilent(HWND window) const;
    void MarkSilent(HWND window);
    void Forget(DWORD thread);
    // Forgets the threads marked more than ms ago.
    void ForgetOlderThan(ULONGLONG ms);
    void Clear() { m_marks.clear(); }

private:
    friend SilentThreads& RememberedSilentThreads();
    explicit SilentThreads(bool probeWhenMarked) : m_probeWhenMarked(probeWhenMarked) {}

    struct Mark {
        DWORD thread;
        ULONGLONG since;
    };
    std::vector<Mark> m_marks;
    bool m_probeWhenMarked = false;
};

// The silent threads the candidate list's refreshes share (used on the
// dialog's thread only). A thread marked in it is sent a WM_NULL without
// waiting (SendMessageCallback); its answer, which arrives when the calling
// thread next reads its messages, forgets the thread, so a program that
// answers again is asked again from the next refresh on. Callers forget
// marks older than kSilenceMemoryMs before each pass.
SilentThreads& RememberedSilentThreads();

// Sends a message bounded by timeoutMs and SMTO_ABORTIFHUNG. False,
// with result untouched, when the window is hung, did not answer in time,
// is gone, the system refused the message, or the window belongs to a thread
// already known to be silent. A thread that is hung or timed out is marked
// silent (silent may be null).
bool SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                 SilentThreads* silent, UINT timeoutMs = kAnswerTimeoutMs);
// The same with SendMessageTimeoutW, for text messages: the system converts
// narrow text messages with further sends of its own, which are not always
// bounded (seen under Wine with WM_GETTEXTLENGTH to a stuck program).
bool SendBoundedWide(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                     SilentThreads* silent);

// True when the window's thread answers a WM_NULL probe in time.
bool WindowAnswers(HWND window, SilentThreads* silent = nullptr);

// Hides or shows the window (a ShowWindow command) without waiting on its program longer than
// kAnswerTimeoutMs: the change is queued for the window's thread, and that thread's answer to a
// message sent after it is awaited. While it waits, this thread takes no message that anybody
// else sends it, so none of this program's code runs in the middle of the change. A window of
// this thread is changed at once. A thread already known to be silent is not waited for; one
// that misses the bound is marked silent (silent may be null).
// Returns true when the program answered: the change is done, or the program refused it (see
// StaysVisible). False when the change is still queued (also for a window that is gone).
bool ShowForeignWindow(HWND window, int command, SilentThreads* silent = nullptr);

// Queues the change for the window's thread and returns at once (a window of this thread is
// changed at once). Changes queued for one window are taken in the order they were queued.
void QueueShowWindow(HWND window, int command);

// After a hide that the window's program answered: true when the window is still visible a
// moment later, that is when the program refused the hide.
bool StaysVisible(HWND window);
