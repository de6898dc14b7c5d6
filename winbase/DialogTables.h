// The tables of the one dialog procedure: the dialog objects that exist (from construction to
// destruction) and the windows they are bound to (from WM_INITDIALOG to WM_NCDESTROY). Only this
// program writes them, so an object is found by its window here and never through data that
// another program can set on the window.
#pragma once

#include <windows.h>

#include "winbase/OwnRecords.h"

class QF_WINBASE;

// The dialogs of the process by window.
WindowTable<QF_WINBASE>& BoundDialogs();

// WM_INITDIALOG's parameter as the object to bind to the window: only an object that exists, and
// only for a window not bound yet (a second WM_INITDIALOG sets nothing up again); null otherwise.
QF_WINBASE* ObjectToBind(HWND window, LPARAM lParam);
