// The password asked before a dialog comes back from the tray.
#include "winbase/WinBase.h"

// No password is kept yet: every restore is allowed.
bool QF_WINBASE::CheckRestorePassword()
{
    return true;
}
