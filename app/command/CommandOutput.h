// What a command prints: the held windows as text or JSON, and the streams it writes UTF-8 to.
#pragma once

#include <windows.h>

#include <vector>

#include "app/command/CommandWire.h"
#include "text/NString.h"
#include "winbase/ScopedHandles.h"

// One line per window, tab-separated: the handle ("0x" and hexadecimal digits), the process id,
// the program's file name and the title. Control characters inside the texts (a tab, a line
// break) become blanks, so each window keeps to its line. Lines end with CR LF.
NString WindowListText(const std::vector<WindowReport>& windows);

// A JSON array of objects {"hwnd","pid","exe","class","title"}: the handle as "0x..." text, the
// process id as a number, the texts escaped as JSON requires.
NString WindowListJson(const std::vector<WindowReport>& windows);

// Why a command ends without the running copy's answer (exit code 3).
enum class Unanswered {
    NotRunning,  // no copy runs, and none could be started
    Elevated,    // the copy runs as administrator and the system keeps the request from it
    NoAnswer,    // the copy did not take the request in time
    NotResponding,  // the system finds the copy hung: the request was not even tried
    NoReplyWindow,  // the command could not make the window that takes the answer
    Refused,     // the copy turned the request down (ending, too many requests queued, or an
                 // older version, which does not read this version's requests)
    NotBegun,    // the copy took it and did not take it up in time: it is dropped
    Unfinished,  // the copy began it and did not finish in time
    Ending,      // the copy ended before it began
};

// The line for standard error: what happened, what was done and, where it helps, what to do.
// waitedMs is how long the command really waited; launched, when not empty, the program a launch
// started, which then runs without being hidden (unless the request may still be under way).
NString UnansweredText(Unanswered why, ULONGLONG waitedMs, const NString& launched = NString());

// The standard output and error the process was given (a file or a pipe); where one has none,
// the console of the program that started it, attached on first use. Text goes to a console in
// UTF-16, so every script shows, and to a file or pipe as UTF-8. Without either it goes nowhere.
class CommandStreams {
public:
    CommandStreams() = default;
    CommandStreams(const CommandStreams&) = delete;
    CommandStreams& operator=(const CommandStreams&) = delete;
    ~CommandStreams();

    void Out(const NString& utf8) { Write(STD_OUTPUT_HANDLE, utf8); }
    void Err(const NString& utf8) { Write(STD_ERROR_HANDLE, utf8); }

private:
    void Write(DWORD stream, const NString& utf8);
    HANDLE Handle(DWORD stream);

    bool m_consoleTried = false;
    OwnedHandle m_console;
};
