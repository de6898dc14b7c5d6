#include "dialogs/Hyperlink.h"

#include <vector>

#include "shell/Shell.h"
#include "winbase/ScopedHandles.h"
#include "winbase/OwnRecords.h"
#include "winbase/WindowHelpers.h"

namespace {

constexpr wchar_t kClassNameWide[] = L"QF_HYPERLINK";

LinkOpener g_opener = nullptr;

// The text command SendHyperlinkText is sending on this thread. A send to a
// window of the same thread calls its procedure directly, so nothing else can
// be handled between the send and the procedure taking the command.
struct TextCommand {
    HWND control;
    WPARAM command;
    LPARAM text;
};
thread_local const TextCommand* t_textCommand = nullptr;

// True when the text command being handled is the one SendHyperlinkText sends.
bool IsOwnTextCommand(HWND window, WPARAM command, LPARAM text)
{
    const TextCommand* own = t_textCommand;
    t_textCommand = nullptr;
    return own && own->control == window && own->command == command && own->text == text;
}

// Per-window data, owned by the window from WM_NCCREATE to WM_NCDESTROY and found by the window
// in Links(), never through the window's extra bytes, which any program can set.
struct Link {
    HyperlinkState state;
    bool hotColourSet = false;
    bool hot = false;     // pointer over the text
    bool pressed = false; // left button went down on the text
    HFONT font = nullptr; // the dialog's font; not owned
    OwnedFont drawFont;       // underlined copy
};

LRESULT CALLBACK HyperlinkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

WindowTable<Link>& Links()
{
    static WindowTable<Link> links;
    return links;
}

Link* LinkOf(HWND window)
{
    if (!IsWindow(window) ||
        GetWindowLongPtrW(window, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(HyperlinkProc)) {
        return nullptr;
    }
    return Links().Find(window);
}

void DropDrawFont(Link& link)
{
    link.drawFont.reset();
}

// The font the text is drawn with: the given font, underlined when asked.
HFONT DrawFont(Link& link)
{
    if (!link.state.underlined) {
        return link.font;
    }
    if (!link.drawFont) {
        LOGFONTW description = {};
        GetObjectW(link.font ? link.font : GetStockObject(DEFAULT_GUI_FONT), sizeof(description), &description);
        description.lfUnderline = TRUE;
        link.drawFont.reset(CreateFontIndirectW(&description));
    }
    return link.drawFont.get();
}

// The rectangle the text occupies, clipped to the client area.
RECT TextRect(HWND window, Link& link, HDC dc)
{
    RECT client = {};
    GetClientRect(window, &client);
    RECT text = client;
    const wchar_t* shown = link.state.text.IsNull() ? L"" : link.state.text.Text();
    DrawTextW(dc, shown, -1, &text, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX | DT_LEFT | DT_TOP);
    IntersectRect(&text, &text, &client);
    return text;
}

bool PointOnText(HWND window, Link& link, POINT point)
{
    const WindowDc dc(window);
    const SelectedObject selected(dc.get(), DrawFont(link));
    const RECT text = TextRect(window, link, dc.get());
    return PtInRect(&text, point) != FALSE;
}

void Paint(HWND window, Link& link)
{
    PAINTSTRUCT paint = {};
    HDC dc = BeginPaint(window, &paint);
    RECT client = {};
    GetClientRect(window, &client);
    const HBRUSH brush = reinterpret_cast<HBRUSH>(SendMessageW(
        GetParent(window), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(window)));
    FillRect(dc, &client, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
    {
        const SelectedObject selected(dc, DrawFont(link));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, (link.hot || link.pressed) ? link.state.hotColour : link.state.colour);
        RECT text = TextRect(window, link, dc);
        DrawTextW(dc, link.state.text.IsNull() ? L"" : link.state.text.Text(), -1, &text,
                  DT_SINGLELINE | DT_NOPREFIX | DT_LEFT | DT_TOP);
        if (GetFocus() == window) {
            DrawFocusRect(dc, &text);
        }
    }
    EndPaint(window, &paint);
}

// Handles the configuration commands; false for any other command.
bool Configure(HWND window, Link& link, WPARAM command, LPARAM lParam)
{
    const wchar_t* text = reinterpret_cast<const wchar_t*>(lParam);
    switch (command) {
    case kHyperlinkSetTarget:
        if (IsOwnTextCommand(window, command, lParam)) {
            link.state.target = WString(text);
        }
        return true;
    case kHyperlinkSetText:
        if (IsOwnTextCommand(window, command, lParam)) {
            SetWindowTextW(window, text ? text : L"");
        }
        return true;
    case kHyperlinkSetColour:
        link.state.colour = static_cast<COLORREF>(lParam);
        if (!link.hotColourSet) {
            link.state.hotColour = link.state.colour;
        }
        break;
    case kHyperlinkSetHotColour:
        link.state.hotColour = static_cast<COLORREF>(lParam);
        link.hotColourSet = true;
        break;
    case kHyperlinkSetUnderline:
        link.state.underlined = lParam != 0;
        DropDrawFont(link);
        break;
    default:
        return false;
    }
    InvalidateRect(window, nullptr, TRUE);
    return true;
}

void SetHot(HWND window, Link& link, bool hot)
{
    if (link.hot == hot) {
        return;
    }
    link.hot = hot;
    if (hot) {
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, window, 0};
        TrackMouseEvent(&track);
    }
    InvalidateRect(window, nullptr, TRUE);
}

POINT PointOf(LPARAM lParam)
{
    return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

LRESULT OnMouse(HWND window, Link& link, UINT message, LPARAM lParam)
{
    const bool onText = PointOnText(window, link, PointOf(lParam));
    if (message == WM_MOUSEMOVE) {
        SetHot(window, link, onText);
    } else if (message == WM_LBUTTONDOWN && onText) {
        link.pressed = true;
        SetFocus(window);
        SetCapture(window);
    } else if (message == WM_LBUTTONUP && link.pressed) {
        link.pressed = false;
        ReleaseCapture();
        InvalidateRect(window, nullptr, TRUE);
        if (onText) {
            ActivateHyperlink(window);
        }
    }
    return 0;
}

LRESULT OnCreateOrDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* link = new Link;
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        if (create->lpszName && !IS_INTRESOURCE(create->lpszName)) {
            link->state.text = WString(create->lpszName);
        }
        Links().Bind(window, link);
        SetWindowLongPtrW(window, GWL_STYLE, GetWindowLongPtrW(window, GWL_STYLE) | WS_TABSTOP);
    } else {
        Link* link = Links().Find(window);
        Links().Unbind(window);
        if (link) {
            DropDrawFont(*link);
            delete link;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK HyperlinkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // A window is set up once: a later WM_NCCREATE (any program can send one) is no creation.
    if (message == WM_NCCREATE && Links().Find(window)) {
        return TRUE;
    }
    if (message == WM_NCCREATE || message == WM_NCDESTROY) {
        return OnCreateOrDestroy(window, message, wParam, lParam);
    }
    Link* link = Links().Find(window);
    if (!link) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    switch (message) {
    case WM_COMMAND:
        return Configure(window, *link, wParam, lParam) ? 0 : DefWindowProcW(window, message, wParam, lParam);
    case WM_SETTEXT: {
        const LRESULT result = DefWindowProcW(window, message, wParam, lParam);
        const wchar_t* text = reinterpret_cast<const wchar_t*>(lParam);
        link->state.text = WString(text ? text : L"");
        InvalidateRect(window, nullptr, TRUE);
        return result;
    }
    case WM_SETFONT:
        link->font = reinterpret_cast<HFONT>(wParam);
        DropDrawFont(*link);
        if (LOWORD(lParam)) {
            InvalidateRect(window, nullptr, TRUE);
        }
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(link->font);
    case WM_PAINT:
        Paint(window, *link);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SETCURSOR: {
        POINT point = {};
        GetCursorPos(&point);
        ScreenToClient(window, &point);
        if (PointOnText(window, *link, point)) {
            SetCursor(LoadCursor(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    }
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        return OnMouse(window, *link, message, lParam);
    case WM_MOUSELEAVE:
        SetHot(window, *link, false);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_GETDLGCODE: {
        // The dialog manager of this thread asks with the message it is about
        // to handle; a send from elsewhere has no message of ours.
        const MSG* pending = FromThisThread() ? reinterpret_cast<const MSG*>(lParam) : nullptr;
        const bool activationKey = pending && pending->message == WM_KEYDOWN &&
                                   (pending->wParam == VK_RETURN || pending->wParam == VK_SPACE);
        return DLGC_WANTCHARS | (activationKey ? DLGC_WANTMESSAGE : 0);
    }
    case WM_KEYDOWN:
        if ((wParam == VK_RETURN || wParam == VK_SPACE) && !(lParam & 0x40000000)) {
            ActivateHyperlink(window);
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

bool RegisterHyperlinkClass(HINSTANCE instance)
{
    WNDCLASSW wc = {};
    wc.style = CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = HyperlinkProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassNameWide;
    return RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void SendHyperlinkText(HWND control, WPARAM command, const wchar_t* text)
{
    const TextCommand own = {control, command, reinterpret_cast<LPARAM>(text)};
    t_textCommand = &own;
    SendMessageW(control, WM_COMMAND, command, own.text);
    t_textCommand = nullptr;
}

LinkOpener SetLinkOpener(LinkOpener opener)
{
    const LinkOpener previous = g_opener;
    g_opener = opener;
    return previous;
}

bool OpenLink(HWND owner, const wchar_t* target)
{
    return g_opener ? g_opener(owner, target) : OpenLinkText(owner, target);
}

HyperlinkState QueryHyperlink(HWND control)
{
    const Link* link = LinkOf(control);
    return link ? link->state : HyperlinkState();
}

bool ActivateHyperlink(HWND control)
{
    const Link* link = LinkOf(control);
    if (!link) {
        return false;
    }
    const WString target = link->state.target.IsEmpty() ? link->state.text : link->state.target;
    return OpenLink(GetAncestor(control, GA_ROOT), target.Text());
}
