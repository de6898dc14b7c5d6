#include "text/TextUtil.h"

#include <climits>
#include <cstdlib>
#include <cstring>

std::size_t BoundedLength(const char* text, std::size_t maxCount)
{
    if (!text) {
        return 0;
    }
    const void* zero = std::memchr(text, 0, maxCount);
    return zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - text) : maxCount;
}

std::size_t BoundedLength(const wchar_t* text, std::size_t maxCount)
{
    if (!text) {
        return 0;
    }
    std::size_t n = 0;
    while (n < maxCount && text[n] != L'\0') {
        ++n;
    }
    return n;
}

static bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsIntegerText(const char* text)
{
    if (!text) {
        return false;
    }
    const char* p = text;
    if (*p == '+' || *p == '-') {
        ++p;
    }
    if (!IsDigit(*p)) {
        return false;
    }
    while (IsDigit(*p)) {
        ++p;
    }
    return *p == '\0';
}

int32_t ParseInt32(const char* text)
{
    const char* p = text;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') {
        ++p;
    }
    // Accumulate as a magnitude and stop once it cannot fit any more, so a
    // long run of digits neither overflows nor wraps.
    const int64_t limit = negative ? -static_cast<int64_t>(INT32_MIN) : INT32_MAX;
    int64_t magnitude = 0;
    for (; IsDigit(*p); ++p) {
        magnitude = magnitude * 10 + (*p - '0');
        if (magnitude >= limit) {
            magnitude = limit;
            break;
        }
    }
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

bool IsInCharSet(char c, const char* set, std::size_t setLength)
{
    return c != '\0' && std::memchr(set, c, setLength) != nullptr;
}

char AsciiToUpper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

char AsciiToLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

uint32_t GrowthCapacity(std::size_t n)
{
    return (CheckedTextLength(n) + 32u) & ~31u;
}

uint32_t CheckedTextLength(std::size_t n)
{
    if (n > kMaxTextLength) {
        std::abort();
    }
    return static_cast<uint32_t>(n);
}

void* ReallocOrAbort(void* block, std::size_t bytes)
{
    void* grown = std::realloc(block, bytes);
    if (!grown) {
        std::abort();
    }
    return grown;
}
