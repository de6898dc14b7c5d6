// Hide Active: from the press of Ctrl+Shift+H until the foreground window is invisible, in
// Veilbox.exe and in vb_bare_hotkey.exe, a bare program that holds the same hotkey and calls
// ShowWindow. Both are pressed the same way, so what the keys cost falls on both alike. The
// window is polled every millisecond.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BenchWindows.h"
#include "Measure.h"
#include "Presses.h"
#include "Sections.h"
#include "app/held/HeldWindows.h"
#include "app/held/HiddenMenu.h"
#include "settings/SettingsStore.h"
#include "support/TempFolder.h"
#include "support/VeilboxApp.h"

using namespace vbtest;

namespace {

constexpr char kTargetTitle[] = "Hide Active Target";
constexpr double kHideWaitMs = 3000;
// How long the target must stay the foreground window before a press.
constexpr double kSteadyForegroundMs = 60;
constexpr double kClickRetryMs = 200;
// The first press of each program is not timed: it pays for code and data not yet touched.
constexpr int kUntimedPresses = 1;

// Ctrl+Shift+H pressed and released with SendInput. Under Wine this delivers WM_HOTKEY at once
// and every time (the server sees the hotkey as the keys are injected); xdotool, which the
// tests use for held modifiers, costs a process start of about 35 ms per press here, more than
// the bare program's whole figure.
void PressHideActive()
{
    for (WORD key : {WORD(VK_CONTROL), WORD(VK_SHIFT), WORD('H')})
        SendKey(key, true);
    for (WORD key : {WORD('H'), WORD(VK_SHIFT), WORD(VK_CONTROL)})
        SendKey(key, false);
}

} // namespace

// Under Wine a click can be lost while another program is still changing the foreground, and a
// window made foreground by a program can lose it again when the X server's focus events arrive;
// the hotkey would then act on another window.
bool SteadyInFront(HWND window)
{
    double since = -1, clicked = -1;
    return WaitFor([&] {
        if (GetForegroundWindow() != window) {
            since = -1;
            if (clicked < 0 || NowMs() - clicked > kClickRetryMs) {
                ClickCentreOf(window);
                clicked = NowMs();
            }
            return false;
        }
        if (since < 0)
            since = NowMs();
        return NowMs() - since >= kSteadyForegroundMs;
    }, 5000);
}

bool ModifiersUp()
{
    return WaitFor([] {
        return !(GetAsyncKeyState(VK_CONTROL) & 0x8000) && !(GetAsyncKeyState(VK_SHIFT) & 0x8000);
    }, 3000);
}

double MsUntilHiddenByHotkey(HWND window)
{
    double start = NowMs();
    PressHideActive();
    while (IsWindowVisible(window)) {
        if (NowMs() - start > kHideWaitMs)
            return -1;
        Sleep(1);
    }
    return NowMs() - start;
}

namespace {

// Times reps hides of the target, after kUntimedPresses; show(n) brings it back after the n-th
// hide (from 0). A hide that never came counts as a failure, not as a time.
std::vector<double> TimeHides(HWND target, int reps, const std::function<bool(int)>& show, int& failures)
{
    std::vector<double> times;
    int hides = 0;
    for (int i = 0; i < reps + kUntimedPresses; ++i) {
        if (!ModifiersUp() || !SteadyInFront(target)) {
            ++failures;
            continue;
        }
        double ms = MsUntilHiddenByHotkey(target);
        if (ms < 0) {
            ++failures;
            continue;
        }
        if (i >= kUntimedPresses)
            times.push_back(ms);
        if (!show(hides++)) {
            ShowWindow(target, SW_SHOWNOACTIVATE);
            ++failures;
        }
    }
    ModifiersUp();
    return times;
}

// file: when given, the bare program replaces that file, flushed, before each hide (see
// vb_bare_hotkey.cpp).
std::vector<double> TimeBare(int reps, int& failures, const std::string& file = "")
{
    BenchWindows target(kTargetTitle, 1);
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, "VbBareHotkey.Ready");
    ChildProcess bare;
    const std::string arguments = file.empty() ? "VbBareHotkey.Ready" : "VbBareHotkey.Ready " + file;
    bool started = target.Ready() && bare.Start("vb_bare_hotkey.exe", arguments) &&
                   WaitForSingleObject(ready, 10000) == WAIT_OBJECT_0;
    CloseHandle(ready);
    if (!started) {
        failures += reps;
        return {};
    }
    HWND window = target[0];
    return TimeHides(window, reps, [window](int) {
        ShowWindow(window, SW_SHOWNOACTIVATE);
        return WaitFor([window] { return IsWindowVisible(window) != FALSE; }, 2000);
    }, failures);
}

// Visible dialogs of the process titled as the main dialog, other than the main dialog: the
// message boxes that tell of a window that could not be hidden.
int RefusalBoxes(DWORD process, HWND main)
{
    struct Search {
        DWORD process;
        HWND main;
        int boxes;
    } search{process, main, 0};
    EnumWindows([](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        char className[16] = {};
        wchar_t title[32] = {};
        GetClassNameA(window, className, sizeof className);
        InternalGetWindowText(window, title, 32);
        if (owner == s->process && window != s->main && IsWindowVisible(window) &&
            strcmp(className, "#32770") == 0 && wcscmp(title, L"Window Veilbox") == 0)
            ++s->boxes;
        return TRUE;
    }, reinterpret_cast<LPARAM>(&search));
    return search.boxes;
}

// Each hide gives the window a menu entry with the next command id; choosing it shows the window
// again. The program was started fresh, so its first entry has the first id.
std::vector<double> TimeVeilbox(int reps, int& failures, int& boxes, const std::string& exe = "Veilbox.exe")
{
    BenchWindows target(kTargetTitle, 1);
    VeilboxApp app("", exe);
    if (!target.Ready() || !app.MainWindow() || !app.WaitListed(kTargetTitle)) {
        failures += reps;
        return {};
    }
    HWND window = target[0];
    HWND main = app.MainWindow();
    std::vector<double> times = TimeHides(window, reps, [window, main, &app](int hide) {
        // The window goes while the program still waits for its ShowWindow to come back, and a
        // command sent then would run inside that wait and show the window before the program
        // has checked that it went. The refresh after the check drops it from the list.
        WaitFor([&app] { return !app.Lists(kTargetTitle); }, 2000);
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(main, WM_COMMAND, kFirstEntryId + hide, 0, SMTO_NORMAL, 5000, &ignored);
        return WaitFor([window] { return IsWindowVisible(window) != FALSE; }, 2000);
    }, failures);
    boxes = RefusalBoxes(app.Process().Id(), main);
    app.Exit();
    return times;
}

// The held-window record the program writes before each hide and removes after each show, timed
// alone (HeldWindowStore::Sync) on a helper window, under a scratch key of its own: into the
// registry and into a state file beside the benchmark, in turns, the first of each pair turning
// with the record. A second window's entry stays throughout, so that a removal is the removal of
// one record, not the deletion of the whole key that follows the last.
void NoteRecordWrites(Report& report)
{
    constexpr char kScratchKey[] = "Software\\Quillfen\\VeilboxBench.HeldRecords";
    constexpr int kRecords = 41;
    BenchWindows targets(kTargetTitle, 2);
    HiddenMenu menu;
    if (!targets.Ready() || !menu.Create())
        return;
    HeldWindowStore registry(kScratchKey, std::wstring()), state(kScratchKey, FileBesideProgram(L"VeilboxBench.held"));
    HeldWindowStore* const stores[] = {&registry, &state};
    ShowWindow(targets[1], SW_HIDE);
    TitledWindow kept, timed;
    kept.window = targets[1];
    timed.window = targets[0];
    menu.AddEntry(kept);
    for (HeldWindowStore* store : stores) {
        store->Clear();
        store->Sync(menu);
    }
    std::vector<double> writes[2], removals[2];
    const auto timeSyncs = [&](std::vector<double>* times, int turn) {
        for (int kind : {turn % 2, 1 - turn % 2}) {
            const double start = NowMs();
            stores[kind]->Sync(menu);
            times[kind].push_back(NowMs() - start);
        }
    };
    for (int i = 0; i < kRecords; ++i) {
        menu.AddEntry(timed);
        timeSyncs(writes, i);
        // The visible window's entry goes, the hidden one's stays.
        menu.Prune();
        timeSyncs(removals, i);
    }
    menu.ReleaseAll();
    for (HeldWindowStore* store : stores)
        store->Clear();
    const char* const where[] = {"into the registry", "into the state file (Veilbox.held)"};
    for (int kind : {0, 1})
        report.Note("held-window record written " + std::string(where[kind]) + " before each hide: " +
                    FormatMs(Median(writes[kind])) + " (quartiles " + FormatSpread(writes[kind]) +
                    "), removed after each show: " + FormatMs(Median(removals[kind])) + " (quartiles " +
                    FormatSpread(removals[kind]) + "), median of " + std::to_string(kRecords) + ", in turns");
}

// What a flushed, atomic replace of a file before each hide costs a hide at the least, whoever
// writes it: vb_bare_hotkey with and without the write, in turns.
void NotePortableFloor(const BenchOptions& options, const TempFolder& folder, Report& report)
{
    int failures = 0;
    std::vector<double> bare, withWrite;
    for (int turn = 0; turn < 2; ++turn) {
        const std::vector<double> plain = TimeBare(options.hideReps, failures);
        const std::vector<double> written = TimeBare(options.hideReps, failures, folder / "Floor.ini");
        bare.insert(bare.end(), plain.begin(), plain.end());
        withWrite.insert(withWrite.end(), written.begin(), written.end());
    }
    const std::string figure = "hide in portable mode, its floor: vb_bare_hotkey with one flushed, atomic replace of a "
                               "file before each hide (median of " + std::to_string(withWrite.size()) + " presses)";
    if (bare.empty() || withWrite.empty()) {
        report.Add({figure, "could not be measured", "", "", "—", "—"});
        return;
    }
    report.Add({figure, FormatMs(Median(withWrite)),
                FormatMs(Median(bare)) + " (vb_bare_hotkey without the write, median of " + std::to_string(bare.size()) + ")",
                FormatRatio(Median(withWrite), Median(bare)), "—", "—"});
    report.Note("hide in portable mode, its floor: quartiles " + FormatSpread(withWrite) + " against " + FormatSpread(bare) +
                ", in two turns" + (failures ? ", " + std::to_string(failures) + " presses did not hide or show the window" : ""));
}

// Hide Active of a copy of the program in a folder of its own beside a Veilbox.ini, against the
// registry's Hide Active, in paired turns: each turn starts one copy of each kind (which goes first
// turns with the turn) and times its presses, and its ratio is the quotient of the two medians, so
// that what the machine does meanwhile falls on both alike; the row gives the median ratio. The
// row after it is the floor of the flushed, atomic replace of a file that each record cost before
// the records moved to the state file (see NoteRecordWrites for the state file's own write).
void BenchPortableHide(const BenchOptions& options, Report& report)
{
    TempFolder folder("bench-portable");
    const std::string exe = folder / "Veilbox.exe";
    int failures = 0, boxes = 0;
    std::vector<double> portable, registry, ratios;
    if (CopyFileA((BinDir() + "Veilbox.exe").c_str(), exe.c_str(), FALSE)) {
        folder.MakeFile("Veilbox.ini");
        for (int turn = 0; turn < options.portableTurns; ++turn) {
            std::vector<double> times[2];
            for (int kind : {turn % 2, 1 - turn % 2})
                times[kind] = TimeVeilbox(options.hideReps, failures, boxes, kind ? exe : "Veilbox.exe");
            if (times[0].empty() || times[1].empty())
                continue;
            ratios.push_back(Median(times[1]) / Median(times[0]));
            registry.insert(registry.end(), times[0].begin(), times[0].end());
            portable.insert(portable.end(), times[1].begin(), times[1].end());
        }
    }
    const std::string figure = "hide in portable mode: Hide Active with Veilbox.ini beside the program, against Hide Active in " +
                               std::to_string(ratios.size()) + " paired turns of " + std::to_string(options.hideReps) +
                               " presses (median of the turns' ratios)";
    if (ratios.empty()) {
        report.Add({figure, "could not be measured", "", "", "≤ 1.3× Hide Active", "no"});
        return;
    }
    std::string each;
    for (double ratio : ratios)
        each += (each.empty() ? "" : ", ") + FormatRatio(ratio, 1);
    const double ratio = Median(ratios);
    report.Add({figure, FormatMs(Median(portable)), FormatMs(Median(registry)) + " (Hide Active, the same turns)",
                FormatRatio(ratio, 1), "≤ 1.3× Hide Active", Met(ratio <= 1.3)});
    report.Note("hide in portable mode: the turns' ratios " + each + " (range " + FormatRatio(*std::min_element(ratios.begin(), ratios.end()), 1) +
                "–" + FormatRatio(*std::max_element(ratios.begin(), ratios.end()), 1) + "); quartiles of the presses " +
                FormatSpread(portable) + " against " + FormatSpread(registry) +
                (failures ? ", " + std::to_string(failures) + " presses did not hide or show the window" : ""));
    NotePortableFloor(options, folder, report);
}

} // namespace

double BenchHideActive(const BenchOptions& options, Report& report)
{
    int failures = 0, boxes = 0;
    std::vector<double> bare = TimeBare(options.hideReps, failures);
    std::vector<double> veilbox = TimeVeilbox(options.hideReps, failures, boxes);
    std::string figure = "Hide Active: Ctrl+Shift+H until the foreground window is invisible (median of " +
                         std::to_string(veilbox.size()) + " presses, floor " + std::to_string(bare.size()) + ")";
    if (bare.empty() || veilbox.empty()) {
        report.Add({figure, "could not be measured", "", "", "≤ 1.5×", "no"});
        return -1;
    }
    double ratio = Median(veilbox) / Median(bare);
    report.Add({figure, FormatMs(Median(veilbox)), FormatMs(Median(bare)) + " (vb_bare_hotkey)",
                FormatRatio(Median(veilbox), Median(bare)), "≤ 1.5×", Met(ratio <= 1.5)});
    report.Note("Hide Active: quartiles " + FormatSpread(veilbox) + " against " + FormatSpread(bare));
    if (failures > 0)
        report.Note("Hide Active: " + std::to_string(failures) + " presses did not hide or show the window");
    if (boxes > 0)
        report.Note("Hide Active: " + std::to_string(boxes) + " \"could not be hidden\" message boxes were open at the end");
    NoteRecordWrites(report);
    BenchPortableHide(options, report);
    return Median(veilbox);
}
