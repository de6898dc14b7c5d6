#include "app/SingleInstance.h"

#include <cstring>

#include "winbase/ScopedHandles.h"
#include "winbase/WindowOps.h"

namespace {

// Session-local: one copy per logged-on user's desktop session.
constexpr const char kInstanceMutexName[] = "Local\\Quillfen.WindowVeilbox.Instance";
constexpr UINT kTrayCallbackMessage = WM_APP + 1;

// Kept open on purpose until the process ends (the system closes it then): while it is open, its
// name tells another copy that this one runs.
HANDLE g_instanceMutex = nullptr;
bool g_instanceChecked = false;
bool g_previousInstanceRan = false;

// A message box of the running copy has its title too; it is owned, the main dialog is not.
bool IsRunningInstanceWindow(HWND window)
{
    if (GetWindow(window, GW_OWNER))
        return false;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == GetCurrentProcessId())
        return false;
    NString className = NString::FromClassName(window);
    if (!className.StartsWithNoCase(kDialogClass))
        return false;
    return WindowTextWithoutMessages(window).EqualsNoCase(kMainWindowTitle);
}

} // namespace

bool SendQuitRequest(HWND window, const char* commandLine)
{
    NString text(commandLine ? commandLine : "");
    COPYDATASTRUCT data = {};
    data.dwData = kQuitRequest;
    data.cbData = text.Length() + 1;
    data.lpData = const_cast<char*>(text.Text());
    return SendToRunningCopy(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

int AllowMultipleInstances(int allow)
{
    if (!g_instanceChecked) {
        g_instanceChecked = true;
        g_instanceMutex = CreateMutexA(nullptr, FALSE, kInstanceMutexName);
        const DWORD error = GetLastError();
        // A copy running with higher rights owns an object this process may not open.
        g_previousInstanceRan = g_instanceMutex ? error == ERROR_ALREADY_EXISTS : error == ERROR_ACCESS_DENIED;
    }
    return allow;
}

int WasPrevInstRunningAtStartup()
{
    AllowMultipleInstances(1);
    return g_previousInstanceRan ? 1 : 0;
}

bool AnotherCopyRanAtStart()
{
    return g_instanceChecked && g_previousInstanceRan;
}

bool AnotherCopyRuns()
{
    if (const OwnedHandle mutex{OpenMutexA(SYNCHRONIZE, FALSE, kInstanceMutexName)}) {
        return true;
    }
    return GetLastError() == ERROR_ACCESS_DENIED;
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

bool SendToRunningCopy(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                             kRunningCopyTimeoutMs, &answer))
        return false;
    if (result)
        *result = static_cast<LRESULT>(answer);
    return true;
}

StartDecision SingleInstanceCheck(const char* commandLine)
{
    StartDecision decision;
    const bool controlWord = IsControlWord(commandLine);
    if (!WasPrevInstRunningAtStartup()) {
        decision.runDialog = !controlWord;
        return decision;
    }
    HWND running = FindRunningInstanceWindow();
    if (!running || (commandLine && strcmp(commandLine, kCommandCopyWord) == 0))
        return decision;
    if (controlWord) {
        if (!SendQuitRequest(running, commandLine))
            decision.exitCode = kExitNoAnswer;
        return decision;
    }
    DWORD processId = 0;
    GetWindowThreadProcessId(running, &processId);
    AllowSetForegroundWindow(processId);
    if (IsWindowVisible(running))
        SetForegroundWindow(running);
    else
        SendToRunningCopy(running, kTrayCallbackMessage, 0, WM_LBUTTONUP);
    return decision;
}
