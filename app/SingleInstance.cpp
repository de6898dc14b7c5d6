#include "app/SingleInstance.h"

#include "winbase/WindowOps.h"

namespace {

// Session-local: one copy per logged-on user's desktop session.
constexpr const char kInstanceMutexName[] = "Local\\Quillfen.WindowVeilbox.Instance";
constexpr UINT kTrayCallbackMessage = WM_APP + 1;
constexpr ULONG_PTR kQuitRequest = 1;

HANDLE g_instanceMutex = nullptr;
bool g_previousInstanceRan = false;

bool IsRunningInstanceWindow(HWND window)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == GetCurrentProcessId())
        return false;
    NString className = NString::FromClassName(window);
    if (!className.StartsWithNoCase(kDialogClass))
        return false;
    return WindowTextWithoutMessages(window).EqualsNoCase(kMainWindowTitle);
}

void SendQuitRequest(HWND window, const char* commandLine)
{
    NString text(commandLine ? commandLine : "");
    COPYDATASTRUCT data = {};
    data.dwData = kQuitRequest;
    data.cbData = text.Length() + 1;
    data.lpData = const_cast<char*>(text.Text());
    SendMessageA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

} // namespace

int AllowMultipleInstances(int allow)
{
    if (!g_instanceMutex) {
        g_instanceMutex = CreateMutexA(nullptr, FALSE, kInstanceMutexName);
        g_previousInstanceRan = g_instanceMutex && GetLastError() == ERROR_ALREADY_EXISTS;
    }
    return allow;
}

int WasPrevInstRunningAtStartup()
{
    if (!g_instanceMutex)
        AllowMultipleInstances(1);
    return g_previousInstanceRan ? 1 : 0;
}

bool IsControlWord(const char* commandLine)
{
    if (!commandLine)
        return false;
    return _stricmp(commandLine, "update") == 0 || _stricmp(commandLine, "uninstall") == 0;
}

HWND FindRunningInstanceWindow()
{
    for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window;
         window = GetWindow(window, GW_HWNDNEXT)) {
        if (IsRunningInstanceWindow(window))
            return window;
    }
    return nullptr;
}

bool SingleInstanceCheck(const char* commandLine)
{
    AllowMultipleInstances(1);
    HWND running = FindRunningInstanceWindow();
    const bool controlWord = IsControlWord(commandLine);
    if (!WasPrevInstRunningAtStartup())
        return !controlWord;

    if (!running)
        return false;
    if (controlWord)
        SendQuitRequest(running, commandLine);
    else if (IsWindowVisible(running))
        SetForegroundWindow(running);
    else
        SendMessageA(running, kTrayCallbackMessage, 0, WM_LBUTTONUP);
    return false;
}
