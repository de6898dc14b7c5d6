// System libraries the first screen does not need, loaded from the system folder on first use
// instead of at start: the common controls (tooltips, list views), COM (shell links), the rich
// edit control, the shell (the tray's icons, links, the Startup folder; the first tray icon is
// added on a thread of its own, which then loads it alongside the dialog's making), and the
// theme and window manager libraries that only a dark look needs. Each wrapper has the signature
// of the function it stands for and, where the library or the function cannot be loaded, the
// answer that function gives on failure.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

// InitCommonControlsEx of the common controls library (the version the manifest names); FALSE
// when the library cannot be loaded.
BOOL LateInitCommonControlsEx(const INITCOMMONCONTROLSEX* classes);

// CoCreateInstance of COM; E_NOINTERFACE when COM cannot be loaded. Call inside a ComScope.
HRESULT LateCoCreateInstance(REFCLSID classId, IUnknown* outer, DWORD context, REFIID interfaceId, void** object);

// Shell_NotifyIconW/A of the shell; FALSE when the shell cannot be loaded.
BOOL LateShellNotifyIconW(DWORD message, NOTIFYICONDATAW* data);
BOOL LateShellNotifyIconA(DWORD message, NOTIFYICONDATAA* data);

// ShellExecuteW/A of the shell; SE_ERR_DLLNOTFOUND when the shell cannot be loaded.
HINSTANCE LateShellExecuteW(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                            const wchar_t* folder, int show);
HINSTANCE LateShellExecuteA(HWND owner, const char* verb, const char* file, const char* parameters,
                            const char* folder, int show);

// SHGetSpecialFolderPathA of the shell; FALSE when the shell cannot be loaded.
BOOL LateSHGetSpecialFolderPathA(HWND owner, char* path, int folder, BOOL create);

// WTSRegisterSessionNotification and WTSUnRegisterSessionNotification of the terminal services
// library; FALSE when it cannot be loaded.
BOOL LateWTSRegisterSessionNotification(HWND window, DWORD flags);
BOOL LateWTSUnRegisterSessionNotification(HWND window);

// SetWindowTheme of the theme library; E_NOTIMPL when it cannot be loaded.
HRESULT LateSetWindowTheme(HWND window, const wchar_t* appName, const wchar_t* idList);

// DwmSetWindowAttribute of the window manager's library; E_NOTIMPL when it cannot be loaded.
HRESULT LateDwmSetWindowAttribute(HWND window, DWORD attribute, const void* value, DWORD size);

// A function the theme library exports by ordinal only, or null where this system's library has
// no such ordinal (older builds, Wine). The caller knows its signature.
FARPROC LateThemeOrdinal(WORD ordinal);

// Registers the rich edit control's class ("RichEdit20W") for the life of the process; false when
// its library cannot be loaded.
bool EnsureRichEditClass();

// COM in a single-threaded apartment on the calling thread for the scope's life: initialised on
// construction (loading COM on first use) and uninitialised at its end when the initialisation
// counted. Nested scopes and an apartment the thread already has are fine.
class ComScope {
public:
    ComScope();
    ~ComScope();
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

    bool Usable() const { return m_usable; }

private:
    bool m_initialised = false;
    bool m_usable = false;
};
