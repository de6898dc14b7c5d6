// Shared helpers of the test suites: deadlines instead of sleeps, child processes that never
// outlive their test, and a guard that puts the program's registry key back as it was.
#pragma once

#include <windows.h>

#include <tlhelp32.h>

#include <string>
#include <vector>

namespace vbtest {

// Polls cond every few milliseconds, dispatching this thread's messages in between, until it
// holds or timeoutMs have passed. Returns whether it held.
template <class Cond>
bool WaitFor(Cond cond, DWORD timeoutMs = 5000)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (cond())
            return true;
        if (GetTickCount64() >= deadline)
            return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

// Runs start (a call of CreateProcess) again when it failed with ERROR_INTERNAL_ERROR: under
// Wine a new process now and then dies while Wine sets it up, and CreateProcess then reports
// that error although nothing is wrong with the program or its command line. Any other failure,
// or a third internal one, is the caller's; GetLastError() then holds its code.
template <class Start>
BOOL StartProcessRetried(Start start)
{
    for (int attempt = 1;; ++attempt) {
        if (start())
            return TRUE;
        if (GetLastError() != ERROR_INTERNAL_ERROR || attempt == 3)
            return FALSE;
        Sleep(20 * attempt);
    }
}

// Sends a message to a window of another program and waits for the answer at most timeoutMs,
// so a program that stopped answering fails the test instead of hanging it. False on time-out.
inline bool SendWithin(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr,
                       DWORD timeoutMs = 10000)
{
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG, timeoutMs, &answer))
        return false;
    if (result)
        *result = static_cast<LRESULT>(answer);
    return true;
}

// True when a window of another program answers a message within timeoutMs. A program that
// pumps can miss a bound of a few dozen milliseconds on a busy machine, so the default is long.
inline bool Answers(HWND window, DWORD timeoutMs = 1000)
{
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &ignored) != 0;
}

// Waits until the window's program has stopped pumping: a message left unanswered for a whole
// second, which no pumping program does even on a loaded machine. A short probe would take a
// slow program for a hung one, and a test would then watch a hide go through at once.
inline bool WaitHung(HWND window, DWORD timeoutMs = 8000)
{
    return WaitFor([&] { return !Answers(window, 1000); }, timeoutMs);
}

// A real left click at the centre of a window, as the mouse gives it. True when the input
// was taken.
inline bool ClickCentreOf(HWND window)
{
    RECT rect = {};
    if (!GetWindowRect(window, &rect))
        return false;
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input[3] = {};
    for (INPUT& i : input)
        i.type = INPUT_MOUSE;
    input[0].mi.dx = ((rect.left + rect.right) / 2) * 65535 / (width - 1);
    input[0].mi.dy = ((rect.top + rect.bottom) / 2) * 65535 / (height - 1);
    input[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    return SendInput(3, input, sizeof(INPUT)) == 3;
}

// Does to a window what any other program may: sets every property it has and its user data to
// junk. A window procedure that took either for a pointer of its own follows junk after this.
inline void ScribbleOnWindow(HWND window, LONG_PTR junk)
{
    std::vector<std::string> names;
    EnumPropsExA(window, [](HWND, LPSTR name, HANDLE, ULONG_PTR found) -> BOOL {
        auto* list = reinterpret_cast<std::vector<std::string>*>(found);
        list->push_back(IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<UINT_PTR>(name)) : name);
        return TRUE;
    }, reinterpret_cast<LPARAM>(&names));
    for (const std::string& name : names) {
        const bool atom = name[0] == '#';
        SetPropA(window, atom ? MAKEINTATOM(std::stoul(name.substr(1))) : name.c_str(),
                 reinterpret_cast<HANDLE>(junk));
    }
    SetWindowLongPtrA(window, GWLP_USERDATA, junk);
}

// Folder of the running test program, with a trailing backslash. Veilbox.exe and the helper
// programs are built into the same folder.
inline std::string BinDir()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

// A program started by a test; killed when the object goes, so no test leaves one behind.
class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() { Kill(); }

    // exe is a file name in BinDir() or a full path; args follow it on the command line. hidden
    // starts it as deployment tools and scripts do when they ask for no window (SW_HIDE).
    bool Start(const std::string& exe, const std::string& args = "", bool hidden = false)
    {
        Kill();
        std::string path = exe.find('\\') == std::string::npos ? BinDir() + exe : exe;
        std::string commandLine = "\"" + path + "\"" + (args.empty() ? "" : " " + args);
        std::vector<char> buffer(commandLine.begin(), commandLine.end());
        buffer.push_back('\0');
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        si.dwFlags = hidden ? STARTF_USESHOWWINDOW : 0;
        si.wShowWindow = SW_HIDE;
        PROCESS_INFORMATION pi = {};
        if (!StartProcessRetried([&] {
                return CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
            }))
            return false;
        CloseHandle(pi.hThread);
        m_process = pi.hProcess;
        m_id = pi.dwProcessId;
        return true;
    }

    // True when the process ended within timeoutMs; its exit code is then in ExitCode().
    bool WaitForExit(DWORD timeoutMs = 10000)
    {
        return m_process && WaitForSingleObject(m_process, timeoutMs) == WAIT_OBJECT_0;
    }

    DWORD ExitCode() const
    {
        DWORD code = STILL_ACTIVE;
        if (m_process)
            GetExitCodeProcess(m_process, &code);
        return code;
    }

    bool Running() const { return m_process && WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT; }

    void Kill()
    {
        if (!m_process)
            return;
        if (Running()) {
            TerminateProcess(m_process, 1);
            WaitForSingleObject(m_process, 5000);
        }
        CloseHandle(m_process);
        m_process = nullptr;
        m_id = 0;
    }

    DWORD Id() const { return m_id; }
    HANDLE Handle() const { return m_process; }

private:
    HANDLE m_process = nullptr;
    DWORD m_id = 0;
};

struct WindowQuery {
    DWORD processId = 0;      // 0: any process
    const char* title = nullptr;     // exact title; null: any
    const char* className = nullptr; // exact class; null: any
    bool visibleOnly = false;
};

// First top-level window that matches the query, or null.
inline HWND FindTopWindow(const WindowQuery& query)
{
    struct Search { const WindowQuery* query; HWND found; } search{&query, nullptr};
    EnumWindows([](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        const WindowQuery& q = *s->query;
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (q.processId && pid != q.processId)
            return TRUE;
        if (q.visibleOnly && !IsWindowVisible(window))
            return TRUE;
        char text[512] = {};
        if (q.className) {
            GetClassNameA(window, text, sizeof text);
            if (strcmp(text, q.className) != 0)
                return TRUE;
        }
        if (q.title) {
            WCHAR wide[512] = {};
            InternalGetWindowText(window, wide, 512);
            WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, sizeof text, nullptr, nullptr);
            if (strcmp(text, q.title) != 0)
                return TRUE;
        }
        s->found = window;
        return FALSE;
    }, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Waits up to timeoutMs for a window that matches the query.
inline HWND WaitForTopWindow(const WindowQuery& query, DWORD timeoutMs = 10000)
{
    HWND found = nullptr;
    WaitFor([&] { return (found = FindTopWindow(query)) != nullptr; }, timeoutMs);
    return found;
}

// Every thread of another process suspended for the object's lifetime: a program that has
// stopped answering as hard as a program can.
class ProcessFreeze {
public:
    explicit ProcessFreeze(DWORD processId)
    {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
        THREADENTRY32 entry = {sizeof entry};
        for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
            HANDLE thread = entry.th32OwnerProcessID == processId
                                ? OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID) : nullptr;
            if (thread)
                SuspendThread(thread);
            if (thread)
                m_threads.push_back(thread);
        }
        CloseHandle(snapshot);
    }
    ProcessFreeze(const ProcessFreeze&) = delete;
    ProcessFreeze& operator=(const ProcessFreeze&) = delete;
    ~ProcessFreeze()
    {
        for (HANDLE thread : m_threads) {
            ResumeThread(thread);
            CloseHandle(thread);
        }
    }

    bool Frozen() const { return !m_threads.empty(); }

private:
    std::vector<HANDLE> m_threads;
};

// Copies HKCU\<path> aside on construction and puts it back, exactly, on destruction; a key that
// did not exist is removed again. Tests that write the program's settings hold one.
class RegistryKeyGuard {
public:
    explicit RegistryKeyGuard(const char* path = "Software\\Quillfen\\Veilbox")
        : m_path(path), m_backup(std::string(path) + ".TestBackup")
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, m_backup.c_str());
        HKEY source = nullptr;
        m_existed = RegOpenKeyExA(HKEY_CURRENT_USER, m_path.c_str(), 0, KEY_READ, &source) == ERROR_SUCCESS;
        if (m_existed) {
            HKEY backup = nullptr;
            RegCreateKeyExA(HKEY_CURRENT_USER, m_backup.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &backup, nullptr);
            RegCopyTreeA(source, nullptr, backup);
            RegCloseKey(backup);
            RegCloseKey(source);
        }
    }
    RegistryKeyGuard(const RegistryKeyGuard&) = delete;
    RegistryKeyGuard& operator=(const RegistryKeyGuard&) = delete;

    ~RegistryKeyGuard()
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
        if (!m_existed)
            return;
        HKEY backup = nullptr;
        HKEY target = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, m_backup.c_str(), 0, KEY_READ, &backup) == ERROR_SUCCESS &&
            RegCreateKeyExA(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &target, nullptr) == ERROR_SUCCESS)
            RegCopyTreeA(backup, nullptr, target);
        if (target)
            RegCloseKey(target);
        if (backup)
            RegCloseKey(backup);
        RegDeleteTreeA(HKEY_CURRENT_USER, m_backup.c_str());
    }

    // Removes the key, so the test starts from a first run.
    void Clear() const { RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str()); }

private:
    std::string m_path;
    std::string m_backup;
    bool m_existed = false;
};

} // namespace vbtest
