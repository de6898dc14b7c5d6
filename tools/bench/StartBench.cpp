// Start: from process creation until the program's main window is visible, for Veilbox.exe, for
// vb_bare_dialog.exe (the floor) and for vb_bare_controls.exe (a reference: the main dialog's
// template alone), and until its tray icon exists when started in the tray, for Veilbox.exe and
// vb_bare_tray.exe. Each start begins after a pause, and the programs of each kind are started in
// an order that turns with each repetition, so that drift and what ended before fall on all alike.
// Beside them the private bytes of each started program, and how long the program's About,
// Options (Hot Key, then its User Interface) and Rules dialogs take to open the first time.
#include <windows.h>

#include <psapi.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Measure.h"
#include "ProcessProbe.h"
#include "StartFigures.h"
#include "Sections.h"
#include "res/HotkeyDialogIds.h"
#include "res/MainDialogIds.h"
#include "support/VeilboxApp.h"

using namespace vbtest;

namespace {

constexpr double kShowWaitMs = 15000;
// The pause before each start (BenchOptions::startPauseMs). A start begun right after another
// program ended spent up to twice as long in the system libraries' set-up before its WinMain
// (58-67 against 33 ms, by which program had ended), whatever the program started: without the
// pause each figure depended on the order of the run. After 250 ms every start took the same
// (37-44 ms).
DWORD g_startPauseMs = 0;

// What a found window must be for the start to count as done.
enum class Ready { Visible, TrayIcon };

// True when the shell holds the tray icon with id 0 of window.
bool HasTrayIcon(HWND window)
{
    NOTIFYICONDATAW record = {};
    record.cbSize = NOTIFYICONDATAW_V1_SIZE;
    record.hWnd = window;
    return Shell_NotifyIconW(NIM_MODIFY, &record) != FALSE;
}

// Milliseconds from just before CreateProcess (after the pause) until the process has a window with
// the title and class that is visible, or whose tray icon exists, polled every millisecond; -1 when it never
// does. The window is handed back for closing. With cpuMs, the processor time the process has
// used by then (its Unix process found while it starts, which costs the benchmark time: such a
// start is not timed).
double MsUntilReady(ChildProcess& process, const char* exe, const WindowQuery& query, Ready ready, HWND& window,
                    double* cpuMs = nullptr)
{
    Sleep(g_startPauseMs);
    double start = NowMs();
    if (!process.Start(exe, "", ready == Ready::TrayIcon))
        return -1;
    // Wine names the Unix process after the file, cut to 15 characters.
    const int unixPid = cpuMs ? UnixPidOf(std::string(exe).substr(0, 15)) : 0;
    WindowQuery own = query;
    own.processId = process.Id();
    own.visibleOnly = ready == Ready::Visible;
    for (;;) {
        window = FindTopWindow(own);
        if (window && (ready == Ready::Visible || HasTrayIcon(window))) {
            if (cpuMs)
                *cpuMs = unixPid ? UnixProcessCpuMs(unixPid) : -1;
            return NowMs() - start;
        }
        if (NowMs() - start > kShowWaitMs)
            return -1;
        Sleep(1);
    }
}

// PagefileUsage (the commit charge; Wine leaves PrivateUsage at 0 for another process) once two
// readings 100 ms apart agree, or the last of ten; -1 when it cannot be read.
double PrivateKb(HANDLE process)
{
    double last = -1;
    for (int i = 0; i < 10; ++i) {
        PROCESS_MEMORY_COUNTERS counters = {};
        counters.cb = sizeof counters;
        if (!GetProcessMemoryInfo(process, &counters, sizeof counters))
            return -1;
        double kb = static_cast<double>(counters.PagefileUsage) / 1024;
        if (kb == last)
            break;
        last = kb;
        Sleep(100);
    }
    return last;
}

// Posts a command to owner and times it until the process shows a dialog titled title; -1 when
// none shows within 5 s. The dialog is handed back.
double MsUntilDialog(DWORD processId, HWND owner, WPARAM command, const char* title, HWND& dialog)
{
    double start = NowMs();
    PostMessageA(owner, WM_COMMAND, command, 0);
    while (!(dialog = FindTopWindow({processId, title, "#32770", true}))) {
        if (NowMs() - start > 5000)
            return -1;
        Sleep(1);
    }
    return NowMs() - start;
}

// Cancels a dialog and waits until it is gone.
bool CloseDialog(HWND dialog)
{
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    return WaitFor([&] { return !IsWindow(dialog); });
}

// The first opening of each dialog in a program just started; false when one did not open or
// close.
bool OpenDialogs(ChildProcess& app, HWND main, StartFigures& figures)
{
    HWND about = nullptr, hotkeys = nullptr, ui = nullptr, rules = nullptr;
    double aboutMs = MsUntilDialog(app.Id(), main, IDC_MAIN_ABOUT, "About", about);
    if (aboutMs < 0 || !CloseDialog(about))
        return false;
    double optionsMs = MsUntilDialog(app.Id(), main, IDC_MAIN_OPTIONS, "Hot Key", hotkeys);
    double uiMs = optionsMs < 0 ? -1 : MsUntilDialog(app.Id(), hotkeys, IDC_HOTKEY_APP_INTERFACE, "User Interface", ui);
    if (uiMs < 0 || !CloseDialog(ui) || !CloseDialog(hotkeys))
        return false;
    double rulesMs = MsUntilDialog(app.Id(), main, IDC_MAIN_RULES, "Rules", rules);
    if (rulesMs < 0 || !CloseDialog(rules))
        return false;
    figures.about.push_back(aboutMs);
    figures.options.push_back(optionsMs);
    figures.userInterface.push_back(uiMs);
    figures.rules.push_back(rulesMs);
    return true;
}

// One start of the main dialog's template alone, shown; -1 when it failed.
double StartReference()
{
    ChildProcess reference;
    HWND dialog = nullptr;
    double ms = MsUntilReady(reference, "vb_bare_controls.exe", {0, kMainTitle, "#32770"}, Ready::Visible, dialog);
    if (dialog)
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    return reference.WaitForExit(10000) ? ms : -1;
}

// Figures of one shown start; ok false when a step failed.
struct ShownStart {
    double ms = -1, kb = -1;
    bool ok = false;
};

// One start of the program shown, with its memory and (timed) its first dialogs.
ShownStart StartVeilboxShown(StartFigures& figures, bool timed)
{
    ChildProcess veilbox;
    HWND main = nullptr;
    ShownStart start;
    start.ms = MsUntilReady(veilbox, "Veilbox.exe", {0, kMainTitle, "#32770"}, Ready::Visible, main);
    start.kb = start.ms < 0 ? -1 : PrivateKb(veilbox.Handle());
    const bool opened = start.ms >= 0 && (!timed || OpenDialogs(veilbox, main, figures));
    // The Exit button ends the program and releases everything it holds.
    if (main)
        PostMessageA(main, WM_COMMAND, IDC_MAIN_EXIT, 0);
    start.ok = veilbox.WaitForExit(10000) && opened;
    return start;
}

// One start of the bare dialog, with its memory.
ShownStart StartBareDialog()
{
    ChildProcess bare;
    HWND dialog = nullptr;
    ShownStart start;
    start.ms = MsUntilReady(bare, "vb_bare_dialog.exe", {0, "Bare Dialog", "#32770"}, Ready::Visible, dialog);
    start.kb = start.ms < 0 ? -1 : PrivateKb(bare.Handle());
    if (dialog)
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    start.ok = bare.WaitForExit(10000) && start.ms >= 0;
    return start;
}

// One start each of the program shown, the bare dialog and the template alone, in the order
// turn rotates: a start right after another program's end shares the machine with that end's
// tearing down, which thus falls on each alike. False when any step failed.
bool StartShown(StartFigures& figures, bool timed, int turn)
{
    ShownStart veilbox, bare;
    double referenceMs = -1;
    for (int i = 0; i < 3; ++i) {
        switch ((turn + i) % 3) {
        case 0:
            veilbox = StartVeilboxShown(figures, timed);
            break;
        case 1:
            bare = StartBareDialog();
            break;
        default:
            referenceMs = StartReference();
        }
    }
    if (timed && referenceMs >= 0)
        figures.reference.push_back(referenceMs);
    if (timed && veilbox.ok && referenceMs > 0)
        figures.pairedReference.push_back(veilbox.ms / referenceMs);
    if (!(veilbox.ok && bare.ok))
        return false;
    if (timed) {
        figures.veilbox.push_back(veilbox.ms);
        figures.bare.push_back(bare.ms);
        figures.pairedBare.push_back(veilbox.ms / bare.ms);
        figures.veilboxKb.push_back(veilbox.kb);
        figures.bareKb.push_back(bare.kb);
    }
    return referenceMs >= 0;
}

// One start of the program in the tray (a hidden start) and one of the bare tray program, in the
// order turn gives; false when any step failed.
bool StartInTray(StartFigures& figures, bool timed, int turn)
{
    double veilboxMs = -1, bareMs = -1;
    bool ended = true;
    for (int i = 0; i < 2; ++i) {
        ChildProcess process;
        HWND window = nullptr;
        if ((turn + i) % 2 == 0) {
            veilboxMs = MsUntilReady(process, "Veilbox.exe", {0, kMainTitle, "#32770"}, Ready::TrayIcon, window);
            if (window)
                PostMessageA(window, WM_COMMAND, IDC_MAIN_EXIT, 0);
        } else {
            bareMs = MsUntilReady(process, "vb_bare_tray.exe", {0, "Bare Tray", "VbBareTray"}, Ready::TrayIcon, window);
            if (window)
                PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        }
        ended = process.WaitForExit(10000) && ended;
    }
    if (veilboxMs < 0 || bareMs < 0 || !ended)
        return false;
    if (timed) {
        figures.veilboxTray.push_back(veilboxMs);
        figures.bareTray.push_back(bareMs);
        figures.pairedTray.push_back(veilboxMs / bareMs);
    }
    return true;
}

// One start of each of the four for their processor time until ready; false when one failed.
bool StartForProcessorTime(StartFigures& figures)
{
    struct Kind {
        const char* exe;
        WindowQuery query;
        Ready ready;
        std::vector<double>& into;
    } kinds[] = {
        {"Veilbox.exe", {0, kMainTitle, "#32770"}, Ready::Visible, figures.cpu[0][0]},
        {"vb_bare_dialog.exe", {0, "Bare Dialog", "#32770"}, Ready::Visible, figures.cpu[0][1]},
        {"Veilbox.exe", {0, kMainTitle, "#32770"}, Ready::TrayIcon, figures.cpu[1][0]},
        {"vb_bare_tray.exe", {0, "Bare Tray", "VbBareTray"}, Ready::TrayIcon, figures.cpu[1][1]},
    };
    bool all = true;
    for (Kind& kind : kinds) {
        ChildProcess process;
        HWND window = nullptr;
        double cpuMs = -1;
        MsUntilReady(process, kind.exe, kind.query, kind.ready, window, &cpuMs);
        if (window)
            PostMessageA(window, WM_COMMAND, kind.exe[0] == 'V' ? IDC_MAIN_EXIT : IDCANCEL, 0);
        all = process.WaitForExit(10000) && cpuMs >= 0 && all;
        if (cpuMs >= 0)
            kind.into.push_back(cpuMs);
    }
    return all;
}

// The About dialog shows the licence (in its rich edit control) when the install root holds
// one, as an installed copy does: the build's root gets one for the run when it has none.
class LicenceForTheRun {
public:
    LicenceForTheRun()
    {
        std::string root = BinDir();
        root = root.substr(0, root.find_last_of('\\', root.size() - 2) + 1);
        m_folder = root + "license";
        m_file = m_folder + "\\license.txt";
        if (GetFileAttributesA(m_file.c_str()) != INVALID_FILE_ATTRIBUTES)
            return;
        m_madeFolder = CreateDirectoryA(m_folder.c_str(), nullptr) != FALSE;
        if (FILE* out = fopen(m_file.c_str(), "wb")) {
            fputs("Window Veilbox licence (benchmark copy)\r\nhttp://www.quillfen.com/licence\r\n", out);
            fclose(out);
            m_madeFile = true;
        }
    }
    ~LicenceForTheRun()
    {
        if (m_madeFile)
            DeleteFileA(m_file.c_str());
        if (m_madeFolder)
            RemoveDirectoryA(m_folder.c_str());
    }

private:
    std::string m_folder, m_file;
    bool m_madeFolder = false, m_madeFile = false;
};

} // namespace

void BenchStart(const BenchOptions& options, Report& report)
{
    LicenceForTheRun licence;
    StartFigures figures;
    g_startPauseMs = static_cast<DWORD>(options.startPauseMs > 0 ? options.startPauseMs : 0);
    // The first start of each fills the file cache; it is not timed.
    StartShown(figures, false, 0);
    StartInTray(figures, false, 0);
    for (int i = 0; i < options.startReps; ++i) {
        if (!StartShown(figures, true, i))
            ++figures.failures;
        if (!StartInTray(figures, true, i))
            ++figures.failures;
        if (!StartForProcessorTime(figures))
            ++figures.failures;
    }
    ReportStart(figures, options.startReps, report);
    if (figures.failures > 0)
        report.Note("start: " + std::to_string(figures.failures) + " starts failed or did not end");
}
