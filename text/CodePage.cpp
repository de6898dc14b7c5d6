#include "text/CodePage.h"

#include <climits>

namespace {

// text as UTF-16 in codePage; false when a byte is no character of it (with flags
// MB_ERR_INVALID_CHARS) or the text is too long for the call.
bool ToWide(std::string_view text, UINT codePage, DWORD flags, std::wstring& wide)
{
    wide.clear();
    if (text.empty())
        return true;
    if (text.size() > static_cast<size_t>(INT_MAX))
        return false;
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(codePage, flags, text.data(), length, nullptr, 0);
    if (needed <= 0)
        return false;
    wide.resize(static_cast<size_t>(needed));
    return MultiByteToWideChar(codePage, flags, text.data(), length, &wide[0], needed) == needed;
}

// wide in codePage; usedDefault (when given) tells whether a character had no match there.
bool ToNarrow(const std::wstring& wide, UINT codePage, DWORD flags, BOOL* usedDefault, std::string& narrow)
{
    narrow.clear();
    if (wide.empty())
        return true;
    const int length = static_cast<int>(wide.size());
    const int needed = WideCharToMultiByte(codePage, flags, wide.data(), length, nullptr, 0, nullptr, usedDefault);
    if (needed <= 0)
        return false;
    narrow.resize(static_cast<size_t>(needed));
    return WideCharToMultiByte(codePage, flags, wide.data(), length, &narrow[0], needed, nullptr, usedDefault) ==
           needed;
}

}  // namespace

UINT NarrowCodePage()
{
    return GetACP();
}

// A code page that has every character but names it otherwise is checked by the way back: the
// text is only taken when it reads back as the same characters.
bool Utf8ToCodePage(std::string_view text, UINT codePage, std::string& out)
{
    std::wstring wide, back;
    if (!ToWide(text, CP_UTF8, MB_ERR_INVALID_CHARS, wide))
        return false;
    if (codePage == CP_UTF8) {
        out.assign(text.data(), text.size());
        return true;
    }
    BOOL usedDefault = FALSE;
    std::string narrow;
    if (!ToNarrow(wide, codePage, WC_NO_BEST_FIT_CHARS, &usedDefault, narrow) || usedDefault ||
        !ToWide(narrow, codePage, 0, back) || back != wide)
        return false;
    out = std::move(narrow);
    return true;
}

std::string Utf8ToCodePageOrAsIs(std::string_view text, UINT codePage)
{
    std::wstring wide;
    std::string narrow;
    if (codePage == CP_UTF8 || !ToWide(text, CP_UTF8, MB_ERR_INVALID_CHARS, wide) ||
        !ToNarrow(wide, codePage, WC_NO_BEST_FIT_CHARS, nullptr, narrow))
        return std::string(text);
    return narrow;
}

std::string CodePageToUtf8(std::string_view text, UINT codePage)
{
    std::wstring wide;
    std::string utf8;
    if (codePage == CP_UTF8 || !ToWide(text, codePage, 0, wide) || !ToNarrow(wide, CP_UTF8, 0, nullptr, utf8))
        return std::string(text);
    return utf8;
}
