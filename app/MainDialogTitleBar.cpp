// The main dialog's part of hiding from a window's title bar: the hook is set while the option
// or a close-box rule wants it, and each window it reports is hidden as a double click in the
// list hides a window.
#include "app/MainDialog.h"

#include "app/held/HideOps.h"
#include "winbase/ProgramEnd.h"

namespace {

constexpr UINT kTitleBarCheckMs = 1000;

} // namespace

void DIALOG::ConfigureTitleBar()
{
    m_titleBar.Configure(Window(), m_minButtonHides, m_closeRules);
    if (m_titleBar.IsSet())
        SetTimer(Window(), kTitleBarCheckTimer, kTitleBarCheckMs, nullptr);
    else
        KillTimer(Window(), kTitleBarCheckTimer);
}

// Any program can post the dialog this message: the window is checked again as the hook checked
// it, against what the hook wants now. While a menu of the dialog is open the menu is closed
// first, as a click outside it would have closed it, and the hide comes after.
void DIALOG::HideFromTitleBar(HWND window, LPARAM button)
{
    if (ProgramEnding() || !IsWindow(window) || !IsWindowVisible(window))
        return;
    WindowFacts facts(window);
    const bool wanted = (button == static_cast<LPARAM>(TitleBarButton::Minimise) && m_titleBar.MinimiseButtonHides()) ||
                        (button == static_cast<LPARAM>(TitleBarButton::Close) && m_titleBar.CloseRuleNames(window));
    if (!wanted || !MayActOn(facts))
        return;
    if (m_inMenuLoop) {
        EndMenu();
        PostMessageA(Window(), kTitleBarHide, reinterpret_cast<WPARAM>(window), button);
        return;
    }
    const bool hidden = HideWindowIntoMenu(window, m_hiddenMenu, [this](HWND) { TellHideRefused(); });
    if (!IsWindow(Window()))
        return;
    if (hidden && IsWindowVisible(Window()) && !IsIconic(Window()))
        m_candidates.Refresh();
    EntriesMayHaveChanged();
}
