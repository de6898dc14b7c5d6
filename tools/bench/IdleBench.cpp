// The idle program's processor use, and the size of its file.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "BenchDialog.h"
#include "BenchWindows.h"
#include "Measure.h"
#include "ProcessProbe.h"
#include "Sections.h"
#include "support/VeilboxApp.h"

using namespace vbtest;

namespace {

// Start-up work (the tray icon, the first paint, the first timer refresh) is over by then.
constexpr DWORD kSettleMs = 2000;

// Processor time over one span: a process's own, and the session's wineserver's (-1 unknown).
struct CpuSpan {
    double ownMs = -1;
    double serverMs = -1;
    double wallMs = 0;

    bool Known() const { return ownMs >= 0 && wallMs > 0; }
    double TotalMs() const { return ownMs + std::max(0.0, serverMs); }
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

double OwnCpuMs()
{
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
    double ownBefore = OwnCpuMs(), serverBefore = UnixProcessCpuMs(wineserverPid), start = NowMs();
    for (int pass = 0; pass < static_cast<int>(seconds); ++pass) {
        FloorPass(nullptr);
        double wait = start + (pass + 1) * 1000.0 - NowMs();
        if (wait > 0)
            Sleep(static_cast<DWORD>(wait));
    }
    span.wallMs = NowMs() - start;
    double ownAfter = OwnCpuMs(), serverAfter = UnixProcessCpuMs(wineserverPid);
    span.ownMs = ownBefore < 0 || ownAfter < 0 ? -1 : ownAfter - ownBefore;
    span.serverMs = serverBefore < 0 || serverAfter < 0 ? -1 : serverAfter - serverBefore;
    return span;
}

CpuSpan IdleProgram(VeilboxApp& app, ProcessProbe& probe, double seconds, int wineserverPid)
{
    CpuSpan span;
    double ownBefore = probe.CpuMs(), serverBefore = UnixProcessCpuMs(wineserverPid), start = NowMs();
    // The wait is the measurement: the program must not end during it.
    bool ended = WaitForSingleObject(app.Process().Handle(), static_cast<DWORD>(seconds * 1000)) == WAIT_OBJECT_0;
    span.wallMs = NowMs() - start;
    double ownAfter = probe.CpuMs(), serverAfter = UnixProcessCpuMs(wineserverPid);
    if (ended)
        return CpuSpan();
    span.ownMs = ownBefore < 0 || ownAfter < 0 ? -1 : ownAfter - ownBefore;
    span.serverMs = serverBefore < 0 || serverAfter < 0 ? -1 : serverAfter - serverBefore;
    return span;
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
                         " helper windows (GetProcessTimes over " + seconds + ")";
    const std::string target = "≤ 0.5 % of one core";
    BenchWindows targets("Idle Window", options.idleWindows);
    CpuSpan floor = targets.Ready() ? FloorOnceASecond(options.idleSeconds, options.wineserverPid) : CpuSpan();
    VeilboxApp app;
    if (!targets.Ready() || !app.MainWindow() || !app.WaitListed(targets.Title(targets.Count() - 1).c_str())) {
        report.Add({figure, "could not be measured", "", "", target, "no"});
        return;
    }
    WaitForSingleObject(app.Process().Handle(), kSettleMs);
    ProcessProbe probe(app.Process().Handle());
    CpuSpan idle = IdleProgram(app, probe, options.idleSeconds, options.wineserverPid);
    if (!idle.Known() || !floor.Known()) {
        report.Add({figure, "could not be measured", "", "", target, "no"});
        return;
    }
    double percent = 100.0 * idle.TotalMs() / idle.wallMs;
    double floorPercent = 100.0 * floor.TotalMs() / floor.wallMs;
    report.Add({figure, Describe(idle, "Veilbox.exe"), Describe(floor, "the floor's calls once a second:"),
                FormatRatio(percent, floorPercent), target, Met(percent <= 0.5)});
    report.Note("CPU while idle: " + probe.CpuSource() +
                (idle.serverMs < 0 ? "; the wineserver's time could not be read" : ""));
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
