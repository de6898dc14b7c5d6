// The idle program's processor use with its dialog shown, the measures of an idle span that the
// tray's section shares (IdleSpan.h), and the size of the program's file.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#include "BenchDialog.h"
#include "BenchWindows.h"
#include "LinuxCpu.h"
#include "IdleSpan.h"
#include "Measure.h"
#include "ProcessProbe.h"
#include "Sections.h"
#include "app/titlebar/TitleBarHook.h"
#include "support/VeilboxApp.h"

using namespace vbtest;

namespace {

// The previous round's program has ended and the wineserver has put its windows away by then.
constexpr DWORD kSettleMs = 2000;
// The idle program and the floor are measured in turns, so that drift in the machine's load
// falls on both alike.
constexpr int kIdleRounds = 3;
// The program's start-up work (its first paint, the tray icon, the probe of window events) is
// over well before this.
constexpr DWORD kIdleSettleMs = 5000;

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

} // namespace

std::string Percent(double cpuMs, double wallMs)
{
    char text[48];
    snprintf(text, sizeof text, "%.2f %%", 100.0 * cpuMs / wallMs);
    return text;
}

std::string Describe(const CpuSpan& span, const char* own)
{
    std::string text = Percent(span.TotalMs(), span.wallMs) + " (" + own + " " + Percent(span.ownMs, span.wallMs);
    if (span.serverMs >= 0)
        text += " + wineserver " + Percent(span.serverMs, span.wallMs);
    return text + ")";
}

namespace {

long long Difference(long long before, long long after)
{
    return before < 0 || after < 0 ? -1 : after - before;
}

// The hook thread's wake-ups; -1 where there is no such thread.
long long HookWakes(int pid)
{
    static const std::string name(TitleBarHook::kThreadName,
                                  TitleBarHook::kThreadName + wcslen(TitleBarHook::kThreadName));
    return pid ? LinuxTaskSwitches(std::to_string(pid), name.c_str()) : -1;
}

} // namespace

CpuSpan SessionAlone(double seconds, int wineserverPid)
{
    CpuSpan span;
    const std::string server = std::to_string(wineserverPid);
    const long long wakesBefore = wineserverPid ? LinuxTaskSwitches(server) : -1;
    double serverBefore = UnixProcessCpuMs(wineserverPid), start = NowMs();
    Sleep(static_cast<DWORD>(seconds * 1000));
    span.wallMs = NowMs() - start;
    double serverAfter = UnixProcessCpuMs(wineserverPid);
    span.ownMs = 0;
    span.wakes = span.hookWakes = 0;
    span.serverMs = serverBefore < 0 || serverAfter < 0 ? -1 : serverAfter - serverBefore;
    span.serverWakes = Difference(wakesBefore, wineserverPid ? LinuxTaskSwitches(server) : -1);
    return span;
}

// The program's time is the probe's: read from outside where its Unix process is found (a thread
// run inside it to read the figure would itself cost a few milliseconds).
CpuSpan IdleProgram(VeilboxApp& app, ProcessProbe& probe, double seconds, int wineserverPid)
{
    CpuSpan span;
    const int pid = probe.UnixPid();
    const std::string own = std::to_string(pid), server = std::to_string(wineserverPid);
    long long writesBefore = pid ? LinuxWriteCalls(own) : -1;
    const long long wakesBefore = pid ? LinuxTaskSwitches(own) : -1, hookBefore = HookWakes(pid);
    const long long serverWakesBefore = wineserverPid ? LinuxTaskSwitches(server) : -1;
    double ownBefore = probe.CpuMs(), serverBefore = UnixProcessCpuMs(wineserverPid), start = NowMs();
    // The wait is the measurement: the program must not end during it.
    bool ended = WaitForSingleObject(app.Process().Handle(), static_cast<DWORD>(seconds * 1000)) == WAIT_OBJECT_0;
    span.wallMs = NowMs() - start;
    double ownAfter = probe.CpuMs(), serverAfter = UnixProcessCpuMs(wineserverPid);
    span.serverWakes = Difference(serverWakesBefore, wineserverPid ? LinuxTaskSwitches(server) : -1);
    span.wakes = Difference(wakesBefore, pid ? LinuxTaskSwitches(own) : -1);
    span.hookWakes = Difference(hookBefore, HookWakes(pid));
    long long writesAfter = pid ? LinuxWriteCalls(own) : -1;
    if (ended)
        return CpuSpan();
    span.ownMs = ownBefore < 0 || ownAfter < 0 ? -1 : ownAfter - ownBefore;
    span.serverMs = serverBefore < 0 || serverAfter < 0 ? -1 : serverAfter - serverBefore;
    span.writes = Difference(writesBefore, writesAfter);
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
