// NString: the program's narrow (ANSI code page) string value type.
//
// A string owns its buffer and is passed by value; copies never share a
// buffer. The null string (no buffer) is distinct from the empty string (a
// buffer holding only the terminator); equality, the field operations and
// several constructors tell them apart. Whenever the buffer exists it is
// zero-terminated at Length() and Capacity() > Length(). Growth makes the
// capacity the smallest multiple of 32 above the new length; the buffer never
// shrinks. Operations on a null string are harmless: queries give 0, false or
// a null string and edits leave it null; only construction, assignment and
// appending give it a buffer.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstdint>

#include "text/TextUtil.h"

class NString {
public:
    NString() noexcept = default;
    // Null text gives the null string.
    NString(const char* text);
    // At most maxCount characters, stopping at the first zero. A null pointer
    // gives the empty string (not the null string).
    NString(const char* text, uint32_t maxCount);
    NString(const NString& other);
    // Takes the other's buffer; the other is left null.
    NString(NString&& other) noexcept;
    ~NString();

    NString& operator=(const NString& other);
    NString& operator=(NString&& other) noexcept;
    NString& operator=(const char* text) { return Assign(text); }

    // printf-style formatting (Microsoft CRT format dialect). A failure gives
    // the null string.
    static NString Format(const char* format, ...) VB_PRINTF_FORMAT(1, 2);
    static NString FormatV(const char* format, va_list args);
    // The window's text, asked for with WM_GETTEXT (so a hung window blocks
    // the call). A null handle gives "!!**NULL HWND**!!", a handle that is not
    // a window gives "!!**INVALID HWND**!!"; an untitled window the empty
    // string.
    static NString FromWindowText(HWND window);
    // Full path of the module's file (null: the program itself); capacity 261.
    static NString FromModuleFileName(HMODULE module);
    // The window's class name, however long; the null string on failure.
    static NString FromClassName(HWND window);
    // Converts UTF-16 text; count 0 means up to the terminator. Null text or
    // a failed conversion gives the null string; empty text the empty one.
    static NString FromWide(const wchar_t* text, int count = 0, UINT codePage = CP_ACP);

    // Null text makes this the null string. Text may lie inside this string's
    // own buffer (a suffix of it).
    NString& Assign(const char* text);
    NString& Assign(const NString& other) { return Assign(other.m_text); }

    // Appending null text changes nothing. Text from this string's own
    // buffer (including the string itself) appends as it was before the call.
    NString& Append(const char* text);
    NString& Append(const NString& other);
    // The zero character changes nothing.
    NString& Append(char c);
    NString& operator+=(const char* text) { return Append(text); }
    NString& operator+=(const NString& other) { return Append(other); }
    NString& operator+=(char c) { return Append(c); }
    // Appends c unless the string already ends with it; a null string stays
    // null (an empty one gets c).
    NString& EnsureTrailing(char c);

    const char* Text() const noexcept { return m_text; }
    uint32_t Length() const noexcept { return m_length; }
    uint32_t Capacity() const noexcept { return m_capacity; }
    bool IsNull() const noexcept { return m_text == nullptr; }
    // True for the null and the empty string.
    bool IsEmpty() const noexcept { return m_length == 0; }
    // 0 for a null or empty string.
    char LastChar() const noexcept { return m_length ? m_text[m_length - 1] : '\0'; }

    // Two null strings are equal; a null string never equals an empty one.
    bool Equals(const char* text) const;
    bool Equals(const NString& other) const { return Equals(other.m_text); }
    bool EqualsNoCase(const char* text) const;
    bool EqualsNoCase(const NString& other) const { return EqualsNoCase(other.m_text); }
    // False when either is null; the empty prefix matches any non-null string.
    bool StartsWithNoCase(const char* prefix) const;
    // False for a null string and for the zero character.
    bool Contains(char c) const;
    // False when either is null.
    bool Contains(const char* text) const;
    int Count(char c) const;
    // Non-overlapping occurrences left to right in all Length() characters
    // (a zero inside the text does not end it); -1 for an empty pattern and
    // 0 for a null string or pattern.
    int Count(const char* pattern) const;

    NString& Reverse();
    NString& ToUpper();
    NString& ToLower();
    // Removes the first count characters; nothing happens when count exceeds
    // the length.
    NString& RemoveLeading(uint32_t count);
    // Removes characters from..to (both included) and returns them. When
    // from > to or to >= Length() nothing changes and the null string is
    // returned.
    NString CutRange(uint32_t from, uint32_t to);
    // Replaces every non-overlapping occurrence that Count counts, left to
    // right. A null or empty pattern or a null replacement changes nothing.
    NString& ReplaceAll(const char* pattern, const char* replacement);
    // Remove leading / trailing / both characters that belong to set; a null
    // or empty set changes nothing.
    NString& TrimLeft(const char* set);
    NString& TrimRight(const char* set);
    NString& Trim(const char* set);

    // Returns the text up to the first delimiter of set and removes it with
    // that delimiter. Without a delimiter the whole text is returned and this
    // string becomes empty. A null string or a null or empty set returns the
    // null string and changes nothing. An empty field is the empty string.
    NString PopField(const char* set);
    NString PopField(char delimiter);

    // For secrets: overwrites the whole buffer with zeros in a way the
    // compiler cannot leave out and leaves the string empty with the same
    // buffer; a null string stays null.
    void Wipe() noexcept;

    // Blank-trimmed integer text (see IsIntegerText) as a number; anything
    // else, and the null string, gives 0.
    int32_t ToInt() const;

private:
    // Sets the length to n under the growth rule and writes the terminator.
    void SetLength(uint32_t n);
    void Free() noexcept;
    // The first occurrence of pattern (patternLength > 0 characters) at or
    // after from, within Length(); null when there is none.
    const char* Find(const char* from, const char* pattern, std::size_t patternLength) const;

    char* m_text = nullptr;
    uint32_t m_length = 0;
    uint32_t m_capacity = 0;
};

bool operator==(const NString& a, const NString& b);
bool operator==(const NString& a, const char* b);
bool operator==(const char* a, const NString& b);
bool operator!=(const NString& a, const NString& b);
bool operator!=(const NString& a, const char* b);
bool operator!=(const char* a, const NString& b);

// Copy of the left operand with the right one appended.
NString operator+(const NString& a, const NString& b);
NString operator+(const NString& a, const char* b);
NString operator+(const char* a, const NString& b);
