// Windows of another program for the tests: starts the vb_testwin helper
// (next to the test program) with a description of its windows, waits until
// they exist and ends the helper again when the object goes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "text/NString.h"

class HelperWindows {
public:
    // windowArgs: the helper's window description (UTF-8), e.g.
    // "--window --title \"T\" --popup". With hangAfterMs >= 0 the helper stops
    // answering messages that long after it is ready.
    explicit HelperWindows(const std::string& windowArgs, int hangAfterMs = -1);
    ~HelperWindows();
    HelperWindows(const HelperWindows&) = delete;
    HelperWindows& operator=(const HelperWindows&) = delete;

    // True when the helper started and reported its windows; Error() says why not.
    bool Ready() const { return m_ready; }
    const std::string& Error() const { return m_error; }

    size_t Count() const { return m_windows.size(); }
    HWND Window(size_t index) const { return index < m_windows.size() ? m_windows[index] : nullptr; }

private:
    void ReadReport(const std::wstring& file);

    PROCESS_INFORMATION m_process = {};
    std::vector<HWND> m_windows;
    bool m_ready = false;
    std::string m_error;
};

// A tag unique to this test process, to keep window titles apart from
// anybody else's.
std::string UniqueTag();

// Polls condition every few milliseconds, pumping this thread's messages,
// until it holds or timeoutMs passes; the condition's last value.
template <typename Condition>
bool WaitFor(Condition condition, DWORD timeoutMs = 3000)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (condition()) {
            return true;
        }
        if (GetTickCount() - start >= timeoutMs) {
            return condition();
        }
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    }
}
