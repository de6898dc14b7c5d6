// Free text helpers shared by the narrow and wide string types and their users.
#pragma once

#include <cstddef>
#include <cstdint>

// Marks a variadic function whose format text is printf-style (Microsoft CRT
// dialect, as taken by _vsnprintf) so that the compiler checks the arguments.
// GCC names that dialect ms_printf on MinGW; clang has no such name, and its
// printf checking already follows the Microsoft dialect on Windows targets.
// It expands to nothing on other compilers, so MSVC builds it unchanged.
#if defined(__clang__)
#define VB_PRINTF_FORMAT(formatIndex, firstArgIndex) \
    __attribute__((format(printf, formatIndex, firstArgIndex)))
#elif defined(__MINGW32__)
#define VB_PRINTF_FORMAT(formatIndex, firstArgIndex) \
    __attribute__((format(ms_printf, formatIndex, firstArgIndex)))
#elif defined(__GNUC__)
#define VB_PRINTF_FORMAT(formatIndex, firstArgIndex) \
    __attribute__((format(printf, formatIndex, firstArgIndex)))
#else
#define VB_PRINTF_FORMAT(formatIndex, firstArgIndex)
#endif

// Number of characters before the first zero, looking at no more than maxCount
// characters; 0 for a null pointer. Never reads past maxCount characters.
std::size_t BoundedLength(const char* text, std::size_t maxCount);
std::size_t BoundedLength(const wchar_t* text, std::size_t maxCount);

// True for an optional single '+' or '-' followed by one or more decimal
// digits and nothing else (no blanks, no radix prefix). Null gives false.
bool IsIntegerText(const char* text);

// Converts text already accepted by IsIntegerText; values outside the 32-bit
// range saturate at INT32_MIN / INT32_MAX instead of wrapping.
int32_t ParseInt32(const char* text);

// True when c is one of the setLength characters of set (the zero character
// is never a member, even though set is zero-terminated).
bool IsInCharSet(char c, const char* set, std::size_t setLength);

// ASCII-only case folding: bytes of 0x80 and above are never changed, so
// UTF-8 text keeps its multi-byte sequences intact.
char AsciiToUpper(char c);
char AsciiToLower(char c);

// Longest text a string may hold (code units). Text that would exceed it is
// treated like a failed allocation: the process ends.
constexpr uint32_t kMaxTextLength = 0x7FFFFFC0u;

// Capacity for a new length n: the smallest multiple of 32 above n.
uint32_t GrowthCapacity(std::size_t n);

// n as a string length; ends the process when n exceeds kMaxTextLength.
uint32_t CheckedTextLength(std::size_t n);

// realloc that ends the process when memory runs out, so callers never see a
// null buffer.
void* ReallocOrAbort(void* block, std::size_t bytes);
