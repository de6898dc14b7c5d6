// Waiting for the window of a program that a command started ("launch"): the first visible,
// titled top-level window of that process, or of a process it started, is the one to hide. The
// system reports each window that is shown or renamed (TopLevelEvents, held by the command
// server while any launch is waited for), so the window goes before it has been on the screen for
// long; a slower poll catches anything the reports miss.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// One started program being waited for.
struct LaunchWatch {
    uint64_t serial = 0;
    HWND replyTo = nullptr;
    DWORD replyProcess = 0;  // the reply window's process when the request came
    bool confirms = false;   // the command takes a "begun" reply before the window is hidden
    DWORD processId = 0;
    uint64_t created = 0;
    ULONGLONG deadline = 0;  // no window is hidden from then on
    // Processes already found to be the program's own, or not.
    std::vector<DWORD> family;
    std::vector<DWORD> strangers;

    // True when the process is the started program (the same id and creation time) or was
    // started by it, directly or through other processes.
    bool Owns(DWORD process);
};

// True when process was started by ancestor (created at ancestorCreated), through at most a few
// generations; a process created before the ancestor never is.
bool IsDescendantOf(DWORD process, DWORD ancestor, uint64_t ancestorCreated);
