// Windows of another program for end-to-end tests: the vb_testwin helper started in its own
// process with a description of its windows; the object waits until they exist and ends the
// helper when it goes.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace vbtest {

class TargetWindows {
public:
    // args describe the windows, e.g. "--window --title \"A\" --window --title \"B\"".
    explicit TargetWindows(const std::string& args)
    {
        static LONG serial = 0;
        char name[96];
        snprintf(name, sizeof name, "VbTargets.%lu.%ld", GetCurrentProcessId(), InterlockedIncrement(&serial));
        m_event = CreateEventA(nullptr, TRUE, FALSE, name);
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        m_report = std::string(temp) + name + ".txt";
        if (!m_process.Start("vb_testwin.exe", std::string("--ready ") + name + " --report \"" + m_report + "\" " + args))
            return;
        HANDLE waits[] = {m_event, m_process.Handle()};
        if (WaitForMultipleObjects(2, waits, FALSE, 15000) != WAIT_OBJECT_0)
            return;
        ReadReport();
    }
    TargetWindows(const TargetWindows&) = delete;
    TargetWindows& operator=(const TargetWindows&) = delete;
    ~TargetWindows()
    {
        m_process.Kill();
        if (m_event)
            CloseHandle(m_event);
        DeleteFileA(m_report.c_str());
    }

    bool Ready() const { return !m_windows.empty(); }
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
    HANDLE m_event = nullptr;
    std::string m_report;
    std::vector<HWND> m_windows;
};

} // namespace vbtest
