// The report of the start section: its rows against their floors and targets, and its notes.
#include "StartFigures.h"

#include <cstdio>
#include <string>

#include "Measure.h"

namespace {

constexpr double kDialogTargetMs = 100;

void AddTimeRow(Report& report, const std::string& figure, const std::vector<double>& mine,
                const std::vector<double>& floor, const char* floorName, double target)
{
    char targetText[32];
    snprintf(targetText, sizeof targetText, "≤ %.1f×", target);
    if (mine.empty()) {
        report.Add({figure, "could not be measured", "", "", targetText, "no"});
        return;
    }
    report.Add({figure, FormatMs(Median(mine)), FormatMs(Median(floor)) + " (" + floorName + ")",
                FormatRatio(Median(mine), Median(floor)), targetText, Met(Median(mine) <= target * Median(floor))});
    report.Note(figure + ": quartiles " + FormatSpread(mine) + " against " + FormatSpread(floor));
}

void AddDialogRow(Report& report, const char* name, const std::vector<double>& ms, int reps)
{
    std::string figure = std::string("first opening of ") + name + " in a program just started (median of " +
                         std::to_string(reps) + ")";
    if (ms.empty()) {
        report.Add({figure, "could not be measured", "—", "—", "< 100 ms", "no"});
        return;
    }
    report.Add({figure, FormatMs(Median(ms)), "—", "—", "< 100 ms", Met(Median(ms) < kDialogTargetMs)});
    report.Note(figure + ": quartiles " + FormatSpread(ms));
}

// The start beside the main dialog's template alone, which has no target.
void AddReferenceRow(Report& report, const StartFigures& figures, const std::string& median)
{
    const std::string figure =
        "start against the main dialog's template alone: process creation until visible (reference)" + median;
    if (figures.reference.empty() || figures.veilbox.empty()) {
        report.Add({figure, "could not be measured", "", "", "—", "—"});
        return;
    }
    const double mine = Median(figures.veilbox), reference = Median(figures.reference);
    report.Add({figure, FormatMs(mine), FormatMs(reference) + " (vb_bare_controls)", FormatRatio(mine, reference), "—",
                "—"});
    report.Note("start: the main dialog's template alone (its controls, font and manifest) takes " +
                FormatRatio(reference, Median(figures.bare)) + " the bare dialog's time; quartiles " +
                FormatSpread(figures.reference));
}

} // namespace

void ReportStart(const StartFigures& figures, int reps, Report& report)
{
    std::string median = " (median of " + std::to_string(reps) + ")";
    AddTimeRow(report, "start: process creation until \"Window Veilbox\" is visible" + median, figures.veilbox,
               figures.bare, "vb_bare_dialog", 1.3);
    AddReferenceRow(report, figures, median);
    AddTimeRow(report, "start in the tray: process creation until the tray icon exists" + median,
               figures.veilboxTray, figures.bareTray, "vb_bare_tray", 1.3);
    std::string memory = "private bytes after start" + median;
    if (figures.veilboxKb.empty()) {
        report.Add({memory, "could not be measured", "", "", "≤ 1.5×", "no"});
    } else {
        double mine = Median(figures.veilboxKb), floor = Median(figures.bareKb);
        report.Add({memory, FormatCount(static_cast<long long>(mine)) + " KB",
                    FormatCount(static_cast<long long>(floor)) + " KB (vb_bare_dialog)", FormatRatio(mine, floor),
                    "≤ 1.5×", Met(mine <= 1.5 * floor)});
    }
    for (int tray = 0; tray < 2; ++tray) {
        const std::vector<double>&mine = figures.cpu[tray][0], &floor = figures.cpu[tray][1];
        if (!mine.empty() && !floor.empty())
            report.Note(std::string(tray ? "start in the tray" : "start") +
                        ": processor time of the process until ready (its Unix process, median of " +
                        std::to_string(mine.size()) + "): " + FormatMs(Median(mine)) + " against " +
                        FormatMs(Median(floor)) + " for " + (tray ? "vb_bare_tray" : "vb_bare_dialog") + " (" +
                        FormatRatio(Median(mine), Median(floor)) + ")");
    }
    AddDialogRow(report, "About (with the licence text)", figures.about, reps);
    AddDialogRow(report, "Options (the Hot Key dialog)", figures.options, reps);
    AddDialogRow(report, "User Interface from the Hot Key dialog", figures.userInterface, reps);
    AddDialogRow(report, "Rules", figures.rules, reps);
}
