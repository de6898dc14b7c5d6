// The end of the program on request (an installer's quit request): it must come within a
// second whatever is open. Once the end has begun no dialog, message box or menu of this
// process opens any more (each returns at once as if cancelled), and the ones already open are
// ended, so that every nested modal loop returns and the code after it runs to its end.
#pragma once

#include <windows.h>

// Marks the program as ending; from now on ProgramEnding() is true.
void BeginProgramEnd();
bool ProgramEnding();

// Closes the menu the thread tracks and ends every dialog and message box of the calling thread
// except keep, each as if cancelled. Their loops return once the calling handler has returned.
void EndModalLoops(HWND keep);

// A backstop: ends the process with exitCode once ms have passed, unless it has ended by then.
// Only for use once everything the process held has been given back.
void EndProcessAfter(DWORD ms, UINT exitCode);
