// Entry point: one copy per desktop session, whose whole life is the main dialog's modal loop.
#include <windows.h>

#include "app/command/CommandClient.h"
#include "app/command/CommandLine.h"
#include "app/main/MainDialog.h"
#include "app/SingleInstance.h"
#include "dialogs/Hyperlink.h"
#include "hotkeys/HotkeyTable.h"
#include "settings/SettingsStore.h"
#include "winbase/ModuleInfo.h"
#include "winbase/ThreadStack.h"

namespace {

// A start asked to keep its window hidden (a command starting a copy, or a script's hidden
// start) runs in the notification area.
bool StartedHidden()
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) && startup.wShowWindow == SW_HIDE;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    RestrictDllSearchToSystemFolder();
    // Before any setting is read: a Veilbox.ini beside the program holds them all from now on.
    ChooseSettingsStore(kProgramKeyPath);
    const wchar_t* arguments = SkipProgramName(GetCommandLineW());
    if (IsCommandLine(arguments))
        return RunCommandLine(arguments);
    const StartDecision start = SingleInstanceCheck(commandLine);
    if (!start.runDialog)
        return start.exitCode;
    const bool trayOnly = StartedHidden();
    // The dialog's whole life runs in frames above this one: what lies below is given back.
    ReleaseUnusedStack();

    // The common controls, COM and the rich edit control are loaded by what first needs them
    // (winbase/LateLibraries.h): the first screen does not.
    RegisterHyperlinkClass(instance);
    DIALOG dialog(instance, trayOnly);
    dialog.Show(nullptr);
    return 0;
}
