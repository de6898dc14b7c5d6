// The ids every dialog of the process shares: the registered "TaskbarCreated" message and the
// always-on-top system command. They are taken while a dialog initialises and read while
// messages are routed.
#include "winbase/WinBase.h"

#include "winbase/CommandIds.h"

namespace {

// Written once on the dialog thread and never cleared.
UINT g_taskbarCreatedMessage = QF_WINBASE::kNoTrayMessage;
UINT g_alwaysOnTopCommandId = 0;

}  // namespace

UINT QF_WINBASE::AlwaysOnTopCommandId()
{
    return g_alwaysOnTopCommandId;
}

UINT QF_WINBASE::TaskbarCreatedMessage()
{
    return g_taskbarCreatedMessage;
}

void QF_WINBASE::RegisterTaskbarCreated()
{
    if (g_taskbarCreatedMessage == kNoTrayMessage) {
        // A failed registration (0) would make every WM_NULL look like it.
        const UINT registered = RegisterWindowMessageA("TaskbarCreated");
        if (registered != 0) {
            g_taskbarCreatedMessage = registered;
        }
    }
}

void QF_WINBASE::TakeAlwaysOnTopCommandId()
{
    if (g_alwaysOnTopCommandId == 0) {
        g_alwaysOnTopCommandId = NextCommandId();
    }
}
