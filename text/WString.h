// WString: the program's wide (UTF-16) string value type.
//
// The same rules as NString: owns its buffer, copies never share it, the null
// string (no buffer) differs from the empty string, the buffer is always
// zero-terminated at Length() with Capacity() > Length(), and capacities grow
// in multiples of 32 code units. Length and capacity count code units.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstdint>

#include "text/TextUtil.h"

class WString {
public:
    WString() noexcept = default;
    // Null text gives the null string.
    WString(const wchar_t* text);
    // At most maxCount code units, stopping at the first zero. Unlike the
    // narrow form, a null pointer gives the null string.
    WString(const wchar_t* text, uint32_t maxCount);
    WString(const WString& other);
    // Takes the other's buffer; the other is left null.
    WString(WString&& other) noexcept;
    ~WString();

    WString& operator=(const WString& other);
    WString& operator=(WString&& other) noexcept;
    WString& operator=(const wchar_t* text) { return Assign(text); }

    // Converts narrow text in codePage (CP_ACP: the process's ANSI code page,
    // UTF-8 under the program's manifest). Null text or a failed conversion
    // gives the null string.
    static WString FromNarrow(const char* text, UINT codePage = CP_ACP);
    // printf-style formatting (Microsoft CRT wide dialect: %s and %ls take
    // wide text, %hs narrow text). A failure gives the null string.
    static WString Format(const wchar_t* format, ...);
    static WString FormatV(const wchar_t* format, va_list args);

    // Null text makes this the null string. Text may lie inside this string's
    // own buffer (a suffix of it).
    WString& Assign(const wchar_t* text);
    WString& Assign(const WString& other) { return Assign(other.m_text); }

    // Appending null text changes nothing; appending to a null string makes it
    // a copy of the text. Text from this string's own buffer (including the
    // string itself) appends as it was before the call.
    WString& Append(const wchar_t* text);
    WString& Append(const WString& other);
    // The zero code unit changes nothing.
    WString& Append(wchar_t c);
    WString& operator+=(const wchar_t* text) { return Append(text); }
    WString& operator+=(const WString& other) { return Append(other); }
    WString& operator+=(wchar_t c) { return Append(c); }
    // Appends c unless the string already ends with it; a null string stays
    // null (an empty one gets c).
    WString& EnsureTrailing(wchar_t c);

    const wchar_t* Text() const noexcept { return m_text; }
    uint32_t Length() const noexcept { return m_length; }
    uint32_t Capacity() const noexcept { return m_capacity; }
    bool IsNull() const noexcept { return m_text == nullptr; }
    // True for the null and the empty string.
    bool IsEmpty() const noexcept { return m_length == 0; }
    // 0 for a null or empty string.
    wchar_t LastChar() const noexcept { return m_length ? m_text[m_length - 1] : L'\0'; }

    // Two null strings are equal; a null string never equals an empty one.
    bool Equals(const wchar_t* text) const;
    bool Equals(const WString& other) const { return Equals(other.m_text); }
    int Count(wchar_t c) const;

private:
    // Sets the length to n under the growth rule and writes the terminator.
    void SetLength(uint32_t n);
    void Free() noexcept;

    wchar_t* m_text = nullptr;
    uint32_t m_length = 0;
    uint32_t m_capacity = 0;
};

bool operator==(const WString& a, const WString& b);
bool operator==(const WString& a, const wchar_t* b);
bool operator==(const wchar_t* a, const WString& b);
bool operator!=(const WString& a, const WString& b);
bool operator!=(const WString& a, const wchar_t* b);
bool operator!=(const wchar_t* a, const WString& b);

// Copy of the left operand with the right one appended (a null left operand
// gives a copy of the right one).
WString operator+(const WString& a, const WString& b);
WString operator+(const WString& a, const wchar_t* b);
WString operator+(const wchar_t* a, const WString& b);
