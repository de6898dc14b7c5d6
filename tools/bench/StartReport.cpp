// The report of the start section: its rows against their floors and targets, and its notes.
#include "StartFigures.h"

#include <cstdio>
#include <string>

#include "Measure.h"

namespace {

constexpr double kDialogTargetMs = 100;

// A start against its floor: the medians of each, and the median of the ratios of the starts
// made in the same turn, which the target (none when 0) holds for.
void AddTimeRow(Report& report, const std::string& figure, const std::vector<double>& mine,
                const std::vector<double>& floor, const std::vector<double>& paired, const char* floorName,
                double target)
{
    char targetText[32] = "—";
    if (target > 0)
        snprintf(targetText, sizeof targetText, "≤ %g×", target);
    if (mine.empty() || paired.empty()) {
        report.Add({figure, "could not be measured", "", "", targetText, target > 0 ? "no" : "—"});
        return;
    }
    char ratio[80];
    snprintf(ratio, sizeof ratio, "%.2f× (paired; %.2f× of the medians)", Median(paired), Median(mine) / Median(floor));
    report.Add({figure, FormatMs(Median(mine)), FormatMs(Median(floor)) + " (" + floorName + ")", ratio, targetText,
                target > 0 ? Met(Median(paired) <= target) : "—"});
    char spread[64];
    snprintf(spread, sizeof spread, "; paired ratios' quartiles %.2f–%.2f×", Quantile(paired, 0.25),
             Quantile(paired, 0.75));
    report.Note(figure + ": quartiles " + FormatSpread(mine) + " against " + FormatSpread(floor) + spread);
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

// What the main dialog's template alone costs beside the bare dialog, for the rows' history.
void NoteReference(Report& report, const StartFigures& figures)
{
    if (figures.reference.empty() || figures.bare.empty())
        return;
    report.Note("start: the main dialog's template alone (its controls, font and manifest) takes " +
                FormatRatio(Median(figures.reference), Median(figures.bare)) + " the bare dialog's time; quartiles " +
                FormatSpread(figures.reference));
}

} // namespace

void ReportStart(const StartFigures& figures, int reps, Report& report)
{
    std::string median = " (median of " + std::to_string(reps) + ")";
    AddTimeRow(report, "start: process creation until \"Window Veilbox\" is visible, against the empty dialog" + median,
               figures.veilbox, figures.bare, figures.pairedBare, "vb_bare_dialog", 0);
    AddTimeRow(report, "start against the main dialog's template alone: process creation until visible" + median,
               figures.veilbox, figures.reference, figures.pairedReference, "vb_bare_controls", 1.25);
    NoteReference(report, figures);
    AddTimeRow(report, "start in the tray: process creation until the tray icon exists" + median,
               figures.veilboxTray, figures.bareTray, figures.pairedTray, "vb_bare_tray", 1.3);
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
