// The stand-in system functions: text conversion as Windows does it with the UTF-8 active code
// page, upper case through the C library's wide tables, and the Microsoft C runtime's names.
#include <windows.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

namespace {

thread_local DWORD g_lastError = 0;

// Wide upper case needs a UTF-8 locale; set once before any target runs.
const bool g_locale = std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr;

bool IsUtf8Page(UINT codePage)
{
    return codePage == CP_ACP || codePage == CP_UTF8;
}

// Decodes one character at text[i..end): its code point and byte count, or false (with the
// count of bytes the replacement character stands for) for an invalid or cut sequence.
bool DecodeOne(const unsigned char* text, size_t i, size_t end, uint32_t& point, size_t& used)
{
    const unsigned char lead = text[i];
    used = 1;
    if (lead < 0x80) {
        point = lead;
        return true;
    }
    size_t count = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    if (count == 0)
        return false;
    point = lead & (0xFF >> (count + 1));
    for (size_t k = 1; k < count; ++k) {
        if (i + k >= end)
            return false;
        const unsigned char next = text[i + k];
        unsigned char low = 0x80, high = 0xBF;
        if (k == 1) {
            low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
        }
        if (next < low || next > high)
            return false;
        point = (point << 6) | (next & 0x3F);
        used = k + 1;
    }
    used = count;
    return true;
}

void PutUtf8(uint32_t point, std::string& out)
{
    if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point < 0x800) {
        out += static_cast<char>(0xC0 | (point >> 6));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += static_cast<char>(0xE0 | (point >> 12));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (point >> 18));
        out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

int Fail(DWORD error)
{
    g_lastError = error;
    return 0;
}

} // namespace

UINT GetACP()
{
    return CP_UTF8;
}

DWORD GetLastError()
{
    return g_lastError;
}

void SetLastError(DWORD error)
{
    g_lastError = error;
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR out, int outLength)
{
    if (!IsUtf8Page(codePage) || !text || length == 0 || length < -1 || outLength < 0)
        return Fail(ERROR_INVALID_PARAMETER);
    if (flags & ~static_cast<DWORD>(MB_ERR_INVALID_CHARS))
        return Fail(1004);  // ERROR_INVALID_FLAGS: UTF-8 takes no other flag
    const size_t end = length == -1 ? std::strlen(text) + 1 : static_cast<size_t>(length);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    std::u16string units;
    for (size_t i = 0; i < end;) {
        uint32_t point = 0;
        size_t used = 0;
        if (!DecodeOne(bytes, i, end, point, used)) {
            if (flags & MB_ERR_INVALID_CHARS)
                return Fail(ERROR_NO_UNICODE_TRANSLATION);
            point = 0xFFFD;
        }
        i += used;
        if (point >= 0x10000) {
            units += static_cast<char16_t>(0xD800 + ((point - 0x10000) >> 10));
            units += static_cast<char16_t>(0xDC00 + ((point - 0x10000) & 0x3FF));
        } else {
            units += static_cast<char16_t>(point);
        }
    }
    if (outLength == 0)
        return static_cast<int>(units.size());
    if (units.size() > static_cast<size_t>(outLength))
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    for (size_t i = 0; i < units.size(); ++i)
        out[i] = units[i];
    return static_cast<int>(units.size());
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int length, LPSTR out, int outLength,
                        LPCSTR defaultChar, BOOL* usedDefault)
{
    if (!IsUtf8Page(codePage) || !text || length == 0 || length < -1 || outLength < 0 || defaultChar || usedDefault)
        return Fail(ERROR_INVALID_PARAMETER);
    if (flags != 0)
        return Fail(1004);
    const size_t end = length == -1 ? std::wcslen(text) + 1 : static_cast<size_t>(length);
    std::string bytes;
    for (size_t i = 0; i < end; ++i) {
        uint32_t point = static_cast<uint32_t>(text[i]);
        if (IS_HIGH_SURROGATE(point) && point < 0x10000 && i + 1 < end && IS_LOW_SURROGATE(text[i + 1]))
            point = 0x10000 + ((point - 0xD800) << 10) + (static_cast<uint32_t>(text[++i]) - 0xDC00);
        else if ((point >= 0xD800 && point <= 0xDFFF) || point > 0x10FFFF)
            point = 0xFFFD;
        PutUtf8(point, bytes);
    }
    if (outLength == 0)
        return static_cast<int>(bytes.size());
    if (bytes.size() > static_cast<size_t>(outLength))
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(out, bytes.data(), bytes.size());
    return static_cast<int>(bytes.size());
}

DWORD CharUpperBuffW(LPWSTR text, DWORD length)
{
    for (DWORD i = 0; i < length; ++i) {
        const wint_t unit = static_cast<wint_t>(text[i]);
        if (unit >= 0xD800 && unit <= 0xDFFF)
            continue;
        const wint_t upper = g_locale ? std::towupper(unit) : unit;
        if (upper < 0x10000)
            text[i] = static_cast<wchar_t>(upper);
    }
    return length;
}

int _stricmp(const char* a, const char* b)
{
    return _strnicmp(a, b, SIZE_MAX);
}

int _strnicmp(const char* a, const char* b, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        x = x >= 'A' && x <= 'Z' ? x + 32 : x;
        y = y >= 'A' && y <= 'Z' ? y + 32 : y;
        if (x != y || x == 0)
            return x - y;
    }
    return 0;
}

int _wcsicmp(const wchar_t* a, const wchar_t* b)
{
    for (;; ++a, ++b) {
        wchar_t x = *a >= L'A' && *a <= L'Z' ? *a + 32 : *a;
        wchar_t y = *b >= L'A' && *b <= L'Z' ? *b + 32 : *b;
        if (x != y || x == 0)
            return x < y ? -1 : x > y ? 1 : 0;
    }
}

unsigned long long _strtoui64(const char* text, char** end, int base)
{
    return std::strtoull(text, end, base);
}

int _vscprintf(const char* format, va_list args)
{
    return std::vsnprintf(nullptr, 0, format, args);
}

// The Microsoft form: -1 and no terminator when the text does not fit in count characters.
int _vsnprintf(char* buffer, size_t count, const char* format, va_list args)
{
    va_list measure;
    va_copy(measure, args);
    const int needed = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (needed < 0)
        return -1;
    std::vector<char> text(static_cast<size_t>(needed) + 1);
    std::vsnprintf(text.data(), text.size(), format, args);
    std::memcpy(buffer, text.data(), std::min(count, static_cast<size_t>(needed) + 1));
    return static_cast<size_t>(needed) <= count ? needed : -1;
}

// The C library's wide dialect (%s narrow, %ls wide), unlike Microsoft's; no parser under test
// formats wide text.
int _vscwprintf(const wchar_t* format, va_list args)
{
    for (size_t size = 256; size <= (1u << 24); size *= 4) {
        std::vector<wchar_t> text(size);
        va_list copy;
        va_copy(copy, args);
        const int written = std::vswprintf(text.data(), size, format, copy);
        va_end(copy);
        if (written >= 0)
            return written;
    }
    return -1;
}

int _vsnwprintf(wchar_t* buffer, size_t count, const wchar_t* format, va_list args)
{
    va_list measure;
    va_copy(measure, args);
    const int needed = _vscwprintf(format, measure);
    va_end(measure);
    if (needed < 0)
        return -1;
    std::vector<wchar_t> text(static_cast<size_t>(needed) + 1);
    std::vswprintf(text.data(), text.size(), format, args);
    std::memcpy(buffer, text.data(), std::min(count, static_cast<size_t>(needed) + 1) * sizeof(wchar_t));
    return static_cast<size_t>(needed) <= count ? needed : -1;
}

BOOL IsWindow(HWND)
{
    return FALSE;
}

int GetClassNameA(HWND, LPSTR name, int length)
{
    if (name && length > 0)
        name[0] = '\0';
    return Fail(ERROR_INVALID_HANDLE);
}

LRESULT SendMessageA(HWND, UINT, WPARAM, LPARAM)
{
    return Fail(ERROR_INVALID_HANDLE);
}

DWORD GetModuleFileNameA(HMODULE, LPSTR name, DWORD length)
{
    if (name && length > 0)
        name[0] = '\0';
    return Fail(ERROR_INVALID_HANDLE);
}

HMODULE GetModuleHandleA(LPCSTR)
{
    return nullptr;
}

HRSRC FindResourceA(HMODULE, LPCSTR, LPCSTR)
{
    return nullptr;
}

HGLOBAL LoadResource(HMODULE, HRSRC)
{
    return nullptr;
}

void* LockResource(HGLOBAL)
{
    return nullptr;
}

DWORD SizeofResource(HMODULE, HRSRC)
{
    return 0;
}

BOOL EnumResourceNamesA(HMODULE, LPCSTR, ENUMRESNAMEPROCA, LONG_PTR)
{
    return FALSE;
}

BOOL GetUserPreferredUILanguages(DWORD, ULONG*, wchar_t*, ULONG*)
{
    return FALSE;
}
