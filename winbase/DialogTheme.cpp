// The theme of every dialog: the look taken as the dialog is made and whenever it changes, the
// colours it answers in the dark look, the owner-draw messages and the keys of its menus.
#include "winbase/WinBase.h"

#include <commctrl.h>

#include "winbase/DarkMode.h"
#include "winbase/DialogTables.h"
#include "winbase/MenuItems.h"
#include "winbase/OwnRecords.h"
#include "winbase/ThemedWindows.h"

namespace {

// The help popups a dialog owns (tooltips of its thread whose owner it is).
struct OwnedTips {
    HWND owner;
};

BOOL CALLBACK ThemeOwnedTip(HWND window, LPARAM param)
{
    const auto* tips = reinterpret_cast<const OwnedTips*>(param);
    if (GetWindow(window, GW_OWNER) == tips->owner && NString::FromClassName(window).Equals(TOOLTIPS_CLASSA))
        ThemeTooltip(window);
    return TRUE;
}

}  // namespace

INT_PTR QF_WINBASE::OnDrawItem(WPARAM, const DRAWITEMSTRUCT&)
{
    return 0;
}

INT_PTR QF_WINBASE::OnMeasureItem(WPARAM, MEASUREITEMSTRUCT&)
{
    return 0;
}

void QF_WINBASE::OnThemeChanged() {}

void QF_WINBASE::FollowThemeChoice(ThemeChoice choice)
{
    if (CurrentTheme().SetChoice(choice))
        TellDialogsOfTheme();
}

void QF_WINBASE::LookAtThemeAgain()
{
    if (CurrentTheme().Refresh())
        TellDialogsOfTheme();
}

// Each dialog is looked up again before it is told: taking the look runs the dialogs' own code.
void QF_WINBASE::TellDialogsOfTheme()
{
    SetAppDarkMode(CurrentTheme().IsDark());
    for (HWND window : BoundDialogs().Windows()) {
        if (QF_WINBASE* dialog = BoundDialogs().Find(window))
            dialog->ApplyTheme();
    }
}

// A dialog still without its controls takes the look as they are made. Light costs nothing to a
// dialog that was never dark.
void QF_WINBASE::ApplyTheme()
{
    const bool dark = CurrentTheme().IsDark();
    if (!m_window || ControlsDeferred() || (!dark && !m_darkApplied))
        return;
    m_darkApplied = m_darkApplied || dark;
    SetAppDarkMode(dark);
    if (!(GetWindowLongPtrA(m_window, GWL_STYLE) & WS_CHILD))
        SetDarkTitleBar(m_window, dark);
    for (HWND child = GetWindow(m_window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ThemeControl(child);
    OwnedTips tips{m_window};
    EnumThreadWindows(GetCurrentThreadId(), ThemeOwnedTip, reinterpret_cast<LPARAM>(&tips));
    OnThemeChanged();
    if (IsWindow(m_window))
        RedrawWindow(m_window, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

// Any program can send WM_DRAWITEM and WM_MEASUREITEM with a structure of its choosing. The system
// and this thread's own controls and menus put theirs on this thread's stack: a structure anywhere
// else is not read, and no dialog ever sees the message's raw parameter. (A structure sent by
// another program arrives copied onto this stack, and is used only on these terms.)
INT_PTR QF_WINBASE::RouteOwnerDraw(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DRAWITEM) {
        const auto* item = StructOnThisStack<const DRAWITEMSTRUCT>(lParam);
        if (!item)
            return 0;
        if (const MenuItemName* text = item->CtlType == ODT_MENU ? LiveMenuText(item->itemData) : nullptr) {
            DrawMenuTextRow(*item, *text, CurrentTheme().MenuRows(), m_dpi);
            return TRUE;
        }
        return OnDrawItem(wParam, *item);
    }
    auto* item = StructOnThisStack<MEASUREITEMSTRUCT>(lParam);
    if (!item)
        return 0;
    if (const MenuItemName* text = item->CtlType == ODT_MENU ? LiveMenuText(item->itemData) : nullptr) {
        MeasureMenuTextRow(*item, *text, m_window, m_dpi);
        return TRUE;
    }
    return OnMeasureItem(wParam, *item);
}

// A dialog's answer to WM_MENUCHAR is its message result.
INT_PTR QF_WINBASE::RouteMenuChar(WPARAM wParam, LPARAM lParam)
{
    const LRESULT answer = MenuCharAnswer(reinterpret_cast<HMENU>(lParam), static_cast<wchar_t>(LOWORD(wParam)));
    if (answer == 0)
        return OnMessage(WM_MENUCHAR, wParam, lParam);
    SetWindowLongPtrA(m_window, DWLP_MSGRESULT, answer);
    return TRUE;
}
