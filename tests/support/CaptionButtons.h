// Where a window's caption buttons are, found as the pointer finds them: by asking the window
// which part of it is under each point (WM_NCHITTEST), so that no size of the system's is
// assumed. Shared by the end-to-end tests and the benchmark.
#pragma once

#include <windows.h>

namespace vbtest {

// The middle of the part (HTMINBUTTON, HTCLOSE...) in the window's caption, searched from the
// right of its top 40 pixels; false when no point there answers part.
inline bool FindCaptionButton(HWND window, LRESULT part, POINT& at)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    for (LONG y = rect.top; y < rect.top + 40; y += 2) {
        LONG first = -1, last = -1;
        for (LONG x = rect.right - 1; x > rect.right - 140; --x) {
            DWORD_PTR hit = HTNOWHERE;
            SendMessageTimeoutA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG, 1000, &hit);
            if (static_cast<LRESULT>(hit) == part)
                (last < 0 ? last : first) = x;
            else if (last >= 0)
                break;
        }
        if (last >= 0) {
            at = {((first < 0 ? last : first) + last) / 2, y + 2};
            return true;
        }
    }
    return false;
}

// Moves the window to x, y on top of the others and finds its part there; false when the part
// is not found or another window covers it within timeoutMs.
inline bool RaiseAndFindButton(HWND window, LRESULT part, POINT& at, int x, int y, DWORD timeoutMs = 10000)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    do {
        SetWindowPos(window, HWND_TOP, x, y, 240, 120, SWP_NOACTIVATE | SWP_SHOWWINDOW);
        if (FindCaptionButton(window, part, at) && WindowFromPoint(at) == window)
            return true;
        Sleep(20);
    } while (GetTickCount64() < deadline);
    return false;
}

// A click of the right (or left) button at the point, put into the system's input.
inline void InjectClickAt(POINT at, bool right)
{
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input[3] = {};
    for (INPUT& i : input)
        i.type = INPUT_MOUSE;
    input[0].mi.dx = at.x * 65535 / (width - 1);
    input[0].mi.dy = at.y * 65535 / (height - 1);
    input[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    input[1].mi.dwFlags = right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    input[2].mi.dwFlags = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    SendInput(3, input, sizeof(INPUT));
}

} // namespace vbtest
