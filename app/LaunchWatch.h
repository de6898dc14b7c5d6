// Waiting for the window of a program that a command started ("launch"): the first visible,
// titled top-level window of that process, or of a process it started, is the one to hide. The
// system reports each window that is shown or renamed (a window event hook), so the window goes
// before it has been on the screen for long; a slower poll catches anything the reports miss.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

// One started program being waited for.
struct LaunchWatch {
    uint32_t serial = 0;
    HWND replyTo = nullptr;
    DWORD processId = 0;
    uint64_t created = 0;
    ULONGLONG deadline = 0;
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

// The window event hook, held while any launch is waited for. Each window the system shows or
// renames is handed to onWindow on this thread, from its message loop.
class WindowShownHook {
public:
    WindowShownHook() = default;
    WindowShownHook(const WindowShownHook&) = delete;
    WindowShownHook& operator=(const WindowShownHook&) = delete;
    ~WindowShownHook() { Stop(); }

    void Start(std::function<void(HWND)> onWindow);
    void Stop();
    bool Running() const { return m_show != nullptr; }

private:
    static void CALLBACK OnEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object, LONG child,
                                 DWORD thread, DWORD time);
    HWINEVENTHOOK m_show = nullptr;
    HWINEVENTHOOK m_rename = nullptr;
    std::function<void(HWND)> m_onWindow;
};
