#include "BenchWindows.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::string HelperArgs(const std::string& title, int count, const std::string& extra)
{
    std::string args = extra.empty() ? "" : extra + " ";
    return args + "--window --title \"" + title + "\" --count " + std::to_string(count);
}

} // namespace

BenchWindows::BenchWindows(const std::string& title, int count, const std::string& extra)
    : m_title(title), m_helper(HelperArgs(title, count, extra)), m_windows(static_cast<size_t>(count), nullptr)
{
    EnumWindows(Collect, reinterpret_cast<LPARAM>(this));
}

std::string BenchWindows::Title(size_t index) const
{
    if (m_windows.size() == 1)
        return m_title;
    char suffix[16];
    snprintf(suffix, sizeof suffix, " %03u", static_cast<unsigned>(index));
    return m_title + suffix;
}

BOOL CALLBACK BenchWindows::Collect(HWND window, LPARAM self)
{
    auto* windows = reinterpret_cast<BenchWindows*>(self);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == windows->m_helper.Process().Id() && IsWindowVisible(window))
        windows->Place(window);
    return TRUE;
}

// Puts the window at the index its title names; other titles are not the helper's windows.
void BenchWindows::Place(HWND window)
{
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    size_t length = m_title.size();
    if (strncmp(text, m_title.c_str(), length) != 0)
        return;
    size_t index = 0;
    if (m_windows.size() > 1) {
        if (text[length] != ' ')
            return;
        char* end = nullptr;
        index = strtoul(text + length + 1, &end, 10);
        if (*end != '\0')
            return;
    } else if (text[length] != '\0') {
        return;
    }
    if (index < m_windows.size() && !m_windows[index]) {
        m_windows[index] = window;
        ++m_found;
    }
}
