// Enter in a list box that chooses a row, as a double click does.
#pragma once

#include <windows.h>

// From now on Enter pressed in the list, while it has a row selected, is the list's: the dialog
// manager does not press the default button for it, and the list reports a double click
// (LBN_DBLCLK) to its parent, so that the parent's double-click command runs. With no row
// selected Enter presses the default button as before. A held Enter acts once: its repeats in the
// list do nothing. The list's own procedure is put back as the list goes. A second call for the
// same list, or a call for no window, does nothing.
void EnterChoosesListRow(HWND list);
