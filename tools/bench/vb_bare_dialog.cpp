// vb_bare_dialog.exe: the floor of the start figure. It shows one empty dialog titled "Bare
// Dialog", built from a template in memory, and ends when the dialog is closed.
#include <windows.h>

namespace {

// A DLGTEMPLATE followed by its three variable-length fields: no menu, the default class and
// the title; the system reads it as 16-bit words.
struct alignas(4) BareTemplate {
    DLGTEMPLATE dialog;
    WORD menu;
    WORD windowClass;
    wchar_t title[12];
};

INT_PTR CALLBACK BareProc(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_COMMAND && (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK)) {
        EndDialog(window, LOWORD(wParam));
        return TRUE;
    }
    return message == WM_INITDIALOG;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    static const BareTemplate bare = {
        {WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_CENTER | DS_MODALFRAME, 0, 0, 0, 0, 200, 120},
        0,
        0,
        L"Bare Dialog"};
    return static_cast<int>(DialogBoxIndirectParamW(instance, &bare.dialog, nullptr, BareProc, 0));
}
