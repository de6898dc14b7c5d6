// vb_poke: what tools/screenshots.sh asks of the Windows side of the session. It finds windows by
// their exact title, as the system keeps it, and drives them with the messages a user's clicks
// would send; it answers on stdout. Every wait ends at a deadline; exit code 1 means the window
// (or whatever else was asked for) did not turn up in time, 2 a wrong command line.
//
//   vb_poke wait TITLE [SECONDS]          until a visible window TITLE exists
//   vb_poke gone TITLE [SECONDS]          until no visible window TITLE exists
//   vb_poke front TITLE [SECONDS]         until the visible window TITLE has the foreground
//   vb_poke keys TITLE CONTROL-ID [SECONDS]
//                                         until keys typed now reach the control of window TITLE:
//                                         the window has the foreground and its control the
//                                         keyboard focus, and both stay so for a moment
//   vb_poke text TITLE CONTROL-ID TEXT [SECONDS]
//                                         until the control of window TITLE holds exactly TEXT
//   vb_poke post TITLE MSG WPARAM LPARAM [CONTROL-ID]
//                                         posts the message (numbers: decimal or 0x...) to the
//                                         window or to its control
//   vb_poke rect TITLE [CONTROL-ID]       "x y width height" of the window or its control
//   vb_poke listed TITLE [SECONDS]        until the main dialog's list shows an entry TITLE
//   vb_poke hide TITLE                    double-clicks the entry TITLE of the main dialog's list
//   vb_poke select TITLE CONTROL-ID LINE  selects a list box line (its number or its text) and
//                                         tells the dialog
//   vb_poke popup CLASS TITLE [SECONDS]   "x y width height" of a visible window of class CLASS
//                                         (a menu, a tooltip) of the process that shows TITLE
//   vb_poke popup-gone CLASS TITLE [SECONDS]  until that process shows no such window
//   vb_poke hold MODIFIERS KEY SECONDS    holds the hotkey (RegisterHotKey flags and virtual key)
//                                         desktop-wide for SECONDS, as another program would
//   vb_poke taken MODIFIERS KEY           succeeds when another program holds the hotkey
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr char kMainTitle[] = "Window Veilbox";
constexpr int kMainList = 1000;

std::string TitleOf(HWND window)
{
    WCHAR wide[512] = {};
    InternalGetWindowText(window, wide, 512);
    char text[1024] = {};
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

std::string ClassOf(HWND window)
{
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// First visible top-level window that passes the test, or null.
template <class Test>
HWND FindVisible(Test test)
{
    struct Search { Test* test; HWND found; } search{&test, nullptr};
    EnumWindows([](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        if (!IsWindowVisible(window) || !(*s->test)(window))
            return TRUE;
        s->found = window;
        return FALSE;
    }, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindTitled(const char* title)
{
    return FindVisible([title](HWND window) { return TitleOf(window) == title; });
}

// Polls cond every 20 ms until it holds or seconds have passed.
template <class Cond>
bool WaitFor(Cond cond, double seconds)
{
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
    for (;;) {
        if (cond())
            return true;
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(20);
    }
}

// True when keys typed now go to the control: its window has the foreground and the control has
// its thread's keyboard focus.
bool TakesKeys(HWND window, int controlId)
{
    HWND control = GetDlgItem(window, controlId);
    GUITHREADINFO thread = {sizeof thread};
    return control && GetForegroundWindow() == window &&
           GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread) && thread.hwndFocus == control;
}

// Waits until the control takes keys and goes on taking them for settleMs: under Wine without a
// window manager a window that has just been activated is activated once more when its program
// reads the X server's late report of its focus, and keys typed in between go astray.
bool WaitTakesKeys(const char* title, int controlId, double seconds)
{
    constexpr DWORD kSettleMs = 300;
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
    ULONGLONG since = 0;
    for (ULONGLONG now = GetTickCount64(); now < deadline; now = GetTickCount64()) {
        if (!TakesKeys(FindTitled(title), controlId))
            since = 0;
        else if (since == 0)
            since = now;
        else if (now - since >= kSettleMs)
            return true;
        Sleep(20);
    }
    return false;
}

// The control's text, asked with a bounded send.
std::string ControlText(HWND window, int controlId)
{
    char text[512] = {};
    DWORD_PTR copied = 0;
    HWND control = GetDlgItem(window, controlId);
    if (!control || !SendMessageTimeoutA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                                         SMTO_ABORTIFHUNG, 1000, &copied))
        return std::string();
    return text;
}

UINT_PTR Number(const char* text)
{
    return static_cast<UINT_PTR>(strtoull(text, nullptr, 0));
}

double Seconds(int argc, char** argv, int index)
{
    return index < argc ? atof(argv[index]) : 10.0;
}

int PrintRect(HWND window)
{
    RECT rect = {};
    if (!window || !GetWindowRect(window, &rect))
        return 1;
    printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    return 0;
}

int IndexInMainList(const char* title)
{
    HWND list = GetDlgItem(FindTitled(kMainTitle), kMainList);
    if (!list)
        return LB_ERR;
    return static_cast<int>(SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>(title)));
}

// Selects the line, given by its number (all digits) or its exact text, and sends the notification that
// the list box sends its dialog for a user's click.
int SelectLine(HWND dialog, int controlId, const char* line, WORD notification)
{
    HWND list = GetDlgItem(dialog, controlId);
    if (!list)
        return 1;
    const bool number = line[0] && strspn(line, "0123456789") == strlen(line);
    const LRESULT index = number ? static_cast<LRESULT>(Number(line))
                                 : SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                reinterpret_cast<LPARAM>(line));
    if (index == LB_ERR || SendMessageA(list, LB_SETCURSEL, index, 0) == LB_ERR)
        return 1;
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(controlId, notification), reinterpret_cast<LPARAM>(list));
    return 0;
}

// A visible top-level window of class className in the process that shows a window title.
HWND FindPopup(const std::string& className, const char* title)
{
    DWORD pid = 0;
    if (!GetWindowThreadProcessId(FindTitled(title), &pid))
        return nullptr;
    return FindVisible([&](HWND window) {
        DWORD windowPid = 0;
        GetWindowThreadProcessId(window, &windowPid);
        return windowPid == pid && ClassOf(window) == className;
    });
}

// Registers the hotkey for a window of this process and keeps it, answering messages, for the
// given time; 1 when the combination could not be taken.
int HoldHotkey(UINT modifiers, UINT key, double seconds)
{
    HWND window = CreateWindowExA(0, "STATIC", "vb_poke hotkey", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    if (!window || !RegisterHotKey(window, 1, modifiers, key))
        return 1;
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
    for (ULONGLONG now = GetTickCount64(); now < deadline; now = GetTickCount64()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    DestroyWindow(window);
    return 0;
}

// True when the hotkey cannot be registered here because another program holds it.
bool IsTaken(UINT modifiers, UINT key)
{
    HWND window = CreateWindowExA(0, "STATIC", "vb_poke probe", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    const bool free = window && RegisterHotKey(window, 1, modifiers, key);
    if (free)
        UnregisterHotKey(window, 1);
    if (window)
        DestroyWindow(window);
    return window && !free;
}

int Run(int argc, char** argv)
{
    const std::string command = argv[1];
    const char* title = argv[2];
    if (command == "wait")
        return WaitFor([&] { return FindTitled(title) != nullptr; }, Seconds(argc, argv, 3)) ? 0 : 1;
    if (command == "gone")
        return WaitFor([&] { return FindTitled(title) == nullptr; }, Seconds(argc, argv, 3)) ? 0 : 1;
    if (command == "front")
        return WaitFor([&] { HWND w = FindTitled(title); return w && GetForegroundWindow() == w; },
                       Seconds(argc, argv, 3)) ? 0 : 1;
    if (command == "keys" && argc >= 4)
        return WaitTakesKeys(title, static_cast<int>(Number(argv[3])), Seconds(argc, argv, 4)) ? 0 : 1;
    if (command == "text" && argc >= 5)
        return WaitFor([&] { return ControlText(FindTitled(title), static_cast<int>(Number(argv[3]))) == argv[4]; },
                       Seconds(argc, argv, 5)) ? 0 : 1;
    if (command == "post" && (argc == 6 || argc == 7)) {
        HWND window = FindTitled(title);
        if (window && argc == 7)
            window = GetDlgItem(window, static_cast<int>(Number(argv[6])));
        return window && PostMessageA(window, static_cast<UINT>(Number(argv[3])), Number(argv[4]),
                                      static_cast<LPARAM>(Number(argv[5]))) ? 0 : 1;
    }
    if (command == "rect") {
        HWND window = FindTitled(title);
        return PrintRect(argc > 3 && window ? GetDlgItem(window, static_cast<int>(Number(argv[3]))) : window);
    }
    if (command == "listed")
        return WaitFor([&] { return IndexInMainList(title) >= 0; }, Seconds(argc, argv, 3)) ? 0 : 1;
    if (command == "hide")
        return SelectLine(FindTitled(kMainTitle), kMainList, title, LBN_DBLCLK);
    if (command == "select" && argc == 5)
        return SelectLine(FindTitled(title), static_cast<int>(Number(argv[3])), argv[4], LBN_SELCHANGE);
    if (command == "popup" && argc >= 4) {
        HWND popup = nullptr;
        WaitFor([&] { return (popup = FindPopup(argv[2], argv[3])) != nullptr; }, Seconds(argc, argv, 4));
        return PrintRect(popup);
    }
    if (command == "hold" && argc == 5)
        return HoldHotkey(static_cast<UINT>(Number(argv[2])), static_cast<UINT>(Number(argv[3])), atof(argv[4]));
    if (command == "taken" && argc == 4)
        return IsTaken(static_cast<UINT>(Number(argv[2])), static_cast<UINT>(Number(argv[3]))) ? 0 : 1;
    if (command == "popup-gone" && argc >= 4)
        return WaitFor([&] { return FindPopup(argv[2], argv[3]) == nullptr; }, Seconds(argc, argv, 4)) ? 0 : 1;
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: vb_poke wait|gone|front|keys|text|post|rect|listed|hide|select|popup|popup-gone|hold|taken ...\n");
        return 2;
    }
    const int result = Run(argc, argv);
    if (result == 2)
        fprintf(stderr, "vb_poke: unknown command or wrong arguments: %s\n", argv[1]);
    return result;
}
