#include "winbase/LateLibraries.h"

#include <objbase.h>

#include "winbase/ModuleInfo.h"

namespace {

// The named function of a system library, loaded (once, for the life of the process) from the
// system folder; null when either cannot be found.
template <class Function>
Function SystemFunction(const char* library, const char* name)
{
    const HMODULE module = LoadSystemLibrary(library);
    return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

using InitControls = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
using CreateInstance = HRESULT(WINAPI*)(REFCLSID, IUnknown*, DWORD, REFIID, void**);
using Initialise = HRESULT(WINAPI*)(void*, DWORD);
using Uninitialise = void(WINAPI*)();
using NotifyIconW = BOOL(WINAPI*)(DWORD, NOTIFYICONDATAW*);
using NotifyIconA = BOOL(WINAPI*)(DWORD, NOTIFYICONDATAA*);
using ExecuteW = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
using ExecuteA = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
using SpecialFolderPathA = BOOL(WINAPI*)(HWND, LPSTR, int, BOOL);
using RegisterSession = BOOL(WINAPI*)(HWND, DWORD);
using UnregisterSession = BOOL(WINAPI*)(HWND);
using WindowTheme = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
using WindowAttribute = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);

const HINSTANCE kShellNotLoaded = reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_DLLNOTFOUND));

}  // namespace

BOOL LateInitCommonControlsEx(const INITCOMMONCONTROLSEX* classes)
{
    static const InitControls init = SystemFunction<InitControls>("comctl32.dll", "InitCommonControlsEx");
    return init ? init(classes) : FALSE;
}

HRESULT LateCoCreateInstance(REFCLSID classId, IUnknown* outer, DWORD context, REFIID interfaceId, void** object)
{
    static const CreateInstance create = SystemFunction<CreateInstance>("ole32.dll", "CoCreateInstance");
    if (object) {
        *object = nullptr;
    }
    return create ? create(classId, outer, context, interfaceId, object) : E_NOINTERFACE;
}

BOOL LateShellNotifyIconW(DWORD message, NOTIFYICONDATAW* data)
{
    static const NotifyIconW notify = SystemFunction<NotifyIconW>("shell32.dll", "Shell_NotifyIconW");
    return notify ? notify(message, data) : FALSE;
}

BOOL LateShellNotifyIconA(DWORD message, NOTIFYICONDATAA* data)
{
    static const NotifyIconA notify = SystemFunction<NotifyIconA>("shell32.dll", "Shell_NotifyIconA");
    return notify ? notify(message, data) : FALSE;
}

HINSTANCE LateShellExecuteW(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                            const wchar_t* folder, int show)
{
    static const ExecuteW execute = SystemFunction<ExecuteW>("shell32.dll", "ShellExecuteW");
    return execute ? execute(owner, verb, file, parameters, folder, show) : kShellNotLoaded;
}

HINSTANCE LateShellExecuteA(HWND owner, const char* verb, const char* file, const char* parameters,
                            const char* folder, int show)
{
    static const ExecuteA execute = SystemFunction<ExecuteA>("shell32.dll", "ShellExecuteA");
    return execute ? execute(owner, verb, file, parameters, folder, show) : kShellNotLoaded;
}

BOOL LateSHGetSpecialFolderPathA(HWND owner, char* path, int folder, BOOL create)
{
    static const SpecialFolderPathA get = SystemFunction<SpecialFolderPathA>("shell32.dll", "SHGetSpecialFolderPathA");
    return get ? get(owner, path, folder, create) : FALSE;
}

BOOL LateWTSRegisterSessionNotification(HWND window, DWORD flags)
{
    static const RegisterSession registerFor =
        SystemFunction<RegisterSession>("wtsapi32.dll", "WTSRegisterSessionNotification");
    return registerFor ? registerFor(window, flags) : FALSE;
}

BOOL LateWTSUnRegisterSessionNotification(HWND window)
{
    static const UnregisterSession unregister =
        SystemFunction<UnregisterSession>("wtsapi32.dll", "WTSUnRegisterSessionNotification");
    return unregister ? unregister(window) : FALSE;
}

HRESULT LateSetWindowTheme(HWND window, const wchar_t* appName, const wchar_t* idList)
{
    static const WindowTheme set = SystemFunction<WindowTheme>("uxtheme.dll", "SetWindowTheme");
    return set ? set(window, appName, idList) : E_NOTIMPL;
}

HRESULT LateDwmSetWindowAttribute(HWND window, DWORD attribute, const void* value, DWORD size)
{
    static const WindowAttribute set = SystemFunction<WindowAttribute>("dwmapi.dll", "DwmSetWindowAttribute");
    return set ? set(window, attribute, value, size) : E_NOTIMPL;
}

FARPROC LateThemeOrdinal(WORD ordinal)
{
    const HMODULE module = LoadSystemLibrary("uxtheme.dll");
    return module ? GetProcAddress(module, MAKEINTRESOURCEA(ordinal)) : nullptr;
}

bool EnsureRichEditClass()
{
    static const bool loaded = LoadSystemLibrary("riched20.dll") != nullptr;
    return loaded;
}

ComScope::ComScope()
{
    static const Initialise initialise = SystemFunction<Initialise>("ole32.dll", "CoInitializeEx");
    const HRESULT result = initialise ? initialise(nullptr, COINIT_APARTMENTTHREADED) : E_FAIL;
    m_initialised = SUCCEEDED(result);
    // Another apartment model already on this thread still lets in-process objects be made.
    m_usable = m_initialised || result == RPC_E_CHANGED_MODE;
}

ComScope::~ComScope()
{
    static const Uninitialise uninitialise = SystemFunction<Uninitialise>("ole32.dll", "CoUninitialize");
    if (m_initialised && uninitialise) {
        uninitialise();
    }
}
