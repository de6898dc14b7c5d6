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
