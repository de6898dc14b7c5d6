// The main dialog's part of hiding from a window's title bar, with the User Interface options
// the dialog acts on: the hook runs while the option or a close-box rule wants it, and each window it hands on is hidden as a double click in the list
// hides a window.
#include "app/main/MainDialog.h"

#include "app/held/HideOps.h"
#include "dialogs/UiDialog.h"
#include "winbase/ProgramEnd.h"

namespace {

// The most hides that wait for a menu's end; a click beyond them is dropped.
constexpr size_t kMostAfterMenu = 8;

} // namespace

void DIALOG::ReadInterfaceOptions()
{
    m_iconPerWindow = ReadIconPerWindow(Settings());
    m_minButtonHides = ReadMinButtonHide(Settings());
    m_hiddenMenu.SetComeBackAtPointer(ReadRestoreAtPointer(Settings()));
    ConfigureTitleBar();
}

// Before the start has finished the hook waits (FinishStart sets it up with the options then in
// force).
void DIALOG::ConfigureTitleBar()
{
    if (!m_startFinished) {
        m_titleBar.Configure(Window(), false, {});
        return;
    }
    m_titleBar.Configure(Window(), m_minButtonHides, m_closeRules);
}

// Any program can post the dialog this message: only a window the hook handed on is taken. While
// a menu of the dialog is open the menu is ended, as a click outside it would have ended it, and
// the hide waits for the menu's end (WM_EXITMENULOOP).
void DIALOG::OnTitleBarHide(HWND window, LPARAM button)
{
    if (button != static_cast<LPARAM>(TitleBarButton::Minimise) && button != static_cast<LPARAM>(TitleBarButton::Close))
        return;
    const auto which = static_cast<TitleBarButton>(button);
    if (!m_titleBar.TakeHandedOn(window, which))
        return;
    if (!m_inMenuLoop) {
        HideFromTitleBar(window, which);
        return;
    }
    if (m_titleBarAfterMenu.size() < kMostAfterMenu)
        m_titleBarAfterMenu.emplace_back(window, which);
    EndMenu();
}

// Each hide pumps: a menu opened meanwhile leaves the rest waiting for its own end.
void DIALOG::HideTitleBarsAfterMenu()
{
    std::vector<std::pair<HWND, TitleBarButton>> waiting;
    waiting.swap(m_titleBarAfterMenu);
    for (size_t i = 0; i < waiting.size(); ++i) {
        if (!IsWindow(Window()))
            return;
        if (m_inMenuLoop) {
            m_titleBarAfterMenu.insert(m_titleBarAfterMenu.end(), waiting.begin() + i, waiting.end());
            return;
        }
        HideFromTitleBar(waiting[i].first, waiting[i].second);
    }
}

// The window is checked again as the hook checked it, against what the hook wants now.
void DIALOG::HideFromTitleBar(HWND window, TitleBarButton button)
{
    if (ProgramEnding() || !IsWindow(window) || !IsWindowVisible(window))
        return;
    WindowFacts facts(window);
    const bool wanted = (button == TitleBarButton::Minimise && m_titleBar.MinimiseButtonHides()) ||
                        (button == TitleBarButton::Close && m_titleBar.CloseRuleNames(window));
    if (!wanted || !MayActOn(facts))
        return;
    const bool hidden = HideWindowIntoMenu(window, m_hiddenMenu, [this](HWND) { TellHideRefused(); });
    if (!IsWindow(Window()))
        return;
    if (hidden && IsWindowVisible(Window()) && !IsIconic(Window()))
        m_candidates.Refresh();
    EntriesMayHaveChanged();
}
