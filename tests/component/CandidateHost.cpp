#include "CandidateHost.h"

namespace {

constexpr char kClassName[] = "VbCandidateHost";
constexpr DWORD kCandidateListStyle = LBS_NOTIFY | LBS_SORT | LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS |
                                      LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_CHILD | WS_VISIBLE;

void RegisterHostClass()
{
    static bool registered = false;
    if (registered) {
        return;
    }
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    registered = RegisterClassA(&wc) != 0;
}

} // namespace

CandidateHost::CandidateHost(int listHeight)
{
    RegisterHostClass();
    m_window = CreateWindowExA(0, kClassName, "Window Veilbox", WS_OVERLAPPEDWINDOW, 500, 300, 400,
                               listHeight + 60, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CandidateHost::Proc));
    m_list = CreateWindowExA(0, "ListBox", "", kCandidateListStyle, 0, 0, 380, listHeight, m_window,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(1000)), GetModuleHandleA(nullptr),
                             nullptr);
    ShowWindow(m_window, SW_SHOWNOACTIVATE);
    m_candidates.Attach(m_list, m_window);
}

CandidateHost::~CandidateHost()
{
    m_candidates.Clear();
    DestroyWindow(m_window);
}

LRESULT CALLBACK CandidateHost::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* host = reinterpret_cast<CandidateHost*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_MEASUREITEM) {
        reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = 21;
        return TRUE;
    }
    if (message == WM_CLOSE && host) {
        ++host->m_closeCount;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
