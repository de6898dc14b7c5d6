#include "app/command/ReplyWindow.h"

#include "winbase/ModuleInfo.h"

namespace {

constexpr wchar_t kReplyClass[] = L"VeilboxCommandReply";

// The values of the system's MSGFLT_ALLOW (per window) and MSGFLT_ADD (per process).
constexpr DWORD kAllowMessage = 1;
constexpr DWORD kAddMessage = 1;

using WindowFilterFn = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
// advapi32's SystemFunction036, the system's random source; exported by name on every version.
using RandomFn = BOOLEAN(WINAPI*)(void*, ULONG);
using ProcessFilterFn = BOOL(WINAPI*)(UINT, DWORD);

template <class Function>
Function UserFunction(const char* name)
{
    HMODULE user = GetModuleHandleW(L"user32.dll");
    return user ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user, name))) : nullptr;
}

// A command run as administrator is answered by a copy that is not: the system passes a message
// from a lower integrity level only to a window that accepts it. The answer is checked as any
// message is. Looked up by name: the per-window call exists from Windows 7, the per-process one
// from Vista, and a system older than that has no such levels.
void AcceptCopyDataFromLowerLevels(HWND window)
{
    if (auto filter = UserFunction<WindowFilterFn>("ChangeWindowMessageFilterEx")) {
        filter(window, WM_COPYDATA, kAllowMessage, nullptr);
        return;
    }
    if (auto filter = UserFunction<ProcessFilterFn>("ChangeWindowMessageFilter"))
        filter(WM_COPYDATA, kAddMessage);
}

uint64_t Mix(uint64_t value)
{
    value ^= value >> 33;
    value *= 0xFF51AFD7ED558CCDull;
    value ^= value >> 33;
    value *= 0xC4CEB9FE1A85EC53ull;
    return value ^ (value >> 33);
}

} // namespace

// The object is found by its window here, not through the window's user data, which any program
// can set.
WindowTable<ReplyWindow>& ReplyWindow::Bound()
{
    static WindowTable<ReplyWindow> bound;
    return bound;
}

uint64_t NewRequestSerial()
{
    uint64_t serial = 0;
    HMODULE advapi = LoadSystemLibrary("advapi32.dll");
    FARPROC address = advapi ? GetProcAddress(advapi, "SystemFunction036") : nullptr;
    const auto random = reinterpret_cast<RandomFn>(reinterpret_cast<void*>(address));
    if (random && random(&serial, sizeof serial) && serial)
        return serial;
    LARGE_INTEGER counter = {};
    QueryPerformanceCounter(&counter);
    return Mix(static_cast<uint64_t>(counter.QuadPart) ^ (static_cast<uint64_t>(GetCurrentProcessId()) << 32) ^
               Mix(GetCurrentThreadId() ^ GetTickCount64()));
}

ReplyWindow::ReplyWindow(uint64_t serial, HWND copy) : m_serial(serial), m_copy(copy)
{
    GetWindowThreadProcessId(copy, &m_copyProcess);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kReplyClass;
    RegisterClassW(&windowClass);
    m_window = CreateWindowExW(0, kReplyClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance,
                               nullptr);
    if (!m_window)
        return;
    Bound().Bind(m_window, this);
    AcceptCopyDataFromLowerLevels(m_window);
}

ReplyWindow::~ReplyWindow()
{
    Bound().Forget(this);
    if (m_window)
        DestroyWindow(m_window);
}

ReplyWindow::Outcome ReplyWindow::Wait(DWORD beginMs, DWORD runMs)
{
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        if (m_answered)
            return Outcome::Answered;
        if (m_dropped) {
            m_gaveUp = true;
            return Outcome::NotBegun;
        }
        const ULONGLONG now = GetTickCount64();
        const ULONGLONG beginEnd = start + beginMs;
        const ULONGLONG deadline = m_begun && m_begunAt + runMs > beginEnd ? m_begunAt + runMs : beginEnd;
        if (now >= deadline) {
            m_gaveUp = true;
            return m_begun ? Outcome::Unfinished : Outcome::NotBegun;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
    }
}

bool ReplyWindow::Take(HWND sender, const COPYDATASTRUCT* data)
{
    WireReply reply;
    DWORD senderProcess = 0;
    if (m_gaveUp || m_answered || m_dropped || !data || data->dwData != kCommandReplyKind || !sender ||
        sender != m_copy || !GetWindowThreadProcessId(sender, &senderProcess) || senderProcess != m_copyProcess ||
        !DecodeReply(data->lpData, data->cbData, reply) || reply.older || reply.serial != m_serial)
        return false;
    if (reply.status == ReplyStatus::Dropped) {
        m_dropped = true;
    } else if (reply.status != ReplyStatus::Begun) {
        m_reply = reply;
        m_answered = true;
    } else if (!m_begun) {
        m_begun = true;
        m_begunAt = GetTickCount64();
    }
    return true;
}

LRESULT CALLBACK ReplyWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ReplyWindow* self = Bound().Find(window);
    if (message != WM_COPYDATA || !self)
        return DefWindowProcW(window, message, wParam, lParam);
    return self->Take(reinterpret_cast<HWND>(wParam), reinterpret_cast<const COPYDATASTRUCT*>(lParam)) ? TRUE
                                                                                                       : FALSE;
}
