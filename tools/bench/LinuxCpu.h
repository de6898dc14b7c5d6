// Exact processor time of a Unix process under Wine: the scheduler's own account of every
// thread's time on a processor (/proc/PID/task/*/schedstat, in nanoseconds), read through drive
// Z:. The clock-tick figures (/proc/PID/stat, GetProcessTimes) count in steps of 10 ms by
// sampling, too coarse for a program that works a few milliseconds a second.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

// A Unix process id ("self" would name the wineserver, which opens files for Wine). Milliseconds; -1 when the figures cannot be read (not under Wine).
inline double LinuxTasksCpuMs(const std::string& process)
{
    const std::string tasks = "Z:\\proc\\" + process + "\\task\\";
    WIN32_FIND_DATAA found = {};
    HANDLE search = FindFirstFileA((tasks + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return -1;
    unsigned long long total = 0;
    int read = 0;
    do {
        if (found.cFileName[0] < '0' || found.cFileName[0] > '9')
            continue;
        if (FILE* in = fopen((tasks + found.cFileName + "\\schedstat").c_str(), "rb")) {
            unsigned long long ns = 0;
            if (fscanf(in, "%llu", &ns) == 1) {
                total += ns;
                ++read;
            }
            fclose(in);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return read > 0 ? static_cast<double>(total) / 1e6 : -1;
}

// The write calls the Unix process has made ("syscw" of /proc/PID/io): under Wine nearly each is
// one request to the wineserver, so their count is the number of round trips, a figure that does
// not move with the machine's load as times do. -1 when it cannot be read.
inline long long LinuxWriteCalls(const std::string& process)
{
    long long calls = -1;
    if (FILE* in = fopen(("Z:\\proc\\" + process + "\\io").c_str(), "rb")) {
        char line[128];
        while (fgets(line, sizeof line, in)) {
            if (sscanf(line, "syscw: %lld", &calls) == 1)
                break;
        }
        fclose(in);
    }
    return calls;
}
