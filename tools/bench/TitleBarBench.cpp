// The title-bar hook: the processor time that 1 000 pointer moves cost the whole Wine session with
// the hook set (the option on) against the same moves with the option off, in paired turns, beside
// a bare low-level hook of another program (vb_bare_hook.exe) measured the same way, and the hook
// thread's context switches per move; and the time from a right click on a window's minimise
// button until the window is invisible, paired with Hide Active's press on the same window in the
// same program.
#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "BenchWindows.h"
#include "LinuxCpu.h"
#include "Measure.h"
#include "Presses.h"
#include "ProcessProbe.h"
#include "Sections.h"
#include "app/held/HiddenMenu.h"
#include "app/titlebar/TitleBarHook.h"
#include "res/MainDialogIds.h"
#include "support/CaptionButtons.h"
#include "support/VeilboxApp.h"

using namespace vbtest;

namespace {

constexpr char kTargetTitle[] = "Title Bar Target";
constexpr int kMoves = 1000;
constexpr double kHideWaitMs = 3000;
// A hide's work after the window went (its icon, the list's refresh) is over by then.
constexpr DWORD kHideSettleMs = 100;
// A hook that lives in a DLL of another program's (it runs inside the program under the pointer)
// cost the session +120 ms per 1 000 moves here: the yardstick. The hook of Veilbox's own process
// may cost twice that.
constexpr double kDllHookMs = 120;

void SetOption(bool on)
{
    const DWORD value = on ? 1 : 0;
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Quillfen\\Veilbox\\Interface", "MinButtonHide", REG_DWORD, &value,
                    sizeof value);
}

// Moves the pointer kMoves times between two points over the bare desktop, one move a millisecond
// or so, so that every turn lasts alike.
void MovePointer()
{
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    for (int i = 0; i < kMoves; ++i) {
        INPUT input = {};
        input.type = INPUT_MOUSE;
        input.mi.dx = (300 + (i % 2) * 40) * 65535 / (width - 1);
        input.mi.dy = (300 + (i % 7) * 5) * 65535 / (height - 1);
        input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        SendInput(1, &input, sizeof input);
        Sleep(1);
    }
}

// Processor time of every Unix process of the session (the wineserver, Wine's desktop under the
// pointer, this program that puts the moves in, Veilbox), the processes found once for a turn.
double SessionCpuMs(const std::vector<UnixProcess>& processes)
{
    double total = 0;
    for (const UnixProcess& process : processes)
        total += std::max(0.0, LinuxTasksCpuMs(std::to_string(process.pid)));
    return total;
}

// What one kind of turn runs beside the moves.
enum class Hook { None, Veilbox, Bare };

struct MoveTurn {
    double cpuMs = -1;
    // Context switches of the hooking thread; -1 where there is none.
    long long switches = -1;
};

// Veilbox started into the tray, as a command starts it, with the option on for Hook::Veilbox;
// with Hook::Bare the bare hook runs beside it. Once the start's work is over the moves are put
// in and the session's processor time counted over them.
MoveTurn MovesTurn(Hook hook)
{
    SetOption(hook == Hook::Veilbox);
    ChildProcess veilbox, bare;
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, "VbBareHook.Ready");
    const bool bareReady = hook != Hook::Bare || (bare.Start("vb_bare_hook.exe", "VbBareHook.Ready") &&
                                                  WaitForSingleObject(ready, 10000) == WAIT_OBJECT_0);
    CloseHandle(ready);
    HWND main = bareReady && veilbox.Start("Veilbox.exe", "", true)
                    ? WaitForTopWindow({veilbox.Id(), kMainTitle, "#32770", false}, 15000)
                    : nullptr;
    MoveTurn turn;
    if (main) {
        const std::string own = std::to_string(UnixPidOf("Veilbox.exe"));
        const std::string hooking = hook == Hook::Bare ? std::to_string(UnixPidOf("vb_bare_hook.ex")) : own;
        static const std::string name(TitleBarHook::kThreadName,
                                      TitleBarHook::kThreadName + wcslen(TitleBarHook::kThreadName));
        const char* thread = hook == Hook::Veilbox ? name.c_str() : nullptr;
        // Past the start's work, and the hook's thread running: until the program used no
        // processor time for 100 ms.
        double last = -1;
        WaitFor([&] {
            const double now = LinuxTasksCpuMs(own);
            const bool settled = now == last && (hook != Hook::Veilbox || LinuxTaskSwitches(own, thread) >= 0);
            last = now;
            return settled;
        }, 5000);
        const std::vector<UnixProcess> processes = SessionUnixProcesses();
        const double before = SessionCpuMs(processes);
        const long long switchesBefore = hook == Hook::None ? -1 : LinuxTaskSwitches(hooking, thread);
        MovePointer();
        const double after = SessionCpuMs(processes);
        const long long switchesAfter = hook == Hook::None ? -1 : LinuxTaskSwitches(hooking, thread);
        turn.cpuMs = processes.empty() ? -1 : after - before;
        if (switchesBefore >= 0 && switchesAfter >= 0)
            turn.switches = switchesAfter - switchesBefore;
        PostMessageA(main, WM_COMMAND, IDC_MAIN_EXIT, 0);
    }
    veilbox.WaitForExit(10000);
    return turn;
}

std::string Quartiles(const std::vector<double>& values, const char* format)
{
    char text[96];
    snprintf(text, sizeof text, format, Quantile(values, 0.25), Quantile(values, 0.75));
    return text;
}

// Each turn runs the three kinds in an order that turns with it, so that drift falls on each alike;
// the figures are what the hook added to the same turn's moves with the option off.
void BenchMoves(const BenchOptions& options, Report& report)
{
    std::vector<double> added, bareAdded, switches, bareSwitches;
    std::string turns;
    for (int turn = 0; turn < options.titleBarTurns; ++turn) {
        MoveTurn kinds[3];
        for (int i = 0; i < 3; ++i) {
            const int kind = (turn + i) % 3;
            kinds[kind] = MovesTurn(static_cast<Hook>(kind));
        }
        const MoveTurn &none = kinds[0], &veilbox = kinds[1], &bare = kinds[2];
        if (none.cpuMs < 0 || veilbox.cpuMs < 0 || bare.cpuMs < 0)
            continue;
        added.push_back(veilbox.cpuMs - none.cpuMs);
        bareAdded.push_back(bare.cpuMs - none.cpuMs);
        if (veilbox.switches >= 0 && bare.switches >= 0) {
            switches.push_back(static_cast<double>(veilbox.switches) / kMoves);
            bareSwitches.push_back(static_cast<double>(bare.switches) / kMoves);
        }
        char text[96];
        snprintf(text, sizeof text, "%s%.0f / %.0f / %.0f", turns.empty() ? "" : ", ", none.cpuMs, veilbox.cpuMs,
                 bare.cpuMs);
        turns += text;
    }
    const std::string figure = "processor time that 1 000 pointer moves cost the session with the title-bar hook set, "
                               "Veilbox in the tray, over the option off (median of " +
                               std::to_string(added.size()) + " paired turns)";
    char target[64];
    snprintf(target, sizeof target, "≤ +%.0f ms (2× a hook in a DLL)", 2 * kDllHookMs);
    if (added.empty()) {
        report.Add({figure, "could not be measured", "", "", target, "no"});
        return;
    }
    report.Add({figure, FormatDeltaMs(Median(added)), FormatDeltaMs(Median(bareAdded)) + " (vb_bare_hook, a bare low-level hook)",
                FormatRatio(Median(added), Median(bareAdded)), target, Met(Median(added) <= 2 * kDllHookMs)});
    report.Note("title-bar moves: the whole session's processor time (every Unix process of the session, the "
                "wineserver's too); added by the hook, quartiles of the paired turns " +
                Quartiles(added, "%+.0f to %+.0f ms") + ", by the bare hook " + Quartiles(bareAdded, "%+.0f to %+.0f ms") +
                "; each turn, option off / on / off with the bare hook beside: " + turns + " ms");
    if (!switches.empty()) {
        char text[160];
        snprintf(text, sizeof text,
                 "title-bar moves: context switches of the hooking thread per move: Veilbox's %.2f, the bare hook's %.2f "
                 "(medians of the turns)",
                 Median(switches), Median(bareSwitches));
        report.Note(text);
    }
}

// Puts the pointer at the point with a move of the system's input, and waits until it is there.
bool PointerTo(POINT at)
{
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = at.x * 65535 / (width - 1);
    input.mi.dy = at.y * 65535 / (height - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
    return WaitFor([at] {
        POINT now = {};
        return GetCursorPos(&now) && now.x == at.x && now.y == at.y;
    }, 2000);
}

// A right click on the window's minimise button until it is invisible; -1 when the button was not
// found or the window did not go within kHideWaitMs. The pointer is on the button before the
// click, as a user's is: the moves that brought it there are no part of the click (each is handed
// to the hook as it comes, as every move is). A click the window kept (its hit test not answered
// within the hook's bound, on a busy machine) opens its window menu: Esc closes it. ready is
// called just before the click.
double MsUntilHiddenByClick(HWND window, const std::function<void()>& ready)
{
    POINT button = {};
    if (!RaiseAndFindButton(window, HTMINBUTTON, button, 600, 420, 5000) || !PointerTo(button))
        return -1;
    ready();
    INPUT click[2] = {};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    const double start = NowMs();
    SendInput(2, click, sizeof(INPUT));
    while (IsWindowVisible(window)) {
        if (NowMs() - start > kHideWaitMs) {
            SendKey(VK_ESCAPE, true);
            SendKey(VK_ESCAPE, false);
            return -1;
        }
        Sleep(1);
    }
    return NowMs() - start;
}

// Pairs of one Hide Active press and one right click on the same window of another program, in
// the same Veilbox, the order turned each pair; the first pair is not timed (it pays for code and
// data not yet touched). Each hide's menu entry shows the window again.
void BenchClicks(const BenchOptions& options, Report& report)
{
    const std::string figure = "right click on a minimise button until the window is invisible, paired with Hide "
                               "Active on the same window";
    const std::string goal = "≤ 2× Hide Active";
    SetOption(true);
    BenchWindows target(kTargetTitle, 1);
    VeilboxApp app;
    if (!target.Ready() || !app.MainWindow() || !app.WaitListed(kTargetTitle)) {
        report.Add({figure, "could not be measured", "", "", goal, "no"});
        return;
    }
    HWND window = target[0], main = app.MainWindow();
    const std::string own = std::to_string(UnixPidOf("Veilbox.exe"));
    std::vector<double> clicks, presses, ratios, requests[2];
    int failures = 0;
    UINT hides = 0;
    for (int pair = 0; pair <= options.hideReps; ++pair) {
        double ms[2] = {-1, -1};
        for (int i = 0; i < 2; ++i) {
            const bool click = (pair + i) % 2 == 0;
            long long before = -1;
            if (click) {
                ms[0] = MsUntilHiddenByClick(window, [&] { before = LinuxWriteCalls(own); });
            } else if (ModifiersUp() && SteadyInFront(window)) {
                before = LinuxWriteCalls(own);
                ms[1] = MsUntilHiddenByHotkey(window);
            }
            if (IsWindowVisible(window))
                continue;
            // The requests of the whole hide, its list's refresh after it too.
            Sleep(kHideSettleMs);
            const long long after = LinuxWriteCalls(own);
            if (pair > 0 && before >= 0 && after >= 0)
                requests[click ? 0 : 1].push_back(static_cast<double>(after - before));
            // The list drops the window once the hide is done: a command sent before would run
            // inside the hide's wait.
            WaitFor([&app] { return !app.Lists(kTargetTitle); }, 2000);
            DWORD_PTR ignored = 0;
            SendMessageTimeoutA(main, WM_COMMAND, kFirstEntryId + hides++, 0, SMTO_NORMAL, 5000, &ignored);
            if (!WaitFor([window] { return IsWindowVisible(window) != FALSE; }, 2000))
                ShowWindow(window, SW_SHOWNOACTIVATE);
            WaitFor([&app] { return app.Lists(kTargetTitle); }, 2000);
        }
        if (ms[0] < 0 || ms[1] < 0) {
            ++failures;
            continue;
        }
        if (pair == 0)
            continue;
        clicks.push_back(ms[0]);
        presses.push_back(ms[1]);
        ratios.push_back(ms[0] / ms[1]);
    }
    ModifiersUp();
    app.Exit();
    const std::string counted = figure + " (median of " + std::to_string(ratios.size()) + " pairs)";
    if (ratios.empty()) {
        report.Add({counted, "could not be measured", "", "", goal, "no"});
        return;
    }
    char ratio[32];
    snprintf(ratio, sizeof ratio, "%.2f×", Median(ratios));
    report.Add({counted, FormatMs(Median(clicks)), FormatMs(Median(presses)) + " (Hide Active, paired)", ratio, goal,
                Met(Median(ratios) <= 2)});
    report.Note("title-bar click: quartiles " + FormatSpread(clicks) + " against Hide Active's " + FormatSpread(presses) +
                "; the paired ratios' quartiles " + Quartiles(ratios, "%.2f–%.2f×") +
                (failures ? "; " + std::to_string(failures) + " pairs did not hide or show the window" : ""));
    if (!requests[0].empty() && !requests[1].empty()) {
        char text[200];
        snprintf(text, sizeof text,
                 "title-bar click: requests to the wineserver (write calls of Veilbox.exe) from the input until %lu ms "
                 "after the hide: %.0f a click, %.0f a Hide Active press (medians)",
                 kHideSettleMs, Median(requests[0]), Median(requests[1]));
        report.Note(text);
    }
}

} // namespace

void BenchTitleBar(const BenchOptions& options, Report& report)
{
    BenchMoves(options, report);
    BenchClicks(options, report);
    SetOption(true);
}
