// The dialog in the tray: what Veilbox with its defaults (the title-bar hook set) adds to the
// session's processor time and wake-ups while it waits there, in turns paired with the session
// alone, and that nothing is refreshed while the dialog is in the tray.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "BenchWindows.h"
#include "IdleSpan.h"
#include "Measure.h"
#include "Sections.h"
#include "support/VeilboxApp.h"

using namespace vbtest;

namespace {

// Start-up work (the tray icon, the first paint, the first timer refresh, the hook's thread) is
// over by then, and the previous turn's program has ended and its windows are put away.
constexpr DWORD kSettleMs = 2000;
// Veilbox in the tray and the session alone are measured in turns, so that drift in the
// machine's load falls on both alike.
constexpr int kTrayTurns = 3;
// How long the list must stay as it was while the dialog is in the tray.
constexpr DWORD kTrayQuietMs = 5000;
constexpr char kCloseToTrayKey[] = "Software\\Quillfen\\Veilbox\\CloseToTray";

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

// Veilbox started with its defaults and closed into the tray once it lists every helper window;
// null when that failed.
std::unique_ptr<VeilboxApp> StartIntoTray(const BenchWindows& targets)
{
    auto app = std::make_unique<VeilboxApp>();
    HWND main = app->MainWindow();
    if (!main || !app->WaitListed(targets.Title(targets.Count() - 1).c_str()))
        return nullptr;
    PostMessageA(main, WM_CLOSE, 0, 0);
    if (!WaitFor([&] { return !IsWindowVisible(main); }, 5000))
        return nullptr;
    WaitForSingleObject(app->Process().Handle(), kSettleMs);
    return app;
}

// The paired turns: what each turn's Veilbox added to the same turn's session alone.
struct TrayTurns {
    CpuSpan veilbox, alone;
    std::vector<double> addedPercent;
    std::vector<double> addedServerWakes;
    std::string text;

    void Add(const CpuSpan& mine, const CpuSpan& session)
    {
        veilbox.Add(mine);
        alone.Add(session);
        const double added = 100.0 * (mine.TotalMs() / mine.wallMs - session.serverMs / session.wallMs);
        addedPercent.push_back(added);
        if (mine.serverWakes >= 0 && session.serverWakes >= 0)
            addedServerWakes.push_back(static_cast<double>(mine.serverWakes - session.serverWakes));
        char line[96];
        snprintf(line, sizeof line, "%s%+.3f %% (%lld wake-ups)", text.empty() ? "" : ", ", added, mine.wakes);
        text += line;
    }
};

std::string Signed(double value, const char* format)
{
    char text[128];
    snprintf(text, sizeof text, format, value);
    return text;
}

void ReportTray(const TrayTurns& turns, const std::string& seconds, Report& report)
{
    const std::string figure = "CPU while idle with the dialog in the tray, defaults (the title-bar hook set), " +
                               std::to_string(turns.addedPercent.size()) + " turns of " + seconds +
                               " paired with the session alone";
    const std::string target = "≤ 0.05 % of one core added to the session";
    if (turns.addedPercent.empty()) {
        report.Add({figure, "could not be measured", "", "", target, "no"});
        return;
    }
    const double added = Median(turns.addedPercent);
    report.Add({figure, Describe(turns.veilbox, "Veilbox.exe"),
                "wineserver " + Percent(turns.alone.serverMs, turns.alone.wallMs) + " without Veilbox running",
                Signed(added, "%+.3f %% over that (median of the turns)"), target, Met(added <= 0.05)});
    report.Note("tray: what each turn added, " + turns.text + "; quartiles " +
                Signed(Quantile(turns.addedPercent, 0.25), "%+.3f") + " to " +
                Signed(Quantile(turns.addedPercent, 0.75), "%+.3f %%"));
    const CpuSpan& mine = turns.veilbox;
    if (mine.wakes < 0)
        return;
    report.Add({"wake-ups while idle with the dialog in the tray, defaults (context switches over the same turns)",
                std::to_string(mine.wakes) + " (of them its title-bar hook's thread " +
                    (mine.hookWakes >= 0 ? std::to_string(mine.hookWakes) : std::string("not found")) + ")",
                turns.addedServerWakes.empty() ? "" : Signed(Median(turns.addedServerWakes), "wineserver %+.0f a turn over the session alone (median)"),
                "—", "none", Met(mine.wakes == 0)});
}

} // namespace

// The list's check runs in the last turn's program (or a new one), after its span.
bool BenchTray(const BenchOptions& options, Report& report)
{
    const double span = options.idleSeconds / kTrayTurns;
    char seconds[32];
    snprintf(seconds, sizeof seconds, "%.3g s", span);
    const std::string listFigure = "the dialog in the tray: its list for " + std::to_string(kTrayQuietMs / 1000) +
                                   " s after a window came and a listed one was renamed, and after its return";
    const std::string listTarget = "unchanged; current on return";
    StoreCloseToTrayQuietly();
    ParkPointer();
    BenchWindows targets("Tray Window", options.idleWindows);
    TrayTurns turns;
    std::unique_ptr<VeilboxApp> last;
    for (int turn = 0; turn < kTrayTurns && targets.Ready(); ++turn) {
        last.reset();
        CpuSpan session, mine;
        // The helpers, Wine's desktop and its tray keep the wineserver busy with or without
        // Veilbox: what counts is what Veilbox adds to the session.
        if (turn % 2 == 0) {
            Sleep(kSettleMs);
            session = SessionAlone(span, options.wineserverPid);
        }
        if ((last = StartIntoTray(targets))) {
            ProcessProbe probe(last->Process().Handle());
            mine = IdleProgram(*last, probe, span, options.wineserverPid);
        }
        if (turn % 2 != 0) {
            last.reset();
            Sleep(kSettleMs);
            session = SessionAlone(span, options.wineserverPid);
        }
        if (mine.Known() && session.serverMs >= 0)
            turns.Add(mine, session);
    }
    ReportTray(turns, seconds, report);
    if (!last && targets.Ready())
        last = StartIntoTray(targets);
    std::string seen;
    const bool quiet = last && TrayListStaysUntilReturn(*last, targets, seen);
    report.Add({listFigure, last ? seen : "could not be measured", "", "", listTarget, Met(quiet)});
    if (last)
        last->Exit();
    ForgetCloseToTray();
    return quiet;
}
