// Single-instance control: one running copy per desktop session. A second start hands the
// user over to the running copy; the control words "update" and "uninstall" ask it to quit.
// Every request to the running copy is bounded: a copy that does not answer never holds up a
// second start, an installer or a script.
#pragma once

#include <windows.h>

#include "text/NString.h"

// The title and dialog class by which a second start finds the running copy's main window.
constexpr const char kMainWindowTitle[] = "Window Veilbox";
constexpr const char kDialogClass[] = "#32770";
// The quit request's WM_COPYDATA kind; its data is the control word.
constexpr ULONG_PTR kQuitRequest = 1;
// How long a request may wait for the running copy's answer.
constexpr UINT kRunningCopyTimeoutMs = 5000;
// The whole command line of a copy that a command starts in the notification area. When another
// copy runs by then (two commands started one each), it ends quietly: it is no second start.
constexpr const char kCommandCopyWord[] = "--command-copy";
// The exit code of a start whose request the running copy did not take in time.
constexpr int kExitNoAnswer = 3;

// Run-time library of the instance handshake. After AllowMultipleInstances(1) the process keeps
// running when another copy runs; WasPrevInstRunningAtStartup answers nonzero when another copy
// was already running when this process made its first call. A copy that the system does not
// let this process open (one started as administrator) counts as running.
int AllowMultipleInstances(int allow);
int WasPrevInstRunningAtStartup();
// What WasPrevInstRunningAtStartup answered, without making the first call: false in a process
// that never asked (the dialog run inside another program), which then holds no instance object
// that would make a later start of Veilbox believe it is the second copy.
bool AnotherCopyRanAtStart();

// True when another copy runs, asked without creating the instance object, so a process that
// starts a copy itself (a command line) never makes that copy believe it is the second one.
bool AnotherCopyRuns();

// True when the whole command line is "update" or "uninstall", ignoring case.
bool IsControlWord(const char* commandLine);

// The main window of a running copy: a top-level window without an owner whose title is exactly
// "Window Veilbox" (ignoring case) and whose class begins with "#32770". Windows of the calling
// process are skipped, so an installer or file dialog titled "Window Veilbox Setup", or this
// process's own dialog, never receives a quit or restore request. Null when there is none.
HWND FindRunningInstanceWindow();

// Sends a message to the running copy, bounded by kRunningCopyTimeoutMs and SMTO_ABORTIFHUNG.
// False when it did not answer in time (or the window is gone); result may be null.
bool SendToRunningCopy(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr);

// Asks the running copy to quit, bounded as SendToRunningCopy; commandLine is the control word
// (any text). False when it did not take the request in time.
bool SendQuitRequest(HWND window, const char* commandLine);

// What a start does: run its main dialog, or end at once with exitCode.
struct StartDecision {
    bool runDialog = false;
    int exitCode = 0;
};

// Decides a start. When another copy runs the dialog never runs: a control word sends that copy
// a quit request (exit code kExitNoAnswer when it does not take it in time), a command's own copy
// ends quietly, and a plain start brings its visible window forward or sends it a restore
// request (ending quietly, code 0, whatever it answers). How the start was asked to show its window does not matter: an
// installer starts the control words hidden, and a hidden plain start still means "bring it".
StartDecision SingleInstanceCheck(const char* commandLine);
