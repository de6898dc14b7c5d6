#ifndef _CRT_SECURE_NO_WARNINGS
#define _CRT_SECURE_NO_WARNINGS
#endif

#include "text/NString.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <utility>

namespace {

// True when p points into the text of [begin, begin + length], the terminator
// included, so that the caller must not let a reallocation invalidate it.
bool PointsInto(const char* p, const char* begin, uint32_t length)
{
    return begin && std::less_equal<const char*>()(begin, p) &&
           std::less_equal<const char*>()(p, begin + length);
}

}  // namespace

NString::NString(const char* text)
{
    if (text) {
        const uint32_t n = CheckedTextLength(std::strlen(text));
        SetLength(n);
        std::memcpy(m_text, text, n);
    }
}

NString::NString(const char* text, uint32_t maxCount)
{
    const uint32_t n = static_cast<uint32_t>(BoundedLength(text, maxCount));
    SetLength(n);
    if (n) {
        std::memcpy(m_text, text, n);
    }
}

NString::NString(const NString& other) : NString(other.m_text) {}

NString::NString(NString&& other) noexcept
    : m_text(std::exchange(other.m_text, nullptr)),
      m_length(std::exchange(other.m_length, 0u)),
      m_capacity(std::exchange(other.m_capacity, 0u))
{
}

NString::~NString()
{
    Free();
}

NString& NString::operator=(const NString& other)
{
    return Assign(other.m_text);
}

NString& NString::operator=(NString&& other) noexcept
{
    if (this != &other) {
        Free();
        m_text = std::exchange(other.m_text, nullptr);
        m_length = std::exchange(other.m_length, 0u);
        m_capacity = std::exchange(other.m_capacity, 0u);
    }
    return *this;
}

void NString::SetLength(uint32_t n)
{
    if (n >= m_capacity) {
        const uint32_t capacity = GrowthCapacity(n);
        m_text = static_cast<char*>(ReallocOrAbort(m_text, capacity));
        m_capacity = capacity;
    }
    m_length = n;
    m_text[n] = '\0';
}

void NString::Free() noexcept
{
    std::free(m_text);
    m_text = nullptr;
    m_length = 0;
    m_capacity = 0;
}

NString& NString::Assign(const char* text)
{
    if (!text) {
        Free();
    } else if (PointsInto(text, m_text, m_length)) {
        const uint32_t n = static_cast<uint32_t>(std::strlen(text));
        std::memmove(m_text, text, n);
        SetLength(n);
    } else {
        const uint32_t n = CheckedTextLength(std::strlen(text));
        SetLength(n);
        std::memcpy(m_text, text, n);
    }
    return *this;
}

NString& NString::Append(const char* text)
{
    if (!text) {
        return *this;
    }
    const uint32_t oldLength = m_length;
    if (PointsInto(text, m_text, m_length)) {
        // Growth may move the buffer: remember the source as an offset.
        const std::size_t offset = static_cast<std::size_t>(text - m_text);
        const uint32_t n = static_cast<uint32_t>(std::strlen(text));
        SetLength(CheckedTextLength(std::size_t(oldLength) + n));
        std::memmove(m_text + oldLength, m_text + offset, n);
    } else {
        const std::size_t n = std::strlen(text);
        SetLength(CheckedTextLength(oldLength + n));
        std::memcpy(m_text + oldLength, text, n);
    }
    return *this;
}

NString& NString::Append(const NString& other)
{
    return other.IsNull() ? *this : Append(other.m_text);
}

NString& NString::Append(char c)
{
    if (c != '\0') {
        const uint32_t oldLength = m_length;
        SetLength(CheckedTextLength(std::size_t(oldLength) + 1));
        m_text[oldLength] = c;
    }
    return *this;
}

NString& NString::EnsureTrailing(char c)
{
    if (m_text && (m_length == 0 || LastChar() != c)) {
        Append(c);
    }
    return *this;
}

bool NString::Equals(const char* text) const
{
    if (m_text == text) {
        return true;
    }
    return m_text && text && std::strcmp(m_text, text) == 0;
}

bool NString::EqualsNoCase(const char* text) const
{
    if (m_text == text) {
        return true;
    }
    return m_text && text && _stricmp(m_text, text) == 0;
}

bool NString::StartsWithNoCase(const char* prefix) const
{
    if (!m_text || !prefix) {
        return false;
    }
    const std::size_t n = BoundedLength(prefix, std::size_t(m_length) + 1);
    return _strnicmp(m_text, prefix, n) == 0;
}

bool NString::Contains(char c) const
{
    return m_text && c != '\0' && std::memchr(m_text, c, m_length) != nullptr;
}

bool NString::Contains(const char* text) const
{
    return m_text && text && std::strstr(m_text, text) != nullptr;
}

void NString::Wipe() noexcept
{
    if (m_text) {
        SecureZeroMemory(m_text, m_capacity);
        m_length = 0;
    }
}

int NString::Count(char c) const
{
    if (!m_text || c == '\0') {
        return 0;
    }
    return static_cast<int>(std::count(m_text, m_text + m_length, c));
}

int NString::Count(const char* pattern) const
{
    if (!pattern) {
        return 0;
    }
    if (*pattern == '\0') {
        return -1;
    }
    const std::size_t patternLength = std::strlen(pattern);
    if (!m_text || patternLength > m_length) {
        return 0;
    }
    int count = 0;
    for (const char* hit = Find(m_text, pattern, patternLength); hit;
         hit = Find(hit + patternLength, pattern, patternLength)) {
        ++count;
    }
    return count;
}

const char* NString::Find(const char* from, const char* pattern, std::size_t patternLength) const
{
    const char* end = m_text + m_length;
    const char* hit = std::search(from, end, pattern, pattern + patternLength);
    return hit == end ? nullptr : hit;
}

bool operator==(const NString& a, const NString& b) { return a.Equals(b); }
bool operator==(const NString& a, const char* b) { return a.Equals(b); }
bool operator==(const char* a, const NString& b) { return b.Equals(a); }
bool operator!=(const NString& a, const NString& b) { return !a.Equals(b); }
bool operator!=(const NString& a, const char* b) { return !a.Equals(b); }
bool operator!=(const char* a, const NString& b) { return !b.Equals(a); }

NString operator+(const NString& a, const NString& b)
{
    NString result(a);
    result.Append(b);
    return result;
}

NString operator+(const NString& a, const char* b)
{
    NString result(a);
    result.Append(b);
    return result;
}

NString operator+(const char* a, const NString& b)
{
    NString result(a);
    result.Append(b);
    return result;
}
