// System libraries the first screen does not need, loaded from the system folder on first use
// instead of at start: the common controls (tooltips, list views), COM (shell links) and the rich
// edit control. Each wrapper has the signature of the function it stands for and, where the
// library or the function cannot be loaded, the answer that function gives on failure.
#pragma once

#include <windows.h>

#include <commctrl.h>

// InitCommonControlsEx of the common controls library (the version the manifest names); FALSE
// when the library cannot be loaded.
BOOL LateInitCommonControlsEx(const INITCOMMONCONTROLSEX* classes);

// CoCreateInstance of COM; E_NOINTERFACE when COM cannot be loaded. Call inside a ComScope.
HRESULT LateCoCreateInstance(REFCLSID classId, IUnknown* outer, DWORD context, REFIID interfaceId, void** object);

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
