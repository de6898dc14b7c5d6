// Start: from process creation until the program's main window is visible, for Veilbox.exe and
// for vb_bare_dialog.exe, started in turns so that drift falls on both alike.
#include <string>
#include <vector>

#include "Measure.h"
#include "Sections.h"
#include "res/MainDialogIds.h"
#include "support/VeilboxApp.h"

using namespace vbtest;

namespace {

constexpr double kShowWaitMs = 15000;

// Milliseconds from just before CreateProcess until the process shows a visible window with
// the title and the dialog class, polled every millisecond; -1 when it never does. The window
// is handed back for closing.
double MsUntilShown(ChildProcess& process, const char* exe, const char* title, HWND& window)
{
    double start = NowMs();
    if (!process.Start(exe))
        return -1;
    while (!(window = FindTopWindow({process.Id(), title, "#32770", true}))) {
        if (NowMs() - start > kShowWaitMs)
            return -1;
        Sleep(1);
    }
    return NowMs() - start;
}

// One start of the program and one of the bare dialog, each closed again; false when either
// failed.
bool StartBoth(double& veilboxMs, double& bareMs)
{
    ChildProcess veilbox, bare;
    HWND main = nullptr, dialog = nullptr;
    veilboxMs = MsUntilShown(veilbox, "Veilbox.exe", kMainTitle, main);
    // The Exit button ends the program and releases everything it holds.
    if (main)
        PostMessageA(main, WM_COMMAND, IDC_MAIN_EXIT, 0);
    bool veilboxEnded = veilbox.WaitForExit(10000);
    bareMs = MsUntilShown(bare, "vb_bare_dialog.exe", "Bare Dialog", dialog);
    if (dialog)
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    bool bareEnded = bare.WaitForExit(10000);
    return veilboxMs >= 0 && bareMs >= 0 && veilboxEnded && bareEnded;
}

} // namespace

void BenchStart(const BenchOptions& options, Report& report)
{
    std::vector<double> veilbox, bare;
    int failures = 0;
    double ignored1 = 0, ignored2 = 0;
    // The first start of each fills the file cache; it is not timed.
    StartBoth(ignored1, ignored2);
    for (int i = 0; i < options.startReps; ++i) {
        double veilboxMs = 0, bareMs = 0;
        if (!StartBoth(veilboxMs, bareMs)) {
            ++failures;
            continue;
        }
        veilbox.push_back(veilboxMs);
        bare.push_back(bareMs);
    }
    std::string figure = "start: process creation until \"Window Veilbox\" is visible (median of " +
                         std::to_string(options.startReps) + ")";
    if (veilbox.empty()) {
        report.Add({figure, "could not be measured", "", "", "≤ 1.3×", "no"});
        return;
    }
    double ratio = Median(veilbox) / Median(bare);
    report.Add({figure, FormatMs(Median(veilbox)), FormatMs(Median(bare)) + " (vb_bare_dialog)",
                FormatRatio(Median(veilbox), Median(bare)), "≤ 1.3×", Met(ratio <= 1.3)});
    if (failures > 0)
        report.Note("start: " + std::to_string(failures) + " starts failed or did not end");
}
