// vb_bare_controls.exe: a reference beside the start figure's floor. It shows the program's own
// main dialog template (its font, its twelve controls and the finder's icon) under the
// program's own manifest (the common controls 6, per-monitor DPI), and does nothing else: no
// texts, settings, icons, placement, hotkeys or tray icon. Set against vb_bare_dialog.exe (an
// empty dialog) it is what the first screen's template alone costs; set against Veilbox.exe,
// what the program's own work adds. It ends when the dialog is closed.
#include <windows.h>

#include "res/MainDialogIds.h"

namespace {

INT_PTR CALLBACK BareProc(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_COMMAND && (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDC_MAIN_EXIT)) {
        EndDialog(window, LOWORD(wParam));
        return TRUE;
    }
    return message == WM_INITDIALOG;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return static_cast<int>(DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, BareProc, 0));
}
