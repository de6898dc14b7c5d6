// Which windows a command-line request or a rule acts on: the criteria a user gives (title,
// title pattern, class, program file name, process, handle, the foreground window) and the
// facts of a window they are checked against. One engine serves the command line, the rules and
// the Hide Program hotkey, so each of them picks exactly the windows the others would.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "text/NString.h"

// Every field given must match; a field left empty (0, null, false) matches every window.
struct WindowCriteria {
    NString title;      // the whole title, without regard to case
    NString titleLike;  // a title pattern with '*' and '?', without regard to case
    NString className;  // the whole class name, without regard to case
    NString exe;        // the program's file name ("notepad.exe"), without regard to case
    DWORD processId = 0;
    HWND window = nullptr;
    bool active = false;  // only the foreground window

    // True when no field is given: such criteria would match every window, and callers refuse
    // them.
    bool IsEmpty() const;
};

// The facts of one window, each read when first asked for and then kept, so criteria that fail
// on a cheap field (the class) never pay for a costly one (the program's file name opens the
// process). Nothing here sends the window a message: a stuck program costs nothing.
class WindowFacts {
public:
    explicit WindowFacts(HWND window) : m_window(window) {}

    HWND Window() const { return m_window; }
    DWORD ProcessId();
    // The system's copy of the title (see StoredTitle); empty when it has none.
    const NString& Title();
    const NString& ClassName();
    // The file name of the window's program, such as "notepad.exe"; empty when the process
    // cannot be asked (gone, or running with higher rights).
    const NString& ExeName();
    // Makes the next Title() read the title again: the title is the one fact that changes while a
    // window lives, so a caller keeping the facts of a window across passes forgets it each pass.
    void ForgetTitle() { m_haveTitle = false; }

private:
    HWND m_window;
    DWORD m_processId = 0;
    NString m_title, m_className, m_exe;
    bool m_haveProcess = false, m_haveTitle = false, m_haveClass = false, m_haveExe = false;
};

// True when the window satisfies every field of the criteria. Does not look at visibility or at
// whether the window may be acted on at all (see MayActOn).
bool Matches(const WindowCriteria& criteria, WindowFacts& window);

// True when a request or a rule may act on the window: a top-level window without a parent or
// owner-parent, with a title, that is not one of this process's windows, the desktop
// ("Program Manager") or the taskbar. Visibility is the caller's question.
bool MayActOn(WindowFacts& window);

// The visible top-level windows that may be acted on and match the criteria, front to back.
std::vector<HWND> VisibleMatchingWindows(const WindowCriteria& criteria);

// The full path of the program file that runs processId, such as "C:\\Windows\\notepad.exe", and
// its file name part, such as "notepad.exe"; empty when the process cannot be asked. The path
// stays in UTF-16: two paths that differ only in characters the code page lacks stay apart.
std::wstring ProgramPath(DWORD processId);
NString ProgramFileName(DWORD processId);
// True when both paths name the same file as the file system compares names (case ignored);
// an unknown (empty) path is the same as none.
bool SameProgramPath(const std::wstring& one, const std::wstring& other);

// When the process was created, as a FILETIME count; 0 when the process cannot be asked. With
// the process id it names one process for good: ids are reused, creation times with them are not.
uint64_t ProcessCreationTime(DWORD processId);
// True while the process named by its id and creation time runs: a process that has ended is
// not running even while handles keep its object, and its id, alive.
bool ProcessRunning(DWORD processId, uint64_t created);
