// The hyperlink control, window class "QF_HYPERLINK": a line of text in a
// link colour that opens its target through the shell when clicked, or when
// Enter or Space is pressed while it has the focus. It shows the hand cursor
// over its text, is a tab stop and draws a focus rectangle.
//
// It is configured with WM_COMMAND messages whose wParam is one of the
// command numbers below (the control sends no notifications). Any program can
// send a window a WM_COMMAND, so the two commands whose lParam is a text
// pointer are taken only through SendHyperlinkText; the same message from
// anywhere else (another program, another thread, a posted message) is
// ignored, for its lParam points to nothing of ours.
#pragma once

#include <windows.h>

#include "text/WString.h"

constexpr char kHyperlinkClassName[] = "QF_HYPERLINK";

// lParam: const wchar_t*, the link target; empty or unset: the shown text.
constexpr WPARAM kHyperlinkSetTarget = 1001;
// lParam: const wchar_t*, the text shown.
constexpr WPARAM kHyperlinkSetText = 1002;
// lParam: COLORREF of the text (default blue).
constexpr WPARAM kHyperlinkSetColour = 1004;
// lParam: COLORREF of the text while the pointer is over it or it is
// pressed (default: the text colour).
constexpr WPARAM kHyperlinkSetHotColour = 1006;
// lParam: nonzero underlines the text (default: not underlined).
constexpr WPARAM kHyperlinkSetUnderline = 1009;

// Sends the control a command that carries text (kHyperlinkSetTarget,
// kHyperlinkSetText) from the control's own thread.
void SendHyperlinkText(HWND control, WPARAM command, const wchar_t* text);

// Registers the class for the whole process (CS_GLOBALCLASS), so that dialog
// templates of any module can name it. True when the class is registered,
// also when it was already. The entry point calls it before any dialog.
bool RegisterHyperlinkClass(HINSTANCE instance);

// How a clicked link is opened. The default opens the text with the shell
// (OpenLinkText); tests put an observer in its place.
using LinkOpener = bool (*)(HWND owner, const wchar_t* target);
// Installs opener (null: the default) and returns the one it replaces.
LinkOpener SetLinkOpener(LinkOpener opener);
// Opens target with the current opener.
bool OpenLink(HWND owner, const wchar_t* target);

// The control's state, for windows of this process; defaults for any other
// window.
struct HyperlinkState {
    WString text;
    WString target;
    COLORREF colour = RGB(0, 0, 255);
    COLORREF hotColour = RGB(0, 0, 255);
    bool underlined = false;
};
HyperlinkState QueryHyperlink(HWND control);

// Opens the control's target (or its text, when it has no target).
bool ActivateHyperlink(HWND control);
