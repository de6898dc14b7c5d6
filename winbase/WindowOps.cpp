#include "winbase/WindowOps.h"

#include "winbase/ScopedHandles.h"

namespace {

// How long a program that answers may take to become idle, and how long one
// that has stopped answering is given.
constexpr DWORD kIdleWaitMs = 10000;
constexpr DWORD kHungIdleWaitMs = 1000;
constexpr UINT kClickTimeoutMs = 500;
constexpr UINT kProbeTimeoutMs = 100;

// The system keeps at most this many title characters for us to read.
constexpr int kMaxTitleChars = 255;

// Guards against a window list that changes into a cycle while it is walked.
constexpr int kMaxSiblings = 100000;
constexpr int kMaxDepth = 64;

// Two left-button clicks at a point beside the window's top edge (as client
// coordinates usually outside its client area). Each is bounded, so a program
// that stops answering in between costs at most the timeout.
void SendActivationClicks(HWND window)
{
    RECT rect = {};
    if (!GetWindowRect(window, &rect)) {
        return;
    }
    const WORD x = static_cast<WORD>(rect.right + (rect.right - rect.left) / 2);
    const WORD y = static_cast<WORD>(rect.top + 5);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y), SMTO_ABORTIFHUNG, kClickTimeoutMs,
                        &ignored);
    SendMessageTimeoutA(window, WM_LBUTTONUP, MK_LBUTTON, MAKELPARAM(y, x), SMTO_ABORTIFHUNG, kClickTimeoutMs,
                        &ignored);
}

// Waits until the window's process is idle. This process is never waited
// for: it is the one running this code.
void WaitUntilIdle(HWND window, DWORD timeoutMs)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == 0 || processId == GetCurrentProcessId()) {
        return;
    }
    const OwnedHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    if (!process) {
        return;
    }
    WaitForInputIdle(process.get(), timeoutMs);
}

struct SearchRules {
    const NString* upperTitle;  // null: any title
    const char* className;      // null: any class
    bool descend;
};

bool Matches(HWND window, const SearchRules& rules)
{
    if (rules.upperTitle) {
        NString title = WindowTextWithoutMessages(window);
        title.ToUpper();
        if (!title.Contains(rules.upperTitle->Text())) {
            return false;
        }
    }
    return !rules.className || NString::FromClassName(window).StartsWithNoCase(rules.className);
}

HWND SearchChildren(HWND parent, const SearchRules& rules, int depth)
{
    int visited = 0;
    for (HWND window = GetWindow(parent, GW_CHILD); window && visited < kMaxSiblings;
         window = GetWindow(window, GW_HWNDNEXT), ++visited) {
        if (Matches(window, rules)) {
            return window;
        }
        if (rules.descend && depth < kMaxDepth) {
            if (HWND found = SearchChildren(window, rules, depth + 1)) {
                return found;
            }
        }
    }
    return nullptr;
}

}  // namespace

void BringWindowToFront(HWND window)
{
    SetCapture(window);
    SetFocus(window);
    PumpPendingMessages();
    SetActiveWindow(window);
    PumpPendingMessages();
    SetForegroundWindow(window);
    PumpPendingMessages();
    // A bounded probe, not IsHungAppWindow: Wine answers that with a message of its own that
    // may wait five seconds on a thread that has just stopped answering.
    DWORD_PTR ignored = 0;
    const bool hung = !SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kProbeTimeoutMs, &ignored);
    if (!hung) {
        SendActivationClicks(window);
    }
    WaitUntilIdle(window, hung ? kHungIdleWaitMs : kIdleWaitMs);
    ReleaseCapture();
}

void PumpPendingMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

HWND FindTopLevelWindow(const char* titlePart, const char* className, HWND parent, bool descend)
{
    NString upperTitle(titlePart);
    upperTitle.ToUpper();
    const SearchRules rules = {titlePart ? &upperTitle : nullptr, className && *className ? className : nullptr,
                               descend};
    return SearchChildren(parent ? parent : GetDesktopWindow(), rules, 0);
}

NString WindowTextWithoutMessages(HWND window)
{
    wchar_t buffer[kMaxTitleChars + 1] = {};
    int length = window ? InternalGetWindowText(window, buffer, kMaxTitleChars + 1) : 0;
    length = length < 0 ? 0 : (length > kMaxTitleChars ? kMaxTitleChars : length);
    // A surrogate pair cut at the limit would turn into a replacement mark.
    if (length > 0 && IS_HIGH_SURROGATE(buffer[length - 1])) {
        --length;
    }
    if (length == 0) {
        return NString("");
    }
    NString text = NString::FromWide(buffer, length, CP_ACP);
    return text.IsNull() ? NString("") : text;
}
