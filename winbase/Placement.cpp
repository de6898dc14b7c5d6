// Saving and restoring a dialog's placement.
#include "winbase/WinBase.h"

#include "winbase/WindowHelpers.h"

// No placement is kept yet.
void QF_WINBASE::SavePlacement() {}

// Without a stored placement the window starts centred over its owner, or
// over the desktop when it has none.
void QF_WINBASE::RestorePlacement()
{
    CenterWindow(m_window, m_parent);
}
