// Test helper: shows top-level windows described on its command line, in its
// own process, so tests can treat them as another program's windows.
//
//   vb_testwin.exe --ready EVENT --report FILE [--hang-after-ms N [--wake-after-ms M]] WINDOW...
//   WINDOW: --window [--title TEXT] [--class NAME] [--count N] [--popup] [--owned] [--child]
//           [--owned-by INDEX] [--toolwindow] [--dlgframe] [--hidden] [--refuse-hide] [--announce]
//           [--show-after-ms N] [--empty] [--minimized] [--mark-clicks]
//
// Every window starts with --window; the flags after it describe it. With
// --count N, N windows are made, titled TEXT followed by " 000", " 001"...
// --owned gives the window the helper's hidden owner window as its owner,
// --child makes it a child of that window, --owned-by INDEX gives it the window made INDEX-th
// (counted from 0 over every window made before it) as its owner. Windows are of the class
// "VbTestWin" unless --class names another. --show-after-ms N shows the window
// N ms after the others, as a program shows its main window after a while.
// --empty makes the window 0 x 0 pixels; --minimized minimises it (before --hidden hides it, so a
// hidden window comes back minimised when merely shown).
// Neither the windows nor their classes have icons. Once all windows exist the
// helper writes one line per window to FILE, "index window" (the handle in hexadecimal), and sets the
// named event EVENT.
// --mark-clicks makes the window add " R" to its title when a right button press on its frame or
// caption reaches it, and " L" for a left one, so a test sees which clicks got through.
// --announce makes the window report its own show and minimise as WinEvents
// (EVENT_OBJECT_SHOW, EVENT_SYSTEM_MINIMIZESTART), as Windows does for every
// window and this Wine does for none.
// It then pumps messages until it is closed or killed; with --hang-after-ms
// it stops pumping N ms after it got ready, like a program that hangs; with
// --wake-after-ms it pumps again M ms later, like a program that was only busy.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct WindowPlan {
    std::wstring title;
    std::wstring className = L"VbTestWin";
    int count = 1;
    bool popup = false, owned = false, child = false, toolWindow = false;
    bool dlgFrame = false, hidden = false, refuseHide = false, announce = false;
    bool empty = false, minimized = false, markClicks = false;
    int showAfterMs = 0;
    int ownedBy = -1;
};

struct Options {
    std::wstring readyEvent, reportFile;
    int hangAfterMs = -1;
    int wakeAfterMs = -1;
    std::vector<WindowPlan> windows;
};

// Splits the command line at blanks outside double quotes; quotes group and
// are dropped. Enough for the arguments the tests pass.
std::vector<std::wstring> SplitCommandLine(const wchar_t* line)
{
    std::vector<std::wstring> args;
    std::wstring current;
    bool quoted = false, inArg = false;
    for (const wchar_t* p = line; *p; ++p) {
        if (*p == L'"') {
            quoted = !quoted;
            inArg = true;
        } else if ((*p == L' ' || *p == L'\t') && !quoted) {
            if (inArg) args.push_back(current);
            current.clear();
            inArg = false;
        } else {
            current += *p;
            inArg = true;
        }
    }
    if (inArg) args.push_back(current);
    return args;
}

Options ParseOptions()
{
    Options options;
    std::vector<std::wstring> argv = SplitCommandLine(GetCommandLineW());
    int argc = static_cast<int>(argv.size());
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        bool hasValue = i + 1 < argc;
        WindowPlan* plan = options.windows.empty() ? nullptr : &options.windows.back();
        if (arg == L"--ready" && hasValue) options.readyEvent = argv[++i];
        else if (arg == L"--report" && hasValue) options.reportFile = argv[++i];
        else if (arg == L"--hang-after-ms" && hasValue) options.hangAfterMs = _wtoi(argv[++i].c_str());
        else if (arg == L"--wake-after-ms" && hasValue) options.wakeAfterMs = _wtoi(argv[++i].c_str());
        else if (arg == L"--window") options.windows.emplace_back();
        else if (!plan) continue;
        else if (arg == L"--title" && hasValue) plan->title = argv[++i];
        else if (arg == L"--class" && hasValue) plan->className = argv[++i];
        else if (arg == L"--count" && hasValue) plan->count = _wtoi(argv[++i].c_str());
        else if (arg == L"--popup") plan->popup = true;
        else if (arg == L"--owned") plan->owned = true;
        else if (arg == L"--child") plan->child = true;
        else if (arg == L"--owned-by" && hasValue) plan->ownedBy = _wtoi(argv[++i].c_str());
        else if (arg == L"--toolwindow") plan->toolWindow = true;
        else if (arg == L"--dlgframe") plan->dlgFrame = true;
        else if (arg == L"--hidden") plan->hidden = true;
        else if (arg == L"--refuse-hide") plan->refuseHide = true;
        else if (arg == L"--announce") plan->announce = true;
        else if (arg == L"--empty") plan->empty = true;
        else if (arg == L"--minimized") plan->minimized = true;
        else if (arg == L"--mark-clicks") plan->markClicks = true;
        else if (arg == L"--show-after-ms" && hasValue) plan->showAfterMs = _wtoi(argv[++i].c_str());
    }
    return options;
}

// A window that will not be hidden: it takes the hide out of every change of its position, as
// a program running with higher rights appears to do to one without them.
LRESULT CALLBACK RefusingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_WINDOWPOSCHANGING)
        reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~SWP_HIDEWINDOW;
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK AnnouncingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_WINDOWPOSCHANGED && (reinterpret_cast<WINDOWPOS*>(lParam)->flags & SWP_SHOWWINDOW))
        NotifyWinEvent(EVENT_OBJECT_SHOW, window, OBJID_WINDOW, CHILDID_SELF);
    else if (message == WM_SIZE && wParam == SIZE_MINIMIZED)
        NotifyWinEvent(EVENT_SYSTEM_MINIMIZESTART, window, OBJID_WINDOW, CHILDID_SELF);
    return DefWindowProcW(window, message, wParam, lParam);
}

void AppendToTitle(HWND window, const wchar_t* mark)
{
    wchar_t title[256] = {};
    GetWindowTextW(window, title, 200);
    wcscat(title, mark);
    SetWindowTextW(window, title);
}

LRESULT CALLBACK MarkingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCRBUTTONDOWN)
        AppendToTitle(window, L" R");
    else if (message == WM_NCLBUTTONDOWN)
        AppendToTitle(window, L" L");
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND MakeWindow(const WindowPlan& plan, const std::wstring& title, HWND owner, int n)
{
    DWORD style = plan.child ? WS_CHILD : plan.popup ? (WS_POPUP | WS_CAPTION | WS_SYSMENU)
                                                     : WS_OVERLAPPEDWINDOW;
    DWORD exStyle = (plan.toolWindow ? WS_EX_TOOLWINDOW : 0) | (plan.dlgFrame ? WS_EX_DLGMODALFRAME : 0);
    HWND parent = (plan.owned || plan.child || plan.ownedBy >= 0) ? owner : nullptr;
    int x = 20 + (n % 20) * 8, y = 20 + (n % 20) * 8;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = plan.className.c_str();
    RegisterClassW(&wc); // fails harmlessly for a class already registered
    const int width = plan.empty ? 0 : 240, height = plan.empty ? 0 : 120;
    HWND window = CreateWindowExW(exStyle, plan.className.c_str(), title.c_str(), style, x, y, width, height, parent,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    if (window && plan.refuseHide) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RefusingWindowProc));
    } else if (window && plan.markClicks) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MarkingWindowProc));
    } else if (window && plan.announce) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AnnouncingWindowProc));
    }
    if (window && plan.minimized) {
        ShowWindow(window, SW_SHOWMINNOACTIVE);
        if (plan.hidden) ShowWindow(window, SW_HIDE);
    } else if (window && !plan.hidden && plan.showAfterMs <= 0) {
        ShowWindow(window, SW_SHOWNOACTIVATE);
    }
    return window;
}

void WriteReport(const std::wstring& file, const std::vector<HWND>& made)
{
    FILE* out = _wfopen(file.c_str(), L"w");
    if (!out) return;
    for (size_t i = 0; i < made.size(); ++i) {
        fprintf(out, "%u %llx\n", static_cast<unsigned>(i),
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(made[i])));
    }
    fclose(out);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    Options options = ParseOptions();
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"VbTestWin";
    RegisterClassW(&wc);
    HWND owner = CreateWindowExW(0, L"VbTestWin", L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                 nullptr, instance, nullptr);

    std::vector<HWND> made;
    std::vector<std::pair<HWND, int>> later;
    for (const WindowPlan& plan : options.windows) {
        for (int i = 0; i < plan.count; ++i) {
            std::wstring title = plan.title;
            if (plan.count > 1) {
                wchar_t suffix[16];
                swprintf(suffix, 16, L" %03d", i);
                title += suffix;
            }
            const bool ownedByMade = plan.ownedBy >= 0 && plan.ownedBy < static_cast<int>(made.size());
            made.push_back(MakeWindow(plan, title, ownedByMade ? made[plan.ownedBy] : owner,
                                      static_cast<int>(made.size())));
            if (plan.showAfterMs > 0)
                later.emplace_back(made.back(), plan.showAfterMs);
        }
    }
    if (!options.reportFile.empty()) WriteReport(options.reportFile, made);
    if (HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, options.readyEvent.c_str())) {
        SetEvent(ready);
        CloseHandle(ready);
    }

    DWORD readyAt = GetTickCount();
    MSG msg;
    for (;;) {
        if (options.hangAfterMs >= 0 && GetTickCount() - readyAt >= static_cast<DWORD>(options.hangAfterMs)) {
            Sleep(options.wakeAfterMs >= 0 ? static_cast<DWORD>(options.wakeAfterMs) : INFINITE);
            options.hangAfterMs = -1;
        }
        for (auto& pending : later) {
            if (pending.first && GetTickCount() - readyAt >= static_cast<DWORD>(pending.second)) {
                ShowWindow(pending.first, SW_SHOWNOACTIVATE);
                pending.first = nullptr;
            }
        }
        DWORD wait = options.hangAfterMs >= 0 || !later.empty() ? 10 : INFINITE;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return 0;
            DispatchMessageW(&msg);
        }
    }
}
