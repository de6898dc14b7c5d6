// The first add of a dialog's tray icon, run on a thread of its own while the dialog is made.
// The shell answers an add only once it has shown the icon (under Wine the first icon of a session
// also makes it show its own tray window); the dialog's initialisation goes on meanwhile, and the
// dialog waits for the answer before anything else touches the icon and before it first shows.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <memory>

#include "winbase/ScopedHandles.h"

class TrayFirstAdd {
public:
    TrayFirstAdd() = default;
    // Waits for an add still running.
    ~TrayFirstAdd();
    TrayFirstAdd(const TrayFirstAdd&) = delete;
    TrayFirstAdd& operator=(const TrayFirstAdd&) = delete;

    // Starts modifying the record's icon, else adding it, on a thread of its own; false, with
    // nothing done, when no thread could be started. The record's icon must live until Finish.
    bool Begin(const NOTIFYICONDATAW& record);
    // True while an add begun has not been finished.
    bool Pending() const { return static_cast<bool>(m_thread); }
    // Waits for the add begun, handling the messages other threads send to this one meanwhile (as
    // the shell's own send would); true when the shell took the icon. False without an add begun.
    bool Finish();

private:
    struct Job {
        NOTIFYICONDATAW record;
        bool shown = false;
    };
    static DWORD WINAPI Run(void* job);

    std::unique_ptr<Job> m_job;
    OwnedHandle m_thread;
};
