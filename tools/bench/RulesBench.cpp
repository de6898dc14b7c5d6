// The rules at work while the dialog waits in the tray: how soon the once-a-second scan hides a
// window that appears, and what the program and its share of the wineserver cost meanwhile.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchWindows.h"
#include "Measure.h"
#include "ProcessProbe.h"
#include "Sections.h"
#include "support/TargetWindows.h"
#include "support/VeilboxApp.h"

using namespace vbtest;

namespace {

constexpr char kProgramKey[] = "Software\\Quillfen\\Veilbox";
constexpr char kTargetTitle[] = "Rule Bench Target";
constexpr DWORD kSettleMs = 2000;
constexpr DWORD kHideDeadlineMs = 5000;

void StoreNumber(const char* subKey, const char* name, DWORD value)
{
    const std::string path = std::string(kProgramKey) + "\\" + subKey;
    RegSetKeyValueA(HKEY_CURRENT_USER, path.c_str(), name, REG_DWORD, &value, sizeof value);
}

void StoreText(const char* subKey, const char* name, const char* text)
{
    const std::string path = std::string(kProgramKey) + "\\" + subKey;
    RegSetKeyValueA(HKEY_CURRENT_USER, path.c_str(), name, REG_SZ, text, static_cast<DWORD>(strlen(text) + 1));
}

// Three rules of the three kinds of field: a title pattern (every visible window's title is read
// each pass), a program name (read once per window) and a class with the minimised trigger.
void StoreRulesAndQuietTray()
{
    StoreNumber("Rules\\000", "When", 1);
    StoreText("Rules\\000", "Title", "Rule Bench Target*");
    StoreNumber("Rules\\001", "When", 1);
    StoreText("Rules\\001", "Exe", "chat.exe");
    StoreNumber("Rules\\002", "When", 2);
    StoreText("Rules\\002", "Class", "ConsoleWindowClass");
    StoreNumber("CloseToTray", "CloseToTray", 1);
    StoreNumber("CloseToTray", "CloseToTrayReminder", 0);
    StoreNumber("CloseToTray", "CloseToTrayRunReminder", 0);
}

void ForgetRulesAndTray()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, (std::string(kProgramKey) + "\\Rules").c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, (std::string(kProgramKey) + "\\CloseToTray").c_str());
}

// Processor time of the program and of the wineserver over seconds of waiting; -1 unknown.
struct IdleCost {
    double ownMs = -1, serverMs = -1, wallMs = 0;
};

IdleCost MeasureIdle(VeilboxApp& app, ProcessProbe& probe, double seconds, int wineserverPid)
{
    IdleCost cost;
    const double ownBefore = probe.CpuMs(), serverBefore = UnixProcessCpuMs(wineserverPid), start = NowMs();
    if (WaitForSingleObject(app.Process().Handle(), static_cast<DWORD>(seconds * 1000)) == WAIT_OBJECT_0)
        return IdleCost();
    cost.wallMs = NowMs() - start;
    const double ownAfter = probe.CpuMs(), serverAfter = UnixProcessCpuMs(wineserverPid);
    cost.ownMs = ownBefore < 0 || ownAfter < 0 ? -1 : ownAfter - ownBefore;
    cost.serverMs = serverBefore < 0 || serverAfter < 0 ? -1 : serverAfter - serverBefore;
    return cost;
}

std::string DescribeCost(const IdleCost& cost)
{
    const double own = 100.0 * cost.ownMs / cost.wallMs;
    char text[160];
    if (cost.serverMs < 0) {
        snprintf(text, sizeof text, "%.2f %% (Veilbox.exe alone: the wineserver's time could not be read)", own);
    } else {
        const double server = 100.0 * cost.serverMs / cost.wallMs;
        snprintf(text, sizeof text, "%.2f %% (Veilbox.exe %.2f %% + wineserver %.2f %%)", own + server, own, server);
    }
    return text;
}

// Shows each target in turn, at a different moment of the scan's second each time, and takes
// how long it stays visible. A window that is never hidden counts as the deadline.
std::vector<double> HideLatencies(TargetWindows& targets, int reps, int& missed)
{
    std::vector<double> latencies;
    for (int i = 0; i < reps; ++i) {
        Sleep(static_cast<DWORD>(150 + (i * 373) % 1000));
        HWND window = targets[static_cast<size_t>(i)];
        const double start = NowMs();
        ShowWindow(window, SW_SHOWNOACTIVATE);
        if (!WaitFor([&] { return !IsWindowVisible(window); }, kHideDeadlineMs))
            ++missed;
        latencies.push_back(NowMs() - start);
    }
    return latencies;
}

} // namespace

void BenchRules(const BenchOptions& options, Report& report)
{
    const std::string windows = std::to_string(options.idleWindows) + " helper windows";
    const std::string latencyFigure = "rule hides a window that appears, by the scan: 3 rules, " + windows +
                                      ", dialog in the tray (median of " + std::to_string(options.rulesReps) + ")";
    char seconds[32];
    snprintf(seconds, sizeof seconds, "%g s", options.idleSeconds);
    const std::string idleFigure = "CPU while idle with 3 rules, " + windows + ", dialog in the tray (over " +
                                   seconds + ")";
    StoreRulesAndQuietTray();
    BenchWindows bystanders("Rules Idle Window", options.idleWindows);
    TargetWindows targets("--window --title \"" + std::string(kTargetTitle) + "\" --hidden --count " +
                          std::to_string(std::max(2, options.rulesReps)));
    VeilboxApp app;
    HWND main = bystanders.Ready() && targets.Ready() ? app.MainWindow() : nullptr;
    if (main)
        PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    if (!main || !WaitFor([&] { return !IsWindowVisible(main); }, 5000)) {
        report.Add({latencyFigure, "could not be measured", "", "", "≤ 1.5 s", "no"});
        report.Add({idleFigure, "could not be measured", "", "", "≤ 1 % of one core", "no"});
        ForgetRulesAndTray();
        return;
    }
    WaitForSingleObject(app.Process().Handle(), kSettleMs);
    ProcessProbe probe(app.Process().Handle());
    const IdleCost cost = MeasureIdle(app, probe, options.idleSeconds, options.wineserverPid);
    int missed = 0;
    const std::vector<double> latencies = HideLatencies(targets, options.rulesReps, missed);
    const double median = Median(latencies);
    report.Add({latencyFigure, FormatMs(median), "", "", "≤ 1.5 s", Met(missed == 0 && median <= 1500)});
    report.Note("rule hide latency: quartiles " + FormatSpread(latencies) + ", " + std::to_string(missed) +
                " window(s) not hidden within " + std::to_string(kHideDeadlineMs / 1000) + " s");
    if (cost.ownMs < 0 || cost.wallMs <= 0) {
        report.Add({idleFigure, "could not be measured", "", "", "≤ 1 % of one core", "no"});
    } else {
        const double percent = 100.0 * (cost.ownMs + std::max(0.0, cost.serverMs)) / cost.wallMs;
        report.Add({idleFigure, DescribeCost(cost), "", "", "≤ 1 % of one core", Met(percent <= 1.0)});
    }
    app.Quit();
    ForgetRulesAndTray();
}
