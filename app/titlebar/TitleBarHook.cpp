#include "app/titlebar/TitleBarHook.h"

namespace {

TitleBarHook* g_setter = nullptr;

// Longer than the system waits for a hook procedure on older systems (200 ms and up); a thread
// held up longer may have lost its hook.
constexpr ULONGLONG kStallMs = 1500;

// The top-level window under the point that the title-bar hook may act on. Nothing is sent to it.
HWND ActableWindowAt(POINT at)
{
    HWND window = WindowFromPoint(at);
    window = window ? GetAncestor(window, GA_ROOT) : nullptr;
    if (!window || window == GetDesktopWindow() || window == GetShellWindow())
        return nullptr;
    WindowFacts facts(window);
    return MayActOn(facts) ? window : nullptr;
}

// The window's own answer, bounded: a program that does not answer in time keeps its click.
// SMTO_BLOCK keeps this thread from taking other sends (and hook calls) while it waits.
LRESULT BoundedHitTest(HWND window, POINT at)
{
    DWORD_PTR hit = HTNOWHERE;
    if (!SendMessageTimeoutW(window, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y),
                             SMTO_ABORTIFHUNG | SMTO_BLOCK, TitleBarHook::kHitTestTimeoutMs, &hit))
        return HTNOWHERE;
    return static_cast<LRESULT>(hit);
}

bool ShiftHeld()
{
    return (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0;
}

} // namespace

TitleBarHook::TitleBarHook(UINT message)
    : m_message(message),
      m_clicks(TitleBarWorld{ActableWindowAt, BoundedHitTest, [this](HWND window) { return CloseRuleNames(window); },
                             ShiftHeld})
{
}

TitleBarHook::~TitleBarHook()
{
    Remove();
}

void TitleBarHook::Configure(HWND owner, bool minimiseButtonHides, std::vector<WindowCriteria> closeRules)
{
    m_owner = owner;
    m_minimiseButtonHides = minimiseButtonHides;
    m_closeRules = std::move(closeRules);
    m_clicks.Configure(m_minimiseButtonHides, !m_closeRules.empty());
    if (m_clicks.Wanted() && !m_hook)
        Set();
    else if (!m_clicks.Wanted())
        Remove();
}

bool TitleBarHook::CloseRuleNames(HWND window) const
{
    WindowFacts facts(window);
    for (const WindowCriteria& criteria : m_closeRules)
        if (Matches(criteria, facts))
            return true;
    return false;
}

void TitleBarHook::Check()
{
    const ULONGLONG now = GetTickCount64();
    POINT cursor = {};
    GetCursorPos(&cursor);
    const bool stalled = m_lastCheck != 0 && now - m_lastCheck > kStallMs;
    const bool unseenMove = (cursor.x != m_cursorAtCheck.x || cursor.y != m_cursorAtCheck.y) &&
                            m_events == m_eventsAtCheck;
    if (m_hook && (stalled || unseenMove)) {
        Remove();
        Set();
    }
    m_lastCheck = now;
    m_cursorAtCheck = cursor;
    m_eventsAtCheck = m_events;
}

// A hook the system dropped is unhooked again harmlessly.
void TitleBarHook::Set()
{
    if (g_setter && g_setter != this)
        return;
    m_hook = SetWindowsHookExW(WH_MOUSE_LL, HookProc, GetModuleHandleW(nullptr), 0);
    g_setter = m_hook ? this : nullptr;
}

void TitleBarHook::Remove()
{
    if (m_hook)
        UnhookWindowsHookEx(m_hook);
    m_hook = nullptr;
    if (g_setter == this)
        g_setter = nullptr;
}

LRESULT CALLBACK TitleBarHook::HookProc(int code, WPARAM message, LPARAM info)
{
    if (code == HC_ACTION && g_setter && info)
        return g_setter->OnEvent(code, message, *reinterpret_cast<const MSLLHOOKSTRUCT*>(info));
    return CallNextHookEx(nullptr, code, message, info);
}

// Injected events count as the user's: tests and remote-control programs click that way too.
LRESULT TitleBarHook::OnEvent(int code, WPARAM message, const MSLLHOOKSTRUCT& info)
{
    ++m_events;
    HWND window = nullptr;
    TitleBarButton button = TitleBarButton::Minimise;
    if (!m_clicks.OnMouse(message, info.pt, window, button))
        return CallNextHookEx(nullptr, code, message, reinterpret_cast<LPARAM>(&info));
    if (window)
        PostMessageW(m_owner, m_message, reinterpret_cast<WPARAM>(window), static_cast<LPARAM>(button));
    return 1;
}
