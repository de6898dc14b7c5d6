#include "hotkeys/HotkeyOptions.h"

#include "hotkeys/HotkeyDialog.h"
#include "text/Texts.h"

HotkeyConflictAsker ConflictAskerFor(QF_WINBASE& dialog)
{
    return [&dialog](const char* text) {
        return dialog.TimedMessageBox(text, nullptr, MB_YESNO, 0);
    };
}

void RunHotkeyOptions(QF_WINBASE& mainDialog, HotkeyTable& table,
                      std::unique_ptr<HelpPopup>& mainPopups,
                      const std::function<void()>& setUpPopups,
                      const std::function<void(HWND owner)>& openUserInterface)
{
    SettingsKey& store = mainDialog.Settings();
    mainPopups.reset();
    table.UnregisterAll(store, mainDialog.Window());
    {
        HOTKEY dialog(mainDialog.Window(), mainDialog.Module(), table, store);
        dialog.SetUserInterfaceOpener(openUserInterface);
        dialog.Show();
    }
    table.Build(store, mainDialog.Window(), ConflictAskerFor(mainDialog));
    if (setUpPopups)
        setUpPopups();
}

NString MainOptionsPopupText(SettingsKey& store, const HotkeyTable& table)
{
    NString text(T(Tx::HelpMainOptions));
    if (ReadSwitch(store, kUseHotkeyValue))
        text.Append(table.CurrentHotkeysText());
    return text;
}
