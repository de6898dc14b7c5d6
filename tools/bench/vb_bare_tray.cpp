// vb_bare_tray.exe: the floor of the start in the tray. It makes one hidden window titled "Bare
// Tray", adds a tray icon for it (id 0, the program's icon) and ends when the window is closed,
// removing the icon.
#include <windows.h>

#include <shellapi.h>

namespace {

LRESULT CALLBACK BareTrayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        DestroyWindow(window);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = BareTrayProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"VbBareTray";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, L"VbBareTray", L"Bare Tray", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                                  200, 120, nullptr, nullptr, instance, nullptr);
    if (!window)
        return 1;
    NOTIFYICONDATAW icon = {};
    icon.cbSize = sizeof icon;
    icon.hWnd = window;
    icon.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
    icon.uCallbackMessage = WM_APP;
    icon.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));
    lstrcpyW(icon.szTip, L"Bare Tray");
    Shell_NotifyIconW(NIM_ADD, &icon);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    Shell_NotifyIconW(NIM_DELETE, &icon);
    return 0;
}
