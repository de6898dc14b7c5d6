// Closing and minimising a dialog that uses the tray into the tray.
#include "winbase/WinBase.h"

// Nothing goes to the tray yet: the close or minimise proceeds as usual.
bool QF_WINBASE::GoToTray(const char*)
{
    return false;
}
