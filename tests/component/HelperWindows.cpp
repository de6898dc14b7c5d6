#include "HelperWindows.h"

#include <cstdio>

#include "text/WString.h"

namespace {

constexpr DWORD kStartTimeoutMs = 45000;

std::wstring Wide(const std::string& utf8)
{
    WString wide = WString::FromNarrow(utf8.c_str(), CP_UTF8);
    return wide.IsNull() ? std::wstring() : std::wstring(wide.Text());
}

std::wstring HelperPath()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring full(path);
    return full.substr(0, full.find_last_of(L"\\/") + 1) + L"vb_testwin.exe";
}

} // namespace

std::string UniqueTag()
{
    char tag[32];
    snprintf(tag, sizeof(tag), "vbt%lu", GetCurrentProcessId());
    return tag;
}

HelperWindows::HelperWindows(const std::string& windowArgs, int hangAfterMs)
{
    // A name still held by another process would be signalled already: it is passed over.
    static int serial = 0;
    wchar_t name[80] = {};
    HANDLE ready = nullptr;
    for (int tries = 0; tries < 8 && !ready; ++tries) {
        swprintf(name, 80, L"VbTestWinReady-%lu-%d-%llu", GetCurrentProcessId(), ++serial,
                 static_cast<unsigned long long>(GetTickCount64()));
        ready = CreateEventW(nullptr, TRUE, FALSE, name);
        if (ready && GetLastError() == ERROR_ALREADY_EXISTS) {
            CloseHandle(ready);
            ready = nullptr;
        }
    }
    if (!ready) {
        m_error = "no ready event could be made";
        return;
    }
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring report = std::wstring(temp) + name + L".txt";

    std::wstring line = L"\"" + HelperPath() + L"\" --ready " + name + L" --report \"" + report + L"\"";
    if (hangAfterMs >= 0) {
        line += L" --hang-after-ms " + std::to_wstring(hangAfterMs);
    }
    line += L" " + Wide(windowArgs);
    STARTUPINFOW startup = {sizeof(startup)};
    std::vector<wchar_t> mutableLine(line.begin(), line.end());
    mutableLine.push_back(L'\0');
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &m_process)) {
        m_error = "vb_testwin.exe could not be started (build the vb_test_helpers target)";
        CloseHandle(ready);
        return;
    }
    HANDLE waits[] = {ready, m_process.hProcess};
    DWORD result = WaitForMultipleObjects(2, waits, FALSE, kStartTimeoutMs);
    CloseHandle(ready);
    if (result != WAIT_OBJECT_0) {
        m_error = result == WAIT_OBJECT_0 + 1 ? "vb_testwin.exe ended early" : "vb_testwin.exe did not get ready";
        return;
    }
    ReadReport(report);
    DeleteFileW(report.c_str());
    m_ready = true;
}

HelperWindows::~HelperWindows()
{
    if (m_process.hProcess) {
        TerminateProcess(m_process.hProcess, 0);
        WaitForSingleObject(m_process.hProcess, 5000);
        CloseHandle(m_process.hProcess);
        CloseHandle(m_process.hThread);
    }
}

void HelperWindows::ReadReport(const std::wstring& file)
{
    FILE* in = _wfopen(file.c_str(), L"r");
    if (!in) {
        return;
    }
    unsigned index = 0;
    unsigned long long window = 0;
    while (fscanf(in, "%u %llx", &index, &window) == 2) {
        m_windows.push_back(reinterpret_cast<HWND>(static_cast<UINT_PTR>(window)));
    }
    fclose(in);
}
