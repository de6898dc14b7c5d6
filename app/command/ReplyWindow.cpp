#include "app/command/ReplyWindow.h"

namespace {

constexpr wchar_t kReplyClass[] = L"VeilboxCommandReply";

// The values of the system's MSGFLT_ALLOW (per window) and MSGFLT_ADD (per process).
constexpr DWORD kAllowMessage = 1;
constexpr DWORD kAddMessage = 1;

using WindowFilterFn = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
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

} // namespace

// The object is found by its window here, not through the window's user data, which any program
// can set.
WindowTable<ReplyWindow>& ReplyWindow::Bound()
{
    static WindowTable<ReplyWindow> bound;
    return bound;
}

ReplyWindow::ReplyWindow(uint32_t serial) : m_serial(serial)
{
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
        const ULONGLONG now = GetTickCount64();
        const ULONGLONG deadline = m_begun ? m_begunAt + runMs : start + beginMs;
        if (now >= deadline) {
            m_gaveUp = true;
            return m_begun ? Outcome::Unfinished : Outcome::NotBegun;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
    }
}

bool ReplyWindow::Take(const COPYDATASTRUCT* data)
{
    WireReply reply;
    if (m_gaveUp || m_answered || !data || data->dwData != kCommandReplyKind ||
        !DecodeReply(data->lpData, data->cbData, reply) || reply.serial != m_serial)
        return false;
    if (reply.status != ReplyStatus::Begun) {
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
    return self->Take(reinterpret_cast<const COPYDATASTRUCT*>(lParam)) ? TRUE : FALSE;
}
