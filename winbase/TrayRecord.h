// The record the shell takes for a dialog's notification-area icon: the
// first-version layout of NOTIFYICONDATA, narrow or wide, for an icon of the
// window: the dialog's own has id 0.
#pragma once

#include <windows.h>

#include <shellapi.h>

// Which fields an update sets; the values combine.
constexpr UINT kTrayRecordTipAndMessage = 1;
constexpr UINT kTrayRecordPicture = 2;

// The tip holds at most this many characters before its terminating zero.
constexpr int kTrayTipMaxChars = 63;

// Every field the parts do not name is zero. With kTrayRecordTipAndMessage
// the tip (shown whatever version the icon has) is the title (cut after kTrayTipMaxChars code units, never inside
// a UTF-16 surrogate pair or a UTF-8 sequence) and the callback message is
// callbackMessage; with kTrayRecordPicture the icon is icon. A null title
// counts as empty.
NOTIFYICONDATAW WideTrayRecord(HWND window, UINT parts, const wchar_t* title, UINT callbackMessage, HICON icon,
                               UINT id = 0);
NOTIFYICONDATAA NarrowTrayRecord(HWND window, UINT parts, const char* title, UINT callbackMessage, HICON icon,
                                 UINT id = 0);
