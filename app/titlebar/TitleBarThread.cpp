// The title-bar hook's own thread: it sets the hook and reads its messages (the hook procedure runs
// while it does); it looks at the hook when the owner asks. It has no timer: with no input it
// never wakes. Nothing here touches the TitleBarHook object; all it uses is the shared state it
// holds a reference to.
#include <memory>

#include "app/titlebar/TitleBarShared.h"
#include "winbase/Dpi.h"
#include "winbase/ScopedHandles.h"
#include "winbase/ThreadStack.h"

namespace {

// The top-level window under the point that the title-bar hook may act on. Nothing is sent to it.
// shell: the shell's desktop window as last read (a newer one is "Program Manager" too, which
// MayActOn refuses by its title).
HWND ActableWindowAt(POINT at, HWND shell)
{
    HWND window = WindowFromPoint(at);
    window = window ? GetAncestor(window, GA_ROOT) : nullptr;
    if (!window || window == GetDesktopWindow() || window == shell)
        return nullptr;
    WindowFacts facts(window);
    return MayActOn(facts) ? window : nullptr;
}

PointSpace WindowPointSpace(HWND window)
{
    switch (WindowDpiAwareness(window)) {
    case DPI_AWARENESS_PER_MONITOR_AWARE:
        return PointSpace::Physical;
    case DPI_AWARENESS_UNAWARE:
    case DPI_AWARENESS_SYSTEM_AWARE:
        return PointSpace::Logical;
    default:
        return PointSpace::Unknown;
    }
}

// The window's own answer, bounded: a program that does not answer in time keeps its click. The
// point is the one the window itself would see (HitTestPointFor). SMTO_BLOCK keeps this thread
// from taking other sends (and hook calls) while it waits.
LRESULT BoundedHitTest(HWND window, POINT at)
{
    static const PhysicalToLogicalFunction convert = PhysicalToLogicalPointFunction();
    std::function<bool(POINT&)> toWindow;
    if (convert)
        toWindow = [window](POINT& point) { return convert(window, &point) != FALSE; };
    POINT asked = {};
    DWORD_PTR hit = HTNOWHERE;
    if (!HitTestPointFor(at, WindowPointSpace(window), toWindow, asked) ||
        !SendMessageTimeoutW(window, WM_NCHITTEST, 0, MAKELPARAM(asked.x, asked.y), SMTO_ABORTIFHUNG | SMTO_BLOCK,
                             TitleBarHook::kHitTestTimeoutMs, &hit))
        return HTNOWHERE;
    return static_cast<LRESULT>(hit);
}

// The band where a caption can be: the sizing frame and two caption heights at the window's DPI
// (room for a caption drawn taller by its program). Both the point and the rectangle are the
// physical pixels this per-monitor aware process sees.
bool NearCaption(HWND window, POINT at)
{
    RECT rect = {};
    if (!GetWindowRect(window, &rect))
        return false;
    const UINT dpi = WindowDpi(window);
    const int band = SystemMetricForDpi(SM_CYSIZEFRAME, dpi) + SystemMetricForDpi(SM_CXPADDEDBORDER, dpi) +
                     2 * SystemMetricForDpi(SM_CYCAPTION, dpi);
    return InCaptionBand(rect, at, band);
}

bool ShiftHeld()
{
    return (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0;
}

struct HookThread {
    explicit HookThread(std::shared_ptr<TitleBarHook::Shared> state)
        : shared(std::move(state)),
          clicks(TitleBarWorld{[this](POINT at) { return ActableWindowAt(at, shellWindow); }, BoundedHitTest,
                               [this](HWND window) { return CloseRuleNames(window); }, ShiftHeld, NearCaption})
    {
    }
    HookThread(const HookThread&) = delete;
    HookThread& operator=(const HookThread&) = delete;

    bool CloseRuleNames(HWND window) const
    {
        WindowFacts facts(window);
        for (const WindowCriteria& criteria : options->closeRules)
            if (Matches(criteria, facts))
                return true;
        return false;
    }

    std::shared_ptr<TitleBarHook::Shared> shared;
    // The options the event being decided is decided by.
    std::shared_ptr<const TitleBarOptions> options = std::make_shared<TitleBarOptions>();
    TitleBarClicks clicks;
    OwnedWindowsHook hook;
    unsigned events = 0;
    // Where the pointer was at the hook's last event.
    POINT lastEventAt = {};
    HookWatchState watch;
    // Read as the hook is set and at each look, not at each press.
    HWND shellWindow = nullptr;
};

// The hook procedure runs on the thread that set the hook: each hook thread finds its own here.
thread_local HookThread* t_thread = nullptr;

// Injected events count as the user's: tests and remote-control programs click that way too.
LRESULT CALLBACK HookProc(int code, WPARAM message, LPARAM info)
{
    HookThread* thread = t_thread;
    if (code != HC_ACTION || !thread || !info)
        return CallNextHookEx(nullptr, code, message, info);
    ++thread->events;
    thread->lastEventAt = reinterpret_cast<const MSLLHOOKSTRUCT*>(info)->pt;
    // A move, the wheel and the other buttons are never taken: they cost a count and nothing more.
    if (message != WM_LBUTTONDOWN && message != WM_LBUTTONUP && message != WM_RBUTTONDOWN && message != WM_RBUTTONUP)
        return CallNextHookEx(nullptr, code, message, info);
    const auto& event = *reinterpret_cast<const MSLLHOOKSTRUCT*>(info);
    thread->options = thread->shared->Options();
    thread->clicks.Configure(thread->options->minimiseButtonHides, !thread->options->closeRules.empty());
    HWND window = nullptr;
    TitleBarButton button = TitleBarButton::Minimise;
    const WPARAM logical = LogicalButtonMessage(message, GetSystemMetrics(SM_SWAPBUTTON) != 0);
    if (!thread->clicks.OnMouse(logical, event.pt, window, button))
        return CallNextHookEx(nullptr, code, message, info);
    if (window)
        thread->shared->HandOn(window, button);
    return 1;
}

DWORD LastInputTick()
{
    LASTINPUTINFO input = {};
    input.cbSize = sizeof input;
    return GetLastInputInfo(&input) ? input.dwTime : 0;
}

// Sets the hook, again if it was set: a hook the system dropped is unhooked harmlessly. cursor:
// where the pointer was just seen, or null.
void SetHook(HookThread& thread, const POINT* cursor)
{
    thread.shellWindow = GetShellWindow();
    thread.hook.reset();
    thread.hook.reset(SetWindowsHookExW(WH_MOUSE_LL, HookProc, GetModuleHandleW(nullptr), 0));
    thread.shared->hookSet = static_cast<bool>(thread.hook);
    thread.watch = NextWatchState(thread.watch, GetTickCount64(), LastInputTick(), cursor, thread.events,
                                  thread.lastEventAt);
}

// A look the owner asked for at the tick asked. pointer: where the pointer was when the message
// was posted (its MSG::pt), which costs nothing, where GetCursorPos asks the display (under Wine
// it opens a display connection for the thread, kept for its life). The position is looked at
// only when input went by unseen.
void CheckHook(HookThread& thread, DWORD asked, POINT pointer)
{
    const bool late = GetTickCount() - asked > kHookStallMs;
    thread.shellWindow = GetShellWindow();
    const DWORD input = LastInputTick();
    const POINT* seen = InputUnseen(thread.watch, input, thread.events) ? &pointer : nullptr;
    if (HookNeedsSetting(static_cast<bool>(thread.hook), late, thread.watch, seen, thread.events))
        SetHook(thread, seen);
    else
        thread.watch = NextWatchState(thread.watch, GetTickCount64(), input, seen, thread.events, thread.lastEventAt);
}

// The thread's name, where the system keeps thread names (Windows 10 1607 on, and Wine).
void NameThread()
{
    using SetDescription = HRESULT(WINAPI*)(HANDLE, PCWSTR);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto set = kernel ? reinterpret_cast<SetDescription>(
                                  reinterpret_cast<void*>(GetProcAddress(kernel, "SetThreadDescription")))
                            : nullptr;
    if (set)
        set(GetCurrentThread(), TitleBarHook::kThreadName);
}

} // namespace

DWORD WINAPI RunTitleBarHook(LPVOID parameter)
{
    const std::unique_ptr<std::shared_ptr<TitleBarHook::Shared>> given(
        static_cast<std::shared_ptr<TitleBarHook::Shared>*>(parameter));
    HookThread thread(*given);
    NameThread();
    MSG message = {};
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    t_thread = &thread;
    SetHook(thread, nullptr);
    SetEvent(thread.shared->ready.get());
    // The thread lives as long as the program and stays shallow: its stack's depths go back.
    ReleaseUnusedStack();
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd)
            DispatchMessageW(&message);
        else if (message.message == kCheckHookMessage)
            CheckHook(thread, static_cast<DWORD>(message.wParam), message.pt);
        else if (message.message == kSetHookAgainMessage)
            SetHook(thread, nullptr);
    }
    thread.hook.reset();
    thread.shared->hookSet = false;
    t_thread = nullptr;
    return 0;
}
