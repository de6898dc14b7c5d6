// A dialog moved to a monitor with another DPI, or whose monitor's scaling changed: the window,
// its controls and their fonts follow. The program handles the change whole; the dialog
// manager's own rescaling is switched off (KeepDialogDpiScalingOurs), so one layout, the
// framework's, places the controls.
#include "winbase/WinBase.h"

#include <algorithm>

#include "winbase/Dpi.h"

namespace {

// The most a suggested side may differ from the window's own side scaled to the new DPI, either
// way: the system suggests about that size, never a multiple of it.
constexpr long long kMostSizeFactor = 4;

bool SideFits(LONG low, LONG high, long long scaled)
{
    const long long side = static_cast<long long>(high) - low;
    return side > 0 && side <= kMostSizeFactor * scaled && side * kMostSizeFactor >= scaled;
}

// The suggested rectangle is taken only when it has area, a size near the window's own scaled
// from oldDpi to dpi, and lies at least partly on a monitor: a rectangle with a corrupt size or
// off every screen would put the dialog beyond the user's reach.
bool FitsAsPlace(HWND window, const RECT* rect, UINT oldDpi, UINT dpi)
{
    RECT now = {};
    if (!rect || !GetWindowRect(window, &now)) {
        return false;
    }
    const long long width = std::max(1LL, static_cast<long long>(now.right - now.left) * dpi / oldDpi);
    const long long height = std::max(1LL, static_cast<long long>(now.bottom - now.top) * dpi / oldDpi);
    return SideFits(rect->left, rect->right, width) && SideFits(rect->top, rect->bottom, height) &&
           MonitorFromRect(rect, MONITOR_DEFAULTTONULL) != nullptr;
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
    const bool placeFits = FitsAsPlace(m_window, suggested, oldDpi, dpi);
    m_dpi = dpi;
    if (m_font) {
        ApplyFont(CreateUserFont());
    } else {
        ScaleTemplateFont();
    }
    if (placeFits) {
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
