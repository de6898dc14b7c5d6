// The command's message-only window that the running copy answers to. It takes the running
// copy's "begun" reply while the command still waits for the request to begin, then the answer;
// once the command has given up it refuses both, so the running copy drops a request whose
// command will not hear of it. Replies are checked as every message from another process is:
// a malformed one, or one for another request, changes nothing.
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

    // The window answers to the request with this serial only.
    explicit ReplyWindow(uint32_t serial);
    ReplyWindow(const ReplyWindow&) = delete;
    ReplyWindow& operator=(const ReplyWindow&) = delete;
    ~ReplyWindow();

    HWND Window() const { return m_window; }
    const WireReply& Reply() const { return m_reply; }

    // Reads this thread's messages until the answer came, or beginMs have passed without the
    // request having begun (or been answered), or runMs have passed since it began. A wait that
    // ends without the answer gives up for good.
    Outcome Wait(DWORD beginMs, DWORD runMs);

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static WindowTable<ReplyWindow>& Bound();
    // True when the reply is taken: a valid reply to this request while the command waits.
    bool Take(const COPYDATASTRUCT* data);

    uint32_t m_serial;
    HWND m_window = nullptr;
    WireReply m_reply;
    ULONGLONG m_begunAt = 0;
    bool m_begun = false;
    bool m_answered = false;
    bool m_gaveUp = false;
};
