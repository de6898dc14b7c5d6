// The idle program's processor use with its dialog shown and in the tray, that nothing is
// refreshed while the dialog is in the tray, and the size of the program's file.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "BenchDialog.h"
#include "BenchWindows.h"
#include "LinuxCpu.h"
#include "Measure.h"
#include "ProcessProbe.h"
#include "Sections.h"
#include "support/VeilboxApp.h"

using namespace vbtest;

namespace {

// Start-up work (the tray icon, the first paint, the first timer refresh) is over by then.
constexpr DWORD kSettleMs = 2000;
// The idle program and the floor are measured in turns, so that drift in the machine's load
// falls on both alike.
constexpr int kIdleRounds = 3;
// The program's start-up work (its first paint, the tray icon, the probe of window events) is
// over well before this.
constexpr DWORD kIdleSettleMs = 5000;
// How long the list must stay as it was while the dialog is in the tray.
constexpr DWORD kTrayQuietMs = 5000;
constexpr char kCloseToTrayKey[] = "Software\\Quillfen\\Veilbox\\CloseToTray";

// Processor time over one span: a process's own, and the session's wineserver's (-1 unknown).
struct CpuSpan {
    double ownMs = -1;
    double serverMs = -1;
    double wallMs = 0;
    // Write calls of the measured process (round trips to the wineserver); -1 unknown.
    long long writes = -1;

    bool Known() const { return ownMs >= 0 && wallMs > 0; }
    double TotalMs() const { return ownMs + std::max(0.0, serverMs); }
    // Adds a later span; an unknown part stays unknown.
    void Add(const CpuSpan& more)
    {
        bool first = wallMs == 0;
        ownMs = (first || ownMs >= 0) && more.ownMs >= 0 ? (first ? 0 : ownMs) + more.ownMs : -1;
        serverMs = (first || serverMs >= 0) && more.serverMs >= 0 ? (first ? 0 : serverMs) + more.serverMs : -1;
        writes = (first || writes >= 0) && more.writes >= 0 ? (first ? 0 : writes) + more.writes : -1;
        wallMs += more.wallMs;
    }
};

std::string Percent(double cpuMs, double wallMs)
{
    char text[48];
    snprintf(text, sizeof text, "%.2f %%", 100.0 * cpuMs / wallMs);
    return text;
}

// "7.20 % (Veilbox.exe 3.53 % + wineserver 3.67 %)"
std::string Describe(const CpuSpan& span, const char* own)
{
    std::string text = Percent(span.TotalMs(), span.wallMs) + " (" + own + " " + Percent(span.ownMs, span.wallMs);
    if (span.serverMs >= 0)
        text += " + wineserver " + Percent(span.serverMs, span.wallMs);
    return text + ")";
}

// This process's Unix process id as text, "" when not found. Not "self": under Wine the
// wineserver opens files, and /proc/self names the wineserver.
std::string OwnUnixProcess()
{
    static const int pid = UnixPidOf("vb_bench.exe");
    return pid ? std::to_string(pid) : std::string();
}

double OwnCpuMs()
{
    double exact = OwnUnixProcess().empty() ? -1 : LinuxTasksCpuMs(OwnUnixProcess());
    if (exact >= 0)
        return exact;
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return -1;
    auto ticks = [](const FILETIME& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

// The floor: the calls no refresh can avoid, made by this process once a second.
CpuSpan FloorOnceASecond(double seconds, int wineserverPid)
{
    CpuSpan span;
    long long writesBefore = OwnUnixProcess().empty() ? -1 : LinuxWriteCalls(OwnUnixProcess());
    double ownBefore = OwnCpuMs(), serverBefore = UnixProcessCpuMs(wineserverPid), start = NowMs();
    const int passes = std::max(1, static_cast<int>(seconds + 0.5));
    for (int pass = 0; pass < passes; ++pass) {
        FloorPass(nullptr);
        double wait = start + (pass + 1) * 1000.0 - NowMs();
        if (wait > 0)
            Sleep(static_cast<DWORD>(wait));
    }
    span.wallMs = NowMs() - start;
    double ownAfter = OwnCpuMs(), serverAfter = UnixProcessCpuMs(wineserverPid);
    long long writesAfter = OwnUnixProcess().empty() ? -1 : LinuxWriteCalls(OwnUnixProcess());
    span.ownMs = ownBefore < 0 || ownAfter < 0 ? -1 : ownAfter - ownBefore;
    span.serverMs = serverBefore < 0 || serverAfter < 0 ? -1 : serverAfter - serverBefore;
    span.writes = writesBefore < 0 || writesAfter < 0 ? -1 : writesAfter - writesBefore;
    return span;
}

// The wineserver's time over an equal span while this process only waits.
CpuSpan SessionAlone(double seconds, int wineserverPid)
{
    CpuSpan span;
    double serverBefore = UnixProcessCpuMs(wineserverPid), start = NowMs();
    Sleep(static_cast<DWORD>(seconds * 1000));
    span.wallMs = NowMs() - start;
    double serverAfter = UnixProcessCpuMs(wineserverPid);
    span.ownMs = 0;
    span.serverMs = serverBefore < 0 || serverAfter < 0 ? -1 : serverAfter - serverBefore;
    return span;
}

// The program's time is the probe's: read from outside where its Unix process is found (a thread
// run inside it to read the figure would itself cost a few milliseconds).
CpuSpan IdleProgram(VeilboxApp& app, ProcessProbe& probe, double seconds, int wineserverPid)
{
    CpuSpan span;
    const int pid = probe.UnixPid();
    long long writesBefore = pid ? LinuxWriteCalls(std::to_string(pid)) : -1;
    double ownBefore = probe.CpuMs(), serverBefore = UnixProcessCpuMs(wineserverPid), start = NowMs();
    // The wait is the measurement: the program must not end during it.
    bool ended = WaitForSingleObject(app.Process().Handle(), static_cast<DWORD>(seconds * 1000)) == WAIT_OBJECT_0;
    span.wallMs = NowMs() - start;
    double ownAfter = probe.CpuMs(), serverAfter = UnixProcessCpuMs(wineserverPid);
    long long writesAfter = pid ? LinuxWriteCalls(std::to_string(pid)) : -1;
    if (ended)
        return CpuSpan();
    span.ownMs = ownBefore < 0 || ownAfter < 0 ? -1 : ownAfter - ownBefore;
    span.serverMs = serverBefore < 0 || serverAfter < 0 ? -1 : serverAfter - serverBefore;
    span.writes = writesBefore < 0 || writesAfter < 0 ? -1 : writesAfter - writesBefore;
    return span;
}

// A help popup shown under a resting pointer makes the tooltip control poll the pointer ten
// times a second until it leaves, which is no part of the list's work: the idle figures are
// taken with the pointer in the screen's bottom right corner, away from the dialog (centred on
// the screen) and from Wine's tray window (top left).
void ParkPointer()
{
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
}

} // namespace

// The program's own time is what GetProcessTimes reports for it. Under Wine the system side of
// many of its calls runs in the wineserver instead of the program, so the wineserver's time over
// the same span is added; the floor, the calls no refresh can avoid made once a second by this
// process over an equal span, is counted the same way.
void BenchIdle(const BenchOptions& options, Report& report)
{
    char seconds[32];
    snprintf(seconds, sizeof seconds, "%g s", options.idleSeconds);
    std::string figure = "CPU while idle, " + std::to_string(options.idleWindows) +
                         " helper windows (processor time over " + seconds + " in " +
                         std::to_string(kIdleRounds) + " turns with the floor)";
    const std::string target = "≤ 0.5× the floor";
    BenchWindows targets("Idle Window", options.idleWindows);
    ParkPointer();
    CpuSpan floor, idle;
    std::string source, turns;
    for (int round = 0; round < kIdleRounds && targets.Ready(); ++round) {
        double span = options.idleSeconds / kIdleRounds;
        // The previous round's program has ended and the wineserver has put its windows away.
        Sleep(kSettleMs / 2);
        CpuSpan floorTurn = FloorOnceASecond(span, options.wineserverPid);
        floor.Add(floorTurn);
        VeilboxApp app;
        if (!app.MainWindow() || !app.WaitListed(targets.Title(targets.Count() - 1).c_str())) {
            idle = CpuSpan();
            break;
        }
        WaitForSingleObject(app.Process().Handle(), kIdleSettleMs);
        ProcessProbe probe(app.Process().Handle());
        CpuSpan idleTurn = IdleProgram(app, probe, span, options.wineserverPid);
        idle.Add(idleTurn);
        if (idleTurn.Known() && floorTurn.Known())
            turns += (turns.empty() ? "" : ", ") + Percent(idleTurn.TotalMs(), idleTurn.wallMs) + " against " +
                     Percent(floorTurn.TotalMs(), floorTurn.wallMs);
        source = probe.CpuSource();
        app.Exit();
    }
    if (!idle.Known() || !floor.Known()) {
        report.Add({figure, "could not be measured", "", "", target, "no"});
        return;
    }
    double percent = 100.0 * idle.TotalMs() / idle.wallMs;
    double floorPercent = 100.0 * floor.TotalMs() / floor.wallMs;
    report.Add({figure, Describe(idle, "Veilbox.exe"), Describe(floor, "the floor's calls once a second:"),
                FormatRatio(percent, floorPercent), target, Met(percent <= 0.5 * floorPercent)});
    report.Note("CPU while idle: " + source + (idle.serverMs < 0 ? "; the wineserver's time could not be read" : "") +
                "; the pointer rests in the screen's corner, away from the dialog's help popups; the turns: " +
                turns);
    if (idle.writes >= 0 && floor.writes > 0) {
        char text[200];
        snprintf(text, sizeof text,
                 "CPU while idle: write calls (requests to the wineserver) a second: Veilbox.exe %.0f, the floor %.0f "
                 "(%.2f×)",
                 idle.writes * 1000.0 / idle.wallMs, floor.writes * 1000.0 / floor.wallMs,
                 (idle.writes / idle.wallMs) / (floor.writes / floor.wallMs));
        report.Note(text);
    }
}

namespace {

// Every close goes to the tray without a question or a notice; undone by ForgetCloseToTray.
void StoreCloseToTrayQuietly()
{
    for (const char* name : {"CloseToTray", "CloseToTrayReminder", "CloseToTrayRunReminder"}) {
        DWORD value = strcmp(name, "CloseToTray") == 0 ? 1 : 0;
        RegSetKeyValueA(HKEY_CURRENT_USER, kCloseToTrayKey, name, REG_DWORD, &value, sizeof value);
    }
}

void ForgetCloseToTray()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, kCloseToTrayKey);
}

// While the dialog is in the tray a window comes and a listed one is renamed: for kTrayQuietMs
// the hidden list must show neither (nothing is refreshed), and once the dialog is back it must
// show both at once. The text says what was seen.
bool TrayListStaysUntilReturn(VeilboxApp& app, const BenchWindows& targets, std::string& seen)
{
    const std::string oldTitle = targets.Title(0), newTitle = "Tray Window renamed";
    SetWindowTextA(targets[0], newTitle.c_str());
    BenchWindows newcomer("Tray Newcomer Window", 1);
    double start = NowMs();
    bool quiet = newcomer.Ready();
    while (quiet && NowMs() - start < kTrayQuietMs) {
        quiet = !app.Lists(newcomer.Title(0).c_str()) && app.Lists(oldTitle.c_str()) && !app.Lists(newTitle.c_str());
        Sleep(250);
    }
    HWND main = app.MainWindow();
    PostMessageA(main, kTrayCallbackMessage, 0, WM_LBUTTONUP);
    bool back = WaitFor([&] { return IsWindowVisible(main) != FALSE; }, 5000);
    double shownAt = NowMs();
    bool current = back && app.WaitListed(newcomer.Title(0).c_str(), true, 1000) && app.Lists(newTitle.c_str()) &&
                   !app.Lists(oldTitle.c_str());
    char text[160];
    snprintf(text, sizeof text, "%s for %.0f s; %s", quiet ? "unchanged" : "refreshed",
             kTrayQuietMs / 1000.0, current ? "" : "not ");
    seen = std::string(text) + "current " + (current ? FormatMs(NowMs() - shownAt) + " after its return" : "after its return");
    return quiet && current;
}

} // namespace

// The dialog closed into the tray: its processor use (with the wineserver's) over the idle span,
// then whether its list stays untouched there. True when the list stayed and was brought up to
// date on the dialog's return.
bool BenchTray(const BenchOptions& options, Report& report)
{
    char seconds[32];
    snprintf(seconds, sizeof seconds, "%g s", options.idleSeconds);
    std::string figure = "CPU while idle with the dialog in the tray, " + std::to_string(options.idleWindows) +
                         " helper windows, no rules (processor time over " + seconds + ")";
    // The helpers, Wine's desktop and its tray keep the wineserver busy with or without Veilbox:
    // what counts is what Veilbox adds to the session.
    const std::string target = "≤ 0.05 % of one core added to the session";
    const std::string listFigure = "the dialog in the tray: its list for " + std::to_string(kTrayQuietMs / 1000) +
                                   " s after a window came and a listed one was renamed, and after its return";
    const std::string listTarget = "unchanged; current on return";
    StoreCloseToTrayQuietly();
    ParkPointer();
    BenchWindows targets("Tray Window", options.idleWindows);
    // The session's own idle work (the helpers, Wine's desktop and tray), counted the same way
    // with Veilbox not running.
    CpuSpan session = targets.Ready() ? SessionAlone(options.idleSeconds, options.wineserverPid) : CpuSpan();
    VeilboxApp app;
    HWND main = app.MainWindow();
    bool ready = targets.Ready() && main && app.WaitListed(targets.Title(targets.Count() - 1).c_str());
    if (ready) {
        PostMessageA(main, WM_CLOSE, 0, 0);
        ready = WaitFor([&] { return !IsWindowVisible(main); }, 5000);
    }
    if (!ready) {
        report.Add({figure, "could not be measured", "", "", target, "no"});
        report.Add({listFigure, "could not be measured", "", "", listTarget, "no"});
        ForgetCloseToTray();
        return false;
    }
    WaitForSingleObject(app.Process().Handle(), kSettleMs);
    ProcessProbe probe(app.Process().Handle());
    CpuSpan idle = IdleProgram(app, probe, options.idleSeconds, options.wineserverPid);
    if (idle.Known()) {
        double percent = 100.0 * idle.TotalMs() / idle.wallMs;
        std::string alone, added;
        double addedPercent = percent;
        if (session.serverMs >= 0) {
            alone = "wineserver " + Percent(session.serverMs, session.wallMs) + " without Veilbox running";
            addedPercent = percent - 100.0 * session.serverMs / session.wallMs;
            char text[64];
            snprintf(text, sizeof text, "%+.2f %% over that", addedPercent);
            added = text;
        }
        report.Add({figure, Describe(idle, "Veilbox.exe"), alone, added, target, Met(addedPercent <= 0.05)});
    } else {
        report.Add({figure, "could not be measured", "", "", target, "no"});
    }
    std::string seen;
    bool quiet = TrayListStaysUntilReturn(app, targets, seen);
    report.Add({listFigure, seen, "", "", listTarget, Met(quiet)});
    app.Exit();
    ForgetCloseToTray();
    return quiet;
}

void BenchSize(Report& report)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    std::string path = BinDir() + "Veilbox.exe";
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        report.Add({"size of Veilbox.exe", "not found", "", "", "≤ 1 MB", "no"});
        return;
    }
    unsigned long long bytes = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    report.Add({"size of Veilbox.exe", FormatCount(static_cast<long long>(bytes)) + " bytes", "", "",
                "≤ 1 MB (1 048 576 bytes)", Met(bytes <= 1048576)});
}
