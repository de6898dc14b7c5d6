// NString's in-place editing, field splitting and number conversion.
#include "text/NString.h"

#include <algorithm>
#include <cstring>

NString& NString::Reverse()
{
    if (m_text) {
        std::reverse(m_text, m_text + m_length);
    }
    return *this;
}

NString& NString::ToUpper()
{
    if (m_text) {
        std::transform(m_text, m_text + m_length, m_text, AsciiToUpper);
    }
    return *this;
}

NString& NString::ToLower()
{
    if (m_text) {
        std::transform(m_text, m_text + m_length, m_text, AsciiToLower);
    }
    return *this;
}

NString& NString::RemoveLeading(uint32_t count)
{
    if (m_text && count <= m_length) {
        std::memmove(m_text, m_text + count, m_length - count);
        SetLength(m_length - count);
    }
    return *this;
}

NString NString::CutRange(uint32_t from, uint32_t to)
{
    if (!m_text || from > to || to >= m_length) {
        return NString();
    }
    const uint32_t cutLength = to - from + 1;
    NString cut(m_text + from, cutLength);
    std::memmove(m_text + from, m_text + to + 1, m_length - to - 1);
    SetLength(m_length - cutLength);
    return cut;
}

NString& NString::ReplaceAll(const char* pattern, const char* replacement)
{
    if (!m_text || !pattern || !replacement || *pattern == '\0') {
        return *this;
    }
    const int64_t count = Count(pattern);
    if (count <= 0) {
        return *this;
    }
    const std::size_t patternLength = std::strlen(pattern);
    const std::size_t replacementLength = std::strlen(replacement);
    const int64_t newLength =
        int64_t(m_length) + count * (int64_t(replacementLength) - int64_t(patternLength));
    // Build into a separate string: pattern and replacement may point into
    // this string's own buffer and must stay intact during the walk.
    // The walk finds exactly the occurrences Count counted, so the result
    // fills newLength to the byte.
    NString result;
    result.SetLength(CheckedTextLength(static_cast<std::size_t>(newLength)));
    char* out = result.m_text;
    const char* end = m_text + m_length;
    const char* from = m_text;
    for (const char* hit = Find(from, pattern, patternLength); hit; hit = Find(from, pattern, patternLength)) {
        std::memcpy(out, from, static_cast<std::size_t>(hit - from));
        out += hit - from;
        std::memcpy(out, replacement, replacementLength);
        out += replacementLength;
        from = hit + patternLength;
    }
    std::memcpy(out, from, static_cast<std::size_t>(end - from));
    SetLength(result.m_length);
    std::memcpy(m_text, result.m_text, result.m_length);
    return *this;
}

NString& NString::TrimLeft(const char* set)
{
    if (!m_text || !set || *set == '\0') {
        return *this;
    }
    const std::size_t setLength = std::strlen(set);
    uint32_t start = 0;
    while (start < m_length && IsInCharSet(m_text[start], set, setLength)) {
        ++start;
    }
    return RemoveLeading(start);
}

NString& NString::TrimRight(const char* set)
{
    if (!m_text || !set || *set == '\0') {
        return *this;
    }
    const std::size_t setLength = std::strlen(set);
    uint32_t end = m_length;
    while (end > 0 && IsInCharSet(m_text[end - 1], set, setLength)) {
        --end;
    }
    SetLength(end);
    return *this;
}

NString& NString::Trim(const char* set)
{
    TrimRight(set);
    return TrimLeft(set);
}

NString NString::PopField(const char* set)
{
    if (!m_text || !set || *set == '\0') {
        return NString();
    }
    const uint32_t fieldLength = static_cast<uint32_t>(std::strcspn(m_text, set));
    NString field(m_text, fieldLength);
    if (fieldLength >= m_length) {
        SetLength(0);
    } else {
        RemoveLeading(fieldLength + 1);
    }
    return field;
}

NString NString::PopField(char delimiter)
{
    const char set[2] = {delimiter, '\0'};
    return PopField(set);
}

int32_t NString::ToInt() const
{
    if (!m_text) {
        return 0;
    }
    NString trimmed(*this);
    trimmed.Trim(" \t\r\n");
    return IsIntegerText(trimmed.m_text) ? ParseInt32(trimmed.m_text) : 0;
}
