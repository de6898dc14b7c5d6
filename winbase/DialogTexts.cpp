#include "winbase/DialogTexts.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "text/Texts.h"
#include "winbase/Dpi.h"
#include "winbase/ScopedHandles.h"

namespace {

struct Child {
    HWND window;
    RECT rect;      // in the dialog's client coordinates
    RECT original;
    bool groupBox;
};

bool IsClass(HWND window, const char* name)
{
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    return _stricmp(className, name) == 0;
}

// Room around a push button's text: its frame and a blank the width of a narrow letter on either
// side, so that no text touches the frame.
constexpr int kPushButtonInset = 12;
// Room beside a check box's or radio button's text: its box (12 pixels and one at 96 DPI), the gap
// to the text (half a digit's width), two pixels each side for the focus rectangle, and one more:
// with one pixel less a Cyrillic text loses its last letter.
constexpr int kCheckBoxInset = 13 + 3 + 4;
// Room around a list row's text, and beside a field's: the frame's and the selection's pixels.
constexpr int kRowInset = 6;

std::wstring WideText(HWND window)
{
    std::vector<wchar_t> text(static_cast<size_t>(std::max(0, GetWindowTextLengthW(window))) + 1, L'\0');
    const int length = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    return std::wstring(text.data(), static_cast<size_t>(std::max(0, length)));
}

// The rows of a list or combo box that draws its own texts (an owner-drawn one draws what its owner
// decides: the program's lists of windows).
std::vector<std::wstring> Rows(HWND list, bool combo)
{
    std::vector<std::wstring> rows;
    const LONG style = GetWindowLongA(list, GWL_STYLE);
    if (style & (combo ? (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE) : (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)))
        return rows;
    const LRESULT count = SendMessageW(list, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
    for (LRESULT index = 0; index < count; ++index) {
        const LRESULT length = SendMessageW(list, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, index, 0);
        std::vector<wchar_t> row(static_cast<size_t>(std::max<LRESULT>(0, length)) + 1, L'\0');
        SendMessageW(list, combo ? CB_GETLBTEXT : LB_GETTEXT, index, reinterpret_cast<LPARAM>(row.data()));
        rows.emplace_back(row.data());
    }
    return rows;
}

// The width of the widest text on one line in the dc's font ('&' marks an access key).
LONG Widest(HDC dc, const std::vector<std::wstring>& texts, UINT format)
{
    LONG widest = 0;
    for (const std::wstring& text : texts) {
        RECT need = {};
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &need, DT_CALCRECT | DT_SINGLELINE | format);
        widest = std::max(widest, need.right);
    }
    return widest;
}

// How much wider the child must be to show each of its rows (a list's or combo box's), and each of
// the texts given for it, whole on one line; 0 when it does.
LONG RowShortfall(HWND child, UINT dpi, HDC dc, const std::vector<std::wstring>& given)
{
    const bool list = IsClass(child, "ListBox"), combo = IsClass(child, "ComboBox");
    std::vector<std::wstring> texts = list || combo ? Rows(child, combo) : std::vector<std::wstring>();
    texts.insert(texts.end(), given.begin(), given.end());
    if (texts.empty())
        return 0;
    RECT room = {};
    GetClientRect(child, &room);
    LONG inset = ScaleToDpi(kRowInset, dpi);
    if (combo)
        inset += SystemMetricForDpi(SM_CXVSCROLL, dpi);
    if (IsClass(child, "Edit")) {
        const LRESULT margins = SendMessageA(child, EM_GETMARGINS, 0, 0);
        inset = LOWORD(margins) + HIWORD(margins) + ScaleToDpi(2, dpi);
    }
    const HGDIOBJ font = reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0));
    const SelectedObject selected(dc, font ? font : GetStockObject(SYSTEM_FONT));
    return std::max<LONG>(0, Widest(dc, texts, list || combo ? DT_NOPREFIX : 0) + inset - room.right);
}

// How much wider (cx) and, for a static that wraps, taller (cy) the child must be to show its whole
// text (a word wider than the static widens it), its rows and the texts given for it; 0 when it
// fits or holds no text it draws itself. dc: one device context the texts of all children are
// measured in, each in its own font.
SIZE Shortfall(HWND child, UINT dpi, HDC dc, const std::vector<std::wstring>& given)
{
    const LONG style = GetWindowLongA(child, GWL_STYLE), type = style & BS_TYPEMASK;
    if (!(style & WS_VISIBLE))
        return {0, 0};
    const LONG rows = RowShortfall(child, dpi, dc, given);
    const bool isStatic = IsClass(child, "Static") && (style & SS_TYPEMASK) <= SS_SIMPLE;
    const bool isButton = IsClass(child, "Button") && type != BS_GROUPBOX;
    // Measured in UTF-16 as the control draws it: an A measure would read the text in the font's
    // character set (1252 for the dialog font) and count a Cyrillic or Japanese letter as two or three.
    const std::wstring text = WideText(child);
    if (!(isStatic || isButton) || text.empty())
        return {rows, 0};
    RECT room = {};
    GetClientRect(child, &room);
    const bool push = type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
    const LONG inset = isButton ? ScaleToDpi(push ? kPushButtonInset : kCheckBoxInset, dpi) : 0;
    const bool wraps = isStatic && (style & SS_TYPEMASK) <= SS_RIGHT;
    // A child without a font of its own draws in the system font, which a fresh device context holds.
    const HGDIOBJ font = reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0));
    const SelectedObject selected(dc, font ? font : GetStockObject(SYSTEM_FONT));
    RECT need = {0, 0, room.right - inset, 0};
    DrawTextW(dc, text.c_str(), -1, &need, DT_CALCRECT | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
    return {std::max<LONG>({0, need.right + inset - room.right, rows}),
            wraps ? std::max<LONG>(0, need.bottom - room.bottom) : 0};
}

// A window of this thread already showing the text (the template's own language) is not set
// again: each setting is a trip to the system, and the start sets a dozen.
void SetTextIfOther(HWND window, const char* text)
{
    char current[256] = {};
    const int length = GetWindowTextA(window, current, sizeof current);
    if (length <= 0 || length >= static_cast<int>(sizeof current) - 1 || strcmp(current, text) != 0)
        SetWindowTextA(window, text);
}

bool RowsOverlap(const RECT& a, const RECT& b)
{
    return a.top < b.bottom && b.top < a.bottom;
}

bool Contains(const RECT& outer, const RECT& inner)
{
    return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top &&
           inner.bottom <= outer.bottom;
}

std::vector<Child> Children(HWND dialog)
{
    std::vector<Child> children;
    for (HWND window = GetWindow(dialog, GW_CHILD); window; window = GetWindow(window, GW_HWNDNEXT)) {
        RECT rect = {};
        GetWindowRect(window, &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        const bool group = IsClass(window, "Button") && (GetWindowLongA(window, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
        children.push_back({window, rect, rect, group});
    }
    return children;
}

bool ColumnsOverlap(const RECT& a, const RECT& b)
{
    return a.left < b.right && b.left < a.right;
}

// The controls below the child that move down with it: those under it, and under any control that
// moves, in a column they share (a control beside a lengthened label stays where it is).
std::vector<bool> MovingDown(const std::vector<Child>& children, size_t index)
{
    const RECT& grown = children[index].rect;
    std::vector<bool> moving(children.size(), false);
    moving[index] = true;
    for (bool more = true; more;) {
        more = false;
        for (size_t i = 0; i < children.size(); ++i) {
            const RECT& rect = children[i].rect;
            if (moving[i] || rect.top < grown.bottom - 1)
                continue;
            for (size_t j = 0; j < children.size() && !moving[i]; ++j)
                if (moving[j] && children[j].rect.top < rect.top && ColumnsOverlap(children[j].rect, rect))
                    moving[i] = more = true;
        }
    }
    return moving;
}

// Widens or lengthens child by the shortfall, moving the controls beyond it along.
void Grow(std::vector<Child>& children, size_t index, SIZE by)
{
    const RECT before = children[index].rect;
    const std::vector<bool> down = by.cy ? MovingDown(children, index) : std::vector<bool>(children.size(), false);
    for (size_t i = 0; i < children.size(); ++i) {
        RECT& rect = children[i].rect;
        if (i == index)
            continue;
        if (by.cx && rect.left >= before.right - 1 && RowsOverlap(rect, before))
            OffsetRect(&rect, by.cx, 0);
        if (down[i])
            OffsetRect(&rect, 0, by.cy);
    }
    children[index].rect.right += by.cx;
    children[index].rect.bottom += by.cy;
}

// A group box keeps its padding around every control it held.
void GrowGroupBoxes(std::vector<Child>& children)
{
    for (Child& group : children) {
        if (!group.groupBox)
            continue;
        for (const Child& child : children) {
            if (child.groupBox || !Contains(group.original, child.original))
                continue;
            group.rect.right = std::max(group.rect.right, child.rect.right + (group.original.right - child.original.right));
            group.rect.bottom =
                std::max(group.rect.bottom, child.rect.bottom + (group.original.bottom - child.original.bottom));
        }
    }
}

// A control that reached the right edge and stayed in place keeps reaching it as the dialog grows
// wider: a list across the dialog stretches, a push button (Cancel in the corner) moves along.
void StretchToEdge(std::vector<Child>& children, LONG reach, LONG wider)
{
    if (wider <= 0)
        return;
    for (Child& child : children) {
        if (child.original.right < reach || child.rect.left != child.original.left ||
            child.rect.right != child.original.right)
            continue;
        const LONG type = GetWindowLongA(child.window, GWL_STYLE) & BS_TYPEMASK;
        if (IsClass(child.window, "Button") && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON))
            child.rect.left += wider;
        child.rect.right += wider;
    }
}

LONG Extent(const std::vector<Child>& children, LONG RECT::*edge, bool original)
{
    LONG extent = 0;
    for (const Child& child : children)
        extent = std::max(extent, original ? child.original.*edge : child.rect.*edge);
    return extent;
}

// A grown top-level dialog that now crosses the right or bottom edge of its monitor's work area
// moves back inside it (never past the left or top edge).
void KeepOnMonitor(HWND dialog)
{
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    RECT window = {};
    if ((GetWindowLongA(dialog, GWL_STYLE) & WS_CHILD) || !GetWindowRect(dialog, &window) ||
        !GetMonitorInfoA(MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor))
        return;
    const RECT& work = monitor.rcWork;
    const LONG left = std::max(work.left, std::min(window.left, work.right - (window.right - window.left)));
    const LONG top = std::max(work.top, std::min(window.top, work.bottom - (window.bottom - window.top)));
    if (left != window.left || top != window.top)
        SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void ApplyDialogTexts(HWND dialog, int templateId)
{
    if (const char* title = DialogText(templateId, 0))
        SetTextIfOther(dialog, title);
    // A child without an id (0) is no control of the template: 0 names the title.
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(child);
        if (const char* text = id != 0 ? DialogText(templateId, id) : nullptr)
            SetTextIfOther(child, text);
    }
}

LONG TextsShortfall(HWND control, const std::vector<std::string>& texts, UINT dpi)
{
    std::vector<std::wstring> wide;
    for (const std::string& text : texts) {
        const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
        std::vector<wchar_t> converted(static_cast<size_t>(std::max(length, 1)), L'\0');
        MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, converted.data(), length);
        wide.emplace_back(converted.data());
    }
    const WindowDc dc(GetParent(control));
    return RowShortfall(control, dpi != 0 ? dpi : WindowDpi(control), dc.get(), wide);
}

void WidenColumn(HWND dialog, const std::vector<int>& widened, const std::vector<int>& moved, LONG cx)
{
    if (cx <= 0)
        return;
    for (const int id : widened) {
        RECT rect = {};
        HWND control = GetDlgItem(dialog, id);
        GetWindowRect(control, &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        MoveWindow(control, rect.left, rect.top, rect.right - rect.left + cx, rect.bottom - rect.top, FALSE);
    }
    for (const int id : moved) {
        RECT rect = {};
        HWND control = GetDlgItem(dialog, id);
        GetWindowRect(control, &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        MoveWindow(control, rect.left + cx, rect.top, rect.right - rect.left, rect.bottom - rect.top, FALSE);
    }
    RECT window = {};
    GetWindowRect(dialog, &window);
    SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left + cx, window.bottom - window.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    KeepOnMonitor(dialog);
    InvalidateRect(dialog, nullptr, TRUE);
}

void FitDialogTexts(HWND dialog, UINT atDpi)
{
    const UINT dpi = atDpi != 0 ? atDpi : WindowDpi(dialog);
    std::vector<Child> children = Children(dialog);
    std::vector<size_t> order(children.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return children[a].rect.left < children[b].rect.left; });
    bool grew = false;
    const WindowDc dc(dialog);
    for (size_t index : order) {
        const SIZE by = Shortfall(children[index].window, dpi, dc.get(), {});
        if (by.cx || by.cy) {
            Grow(children, index, by);
            grew = true;
        }
    }
    if (!grew)
        return;
    GrowGroupBoxes(children);
    RECT client = {};
    GetClientRect(dialog, &client);
    const LONG reach = Extent(children, &RECT::right, true);
    const LONG wider = Extent(children, &RECT::right, false) - reach;
    const LONG taller = Extent(children, &RECT::bottom, false) - Extent(children, &RECT::bottom, true);
    StretchToEdge(children, reach, wider);
    for (const Child& child : children)
        if (!EqualRect(&child.rect, &child.original))
            MoveWindow(child.window, child.rect.left, child.rect.top, child.rect.right - child.rect.left,
                       child.rect.bottom - child.rect.top, FALSE);
    RECT window = {};
    GetWindowRect(dialog, &window);
    SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left + std::max<LONG>(0, wider),
                 window.bottom - window.top + std::max<LONG>(0, taller), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    KeepOnMonitor(dialog);
    InvalidateRect(dialog, nullptr, TRUE);
}
