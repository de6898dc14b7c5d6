// vb_bench.exe: measures Window Veilbox against the floor measured in the same run and prints
// one Markdown table, also written to the file given with --out.
//
//   vb_bench.exe [--out FILE] [--small] [--check] [--profile] [--only SECTION,...]
//                [--windows N,N,...] [--reps N] [--idle-seconds S] [--refreshes N] [--cycles N]
//                [--wineserver-pid PID]
//
// --small runs every figure on a small setting (seconds, for the test run); --check makes the
// exit code 1 unless the soak ran and the GDI objects, USER objects and handles came back
// exactly to their warm-up figures, private bytes stayed within their margin and every soak
// step worked, and unless the tray section ran and the dialog in the tray left its list alone. tools/bench/run-bench.sh finds the wineserver's process id. Run it inside a
// private Wine session: it starts Veilbox.exe, which holds the program's hotkeys, and it writes
// the program's settings (put back as they were at the end).
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "Measure.h"
#include "Sections.h"
#include "dialogs/Hyperlink.h"
#include "settings/RegistryRead.h"
#include "winbase/ModuleInfo.h"
#include "support/TestSupport.h"

namespace {

void UseSmallSetting(BenchOptions& options)
{
    options.refreshWindows = {20};
    options.targetWindows = 20;
    options.refreshReps = 5;
    options.idleWindows = 20;
    options.idleSeconds = 2;
    options.hideReps = 3;
    options.portableTurns = 1;
    options.titleBarTurns = 1;
    options.startReps = 3;
    options.startPauseMs = 0;
    options.soakWindows = 5;
    options.soakWarmRefreshes = 20;
    options.soakWarmCycles = 5;
    options.soakRefreshes = 300;
    options.soakCycles = 100;
    options.hungBaseWindows = 20;
    options.hungReps = 2;
    options.rulesReps = 3;
}

std::vector<std::string> ParseNames(const char* text)
{
    std::vector<std::string> names;
    std::string name;
    for (const char* p = text;; ++p) {
        if (*p == ',' || *p == '\0') {
            if (!name.empty())
                names.push_back(name);
            name.clear();
            if (*p == '\0')
                break;
        } else {
            name += *p;
        }
    }
    return names;
}

std::vector<int> ParseCounts(const char* text)
{
    std::vector<int> counts;
    for (const char* p = text; *p;) {
        int count = atoi(p);
        if (count > 0)
            counts.push_back(count);
        p = strchr(p, ',');
        if (!p)
            break;
        ++p;
    }
    return counts;
}

// Later arguments override what --small set. False on an argument it does not know.
bool ParseOptions(int argc, char** argv, BenchOptions& options, bool& check)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--small") UseSmallSetting(options);
        else if (arg == "--check") check = true;
        else if (arg == "--profile") options.profile = true;
        else if (arg == "--out" && hasValue) options.outFile = argv[++i];
        else if (arg == "--windows" && hasValue) options.refreshWindows = ParseCounts(argv[++i]);
        else if (arg == "--reps" && hasValue) options.refreshReps = atoi(argv[++i]);
        else if (arg == "--idle-seconds" && hasValue) options.idleSeconds = atof(argv[++i]);
        else if (arg == "--refreshes" && hasValue) options.soakRefreshes = atoi(argv[++i]);
        else if (arg == "--cycles" && hasValue) options.soakCycles = atoi(argv[++i]);
        else if (arg == "--only" && hasValue) options.only = ParseNames(argv[++i]);
        else if (arg == "--wineserver-pid" && hasValue) options.wineserverPid = atoi(argv[++i]);
        else return false;
    }
    return true;
}

// The process is prepared as the program prepares itself, so the dialog run here is the
// program's dialog.
void PrepareLikeTheProgram()
{
    RegisterHyperlinkClass(GetModuleHandleA(nullptr));
}

// The "model name" line of /proc/cpuinfo, read through drive Z: under Wine; else the
// processor's name as the system stores it.
std::string CpuModel()
{
    if (FILE* in = fopen("Z:\\proc\\cpuinfo", "rb")) {
        char line[512];
        std::string model;
        while (model.empty() && fgets(line, sizeof line, in)) {
            if (strncmp(line, "model name", 10) == 0 && strchr(line, ':'))
                model = strchr(line, ':') + 2;
        }
        fclose(in);
        if (!model.empty() && model.back() == '\n')
            model.pop_back();
        if (!model.empty())
            return model;
    }
    HKEY key = nullptr;
    std::vector<BYTE> data;
    DWORD type = REG_NONE;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", 0, KEY_READ,
                      &key) == ERROR_SUCCESS) {
        RegistryQueryValue(key, "ProcessorNameString", &type, data);
        RegCloseKey(key);
    }
    if (type != REG_SZ)
        return std::string();
    const char* text = reinterpret_cast<const char*>(data.data());
    return std::string(text, std::find(text, text + data.size(), '\0'));
}

// The Unix load averages over 1, 5 and 15 minutes, as /proc/loadavg gives them; empty when
// unknown. Timings on a machine shared with other work are noisy: the report says how busy it was.
std::string LoadAverage()
{
    std::string text;
    if (FILE* in = fopen("Z:\\proc\\loadavg", "rb")) {
        char line[128] = {};
        if (fgets(line, sizeof line, in)) {
            text = line;
            size_t third = text.find(' ', text.find(' ', text.find(' ') + 1) + 1);
            text = text.substr(0, third);
        }
        fclose(in);
    }
    return text;
}

void DescribeMachine(Report& report)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    SYSTEM_INFO system;
    GetNativeSystemInfo(&system);
    using WineVersion = const char*(CDECL*)();
    auto wineVersion = reinterpret_cast<WineVersion>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")));
    char line[512];
    snprintf(line, sizeof line, "Run of %04u-%02u-%02u %02u:%02u on %lu processors, %s; %s", now.wYear, now.wMonth,
             now.wDay, now.wHour, now.wMinute, system.dwNumberOfProcessors, CpuModel().c_str(),
             wineVersion ? (std::string("Wine ") + wineVersion()).c_str() : "Windows");
    report.Header(line);
    report.Header("Load average at the start: " + LoadAverage() +
                  ". Each timed figure is the median of the repetitions its row names; the notes give the "
                  "quartiles.");
}

} // namespace

bool BenchOptions::Runs(const char* section) const
{
    if (strcmp(section, "profile") == 0)
        return profile;
    return only.empty() || std::find(only.begin(), only.end(), section) != only.end();
}

int main(int argc, char** argv)
{
    BenchOptions options;
    bool check = false;
    if (!ParseOptions(argc, argv, options, check)) {
        fprintf(stderr, "usage: vb_bench.exe [--out FILE] [--small] [--check] [--profile] [--only SECTION,...] "
                        "[--windows N,N,...] [--reps N] [--idle-seconds S] [--refreshes N] [--cycles N] [--wineserver-pid PID]\n"
                        "sections: refresh stuck soak idle tray rules start hide titlebar size\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    PrepareLikeTheProgram();
    bool flat = false, trayQuiet = false;
    Report report;
    DescribeMachine(report);
    {
        vbtest::RegistryKeyGuard settings;
        settings.Clear();
        // The dialog run in this process holds the hotkeys while it runs: it goes first, and
        // the sections that press keys go last.
        using Section = std::function<void()>;
        const std::pair<const char*, Section> sections[] = {
            {"refresh", [&] { BenchRefresh(options, report); }},
            {"profile", [&] { ProfileRefresh(options, report); }},
            {"stuck", [&] { BenchStuckPrograms(options, report); }},
            {"soak", [&] { flat = BenchSoak(options, report); }},
            {"idle", [&] { BenchIdle(options, report); }},
            {"tray", [&] { trayQuiet = BenchTray(options, report); }},
            {"rules", [&] { BenchRules(options, report); }},
            {"start", [&] { BenchStart(options, report); }},
            {"hide", [&] { BenchHideActive(options, report); }},
            {"titlebar", [&] { BenchTitleBar(options, report); }},
            {"size", [&] { BenchSize(report); }},
        };
        for (const auto& section : sections) {
            if (!options.Runs(section.first))
                continue;
            double start = NowMs();
            section.second();
            fprintf(stderr, "vb_bench: %s took %.1f s\n", section.first, (NowMs() - start) / 1000);
        }
    }
    report.Note("load average at the end: " + LoadAverage());
    std::string text = report.Markdown();
    fwrite(text.data(), 1, text.size(), stdout);
    fflush(stdout);
    int result = check && !(flat && trayQuiet) ? 1 : 0;
    if (!options.outFile.empty() && !report.Write(options.outFile)) {
        fprintf(stderr, "vb_bench: cannot write %s\n", options.outFile.c_str());
        result = 1;
    }
    CoUninitialize();
    return result;
}
