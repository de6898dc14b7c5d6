#include "winbase/TrayRecord.h"

namespace {

// How many code units of text fit the tip without splitting a character.
int WideTipLength(const wchar_t* text)
{
    int length = 0;
    while (text && length < kTrayTipMaxChars && text[length] != L'\0') {
        ++length;
    }
    if (length == kTrayTipMaxChars && text[length] != L'\0' && IS_HIGH_SURROGATE(text[length - 1])) {
        --length;
    }
    return length;
}

bool IsUtf8Continuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The ANSI code page is UTF-8 under the program's manifest: a cut never
// leaves the start of a multi-byte sequence without its continuation bytes.
int NarrowTipLength(const char* text)
{
    int length = 0;
    while (text && length < kTrayTipMaxChars && text[length] != '\0') {
        ++length;
    }
    if (length == kTrayTipMaxChars && text[length] != '\0' && IsUtf8Continuation(text[length])) {
        while (length > 0 && IsUtf8Continuation(text[length - 1])) {
            --length;
        }
        if (length > 0) {
            --length;
        }
    }
    return length;
}

template <class Record>
void FillCommon(Record& record, HWND window, UINT parts, UINT callbackMessage, HICON icon, UINT id)
{
    record.hWnd = window;
    record.uID = id;
    // An icon the shell reports on in version 4 shows its tip only when asked to (NIF_SHOWTIP);
    // earlier versions always show it.
    if (parts & kTrayRecordTipAndMessage) {
        record.uFlags |= NIF_MESSAGE | NIF_TIP | NIF_SHOWTIP;
        record.uCallbackMessage = callbackMessage;
    }
    if (parts & kTrayRecordPicture) {
        record.uFlags |= NIF_ICON;
        record.hIcon = icon;
    }
}

}  // namespace

NOTIFYICONDATAW WideTrayRecord(HWND window, UINT parts, const wchar_t* title, UINT callbackMessage, HICON icon,
                               UINT id)
{
    NOTIFYICONDATAW record = {};
    record.cbSize = NOTIFYICONDATAW_V1_SIZE;
    FillCommon(record, window, parts, callbackMessage, icon, id);
    if (parts & kTrayRecordTipAndMessage) {
        const int length = WideTipLength(title);
        for (int i = 0; i < length; ++i) {
            record.szTip[i] = title[i];
        }
    }
    return record;
}

NOTIFYICONDATAA NarrowTrayRecord(HWND window, UINT parts, const char* title, UINT callbackMessage, HICON icon,
                                 UINT id)
{
    NOTIFYICONDATAA record = {};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    FillCommon(record, window, parts, callbackMessage, icon, id);
    if (parts & kTrayRecordTipAndMessage) {
        const int length = NarrowTipLength(title);
        for (int i = 0; i < length; ++i) {
            record.szTip[i] = title[i];
        }
    }
    return record;
}
