// The timed message box: a message box that the dialog fits (its icon, centred
// over the dialog, the theme's look) from a one-shot timer that fires inside the box's loop.
#include "winbase/WinBase.h"

#include "winbase/ProgramEnd.h"
#include "winbase/ThemedWindows.h"
#include "winbase/WindowHelpers.h"

namespace {

constexpr UINT_PTR kTimedBoxTimer = 0xFFFFFFFFu;
constexpr UINT kTimedBoxDelayMs = 10;
constexpr char kDialogClass[] = "#32770";

struct BoxSearch {
    HWND owner;
    const NString* caption;  // null: any title
    HWND found;
};

BOOL CALLBACK MatchOwnBox(HWND window, LPARAM param)
{
    BoxSearch& search = *reinterpret_cast<BoxSearch*>(param);
    if (GetWindow(window, GW_OWNER) != search.owner) {
        return TRUE;
    }
    if (!NString::FromClassName(window).Equals(kDialogClass)) {
        return TRUE;
    }
    if (search.caption && !NString::FromWindowText(window).Equals(*search.caption)) {
        return TRUE;
    }
    search.found = window;
    return FALSE;
}

}  // namespace

int QF_WINBASE::TimedMessageBox(const char* text, const char* caption, UINT style, UINT iconId)
{
    if (ProgramEnding()) {
        return 0;
    }
    if (m_window) {
        SetForegroundWindow(m_window);
    }
    MSGBOXPARAMSA params = {};
    params.cbSize = sizeof(params);
    params.hwndOwner = m_window ? m_window : m_parent;
    params.hInstance = reinterpret_cast<HINSTANCE>(m_module);
    params.lpszText = text;
    params.lpszCaption = caption;
    params.dwStyle = style;
    if (iconId != 0) {
        params.dwStyle |= MB_USERICON;
        params.lpszIcon = MAKEINTRESOURCEA(iconId);
    }
    // Without a window no timer message could reach this object; a thread
    // timer would fire for ever.
    if (m_window) {
        SetTimer(m_window, kTimedBoxTimer, kTimedBoxDelayMs, nullptr);
    }
    m_messageCaption = caption;
    return MessageBoxIndirectA(&params);
}

// The box is looked up only among this thread's windows that the dialog owns,
// so another program's dialog (or one of ours that is not this box) is never
// touched. No match leaves everything as it is.
void QF_WINBASE::FitTimedMessageBox()
{
    if (!m_window) {
        return;
    }
    BoxSearch search = {m_window, m_messageCaption.IsNull() ? nullptr : &m_messageCaption, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchOwnBox, reinterpret_cast<LPARAM>(&search));
    if (!search.found) {
        return;
    }
    SendMessageA(search.found, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    CenterWindow(search.found, m_window);
    ThemeMessageBox(search.found);
}
