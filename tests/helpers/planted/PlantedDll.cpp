// A DLL that only tells it was loaded: the tests copy it beside a copy of the program under the
// name of a system DLL the program uses. Loaded, it leaves "<its file>.loaded" beside itself.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    wchar_t path[MAX_PATH + 8] = {};
    const DWORD length = reason == DLL_PROCESS_ATTACH ? GetModuleFileNameW(instance, path, MAX_PATH) : 0;
    if (length > 0 && length < MAX_PATH)
        CloseHandle(CreateFileW(lstrcatW(path, L".loaded"), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return TRUE;
}
