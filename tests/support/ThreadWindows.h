// Windows of other threads of a test: to the program under test they are another program's
// windows that answer at once, and the test can see what happens to them.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace vbtest {

// Runs make() on a thread of its own, which then dispatches messages, showing each to seen()
// first, until the object goes; the windows that make() returns are destroyed then. Its
// windows answer at once, like another program's that is idle.
class WindowThread {
public:
    using Maker = std::function<std::vector<HWND>()>;
    using Watcher = std::function<void(const MSG&)>;

    explicit WindowThread(Maker make, Watcher seen = nullptr)
    {
        HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_thread = std::thread([this, make, seen, ready] { Run(make, seen, ready); });
        WaitForSingleObject(ready, 10000);
        CloseHandle(ready);
    }
    WindowThread(const WindowThread&) = delete;
    WindowThread& operator=(const WindowThread&) = delete;
    ~WindowThread()
    {
        SetEvent(m_stop);
        m_thread.join();
        CloseHandle(m_stop);
    }

private:
    void Run(const Maker& make, const Watcher& seen, HANDLE ready)
    {
        std::vector<HWND> windows = make();
        SetEvent(ready);
        while (MsgWaitForMultipleObjects(1, &m_stop, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (seen)
                    seen(msg);
                DispatchMessageA(&msg);
            }
        }
        for (HWND window : windows)
            DestroyWindow(window);
    }

    HANDLE m_stop = nullptr;
    std::thread m_thread;
};

// A titled window of another thread of this test, an ordinary window of another program to
// Veilbox, that counts the times it is activated. The count sees an activation even when Wine
// hands the foreground on again a moment later, which a look at the foreground can miss.
class CountingWindow {
public:
    explicit CountingWindow(const char* title)
        : m_thread([this, title] { return std::vector<HWND>{m_window = Make(title)}; })
    {
    }

    HWND Window() const { return m_window; }
    int Activations() const { return m_activations; }

private:
    HWND Make(const char* title)
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = "VbCountingWindow";
        RegisterClassA(&wc); // fails harmlessly when an earlier test registered it
        return CreateWindowExA(0, wc.lpszClassName, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400, 300, 300, 200,
                               nullptr, nullptr, wc.hInstance, this);
    }

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE)
            SetWindowLongPtrA(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
        auto* self = reinterpret_cast<CountingWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self && message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE)
            ++self->m_activations;
        return DefWindowProcA(window, message, wParam, lParam);
    }

    std::atomic<int> m_activations{0};
    HWND m_window = nullptr;
    WindowThread m_thread; // last: its window reaches the members above as soon as it exists
};

} // namespace vbtest
