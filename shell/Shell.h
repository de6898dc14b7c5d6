// Handing texts to the system shell: opening links, starting programs on the
// user's desktop, the Windows directory and rich-edit text.
//
// Each operation has a wide form, used on NT-family systems, and a narrow
// (ANSI code page) form for older ones; the dispatching forms choose per call
// with IsNtFamily(). Nothing here keeps state between calls.
#pragma once

#include <windows.h>

#include "text/NString.h"
#include "text/WString.h"

// True when the system reports the NT platform (VER_PLATFORM_WIN32_NT).
bool IsNtFamily();

// Opens an e-mail address, a local path or a web address given as text (see
// LinkPlan.h for the rules). Web addresses start the shell's explorer on the
// user's desktop with Shift held down for the first 500 ms; Shift is released
// on every path. owner may be null. A failure, including a null or empty
// text, beeps (MB_ICONEXCLAMATION) and returns false.
bool OpenLinkText(HWND owner, const wchar_t* text);
bool OpenLinkTextWide(HWND owner, const wchar_t* text);
bool OpenLinkTextNarrow(HWND owner, const char* text);

// Starts a web command line (see LinkPlan.h) on the user's desktop with the
// Shift key held down until 500 ms after the process was created; Shift is
// released on every path. True when the process was created.
bool LaunchWithShiftHeldWide(const wchar_t* commandLine);
bool LaunchWithShiftHeldNarrow(const char* commandLine);

// Starts commandLine on the desktop of the calling thread, centred at half the
// screen's size. When info is given it is filled and the caller owns its
// process handle; the thread handle is always closed. False when the process
// could not be created.
bool StartOnUserDesktopWide(const wchar_t* commandLine, PROCESS_INFORMATION* info = nullptr);
bool StartOnUserDesktopNarrow(const char* commandLine, PROCESS_INFORMATION* info = nullptr);

// The Windows directory with a trailing backslash; the null string when the
// system call fails.
WString WindowsDirectoryWide();
NString WindowsDirectoryNarrow();

// Sends a message to a rich edit control: SendMessageW on NT-family systems,
// SendMessageA otherwise.
LRESULT SendRichEditMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam);

// Replaces the selection of a rich edit control with text; on older systems
// the text is converted to the ANSI code page first, since the narrow message
// expects narrow text.
void ReplaceRichEditSelection(HWND control, const wchar_t* text);

// Replaces the whole contents of the rich edit control controlId of dialog.
void PutRichEditText(HWND dialog, int controlId, const wchar_t* text);
