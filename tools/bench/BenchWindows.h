// Helper windows in another process (tests/helpers/vb_testwin.exe): count windows titled
// "TITLE 000", "TITLE 001"... (or one titled TITLE), found again by their titles once the helper
// says they exist, so the benchmark depends only on the helper's command line.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/TargetWindows.h"

class BenchWindows {
public:
    // extra: further helper options, e.g. "--hang-after-ms 300".
    BenchWindows(const std::string& title, int count, const std::string& extra = "");
    BenchWindows(const BenchWindows&) = delete;
    BenchWindows& operator=(const BenchWindows&) = delete;

    // True when every window was found.
    bool Ready() const { return m_found == m_windows.size() && !m_windows.empty(); }
    HWND operator[](size_t index) const { return index < m_windows.size() ? m_windows[index] : nullptr; }
    size_t Count() const { return m_windows.size(); }
    // The title of window index.
    std::string Title(size_t index) const;

private:
    static BOOL CALLBACK Collect(HWND window, LPARAM self);
    void Place(HWND window);

    std::string m_title;
    vbtest::TargetWindows m_helper;
    std::vector<HWND> m_windows;
    size_t m_found = 0;
};
