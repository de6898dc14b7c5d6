// vb_bare_hook.exe: the floor of the title-bar hook's cost. It sets a low-level mouse hook whose
// procedure only passes each event on, and reads its messages; nothing else. What pointer moves
// cost the session with it running is what any low-level hook of another process costs here.
//
//   vb_bare_hook.exe EVENT   sets the named event once the hook is set
//
// Ends with exit code 2 when the hook cannot be set.
#include <windows.h>

namespace {

LRESULT CALLBACK PassOn(int code, WPARAM message, LPARAM info)
{
    return CallNextHookEx(nullptr, code, message, info);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    const HHOOK hook = SetWindowsHookExA(WH_MOUSE_LL, PassOn, instance, 0);
    if (!hook)
        return 2;
    if (HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, commandLine ? commandLine : "")) {
        SetEvent(ready);
        CloseHandle(ready);
    }
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    UnhookWindowsHookEx(hook);
    return 0;
}
