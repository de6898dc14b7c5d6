// What an idle program costs over one span of waiting: the idle sections' measures
// (IdleBench.cpp), shared with the tray's (TrayBench.cpp).
#pragma once

#include <algorithm>
#include <string>

#include "ProcessProbe.h"
#include "support/VeilboxApp.h"

// Processor time over one span: a process's own, and the session's wineserver's (-1 unknown);
// the wake-ups (context switches) of both.
struct CpuSpan {
    double ownMs = -1;
    double serverMs = -1;
    double wallMs = 0;
    // Write calls of the measured process (round trips to the wineserver); -1 unknown.
    long long writes = -1;
    // Context switches of the measured process, of its title-bar hook's thread, and of the
    // wineserver; -1 unknown.
    long long wakes = -1;
    long long hookWakes = -1;
    long long serverWakes = -1;

    bool Known() const { return ownMs >= 0 && wallMs > 0; }
    double TotalMs() const { return ownMs + std::max(0.0, serverMs); }
    // Adds a later span; an unknown part stays unknown.
    void Add(const CpuSpan& more)
    {
        const bool first = wallMs == 0;
        ownMs = Sum(first, ownMs, more.ownMs);
        serverMs = Sum(first, serverMs, more.serverMs);
        writes = Sum(first, writes, more.writes);
        wakes = Sum(first, wakes, more.wakes);
        hookWakes = Sum(first, hookWakes, more.hookWakes);
        serverWakes = Sum(first, serverWakes, more.serverWakes);
        wallMs += more.wallMs;
    }

private:
    template <class T>
    static T Sum(bool first, T mine, T more)
    {
        return (first || mine >= 0) && more >= 0 ? (first ? 0 : mine) + more : -1;
    }
};

// "0.35 %": the share of one processor.
std::string Percent(double cpuMs, double wallMs);
// "7.20 % (Veilbox.exe 3.53 % + wineserver 3.67 %)"
std::string Describe(const CpuSpan& span, const char* own);
// The wineserver's time and wake-ups over a span of seconds while this process only waits.
CpuSpan SessionAlone(double seconds, int wineserverPid);
// The program's time and wake-ups (those of its title-bar hook's thread too) over a span of
// seconds, with the wineserver's; read from outside.
CpuSpan IdleProgram(vbtest::VeilboxApp& app, ProcessProbe& probe, double seconds, int wineserverPid);
// Puts the pointer in the screen's bottom right corner.
void ParkPointer();
