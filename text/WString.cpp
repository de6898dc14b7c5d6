#ifndef _CRT_SECURE_NO_WARNINGS
#define _CRT_SECURE_NO_WARNINGS
#endif

#include "text/WString.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <functional>
#include <utility>

namespace {

// True when p points into the text of [begin, begin + length], the terminator
// included, so that the caller must not let a reallocation invalidate it.
bool PointsInto(const wchar_t* p, const wchar_t* begin, uint32_t length)
{
    return begin && std::less_equal<const wchar_t*>()(begin, p) &&
           std::less_equal<const wchar_t*>()(p, begin + length);
}

// Code pages for which MultiByteToWideChar rejects every flag but
// MB_ERR_INVALID_CHARS; MB_PRECOMPOSED is only passed for the others.
bool RejectsPrecomposedFlag(UINT codePage)
{
    return codePage == CP_UTF8 || codePage == CP_UTF7 || codePage == 42 || codePage == 54936 ||
           (codePage >= 50220 && codePage <= 50229) || (codePage >= 57002 && codePage <= 57011);
}

}  // namespace

WString::WString(const wchar_t* text)
{
    if (text) {
        const uint32_t n = CheckedTextLength(std::wcslen(text));
        SetLength(n);
        std::wmemcpy(m_text, text, n);
    }
}

WString::WString(const wchar_t* text, uint32_t maxCount)
{
    if (text) {
        const uint32_t n = static_cast<uint32_t>(BoundedLength(text, maxCount));
        SetLength(n);
        std::wmemcpy(m_text, text, n);
    }
}

WString::WString(const WString& other) : WString(other.m_text) {}

WString::WString(WString&& other) noexcept
    : m_text(std::exchange(other.m_text, nullptr)),
      m_length(std::exchange(other.m_length, 0u)),
      m_capacity(std::exchange(other.m_capacity, 0u))
{
}

WString::~WString()
{
    Free();
}

WString& WString::operator=(const WString& other)
{
    return Assign(other.m_text);
}

WString& WString::operator=(WString&& other) noexcept
{
    if (this != &other) {
        Free();
        m_text = std::exchange(other.m_text, nullptr);
        m_length = std::exchange(other.m_length, 0u);
        m_capacity = std::exchange(other.m_capacity, 0u);
    }
    return *this;
}

void WString::SetLength(uint32_t n)
{
    if (n >= m_capacity) {
        const uint32_t capacity = GrowthCapacity(n);
        m_text = static_cast<wchar_t*>(ReallocOrAbort(m_text, std::size_t(capacity) * sizeof(wchar_t)));
        m_capacity = capacity;
    }
    m_length = n;
    m_text[n] = L'\0';
}

void WString::Free() noexcept
{
    std::free(m_text);
    m_text = nullptr;
    m_length = 0;
    m_capacity = 0;
}

WString WString::FromNarrow(const char* text, UINT codePage)
{
    if (!text) {
        return WString();
    }
    const UINT effectiveCodePage = codePage == CP_ACP ? GetACP() : codePage;
    const DWORD flags = RejectsPrecomposedFlag(effectiveCodePage) ? 0 : MB_PRECOMPOSED;
    const int needed = MultiByteToWideChar(codePage, flags, text, -1, nullptr, 0);
    if (needed <= 0) {
        return WString();
    }
    WString result;
    result.SetLength(CheckedTextLength(std::size_t(needed) + 1));
    const int converted =
        MultiByteToWideChar(codePage, flags, text, -1, result.m_text, static_cast<int>(result.m_capacity));
    if (converted <= 0) {
        return WString();
    }
    result.SetLength(static_cast<uint32_t>(BoundedLength(result.m_text, static_cast<std::size_t>(converted))));
    return result;
}

WString WString::Format(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    WString result = FormatV(format, args);
    va_end(args);
    return result;
}

WString WString::FormatV(const wchar_t* format, va_list args)
{
    if (!format) {
        return WString();
    }
    // Measuring first gives the same capacity as growing by 32 until the text
    // fits, without looping forever on a format the CRT rejects.
    va_list measureArgs;
    va_copy(measureArgs, args);
    const int needed = _vscwprintf(format, measureArgs);
    va_end(measureArgs);
    if (needed < 0 || static_cast<uint32_t>(needed) > kMaxTextLength) {
        return WString();
    }
    WString result;
    result.SetLength(static_cast<uint32_t>(needed));
    va_list formatArgs;
    va_copy(formatArgs, args);
    const int written = _vsnwprintf(result.m_text, result.m_capacity - 1, format, formatArgs);
    va_end(formatArgs);
    if (written < 0) {
        return WString();
    }
    result.SetLength(static_cast<uint32_t>(written < needed ? written : needed));
    return result;
}

WString& WString::Assign(const wchar_t* text)
{
    if (!text) {
        Free();
    } else if (PointsInto(text, m_text, m_length)) {
        const uint32_t n = static_cast<uint32_t>(std::wcslen(text));
        std::wmemmove(m_text, text, n);
        SetLength(n);
    } else {
        const uint32_t n = CheckedTextLength(std::wcslen(text));
        SetLength(n);
        std::wmemcpy(m_text, text, n);
    }
    return *this;
}

WString& WString::Append(const wchar_t* text)
{
    if (!text) {
        return *this;
    }
    const uint32_t oldLength = m_length;
    if (PointsInto(text, m_text, m_length)) {
        // Growth may move the buffer: remember the source as an offset.
        const std::size_t offset = static_cast<std::size_t>(text - m_text);
        const uint32_t n = static_cast<uint32_t>(std::wcslen(text));
        SetLength(CheckedTextLength(std::size_t(oldLength) + n));
        std::wmemmove(m_text + oldLength, m_text + offset, n);
    } else {
        const std::size_t n = std::wcslen(text);
        SetLength(CheckedTextLength(oldLength + n));
        std::wmemcpy(m_text + oldLength, text, n);
    }
    return *this;
}

WString& WString::Append(const WString& other)
{
    return other.IsNull() ? *this : Append(other.m_text);
}

WString& WString::Append(wchar_t c)
{
    if (c != L'\0') {
        const uint32_t oldLength = m_length;
        SetLength(CheckedTextLength(std::size_t(oldLength) + 1));
        m_text[oldLength] = c;
    }
    return *this;
}

WString& WString::EnsureTrailing(wchar_t c)
{
    if (m_text && (m_length == 0 || LastChar() != c)) {
        Append(c);
    }
    return *this;
}

bool WString::Equals(const wchar_t* text) const
{
    if (m_text == text) {
        return true;
    }
    return m_text && text && std::wcscmp(m_text, text) == 0;
}

int WString::Count(wchar_t c) const
{
    if (!m_text || c == L'\0') {
        return 0;
    }
    return static_cast<int>(std::count(m_text, m_text + m_length, c));
}

bool operator==(const WString& a, const WString& b) { return a.Equals(b); }
bool operator==(const WString& a, const wchar_t* b) { return a.Equals(b); }
bool operator==(const wchar_t* a, const WString& b) { return b.Equals(a); }
bool operator!=(const WString& a, const WString& b) { return !a.Equals(b); }
bool operator!=(const WString& a, const wchar_t* b) { return !a.Equals(b); }
bool operator!=(const wchar_t* a, const WString& b) { return !b.Equals(a); }

WString operator+(const WString& a, const WString& b)
{
    WString result(a);
    result.Append(b);
    return result;
}

WString operator+(const WString& a, const wchar_t* b)
{
    WString result(a);
    result.Append(b);
    return result;
}

WString operator+(const wchar_t* a, const WString& b)
{
    WString result(a);
    result.Append(b);
    return result;
}
