// Hide Active: from the press of Ctrl+Shift+H until the foreground window is invisible, in
// Veilbox.exe and in vb_bare_hotkey.exe, a bare program that holds the same hotkey and calls
// ShowWindow. Both are pressed the same way, so what the keys cost falls on both alike. The
// window is polled every millisecond.
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
#include "settings/FileStore.h"
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
// alone (HeldWindowStore::Sync) on a helper window, under a scratch key of its own. A second
// window's entry stays throughout, so that a removal is the removal of one record, not the
// deletion of the whole key that follows the last.
void NoteRecordWrites(Report& report, const std::string& where)
{
    constexpr char kScratchKey[] = "Software\\Quillfen\\VeilboxBench.HeldRecords";
    constexpr int kRecords = 41;
    BenchWindows targets(kTargetTitle, 2);
    HiddenMenu menu;
    if (!targets.Ready() || !menu.Create())
        return;
    HeldWindowStore store(kScratchKey);
    store.Clear();
    ShowWindow(targets[1], SW_HIDE);
    TitledWindow kept, timed;
    kept.window = targets[1];
    timed.window = targets[0];
    menu.AddEntry(kept);
    store.Sync(menu);
    std::vector<double> writes, removals;
    for (int i = 0; i < kRecords; ++i) {
        menu.AddEntry(timed);
        double start = NowMs();
        store.Sync(menu);
        writes.push_back(NowMs() - start);
        // The visible window's entry goes, the hidden one's stays.
        menu.Prune();
        start = NowMs();
        store.Sync(menu);
        removals.push_back(NowMs() - start);
    }
    menu.ReleaseAll();
    store.Clear();
    report.Note("held-window record written " + where + " before each hide: " + FormatMs(Median(writes)) + " (quartiles " +
                FormatSpread(writes) + "), removed after each show: " + FormatMs(Median(removals)) + " (quartiles " +
                FormatSpread(removals) + "), median of " + std::to_string(kRecords));
}

// What the file's write costs a hide at the least, whoever writes it: vb_bare_hotkey with and
// without the write, in turns. Returns the median with the write, or -1.
double NotePortableFloor(const BenchOptions& options, const TempFolder& folder, Report& report)
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
        return -1;
    }
    report.Add({figure, FormatMs(Median(withWrite)),
                FormatMs(Median(bare)) + " (vb_bare_hotkey without the write, median of " + std::to_string(bare.size()) + ")",
                FormatRatio(Median(withWrite), Median(bare)), "—", "—"});
    report.Note("hide in portable mode, its floor: quartiles " + FormatSpread(withWrite) + " against " + FormatSpread(bare) +
                ", in two turns" + (failures ? ", " + std::to_string(failures) + " presses did not hide or show the window" : ""));
    return Median(withWrite);
}

// Hide Active of a copy of the program in a folder of its own beside a Veilbox.ini, against the
// registry's Hide Active of the same run; and the record's write alone into such a file.
// The floor beside it: the bare hotkey program, alone and with the one flushed, atomic replace of
// a file before each hide that a record in the file takes at the least, in the same folder.
void BenchPortableHide(const BenchOptions& options, double registryMs, Report& report)
{
    TempFolder folder("bench-portable");
    const std::string exe = folder / "Veilbox.exe";
    int failures = 0, boxes = 0;
    std::vector<double> times;
    if (CopyFileA((BinDir() + "Veilbox.exe").c_str(), exe.c_str(), FALSE)) {
        folder.MakeFile("Veilbox.ini");
        times = TimeVeilbox(options.hideReps, failures, boxes, exe);
    }
    const std::string figure = "hide in portable mode: Hide Active with Veilbox.ini beside the program (median of " +
                               std::to_string(times.size()) + " presses)";
    if (times.empty() || registryMs <= 0) {
        report.Add({figure, "could not be measured", "", "", "≤ 1.5× Hide Active", "no"});
        return;
    }
    report.Add({figure, FormatMs(Median(times)), FormatMs(registryMs) + " (Hide Active, same run)",
                FormatRatio(Median(times), registryMs), "≤ 1.5× Hide Active", Met(Median(times) <= 1.5 * registryMs)});
    const double floorMs = NotePortableFloor(options, folder, report);
    report.Note("hide in portable mode: quartiles " + FormatSpread(times) +
                (floorMs > 0 ? ", " + FormatRatio(Median(times), floorMs) + " its floor" : "") +
                (failures ? ", " + std::to_string(failures) + " presses did not hide or show the window" : ""));
    const std::wstring file = FileBesideProgram(L"VeilboxBench.ini");
    UseSettingsStore(std::unique_ptr<SettingsStore>(new FileStore(file, "Software\\Quillfen\\Veilbox")));
    NoteRecordWrites(report, "into a settings file");
    UseSettingsStore(nullptr);
    DeleteFileW(file.c_str());
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
    NoteRecordWrites(report, "into the registry");
    BenchPortableHide(options, Median(veilbox), report);
    return Median(veilbox);
}
