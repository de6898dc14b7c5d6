// What Linux tells of a Wine session's Unix processes, read through drive Z: (every Windows
// process under Wine is one Unix process, each of its threads one Unix task). Exact processor
// time: the scheduler's own account of every thread's time on a processor
// (/proc/PID/task/*/schedstat, in nanoseconds); the clock-tick figures (/proc/PID/stat,
// GetProcessTimes) count in steps of 10 ms by sampling, too coarse for a program that works a
// few milliseconds a second. Wake-ups: a thread's context switches. Shared by the benchmark and
// the tests that count what a waiting program does.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// The file's text (at most 64 KB); empty when it cannot be read.
inline std::string ReadSmallFile(const std::string& path)
{
    std::string text;
    if (FILE* in = fopen(path.c_str(), "rb")) {
        char buffer[4096];
        size_t length = 0;
        while ((length = fread(buffer, 1, sizeof buffer, in)) > 0 && text.size() < 65536)
            text.append(buffer, length);
        fclose(in);
    }
    return text;
}

// The clock ticks after boot at which the Unix process started (field 22 of /proc/PID/stat); 0
// when unknown.
inline unsigned long long UnixStartTicks(const std::string& dir)
{
    const std::string text = ReadSmallFile(dir + "stat");
    const size_t rest = text.rfind(')');
    if (rest == std::string::npos)
        return 0;
    // After the name, each field after one space: the one before field 22 is found.
    size_t at = rest + 1;
    for (int field = 3; field < 22 && at != std::string::npos; ++field)
        at = text.find(' ', at + 1);
    return at == std::string::npos ? 0 : strtoull(text.c_str() + at + 1, nullptr, 10);
}

inline bool HasVariable(const std::string& variables, const std::string& wanted)
{
    for (size_t at = 0; at < variables.size(); at = variables.find('\0', at) + 1) {
        if (variables.compare(at, wanted.size() + 1, wanted.c_str(), wanted.size() + 1) == 0)
            return true;
        if (variables.find('\0', at) == std::string::npos)
            break;
    }
    return false;
}

// The Unix processes of this Wine session (the same WINEPREFIX), each with its command name (Wine
// names a process after its file, cut to 15 characters) and start; empty when not under Wine.
struct UnixProcess {
    int pid;
    std::string comm;
    unsigned long long started;
};

inline std::vector<UnixProcess> SessionUnixProcesses()
{
    std::vector<UnixProcess> found;
    char prefix[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix))
        return found;
    const std::string wanted = std::string("WINEPREFIX=") + prefix;
    WIN32_FIND_DATAA entry = {};
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &entry);
    if (search == INVALID_HANDLE_VALUE)
        return found;
    do {
        if (entry.cFileName[0] < '0' || entry.cFileName[0] > '9')
            continue;
        const std::string dir = std::string("Z:\\proc\\") + entry.cFileName + "\\";
        std::string comm = ReadSmallFile(dir + "comm");
        if (comm.empty() || !HasVariable(ReadSmallFile(dir + "environ"), wanted))
            continue;
        comm.pop_back();
        found.push_back({atoi(entry.cFileName), comm, UnixStartTicks(dir)});
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return found;
}

// The Unix process id of the process of this session whose command name is comm; the one
// started last when there are several; 0 when there is none.
inline int UnixPidOf(const std::string& comm)
{
    int pid = 0;
    unsigned long long newest = 0;
    for (const UnixProcess& process : SessionUnixProcesses()) {
        if (process.comm == comm && (!pid || process.started > newest)) {
            pid = process.pid;
            newest = process.started;
        }
    }
    return pid;
}

// Context switches (voluntary and not) of the Unix process's tasks, each a wake-up or a preemption,
// of those named taskName only when given (a thread's name, cut to 15 characters); -1 when none
// can be read.
inline long long LinuxTaskSwitches(const std::string& process, const char* taskName = nullptr)
{
    const std::string tasks = "Z:\\proc\\" + process + "\\task\\";
    WIN32_FIND_DATAA found = {};
    HANDLE search = FindFirstFileA((tasks + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return -1;
    long long total = -1;
    do {
        if (found.cFileName[0] < '0' || found.cFileName[0] > '9')
            continue;
        const std::string task = tasks + found.cFileName + "\\";
        if (taskName && ReadSmallFile(task + "comm") != std::string(taskName) + "\n")
            continue;
        const std::string status = ReadSmallFile(task + "status");
        for (const char* field : {"\nvoluntary_ctxt_switches:", "\nnonvoluntary_ctxt_switches:"}) {
            const size_t at = status.find(field);
            if (at != std::string::npos)
                total = (total < 0 ? 0 : total) + atoll(status.c_str() + at + strlen(field));
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return total;
}

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
