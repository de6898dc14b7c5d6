#include "winbase/ProgramEnd.h"

#include "text/NString.h"
#include "winbase/ScopedHandles.h"

namespace {

constexpr char kDialogClass[] = "#32770";

// Written on the dialog thread only; the backstop thread reads nothing of it.
bool g_ending = false;

struct Backstop {
    DWORD ms;
    UINT exitCode;
};
Backstop g_backstop = {};

DWORD WINAPI RunBackstop(LPVOID)
{
    Sleep(g_backstop.ms);
    TerminateProcess(GetCurrentProcess(), g_backstop.exitCode);
    return 0;
}

BOOL CALLBACK EndIfDialog(HWND window, LPARAM keep)
{
    if (window != reinterpret_cast<HWND>(keep) && NString::FromClassName(window).Equals(kDialogClass))
        EndDialog(window, IDCANCEL);
    return TRUE;
}

} // namespace

void BeginProgramEnd()
{
    g_ending = true;
}

bool ProgramEnding()
{
    return g_ending;
}

void EndModalLoops(HWND keep)
{
    EndMenu();
    EnumThreadWindows(GetCurrentThreadId(), EndIfDialog, reinterpret_cast<LPARAM>(keep));
}

void EndProcessAfter(DWORD ms, UINT exitCode)
{
    if (g_backstop.ms)
        return;
    g_backstop = {ms, exitCode};
    // The thread runs on alone: its handle is closed at once.
    const OwnedHandle thread(CreateThread(nullptr, 0, RunBackstop, nullptr, 0, nullptr));
}
