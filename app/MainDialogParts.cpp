// The main dialog's links to the other parts of the program: hotkeys, help popups, the Options
// flow, the Hidden Windows and About dialogs and the maker's web site.
#include "app/MainDialog.h"

#include "app/HiddenDialog.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/UiDialog.h"
#include "hotkeys/HotkeyOptions.h"
#include "res/MainDialogIds.h"
#include "shell/Links.h"
#include "shell/Shell.h"

namespace {

constexpr int kHelpPopupWidth = 300;

struct PopupText {
    int control;
    const char* text;
};

// The popups of the main dialog; the Options button's text is built from the hotkeys.
constexpr PopupText kPopupsBeforeOptions[] = {
    {IDC_MAIN_LIST, "List of visible top level documents. You can\nDouble click an entry to hide and "
                    "grab it to the menu or\nIf you hold the shift key down it hides without getting a "
                    "menu entry or\nIf you hold the control key down it will also hide Veilbox."},
    {IDC_MAIN_FINDER, "Click and drag the icon over a window or document to select it from the list below."},
};
constexpr PopupText kPopupsAfterOptions[] = {
    {IDC_MAIN_ABOUT, "About Veilbox and Quillfen"},
    {IDC_MAIN_HIDE_ME, "Hide Veilbox :-)"},
    {IDC_MAIN_EXIT, "Exit Veilbox and release all hidden windows from the menu"},
    {IDC_MAIN_VIEW_HIDDEN, "View windows and documents that are hidden"},
    {IDC_MAIN_RULES, "Hide chosen programs by themselves, when their window appears or is minimised. "
                     "Right click a window in the list to make a rule like it."},
};

} // namespace

// A combination another program holds is reported in a message box over the dialog.
void DIALOG::BuildHotkeys()
{
    m_hotkeys.Build(Settings(), Window(), ConflictAskerFor(*this));
}

void DIALOG::SetUpHelpPopups()
{
    if (!ReadSwitch(Settings(), kUseHelpPopupsValue))
        return;
    m_helpPopups = HelpPopup::Create(Module(), Window(), kHelpPopupWidth);
    if (!m_helpPopups)
        return;
    for (const PopupText& popup : kPopupsBeforeOptions)
        m_helpPopups->Add(popup.control, popup.text);
    m_helpPopups->Add(IDC_MAIN_OPTIONS, MainOptionsPopupText(Settings(), m_hotkeys).Text());
    for (const PopupText& popup : kPopupsAfterOptions)
        m_helpPopups->Add(popup.control, popup.text);
}

void DIALOG::DestroyHelpPopups()
{
    m_helpPopups.reset();
}

void DIALOG::RunOptions()
{
    // The options the dialog acts on take effect as the User Interface dialog closes, while the
    // Hot Key dialog is still open.
    RunHotkeyOptions(*this, m_hotkeys, m_helpPopups, [this] { SetUpHelpPopups(); }, [this](HWND owner) {
        ShowProgramUserInterfaceDialog(Module(), owner);
        if (!IsWindow(Window()))
            return;
        ReadInterfaceOptions();
        EntriesMayHaveChanged();
    });
}

void DIALOG::RunHiddenWindows()
{
    HIDDEN hidden(Window(), Module(), &m_unlisted);
    hidden.Show(nullptr);
}

void DIALOG::RunAbout()
{
    ShowAboutDialog(AboutOwner{Module(), Window(), Icon()});
}

void DIALOG::VisitWebSite()
{
    OpenLinkText(Window(), kMakerWebSite);
}
