// The benchmark's settings and its sections. Each section adds its rows (and notes) to the
// report; sections that start Veilbox.exe or hold the hotkey run one after another, never
// together, because one hotkey can be held by one program only.
#pragma once

#include <string>
#include <vector>

#include "Report.h"

struct BenchOptions {
    // Windows path of the Markdown file; empty: print only.
    std::string outFile;
    std::vector<int> refreshWindows{50, 200, 1000};
    // Timed refreshes per window count, after two untimed ones.
    int refreshReps = 31;
    // The window count whose refresh ratio has a target.
    int targetWindows = 200;
    int idleWindows = 200;
    double idleSeconds = 30;
    int hideReps = 21;
    // Paired turns of the portable hide against Hide Active, each starting one copy of each.
    int portableTurns = 6;
    // Turns of 1 000 pointer moves with the option off, on, and off beside a bare hook.
    int titleBarTurns = 5;
    int startReps = 11;
    // The pause before each start (see StartBench.cpp); the small setting, which checks no
    // timing, makes none.
    int startPauseMs = 250;
    int soakWindows = 20;
    int soakWarmRefreshes = 100;
    int soakWarmCycles = 10;
    int soakRefreshes = 10000;
    int soakCycles = 1000;
    int hungBaseWindows = 200;
    // Windows shown one by one for the rules' hide latency.
    int rulesReps = 11;
    int hungReps = 5;
    // Adds a note of what one refresh's calls cost.
    bool profile = false;
    // Unix process id of the session's wineserver, whose processor time counts with the idle
    // program's (it does the work of many of its system calls); 0: not known.
    int wineserverPid = 0;
    // Sections to run (refresh, stuck, soak, idle, tray, rules, start, hide, titlebar, size); empty: all.
    std::vector<std::string> only;

    bool Runs(const char* section) const;
};

// The real refresh in the real main dialog, in this process, against the floor.
void BenchRefresh(const BenchOptions& options, Report& report);
// With --profile: what the calls of one refresh cost, as a note.
void ProfileRefresh(const BenchOptions& options, Report& report);
// The refresh with three programs that stopped answering, and how fast the dialog answers.
void BenchStuckPrograms(const BenchOptions& options, Report& report);
// Hide Active through its hotkey, against a bare program holding the same hotkey.
// Returns Veilbox's median, or -1.
double BenchHideActive(const BenchOptions& options, Report& report);
// The title-bar hook: processor time of pointer moves with and without it, and a right click on a
// minimise button until the window is hidden, paired with Hide Active's presses.
void BenchTitleBar(const BenchOptions& options, Report& report);
// Process creation until the main dialog is visible, against a bare dialog program.
void BenchStart(const BenchOptions& options, Report& report);
// Processor use of the idle program.
void BenchIdle(const BenchOptions& options, Report& report);
// Processor use of the idle program with its dialog in the tray, and its list left alone there.
// True when the list stayed as it was in the tray and was current as soon as the dialog came back.
bool BenchTray(const BenchOptions& options, Report& report);
// With three rules and the dialog in the tray: how soon the scan hides a window that appears, and
// the processor use while nothing happens.
void BenchRules(const BenchOptions& options, Report& report);
// Memory and objects after start, warm-up, many refreshes and many hide/unhide cycles. True
// when the GDI and USER objects and the handles were measured and did not change after the
// warm-up, private bytes grew by no more than 256 KB over it, and every refresh and cycle
// did what it should.
bool BenchSoak(const BenchOptions& options, Report& report);
// Size of Veilbox.exe.
void BenchSize(Report& report);
