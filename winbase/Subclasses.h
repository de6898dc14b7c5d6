// Windows of this program's thread whose procedure it has put in front of their own: each keeps
// the procedure it had, in a table only this program writes (a window property could be set by
// any program). The window procedures run on the windows' thread only: the table needs no lock.
#pragma once

#include <windows.h>

#include <utility>
#include <vector>

class Subclasses {
public:
    // Puts ours in front of the window's procedure, once; false when it is not (or was already).
    bool Install(HWND window, WNDPROC ours);
    // The procedure the window had, or null for a window not in the table.
    WNDPROC Previous(HWND window) const;
    // Hands a message on to the procedure the window had, in the character set it has.
    static LRESULT CallPrevious(WNDPROC previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // As the window goes (WM_NCDESTROY): its own procedure back, and the window forgotten.
    void Restore(HWND window, WNDPROC previous);

private:
    std::vector<std::pair<HWND, WNDPROC>> m_windows;
};
