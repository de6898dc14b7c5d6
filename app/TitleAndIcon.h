// The facts of a foreign window that the candidate list, the hidden-window menu, the Hidden
// Windows dialog and the rules all read: its title as the system keeps it or as the window reports
// it, and its icon. Each is read without a message where it can be, and every message is bounded
// (see ForeignWindow.h), so a program that does not answer never holds the caller up.
#pragma once

#include <windows.h>

#include <cstdint>

#include "app/ForeignWindow.h"
#include "text/NString.h"

// The title of the desktop's window, which is never listed, hidden nor matched.
constexpr char kDesktopTitle[] = "Program Manager";

// A window as a hide and a list entry see it: its title, its handle and its icon.
struct TitledWindow {
    // The window's stored title when it was looked at.
    NString title;
    HWND window = nullptr;
    // Borrowed from the window, its class or the system: never destroyed by
    // this program. May be null.
    HICON icon = nullptr;
};

// Longest stored title, in characters.
constexpr uint32_t kStoredTitleMaxChars = 254;
// Characters a short title keeps before its "...".
constexpr uint32_t kShortTitleChars = 25;

// The system's copy of the window's text, read without sending the window a
// message (so a stuck program cannot hold it up), cut to
// kStoredTitleMaxChars characters. Empty when it cannot be read.
NString StoredTitle(HWND window);

// The title unchanged when it has at most kShortTitleChars characters;
// otherwise its first kShortTitleChars characters followed by "...". A cut
// never splits a multi-byte character.
NString ShortTitle(const NString& title);

// The title as the window itself reports it (WM_GETTEXTLENGTH, WM_GETTEXT),
// each message bounded (see ForeignWindow.h). A window that does not answer
// gives its stored title. A null handle gives "!!**NULL HWND**!!", a handle
// that is not a window "!!**INVALID HWND**!!".
NString SentTitle(HWND window, SilentThreads* silent = nullptr);

// The window's own small or big icon (WM_GETICON bounded by
// kIconAnswerTimeoutMs), else its class's small or big icon; with none of
// these, null for a pop-up or modal-frame window and the system's
// Windows-logo icon for any other.
HICON WindowIcon(HWND window, SilentThreads* silent = nullptr);
// The first half of WindowIcon: the window's own icon, or null when it has
// none or does not answer.
HICON WindowOwnIcon(HWND window, SilentThreads* silent = nullptr);
// The second half: its class's icon, or what the window's style gives.
HICON WindowFallbackIcon(HWND window);

// True for the desktop's window, told by its stored title (any letter case): no message is sent.
bool IsDesktopWindow(HWND window);

// Visible top-level windows whose sent title is not "Program Manager" in
// any letter case (windows without a title count).
int VisibleWindowCount();
