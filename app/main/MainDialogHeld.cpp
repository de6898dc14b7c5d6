// What every part of the main dialog calls after it changed the held windows: the records and
// icons that mirror the menu's entries, the options they follow, and the word to the user when a
// window stayed visible. It calls no other part of the dialog.
#include "app/main/MainDialog.h"

#include <algorithm>

#include "dialogs/UiDialog.h"
#include "settings/SettingsStore.h"
#include "text/Texts.h"

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
    TimedMessageBox(T(Tx::MsgHideRefused), kMainDialogTitle, MB_OK | MB_ICONWARNING, 0);
}

void DIALOG::TellSettingsUnwritten()
{
    TimedMessageBox(T(Tx::MsgSettingsUnwritten), kMainDialogTitle, MB_OK | MB_ICONWARNING, 0);
}
