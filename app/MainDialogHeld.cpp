// What every part of the main dialog calls after it changed the held windows: the records and
// icons that mirror the menu's entries, the options they follow, and the word to the user when a
// window stayed visible. It calls no other part of the dialog.
#include "app/MainDialog.h"

#include <algorithm>

#include "dialogs/UiDialog.h"
#include "settings/SettingsStore.h"

namespace {

constexpr char kHideRefusedText[] =
    "This window could not be hidden. Programs running as administrator can only be hidden when "
    "Window Veilbox runs as administrator too.";

constexpr char kSettingsUnwrittenText[] =
    "Window Veilbox cannot read or write its settings file Veilbox.ini beside Veilbox.exe: the folder "
    "may be read-only, the file locked or too large, or the disk full.\n\nYour changes are kept "
    "until Window Veilbox ends, and the hidden windows are shown again when it ends. They are "
    "written to the file as soon as it can be written; a file that could not be read is left as it was.";

} // namespace

void DIALOG::EntriesMayHaveChanged()
{
    m_held.Sync(m_hiddenMenu);
    m_windowIcons.Sync(m_hiddenMenu, m_iconPerWindow);
    m_rules.NoteHeld(HeldWindows());
}

std::vector<HWND> DIALOG::HeldWindows() const
{
    std::vector<HWND> held;
    for (const MenuEntry* entry : m_hiddenMenu.Entries())
        held.push_back(entry->window);
    std::sort(held.begin(), held.end());
    return held;
}

void DIALOG::TellHideRefused()
{
    TimedMessageBox(kHideRefusedText, kMainDialogTitle, MB_OK | MB_ICONWARNING, 0);
}

void DIALOG::TellSettingsUnwritten()
{
    TimedMessageBox(kSettingsUnwrittenText, kMainDialogTitle, MB_OK | MB_ICONWARNING, 0);
}
