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

// The object whose dialog this thread's dialog manager is making, for the messages that come
// before WM_INITDIALOG: set for the scope's life (the one before it comes back at its end, so a
// dialog made inside another's making leaves the outer one as it was).
class DialogInMaking {
public:
    explicit DialogInMaking(QF_WINBASE* object);
    ~DialogInMaking();
    DialogInMaking(const DialogInMaking&) = delete;
    DialogInMaking& operator=(const DialogInMaking&) = delete;

private:
    QF_WINBASE* m_before;
};

// The object of the innermost DialogInMaking of this thread, handed out once (later calls give
// null until another is set); null when there is none or it no longer exists.
QF_WINBASE* TakeDialogInMaking();
