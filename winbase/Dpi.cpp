#include "winbase/Dpi.h"

#include <initializer_list>

#include "text/WString.h"
#include "winbase/ScopedHandles.h"

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
using SystemParametersInfoForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
using SetDialogDpiChangeBehaviorFn = BOOL(WINAPI*)(HWND, int, int);
using LoadIconMetricFn = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, HICON*);

// The values of the system's DIALOG_DPI_CHANGE_BEHAVIORS and _LI_METRIC.
constexpr int kDialogDpiChangeDisableAll = 1;
constexpr int kSmallIconMetric = 0;

template <class Function>
Function Lookup(const char* moduleName, const char* name)
{
    HMODULE module = GetModuleHandleA(moduleName);
    if (!module) {
        return nullptr;
    }
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

template <class Function>
Function UserFunction(const char* name)
{
    return Lookup<Function>("user32.dll", name);
}

UINT SystemDpi()
{
    static const UINT dpi = [] {
        const WindowDc screen(nullptr);
        const int pixels = screen ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
        return IsUsableDpi(static_cast<UINT>(pixels)) ? static_cast<UINT>(pixels) : kBaseDpi;
    }();
    return dpi;
}

void ScaleFontHeight(LOGFONTW& font, UINT dpi, UINT from)
{
    font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(from));
}

BOOL CALLBACK TakeFirstName(HMODULE, LPCSTR, LPSTR name, LONG_PTR found)
{
    auto* result = reinterpret_cast<ResourceName*>(found);
    if (IS_INTRESOURCE(name)) {
        result->id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
    } else {
        result->text = NString(name);
    }
    return FALSE;
}

}  // namespace

UINT WindowDpi(HWND window)
{
    static const auto getDpiForWindow = UserFunction<GetDpiForWindowFn>("GetDpiForWindow");
    if (window && getDpiForWindow) {
        const UINT dpi = getDpiForWindow(window);
        if (IsUsableDpi(dpi)) {
            return dpi;
        }
    }
    return SystemDpi();
}

DPI_AWARENESS WindowDpiAwareness(HWND window)
{
    using ContextOfWindow = DPI_AWARENESS_CONTEXT(WINAPI*)(HWND);
    using AwarenessOfContext = DPI_AWARENESS(WINAPI*)(DPI_AWARENESS_CONTEXT);
    static const auto contextOf = UserFunction<ContextOfWindow>("GetWindowDpiAwarenessContext");
    static const auto awarenessOf = UserFunction<AwarenessOfContext>("GetAwarenessFromDpiAwarenessContext");
    const DPI_AWARENESS_CONTEXT context = contextOf && awarenessOf ? contextOf(window) : nullptr;
    return context ? awarenessOf(context) : DPI_AWARENESS_INVALID;
}

PhysicalToLogicalFunction PhysicalToLogicalPointFunction()
{
    return UserFunction<PhysicalToLogicalFunction>("PhysicalToLogicalPointForPerMonitorDPI");
}

int ScaleToDpi(int pixelsAt96, UINT dpi)
{
    return MulDiv(pixelsAt96, static_cast<int>(dpi), static_cast<int>(kBaseDpi));
}

int SystemMetricForDpi(int index, UINT dpi)
{
    static const auto forDpi = UserFunction<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
    if (forDpi) {
        return forDpi(index, dpi);
    }
    return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(SystemDpi()));
}

bool NonClientMetricsForDpi(NONCLIENTMETRICSW& metrics, UINT dpi)
{
    static const auto forDpi = UserFunction<SystemParametersInfoForDpiFn>("SystemParametersInfoForDpi");
    metrics = NONCLIENTMETRICSW{};
    metrics.cbSize = sizeof metrics;
    if (forDpi) {
        return forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi) != FALSE;
    }
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        return false;
    }
    for (LOGFONTW* font : {&metrics.lfCaptionFont, &metrics.lfSmCaptionFont, &metrics.lfMenuFont,
                           &metrics.lfStatusFont, &metrics.lfMessageFont}) {
        ScaleFontHeight(*font, dpi, SystemDpi());
    }
    return true;
}

HICON LoadIconAtSize(HMODULE module, LPCSTR name, int size)
{
    return static_cast<HICON>(
        LoadImageA(reinterpret_cast<HINSTANCE>(module), name, IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

HCURSOR LoadCursorAtSize(HMODULE module, LPCSTR name, int size)
{
    return static_cast<HCURSOR>(
        LoadImageA(reinterpret_cast<HINSTANCE>(module), name, IMAGE_CURSOR, size, size, LR_DEFAULTCOLOR));
}

ResourceName FirstIconName(HMODULE module)
{
    ResourceName name;
    EnumResourceNamesA(module, MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, TakeFirstName,
                       reinterpret_cast<LONG_PTR>(&name));
    return name;
}

// LoadIconMetric picks the size the shell shows; it comes with Common Controls 6.
HICON LoadSmallIconMetric(HMODULE module, const ResourceName& name)
{
    if (name.IsEmpty()) {
        return nullptr;
    }
    static const auto loadIconMetric = Lookup<LoadIconMetricFn>("comctl32.dll", "LoadIconMetric");
    HICON icon = nullptr;
    if (loadIconMetric) {
        const WString wide = name.id != 0 ? WString(L"") : WString::FromNarrow(name.text.Text());
        const PCWSTR wideName = name.id != 0 ? MAKEINTRESOURCEW(name.id) : wide.Text();
        if (FAILED(loadIconMetric(reinterpret_cast<HINSTANCE>(module), wideName, kSmallIconMetric, &icon))) {
            icon = nullptr;
        }
    }
    if (!icon) {
        icon = LoadIconAtSize(module, name.Get(), GetSystemMetrics(SM_CXSMICON));
    }
    return icon;
}

void KeepDialogDpiScalingOurs(HWND dialog)
{
    static const auto setBehaviour = UserFunction<SetDialogDpiChangeBehaviorFn>("SetDialogDpiChangeBehavior");
    if (setBehaviour) {
        setBehaviour(dialog, kDialogDpiChangeDisableAll, kDialogDpiChangeDisableAll);
    }
}
