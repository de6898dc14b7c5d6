// A window of this process in the shell's place, for tests of the tray icon against a shell that
// refuses, restarts or hangs.
#pragma once

#include <windows.h>

#include <atomic>
#include <thread>

#include "support/TestSupport.h"
#include "winbase/ScopedHandles.h"
#include "winbase/WinBase.h"

namespace winbase_test {

// A window of this process that takes the shell's place: every tray request reaches it. It refuses
// each one, as when no notification area exists; or takes each one and, at the first, restarts (it
// answers, then sends the owner "TaskbarCreated" while the owner still waits for that answer, as a
// shell starting at logon can); or, made on a thread of its own, hangs for hangMs without handling
// anything (released early by Release); or, on a thread of its own, takes each one at once, however
// busy the test's thread is.
class FakeShell {
public:
    enum Kind : LONG_PTR { kRefuses, kRestarts, kHangs, kTakesOnItsThread };

    explicit FakeShell(Kind kind, DWORD hangMs = 20000) : m_hangMs(hangMs)
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = &FakeShell::Answer;
        windowClass.cbWndExtra = sizeof(LONG_PTR);
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "Shell_TrayWnd";
        RegisterClassA(&windowClass);
        if (kind != kHangs && kind != kTakesOnItsThread) {
            m_window = Create(kind);
            return;
        }
        m_release.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        m_hangs = kind == kHangs;
        m_hung = std::thread([this, kind] {
            const HWND window = Create(kind);
            m_window = window;
            if (kind == kHangs)
                WaitForSingleObject(m_release.get(), m_hangMs);
            else
                AnswerUntilReleased();
            DestroyWindow(window);
        });
        vbtest::WaitFor([this] { return m_window != nullptr; }, 3000);
    }
    ~FakeShell()
    {
        if (!m_hung.joinable()) {
            DestroyWindow(m_window);
            return;
        }
        Release();
        m_hung.join();
    }
    FakeShell(const FakeShell&) = delete;
    FakeShell& operator=(const FakeShell&) = delete;

    bool Answers() const { return FindWindowA("Shell_TrayWnd", nullptr) == m_window; }
    bool Hangs() const { return m_hangs; }
    void Release() { SetEvent(m_release.get()); }
    int Requests() const { return static_cast<int>(GetWindowLongPtrA(m_window, 0)); }

private:
    static HWND Create(Kind kind)
    {
        HWND window = CreateWindowExA(0, "Shell_TrayWnd", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(window, GWLP_USERDATA, kind);
        return window;
    }
    static LRESULT CALLBACK Answer(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message != WM_COPYDATA)
            return DefWindowProcA(window, message, wParam, lParam);
        const LONG_PTR requests = GetWindowLongPtrA(window, 0) + 1;
        SetWindowLongPtrA(window, 0, requests);
        const LONG_PTR kind = GetWindowLongPtrA(window, GWLP_USERDATA);
        if (kind == kTakesOnItsThread)
            return TRUE;
        if (kind != kRestarts)
            return FALSE;
        if (requests == 1) {
            ReplyMessage(TRUE);
            SendMessageA(reinterpret_cast<HWND>(wParam), QF_WINBASE::TaskbarCreatedMessage(), 0, 0);
        }
        return TRUE;
    }

    // Handles every message sent or posted to this thread until Release.
    void AnswerUntilReleased()
    {
        const HANDLE release = m_release.get();
        while (MsgWaitForMultipleObjects(1, &release, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&message);
        }
    }

    DWORD m_hangMs;
    bool m_hangs = false;
    std::atomic<HWND> m_window{nullptr};
    OwnedHandle m_release;
    std::thread m_hung;
};

}  // namespace winbase_test
