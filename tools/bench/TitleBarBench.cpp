// The title-bar hook: the processor time that 1 000 pointer moves cost Veilbox.exe and the
// wineserver with the hook set (the option on) against the same moves with no hook (the option
// off), and the time from a right click on a window's minimise button until the window is
// invisible, set beside Hide Active's figure of the same run.
#include <algorithm>
#include <string>
#include <vector>

#include "BenchWindows.h"
#include "Measure.h"
#include "ProcessProbe.h"
#include "Sections.h"
#include "app/held/HiddenMenu.h"
#include "support/CaptionButtons.h"
#include "support/VeilboxApp.h"

using namespace vbtest;

namespace {

constexpr char kTargetTitle[] = "Title Bar Target";
constexpr int kMoves = 1000;
constexpr double kHideWaitMs = 3000;

void SetOption(bool on)
{
    const DWORD value = on ? 1 : 0;
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Quillfen\\Veilbox\\Interface", "MinButtonHide", REG_DWORD, &value,
                    sizeof value);
}

// Moves the pointer kMoves times between two points, one move a millisecond or so, so that both
// turns last alike and Veilbox's own once-a-second work falls on both alike.
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

// Processor time of Veilbox.exe and the wineserver over one turn of moves; -1 unknown.
double MovesCostMs(bool hook, int wineserverPid)
{
    SetOption(hook);
    VeilboxApp app;
    if (!app.MainWindow())
        return -1;
    ProcessProbe probe(app.Process().Handle());
    // Past the start's own work: until the program has used no processor time for 100 ms.
    double last = -1;
    WaitFor([&] {
        const double now = probe.CpuMs();
        const bool settled = now == last;
        last = now;
        return settled;
    }, 3000);
    const double ownBefore = probe.CpuMs(), serverBefore = UnixProcessCpuMs(wineserverPid);
    MovePointer();
    const double ownAfter = probe.CpuMs(), serverAfter = UnixProcessCpuMs(wineserverPid);
    app.Exit();
    if (ownBefore < 0 || ownAfter < 0)
        return -1;
    const double server = serverBefore < 0 || serverAfter < 0 ? 0 : serverAfter - serverBefore;
    return ownAfter - ownBefore + server;
}

// A right click on the target's minimise button until it is invisible, polled every millisecond;
// the entry it got is chosen from the menu to show it again.
std::vector<double> TimeRightClickHides(int reps, int& failures)
{
    SetOption(true);
    BenchWindows target(kTargetTitle, 1);
    VeilboxApp app;
    if (!target.Ready() || !app.MainWindow()) {
        failures += reps;
        return {};
    }
    HWND window = target[0], main = app.MainWindow();
    std::vector<double> times;
    UINT hides = 0;
    for (int i = 0; i < reps + 1; ++i) {
        POINT button = {};
        if (!RaiseAndFindButton(window, HTMINBUTTON, button, 600, 420, 5000)) {
            ++failures;
            continue;
        }
        const double start = NowMs();
        InjectClickAt(button, true);
        while (IsWindowVisible(window) && NowMs() - start < kHideWaitMs)
            Sleep(1);
        if (IsWindowVisible(window)) {
            ++failures;
            continue;
        }
        if (i > 0)  // the first click pays for code and data not yet touched
            times.push_back(NowMs() - start);
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(main, WM_COMMAND, kFirstEntryId + hides++, 0, SMTO_NORMAL, 5000, &ignored);
        if (!WaitFor([window] { return IsWindowVisible(window) != FALSE; }, 2000))
            ShowWindow(window, SW_SHOWNOACTIVATE);
    }
    app.Exit();
    return times;
}

} // namespace

void BenchTitleBar(const BenchOptions& options, double hideActiveMs, Report& report)
{
    std::vector<double> with, without;
    for (int turn = 0; turn < options.titleBarTurns; ++turn) {
        without.push_back(MovesCostMs(false, options.wineserverPid));
        with.push_back(MovesCostMs(true, options.wineserverPid));
    }
    SetOption(true);
    const bool measured = std::none_of(with.begin(), with.end(), [](double ms) { return ms < 0; }) &&
                          std::none_of(without.begin(), without.end(), [](double ms) { return ms < 0; });
    const std::string moves = "processor time of 1 000 pointer moves, Veilbox.exe + wineserver, with the title-bar "
                              "hook set (median of " + std::to_string(options.titleBarTurns) + " turns)";
    if (!measured) {
        report.Add({moves, "could not be measured", "", "", "within noise", "no"});
    } else {
        const double noise = *std::max_element(without.begin(), without.end());
        report.Add({moves, FormatMs(Median(with)), FormatMs(Median(without)) + " with no hook (option off)",
                    FormatDeltaMs(Median(with) - Median(without)),
                    "within noise (≤ the highest turn without)", Met(Median(with) <= noise)});
        report.Note("title-bar moves: quartiles " + FormatSpread(with) + " with the hook against " +
                    FormatSpread(without) + " without");
    }

    int failures = 0;
    const std::vector<double> clicks = TimeRightClickHides(options.hideReps, failures);
    const std::string figure = "right click on a minimise button until the window is invisible (median of " +
                               std::to_string(clicks.size()) + " clicks)";
    if (clicks.empty()) {
        report.Add({figure, "could not be measured", "", "", "≤ 1.5× Hide Active", "no"});
    } else if (hideActiveMs <= 0) {
        report.Add({figure, FormatMs(Median(clicks)), "Hide Active not run", "", "≤ 1.5× Hide Active", "—"});
    } else {
        report.Add({figure, FormatMs(Median(clicks)), FormatMs(hideActiveMs) + " (Hide Active, same run)",
                    FormatRatio(Median(clicks), hideActiveMs), "≤ 1.5× Hide Active",
                    Met(Median(clicks) <= 1.5 * hideActiveMs)});
        report.Note("title-bar click: quartiles " + FormatSpread(clicks));
    }
    if (failures > 0)
        report.Note("title-bar click: " + std::to_string(failures) + " clicks did not hide the window");
}
