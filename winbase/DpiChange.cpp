// A dialog moved to a monitor with another DPI, or whose monitor's scaling changed: the window,
// its controls and their fonts follow. The program handles the change whole; the dialog
// manager's own rescaling is switched off (KeepDialogDpiScalingOurs), so one layout, the
// framework's, places the controls.
#include "winbase/WinBase.h"

#include "winbase/Dpi.h"

namespace {

bool HasArea(const RECT* rect)
{
    return rect && rect->right > rect->left && rect->bottom > rect->top;
}

}  // namespace

// A scalable dialog's proportional layout places the children by the new client size; any
// other dialog's children are scaled from where they are. A user font is made again at the
// new DPI; otherwise the template's font is.
void QF_WINBASE::ChangeDpi(UINT dpi, const RECT* suggested)
{
    if (!m_window || !IsUsableDpi(dpi) || !IsUsableDpi(m_dpi)) {
        return;
    }
    const UINT oldDpi = m_dpi;
    m_dpi = dpi;
    if (m_font) {
        ApplyFont(CreateUserFont());
    } else {
        ScaleTemplateFont();
    }
    if (HasArea(suggested)) {
        SetWindowPos(m_window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (IsScalable()) {
        ScaleChildren();
    } else {
        ScaleChildrenForDpi(oldDpi, dpi);
    }
    OnDpiChanged(oldDpi, dpi);
    InvalidateRect(m_window, nullptr, TRUE);
}

// The template's font stays the dialog's own (WM_GETFONT); the controls that show it, or its
// copy for an earlier DPI, get a copy made for the current DPI, always from the template's
// font so that changes back and forth never drift. Controls with fonts of their own keep them.
void QF_WINBASE::ScaleTemplateFont()
{
    HFONT templateFont = reinterpret_cast<HFONT>(SendMessageA(m_window, WM_GETFONT, 0, 0));
    if (!templateFont || !IsUsableDpi(m_creationDpi)) {
        return;
    }
    HFONT next = templateFont;
    if (m_dpi != m_creationDpi) {
        LOGFONTW description = {};
        if (!GetObjectW(templateFont, sizeof description, &description)) {
            return;
        }
        description.lfHeight = MulDiv(description.lfHeight, static_cast<int>(m_dpi), static_cast<int>(m_creationDpi));
        description.lfWidth = MulDiv(description.lfWidth, static_cast<int>(m_dpi), static_cast<int>(m_creationDpi));
        next = CreateFontIndirectW(&description);
        if (!next) {
            return;
        }
    }
    HFONT shown = m_dpiFont ? m_dpiFont.get() : templateFont;
    for (HWND child = GetWindow(m_window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0)) == shown) {
            SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(next), FALSE);
        }
    }
    m_dpiFont.reset(next == templateFont ? nullptr : next);
}
