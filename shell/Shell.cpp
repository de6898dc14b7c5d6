#include "shell/Shell.h"

#include <richedit.h>
#include <shellapi.h>

#include <cstring>
#include <cwchar>
#include <vector>

#include "shell/LinkPlan.h"
#include "winbase/LateLibraries.h"
#include "winbase/ScopedHandles.h"

namespace {

// Holds the Shift key down for its lifetime: the explorer reads it at start-up
// and the key must never stay pressed, whatever path the launch takes.
class ShiftKeyHeld {
public:
    ShiftKeyHeld() { keybd_event(VK_SHIFT, 0x10, 0, 0); }
    ~ShiftKeyHeld() { keybd_event(VK_SHIFT, 0x10, KEYEVENTF_KEYUP, 0); }
    ShiftKeyHeld(const ShiftKeyHeld&) = delete;
    ShiftKeyHeld& operator=(const ShiftKeyHeld&) = delete;
};

bool Failed()
{
    MessageBeep(MB_ICONEXCLAMATION);
    return false;
}

void FillStartupGeometry(DWORD& x, DWORD& y, DWORD& width, DWORD& height, DWORD& flags, WORD& show)
{
    const unsigned screenWidth = static_cast<unsigned>(GetSystemMetrics(SM_CXSCREEN));
    const unsigned screenHeight = static_cast<unsigned>(GetSystemMetrics(SM_CYSCREEN));
    x = screenWidth / 4;
    y = screenHeight / 4;
    width = screenWidth / 2;
    height = screenHeight / 2;
    flags = STARTF_USESHOWWINDOW | STARTF_USESIZE | STARTF_USEPOSITION;
    show = SW_SHOWNORMAL;
}

// The thread desktop's name, zero-terminated; empty when the query fails.
template <class Ch, class Query>
std::vector<Ch> ThreadDesktopName(Query query)
{
    HDESK desktop = GetThreadDesktop(GetCurrentThreadId());
    DWORD needed = 0;
    query(desktop, UOI_NAME, nullptr, 0, &needed);
    std::vector<Ch> name(needed / sizeof(Ch) + 4, Ch(0));
    if (!needed || !query(desktop, UOI_NAME, name.data(), static_cast<DWORD>(name.size() * sizeof(Ch)), &needed)) {
        name.assign(1, Ch(0));
    }
    return name;
}

bool FinishStart(BOOL created, PROCESS_INFORMATION& local, PROCESS_INFORMATION* info)
{
    if (!created) {
        return false;
    }
    ProcessHandles started(local);
    local.hThread = nullptr;
    if (info) {
        // The caller owns the process handle from here on.
        *info = local;
        started.process.release();
    }
    return true;
}

}  // namespace

bool IsNtFamily()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)
#endif
    const BOOL ok = GetVersionExA(&version);
    return ok && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

bool OpenLinkText(HWND owner, const wchar_t* text)
{
    const WString copy(text);
    if (IsNtFamily()) {
        return OpenLinkTextWide(owner, copy.Text());
    }
    return OpenLinkTextNarrow(owner, NString::FromWide(copy.Text()).Text());
}

bool OpenLinkTextWide(HWND owner, const wchar_t* text)
{
    const WString windowsDirectory = WindowsDirectoryWide();
    const WideLinkPlan plan = PlanLinkWide(text, windowsDirectory.Text());
    bool ok = false;
    if (plan.kind == LinkKind::EMail || plan.kind == LinkKind::LocalPath) {
        // The shell may hand the open to a COM handler: the thread needs an apartment for it.
        const ComScope com;
        const HINSTANCE result =
            LateShellExecuteW(owner, L"open", plan.shellText.Text(), nullptr, nullptr, SW_SHOWNORMAL);
        ok = reinterpret_cast<INT_PTR>(result) > 32;
    } else if (plan.kind == LinkKind::Web) {
        ok = LaunchWithShiftHeldWide(plan.shellText.Text());
    }
    return ok || Failed();
}

bool OpenLinkTextNarrow(HWND owner, const char* text)
{
    const NString windowsDirectory = WindowsDirectoryNarrow();
    const NarrowLinkPlan plan = PlanLinkNarrow(text, windowsDirectory.Text());
    bool ok = false;
    if (plan.kind == LinkKind::EMail || plan.kind == LinkKind::LocalPath) {
        const ComScope com;
        const HINSTANCE result =
            LateShellExecuteA(owner, "open", plan.shellText.Text(), nullptr, nullptr, SW_SHOWNORMAL);
        ok = reinterpret_cast<INT_PTR>(result) > 32;
    } else if (plan.kind == LinkKind::Web) {
        ok = LaunchWithShiftHeldNarrow(plan.shellText.Text());
    }
    return ok || Failed();
}

bool LaunchWithShiftHeldWide(const wchar_t* commandLine)
{
    ShiftKeyHeld shift;
    PROCESS_INFORMATION info = {};
    if (!StartOnUserDesktopWide(commandLine, &info)) {
        return false;
    }
    const OwnedHandle process(info.hProcess);
    Sleep(500);
    return true;
}

bool LaunchWithShiftHeldNarrow(const char* commandLine)
{
    ShiftKeyHeld shift;
    PROCESS_INFORMATION info = {};
    if (!StartOnUserDesktopNarrow(commandLine, &info)) {
        return false;
    }
    const OwnedHandle process(info.hProcess);
    Sleep(500);
    return true;
}

bool StartOnUserDesktopWide(const wchar_t* commandLine, PROCESS_INFORMATION* info)
{
    if (!commandLine) {
        return false;
    }
    std::vector<wchar_t> desktop = ThreadDesktopName<wchar_t>(GetUserObjectInformationW);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.lpDesktop = desktop.data();
    FillStartupGeometry(startup.dwX, startup.dwY, startup.dwXSize, startup.dwYSize, startup.dwFlags,
                        startup.wShowWindow);
    std::vector<wchar_t> line(commandLine, commandLine + wcslen(commandLine) + 1);
    PROCESS_INFORMATION local = {};
    const BOOL created =
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &local);
    return FinishStart(created, local, info);
}

bool StartOnUserDesktopNarrow(const char* commandLine, PROCESS_INFORMATION* info)
{
    if (!commandLine) {
        return false;
    }
    std::vector<char> desktop = ThreadDesktopName<char>(GetUserObjectInformationA);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.lpDesktop = desktop.data();
    FillStartupGeometry(startup.dwX, startup.dwY, startup.dwXSize, startup.dwYSize, startup.dwFlags,
                        startup.wShowWindow);
    std::vector<char> line(commandLine, commandLine + strlen(commandLine) + 1);
    PROCESS_INFORMATION local = {};
    const BOOL created =
        CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &local);
    return FinishStart(created, local, info);
}

WString WindowsDirectoryWide()
{
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    UINT size = GetWindowsDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
    if (size > buffer.size()) {
        buffer.resize(size);
        size = GetWindowsDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
    }
    if (size == 0 || size >= buffer.size()) {
        return WString();
    }
    WString directory(buffer.data(), size);
    return directory.EnsureTrailing(L'\\');
}

NString WindowsDirectoryNarrow()
{
    std::vector<char> buffer(MAX_PATH + 1);
    UINT size = GetWindowsDirectoryA(buffer.data(), static_cast<UINT>(buffer.size()));
    if (size > buffer.size()) {
        buffer.resize(size);
        size = GetWindowsDirectoryA(buffer.data(), static_cast<UINT>(buffer.size()));
    }
    if (size == 0 || size >= buffer.size()) {
        return NString();
    }
    NString directory(buffer.data(), size);
    return directory.EnsureTrailing('\\');
}

LRESULT SendRichEditMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam)
{
    return IsNtFamily() ? SendMessageW(control, message, wParam, lParam)
                        : SendMessageA(control, message, wParam, lParam);
}

void ReplaceRichEditSelection(HWND control, const wchar_t* text)
{
    if (IsNtFamily()) {
        SendMessageW(control, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text ? text : L""));
        return;
    }
    const NString narrow = NString::FromWide(text);
    SendMessageA(control, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(narrow.IsNull() ? "" : narrow.Text()));
}

void PutRichEditText(HWND dialog, int controlId, const wchar_t* text)
{
    HWND control = GetDlgItem(dialog, controlId);
    CHARRANGE all = {0, -1};
    SendRichEditMessage(control, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
    ReplaceRichEditSelection(control, text);
}
