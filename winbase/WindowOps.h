// Operations on windows of any process that never wait on a program that does
// not answer for longer than a short, bounded time.
#pragma once

#include <windows.h>

#include "text/NString.h"

// Makes window the active foreground window with the keyboard focus as far as
// the system allows, then waits (bounded) until its process is idle. Returns
// within about a second for a window whose program has stopped answering.
void BringWindowToFront(HWND window);

// Dispatches every message already queued for this thread; never waits. A
// quit message is left in the queue for the loop that owns it.
void PumpPendingMessages();

// The first window below parent (null: the desktop), in the system's order,
// whose title contains titlePart ignoring case (null: any title) and whose
// class name starts with className ignoring case (null or empty: any class).
// With descend, the children of a window that does not match are searched
// before its next sibling. Null when none matches.
HWND FindTopLevelWindow(const char* titlePart, const char* className, HWND parent, bool descend);

// The window's title as the system keeps it, read without sending the window
// any message, so it works for every process and cannot hang: at most 255
// UTF-16 characters, converted to the ANSI code page. Empty for a window
// without a title and for a handle that is not a window.
NString WindowTextWithoutMessages(HWND window);
