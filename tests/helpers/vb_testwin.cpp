// Test helper: shows top-level windows described on its command line, in its
// own process, so tests can treat them as another program's windows.
//
//   vb_testwin.exe --ready EVENT --report FILE [--hang-after-ms N] WINDOW...
//   WINDOW: --window [--title TEXT] [--count N] [--popup] [--owned] [--child]
//           [--toolwindow] [--dlgframe] [--icon] [--hidden]
//
// Every window starts with --window; the flags after it describe it. With
// --count N, N windows are made, titled TEXT followed by " 000", " 001"...
// --owned gives the window the helper's hidden owner window as its owner,
// --child makes it a child of that window; --icon gives it an icon of its
// own (WM_SETICON, small); without it the window and its class have none.
// Once all windows exist the helper writes one line per window to FILE,
// "index window icon" in hexadecimal, and sets the named event EVENT.
// It then pumps messages until it is closed or killed; with --hang-after-ms
// it stops pumping N ms after it got ready, like a program that hangs.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct WindowSpec {
    std::wstring title;
    int count = 1;
    bool popup = false, owned = false, child = false, toolWindow = false;
    bool dlgFrame = false, icon = false, hidden = false;
};

struct Options {
    std::wstring readyEvent, reportFile;
    int hangAfterMs = -1;
    std::vector<WindowSpec> windows;
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
        WindowSpec* spec = options.windows.empty() ? nullptr : &options.windows.back();
        if (arg == L"--ready" && hasValue) options.readyEvent = argv[++i];
        else if (arg == L"--report" && hasValue) options.reportFile = argv[++i];
        else if (arg == L"--hang-after-ms" && hasValue) options.hangAfterMs = _wtoi(argv[++i].c_str());
        else if (arg == L"--window") options.windows.emplace_back();
        else if (!spec) continue;
        else if (arg == L"--title" && hasValue) spec->title = argv[++i];
        else if (arg == L"--count" && hasValue) spec->count = _wtoi(argv[++i].c_str());
        else if (arg == L"--popup") spec->popup = true;
        else if (arg == L"--owned") spec->owned = true;
        else if (arg == L"--child") spec->child = true;
        else if (arg == L"--toolwindow") spec->toolWindow = true;
        else if (arg == L"--dlgframe") spec->dlgFrame = true;
        else if (arg == L"--icon") spec->icon = true;
        else if (arg == L"--hidden") spec->hidden = true;
    }
    return options;
}

HICON MakeIcon()
{
    BYTE andMask[16 * 16 / 8];
    BYTE xorMask[16 * 16 / 8];
    FillMemory(andMask, sizeof(andMask), 0x00);
    FillMemory(xorMask, sizeof(xorMask), 0xAA);
    return CreateIcon(GetModuleHandleW(nullptr), 16, 16, 1, 1, andMask, xorMask);
}

struct Made {
    HWND window;
    HICON icon;
};

Made MakeWindow(const WindowSpec& spec, const std::wstring& title, HWND owner, int n)
{
    DWORD style = spec.child ? WS_CHILD : spec.popup ? (WS_POPUP | WS_CAPTION | WS_SYSMENU)
                                                     : WS_OVERLAPPEDWINDOW;
    DWORD exStyle = (spec.toolWindow ? WS_EX_TOOLWINDOW : 0) | (spec.dlgFrame ? WS_EX_DLGMODALFRAME : 0);
    HWND parent = (spec.owned || spec.child) ? owner : nullptr;
    int x = 20 + (n % 20) * 8, y = 20 + (n % 20) * 8;
    HWND window = CreateWindowExW(exStyle, L"VbTestWin", title.c_str(), style, x, y, 240, 120, parent,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    HICON icon = nullptr;
    if (window && spec.icon) {
        icon = MakeIcon();
        SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
    if (window && !spec.hidden) {
        ShowWindow(window, SW_SHOWNOACTIVATE);
    }
    return Made{window, icon};
}

void WriteReport(const std::wstring& file, const std::vector<Made>& made)
{
    FILE* out = _wfopen(file.c_str(), L"w");
    if (!out) return;
    for (size_t i = 0; i < made.size(); ++i) {
        fprintf(out, "%u %llx %llx\n", static_cast<unsigned>(i),
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(made[i].window)),
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(made[i].icon)));
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

    std::vector<Made> made;
    for (const WindowSpec& spec : options.windows) {
        for (int i = 0; i < spec.count; ++i) {
            std::wstring title = spec.title;
            if (spec.count > 1) {
                wchar_t suffix[16];
                swprintf(suffix, 16, L" %03d", i);
                title += suffix;
            }
            made.push_back(MakeWindow(spec, title, owner, static_cast<int>(made.size())));
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
            Sleep(INFINITE);
        }
        DWORD wait = options.hangAfterMs >= 0 ? 10 : INFINITE;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return 0;
            DispatchMessageW(&msg);
        }
    }
}
