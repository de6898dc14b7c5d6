// The figures of the start section (StartBench.cpp) and their report (StartReport.cpp).
#pragma once

#include <vector>

#include "Report.h"

struct StartFigures {
    std::vector<double> veilbox, bare, reference, veilboxTray, bareTray, veilboxKb, bareKb, about, options, userInterface,
        rules;
    // The paired ratios: each start of Veilbox over the start of its floor (the bare dialog, the
    // template alone, the bare tray program) made in the same turn.
    std::vector<double> pairedBare, pairedReference, pairedTray;
    // Processor time until ready, by kind of start: shown and in the tray, Veilbox and its floor.
    std::vector<double> cpu[2][2];
    int failures = 0;
};

// Adds the start section's rows and notes: each start against its floor, the reference, the
// memory after start, the processor time until ready and the first openings of the dialogs.
void ReportStart(const StartFigures& figures, int reps, Report& report);
