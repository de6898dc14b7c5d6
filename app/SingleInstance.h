// Single-instance control: one running copy per desktop session. A second start hands the
// user over to the running copy; the control words "update" and "uninstall" ask it to quit.
#pragma once

#include <windows.h>

#include "text/NString.h"

// The title and dialog class by which a second start finds the running copy's main window.
constexpr const char kMainWindowTitle[] = "Window Veilbox";
constexpr const char kDialogClass[] = "#32770";

// Run-time library of the instance handshake. After AllowMultipleInstances(1) the process keeps
// running when another copy runs; WasPrevInstRunningAtStartup answers nonzero when another copy
// was already running when this process made its first call.
int AllowMultipleInstances(int allow);
int WasPrevInstRunningAtStartup();

// True when the whole command line is "update" or "uninstall", ignoring case.
bool IsControlWord(const char* commandLine);

// The main window of a running copy: a top-level window whose title is exactly
// "Window Veilbox" (ignoring case) and whose class begins with "#32770". Windows of the calling
// process are skipped, so an installer or file dialog titled "Window Veilbox Setup", or this
// process's own dialog, never receives a quit or restore request. Null when there is none.
HWND FindRunningInstanceWindow();

// True when this process is to run its main dialog. When another copy runs this always answers
// false, after sending that copy a quit request (control word), bringing its visible window
// forward, or sending it a restore request (its window is in the tray).
bool SingleInstanceCheck(const char* commandLine);
