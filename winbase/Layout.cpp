// Proportional layout of a scalable dialog's direct child controls: every
// child keeps the place it had when the layout was recorded, multiplied by
// the ratio of the current client size to the recorded one.
#include "winbase/WinBase.h"

#include <commctrl.h>

namespace {

bool IsComboBox(HWND window)
{
    return NString::FromClassName(window).EqualsNoCase("COMBOBOX");
}

bool IsStatusBar(HWND window)
{
    return NString::FromClassName(window).EqualsNoCase(STATUSCLASSNAMEA);
}

// The child's rectangle in the dialog's client coordinates; a combo box's
// includes its drop-down list. Systems differ in what a combo box answers to
// the request, so the rectangle it fills in is what counts.
bool ChildRect(HWND dialog, HWND child, RECT& rect)
{
    rect = RECT{};
    if (IsComboBox(child)) {
        SendMessageA(child, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&rect));
    }
    const bool taken = !IsRectEmpty(&rect) || GetWindowRect(child, &rect) != 0;
    if (taken) {
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    }
    return taken;
}

// Each product is truncated toward zero.
RECT ScaledRect(const RECT& recorded, float sx, float sy)
{
    return RECT{static_cast<LONG>(static_cast<float>(recorded.left) * sx),
                static_cast<LONG>(static_cast<float>(recorded.top) * sy),
                static_cast<LONG>(static_cast<float>(recorded.right) * sx),
                static_cast<LONG>(static_cast<float>(recorded.bottom) * sy)};
}

}  // namespace

void QF_WINBASE::RecordChildLayout()
{
    if (!GetClientRect(m_window, &m_layoutReference)) {
        return;
    }
    m_childLayout.clear();
    for (HWND child = GetWindow(m_window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect = {};
        if (ChildRect(m_window, child, rect)) {
            m_childLayout[child] = rect;
        }
    }
}

// True when a recorded child (other than a status bar, which places itself)
// is no longer at its recorded place.
bool QF_WINBASE::AnyChildDisplaced() const
{
    for (HWND child = GetWindow(m_window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const auto entry = m_childLayout.find(child);
        if (entry == m_childLayout.end() || IsStatusBar(child)) {
            continue;
        }
        RECT now = {};
        if (ChildRect(m_window, child, now) && !EqualRect(&now, &entry->second)) {
            return true;
        }
    }
    return false;
}

// Always computed from the recorded rectangles, so resizing never accumulates
// rounding errors. At the recorded size nothing moves unless a child was left
// elsewhere by an earlier scaling, which then goes back to its recorded place.
void QF_WINBASE::ScaleChildren()
{
    RECT client = {};
    if (!m_window || !GetClientRect(m_window, &client)) {
        return;
    }
    const LONG referenceWidth = m_layoutReference.right - m_layoutReference.left;
    const LONG referenceHeight = m_layoutReference.bottom - m_layoutReference.top;
    if (referenceWidth <= 0 || referenceHeight <= 0) {
        return;
    }
    const float sx = static_cast<float>(static_cast<double>(client.right - client.left) / referenceWidth);
    const float sy = static_cast<float>(static_cast<double>(client.bottom - client.top) / referenceHeight);
    if (sx == 1.0f && sy == 1.0f && !AnyChildDisplaced()) {
        return;
    }
    for (HWND child = GetWindow(m_window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const auto entry = m_childLayout.find(child);
        if (entry == m_childLayout.end()) {
            continue;
        }
        const RECT place = ScaledRect(entry->second, sx, sy);
        if (IsStatusBar(child)) {
            SendMessageA(child, SB_SETMINHEIGHT, static_cast<WPARAM>(place.bottom - place.top), 0);
            SendMessageA(child, WM_SIZE, 0, 0);
            OnStatusBarSized(child);
        } else {
            MoveWindow(child, place.left, place.top, place.right - place.left, place.bottom - place.top, TRUE);
        }
    }
    InvalidateRect(m_window, nullptr, TRUE);
}

// From the children's current places, so a dialog whose code moved a child keeps that move;
// each edge is rounded to the nearest pixel.
void QF_WINBASE::ScaleChildrenForDpi(UINT oldDpi, UINT newDpi)
{
    if (oldDpi == 0 || oldDpi == newDpi) {
        return;
    }
    const auto scaled = [=](LONG value) {
        return static_cast<LONG>(MulDiv(value, static_cast<int>(newDpi), static_cast<int>(oldDpi)));
    };
    for (HWND child = GetWindow(m_window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect = {};
        if (ChildRect(m_window, child, rect)) {
            const LONG left = scaled(rect.left), top = scaled(rect.top);
            MoveWindow(child, left, top, scaled(rect.right) - left, scaled(rect.bottom) - top, TRUE);
        }
    }
}
