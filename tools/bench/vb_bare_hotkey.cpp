// vb_bare_hotkey.exe: the floor of Hide Active. It holds Ctrl+Shift+H, as Veilbox does, and
// hides the foreground window with ShowWindow when the hotkey arrives; nothing else.
//
//   vb_bare_hotkey.exe EVENT     sets the named event once the hotkey is held
// Ends with exit code 2 when another program holds the hotkey.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    constexpr int kHotkeyId = 1;
    if (!RegisterHotKey(nullptr, kHotkeyId, MOD_CONTROL | MOD_SHIFT, 'H'))
        return 2;
    if (HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, commandLine)) {
        SetEvent(ready);
        CloseHandle(ready);
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_HOTKEY && msg.wParam == kHotkeyId) {
            if (HWND window = GetForegroundWindow())
                ShowWindow(window, SW_HIDE);
        }
    }
    return 0;
}
