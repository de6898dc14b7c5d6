// The main dialog's links to the other parts of the program: hotkeys, help popups, the Options
// flow, the Hidden Windows and About dialogs and the maker's web site.
#include "app/main/MainDialog.h"

#include "app/hidden/HiddenDialog.h"
#include "app/held/MenuTexts.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/UiDialog.h"
#include "hotkeys/HotkeyOptions.h"
#include "res/MainDialogIds.h"
#include "shell/Links.h"
#include "shell/Shell.h"
#include "text/Texts.h"

namespace {

constexpr int kHelpPopupWidth = 300;

// The popups of the main dialog; the Options button's text is built from the hotkeys.
constexpr HelpText kPopupsBeforeOptions[] = {
    {IDC_MAIN_LIST, Tx::HelpMainList},
    {IDC_MAIN_FINDER, Tx::HelpMainFinder},
};
constexpr HelpText kPopupsAfterOptions[] = {
    {IDC_MAIN_ABOUT, Tx::HelpMainAbout},         {IDC_MAIN_HIDE_ME, Tx::HelpMainHideMe},
    {IDC_MAIN_EXIT, Tx::HelpMainExit},           {IDC_MAIN_VIEW_HIDDEN, Tx::HelpMainViewHidden},
    {IDC_MAIN_RULES, Tx::HelpMainRules},
};

} // namespace

// A combination another program holds is reported in a message box over the dialog.
void DIALOG::BuildHotkeys()
{
    m_hotkeys.Build(Settings(), Window(), ConflictAskerFor(*this));
}

void DIALOG::FinishStart()
{
    KillTimer(Window(), kFinishStartTimer);
    if (m_startFinished)
        return;
    m_startFinished = true;
    // A start in the tray makes the help popups when the dialog first shows: nothing hovers a
    // hidden dialog's controls.
    if (IsWindowVisible(Window()))
        SetUpHelpPopups();
    else
        m_popupsAwaitShow = true;
    ConfigureTitleBar();
    RegisterRuleKeys();
}

void DIALOG::SetUpHelpPopups()
{
    // The popups name controls: a dialog still without them makes its popups when it shows.
    m_popupsAwaitShow = ControlsDeferred();
    if (m_popupsAwaitShow)
        return;
    if (!ReadSwitch(Settings(), kUseHelpPopupsValue))
        return;
    m_helpPopups = HelpPopup::Create(Module(), Window(), kHelpPopupWidth);
    if (!m_helpPopups)
        return;
    for (const HelpText& popup : kPopupsBeforeOptions)
        m_helpPopups->Add(popup.control, T(popup.text));
    m_helpPopups->Add(IDC_MAIN_OPTIONS, MainOptionsPopupText(Settings(), m_hotkeys).Text());
    for (const HelpText& popup : kPopupsAfterOptions)
        m_helpPopups->Add(popup.control, T(popup.text));
}

void DIALOG::DestroyHelpPopups()
{
    m_helpPopups.reset();
}

void DIALOG::RunOptions()
{
    // The options the dialog acts on take effect as the User Interface dialog closes, while the
    // Hot Key dialog is still open. The rules' keys are released meanwhile, so that the key
    // bindings can take them, and registered again after.
    m_ruleKeys.Release();
    RunHotkeyOptions(*this, m_hotkeys, m_helpPopups, [this] { SetUpHelpPopups(); }, [this](HWND owner) {
        const std::string language = LanguageInUse();
        ShowProgramUserInterfaceDialog(Module(), owner);
        if (!IsWindow(Window()))
            return;
        if (LanguageInUse() != language)
            ShowTextsInLanguage();
        ReadInterfaceOptions();
        EntriesMayHaveChanged();
    });
    if (IsWindow(Window()) && m_startFinished)
        RegisterRuleKeys();
}

// The help popups are made again as the Hot Key dialog closes.
void DIALOG::ShowTextsInLanguage()
{
    ReapplyTexts();
    m_hiddenMenu.RenameFixedItems();
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
