// The pieces of the hotkeys that the main dialog calls: its Options command,
// the conflict question over its window, and the text of its Options popup.
#pragma once

#include <functional>
#include <memory>

#include "hotkeys/HelpPopup.h"
#include "hotkeys/HotkeyTable.h"
#include "settings/SettingsKey.h"
#include "text/NString.h"
#include "winbase/WinBase.h"

// The conflict question as a timed message box over dialog: no caption, Yes
// and No, no icon.
HotkeyConflictAsker ConflictAskerFor(QF_WINBASE& dialog);

// The Options command, run on the main dialog: removes the dialog's popups,
// releases the hotkeys so that the user can press the program's own
// combinations, runs the Hot Key dialog, then, whatever its result, builds
// the table again from the dialog's settings (dropping unsaved edits),
// registers it and calls setUpPopups. openUserInterface serves the Hot Key
// dialog's "Application Interface" button.
void RunHotkeyOptions(QF_WINBASE& mainDialog, HotkeyTable& table,
                      std::unique_ptr<HelpPopup>& mainPopups,
                      const std::function<void()>& setUpPopups,
                      const std::function<void(HWND owner)>& openUserInterface);

// The main dialog's popup for its Options button; lists the current hotkeys
// unless UseHotkey in store is 0.
NString MainOptionsPopupText(SettingsKey& store, const HotkeyTable& table);
