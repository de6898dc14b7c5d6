// Windows of another program for end-to-end tests: the vb_testwin helper started in its own
// process with a description of its windows; the object waits until they exist and ends the
// helper when it goes.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "support/TestSupport.h"
#include "winbase/ScopedHandles.h"

namespace vbtest {

class TargetWindows {
public:
    // args describe the windows, e.g. "--window --title \"A\" --window --title \"B\""; exe is the
    // helper in BinDir() or a copy of it elsewhere (a full path).
    explicit TargetWindows(const std::string& args, const std::string& exe = "vb_testwin.exe")
    {
        // A name still held by another process (a helper of an earlier test process that had the
        // same id) would be signalled already: such a name is passed over.
        static LONG serial = 0;
        char name[96] = {};
        for (int tries = 0; tries < 8 && !m_event; ++tries) {
            snprintf(name, sizeof name, "VbTargets.%lu.%ld.%llu", GetCurrentProcessId(), InterlockedIncrement(&serial),
                     static_cast<unsigned long long>(GetTickCount64()));
            OwnedHandle event(CreateEventA(nullptr, TRUE, FALSE, name));
            if (event && GetLastError() != ERROR_ALREADY_EXISTS)
                m_event = std::move(event);
        }
        if (!m_event) {
            m_error = "no ready event could be made";
            return;
        }
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        m_report = std::string(temp) + name + ".txt";
        // Now and then Wine fails to start a program at all: it ends at once, having done nothing.
        // Such a start is made once more; a helper that really fails fails again.
        DWORD waited = WAIT_FAILED;
        for (int start = 0; start < 2; ++start) {
            const ULONGLONG started = GetTickCount64();
            if (!m_process.Start(exe, std::string("--ready ") + name + " --report \"" + m_report + "\" " + args)) {
                m_error = "vb_testwin.exe could not be started, error " + std::to_string(GetLastError());
                return;
            }
            // A helper with hundreds of windows needs far more than a plain one on a loaded machine.
            HANDLE waits[] = {m_event.get(), m_process.Handle()};
            waited = WaitForMultipleObjects(2, waits, FALSE, 45000);
            if (waited != WAIT_OBJECT_0 + 1 || GetTickCount64() - started > 500)
                break;
        }
        if (waited != WAIT_OBJECT_0) {
            m_error = waited == WAIT_OBJECT_0 + 1 ? "vb_testwin.exe ended early" : "vb_testwin.exe did not get ready";
            return;
        }
        ReadReport();
        if (m_windows.empty())
            m_error = "vb_testwin.exe reported no window";
    }
    TargetWindows(const TargetWindows&) = delete;
    TargetWindows& operator=(const TargetWindows&) = delete;
    ~TargetWindows()
    {
        m_process.Kill();
        DeleteFileA(m_report.c_str());
    }

    bool Ready() const { return !m_windows.empty(); }
    // Why the windows are not ready; empty when they are.
    const std::string& Error() const { return m_error; }
    HWND operator[](size_t index) const { return index < m_windows.size() ? m_windows[index] : nullptr; }
    size_t Count() const { return m_windows.size(); }
    ChildProcess& Process() { return m_process; }

private:
    void ReadReport()
    {
        FILE* in = fopen(m_report.c_str(), "r");
        if (!in)
            return;
        // One line per window: its index and its handle in hexadecimal.
        char line[128];
        while (fgets(line, sizeof line, in)) {
            unsigned index = 0;
            unsigned long long window = 0;
            if (sscanf(line, "%u %llx", &index, &window) == 2)
                m_windows.push_back(reinterpret_cast<HWND>(static_cast<UINT_PTR>(window)));
        }
        fclose(in);
    }

    ChildProcess m_process;
    OwnedHandle m_event;
    std::string m_report;
    std::vector<HWND> m_windows;
    std::string m_error;
};

} // namespace vbtest
