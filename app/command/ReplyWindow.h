// The command's message-only window that the running copy answers to. It takes the running
// copy's "begun" reply while the command still waits for the request to begin, then the answer;
// once the command has given up it refuses both, so the running copy drops a request whose
// command will not hear of it; a "dropped" reply (a "begun" the copy gave up on) ends the wait as
// not begun. Replies are checked as every message from another process is: only one in the
// current layout, sent by the running copy's window (wParam) while that window still belongs to
// the process the command talked to, and echoing the request's random serial is taken; anything
// else changes nothing.
#pragma once

#include <windows.h>

#include <cstdint>

#include "app/command/CommandWire.h"
#include "winbase/OwnRecords.h"

class ReplyWindow {
public:
    // How a wait ended.
    enum class Outcome {
        Answered,    // the answer came (Reply())
        NotBegun,    // the request did not begin in time: it will not be carried out
        Unfinished,  // it began, and its answer did not come in time
    };

    // The window answers to the request with this serial, from the running copy's window only.
    ReplyWindow(uint64_t serial, HWND copy);
    ReplyWindow(const ReplyWindow&) = delete;
    ReplyWindow& operator=(const ReplyWindow&) = delete;
    ~ReplyWindow();

    // Null when the window could not be made.
    HWND Window() const { return m_window; }
    const WireReply& Reply() const { return m_reply; }

    // Reads this thread's messages until the answer came, or beginMs have passed without the
    // request having begun (or been answered), or runMs have passed since it began. A wait that
    // ends without the answer gives up for good.
    // The runMs never end the wait before beginMs have passed.
    Outcome Wait(DWORD beginMs, DWORD runMs);
    // Refuses every reply from now on.
    void GiveUp() { m_gaveUp = true; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static WindowTable<ReplyWindow>& Bound();
    // True when the reply is taken: a valid reply to this request while the command waits.
    bool Take(HWND sender, const COPYDATASTRUCT* data);

    uint64_t m_serial;
    HWND m_copy;
    DWORD m_copyProcess = 0;
    HWND m_window = nullptr;
    WireReply m_reply;
    ULONGLONG m_begunAt = 0;
    bool m_begun = false;
    bool m_answered = false;
    bool m_dropped = false;
    bool m_gaveUp = false;
};

// A serial no other process can guess: 64 random bits from the system (a mix of the counter, the
// process and the thread where the system has no random source).
uint64_t NewRequestSerial();
