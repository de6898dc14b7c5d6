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
    // How long Finish waits for the shell's answer. A shell that has not answered by then is taken
    // as absent (the dialog then starts shown); its add may still land later.
    static constexpr DWORD kAnswerWaitMs = 4000;

    enum class Outcome { kNone, kShown, kRefused, kNoAnswer };

    TrayFirstAdd() = default;
    // Finishes an add still running (at most kAnswerWaitMs).
    ~TrayFirstAdd();
    TrayFirstAdd(const TrayFirstAdd&) = delete;
    TrayFirstAdd& operator=(const TrayFirstAdd&) = delete;

    // Starts modifying the record's icon, else adding it, on a thread of its own; false, with
    // nothing done, when no thread could be started. The thread works on its own copy of the
    // record; the icon it names is read by the shell while the add runs.
    bool Begin(const NOTIFYICONDATAW& record);
    // True while an add begun has not been finished.
    bool Pending() const { return static_cast<bool>(m_thread); }
    // Waits for the add begun, at most waitMs, handling the messages other threads send to this
    // one meanwhile (as the shell's own send would): kShown when the shell took the icon, kRefused
    // when it refused it, kNoAnswer when it did not answer in time (the thread then ends on its
    // own, owning what it uses). kNone without an add begun, or when a message handled during the wait finished
    // the add itself (that nested call reported it).
    Outcome Finish(DWORD waitMs = kAnswerWaitMs);

private:
    struct Job {
        NOTIFYICONDATAW record;
        bool shown = false;
    };
    static DWORD WINAPI Run(void* job);

    // Shared with the running thread, which holds a reference of its own until it ends.
    std::shared_ptr<Job> m_job;
    OwnedHandle m_thread;
};
