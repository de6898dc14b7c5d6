// NString's constructors that fill the buffer from the system: formatting,
// window text and class name, module file name, wide-text conversion.
#ifndef _CRT_SECURE_NO_WARNINGS
#define _CRT_SECURE_NO_WARNINGS
#endif

#include "text/NString.h"

#include <cstdio>
#include <cstdlib>

namespace {

// A foreign window reports its own text length; a larger claim than this is
// not believed, so a misbehaving window cannot make us allocate gigabytes.
constexpr LRESULT kMaxWindowTextLength = 16 * 1024 * 1024;

// Class names are at most 256 characters; the doubling stops well past that.
constexpr int kMaxClassNameLength = 4096;

constexpr uint32_t kModuleFileNameCapacity = 261;

}  // namespace

NString NString::Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    NString result = FormatV(format, args);
    va_end(args);
    return result;
}

NString NString::FormatV(const char* format, va_list args)
{
    if (!format) {
        return NString();
    }
    // Measuring first gives the same capacity as growing by 32 until the text
    // fits, without looping forever on a format the CRT rejects.
    va_list measureArgs;
    va_copy(measureArgs, args);
    const int needed = _vscprintf(format, measureArgs);
    va_end(measureArgs);
    if (needed < 0 || static_cast<uint32_t>(needed) > kMaxTextLength) {
        return NString();
    }
    NString result;
    result.SetLength(static_cast<uint32_t>(needed));
    va_list formatArgs;
    va_copy(formatArgs, args);
    const int written = _vsnprintf(result.m_text, result.m_capacity - 1, format, formatArgs);
    va_end(formatArgs);
    if (written < 0) {
        return NString();
    }
    result.SetLength(static_cast<uint32_t>(written < needed ? written : needed));
    return result;
}

NString NString::FromWindowText(HWND window)
{
    if (!window) {
        return NString("!!**NULL HWND**!!");
    }
    if (!IsWindow(window)) {
        return NString("!!**INVALID HWND**!!");
    }
    LRESULT reported = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    reported = reported < 0 ? 0 : (reported > kMaxWindowTextLength ? kMaxWindowTextLength : reported);
    NString result;
    result.SetLength(static_cast<uint32_t>(reported));
    LRESULT copied = SendMessageA(window, WM_GETTEXT, static_cast<WPARAM>(reported + 1),
                                  reinterpret_cast<LPARAM>(result.m_text));
    // The window's answer is not trusted beyond the buffer we gave it, and the
    // text ends at its first zero.
    copied = copied < 0 ? 0 : (copied > reported ? reported : copied);
    result.SetLength(static_cast<uint32_t>(BoundedLength(result.m_text, static_cast<std::size_t>(copied))));
    return result;
}

NString NString::FromModuleFileName(HMODULE module)
{
    NString result;
    result.m_text = static_cast<char*>(ReallocOrAbort(nullptr, kModuleFileNameCapacity));
    result.m_capacity = kModuleFileNameCapacity;
    DWORD copied = GetModuleFileNameA(module, result.m_text, kModuleFileNameCapacity - 1);
    if (copied > kModuleFileNameCapacity - 1) {
        copied = kModuleFileNameCapacity - 1;
    }
    result.SetLength(copied);
    return result;
}

NString NString::FromClassName(HWND window)
{
    NString result;
    for (int count = 32; count <= kMaxClassNameLength; count *= 2) {
        result.SetLength(static_cast<uint32_t>(count));
        const int copied = GetClassNameA(window, result.m_text, count + 1);
        if (copied <= 0) {
            return NString();
        }
        result.SetLength(static_cast<uint32_t>(copied > count ? count : copied));
        if (copied < count) {
            break;
        }
    }
    return result;
}

NString NString::FromWide(const wchar_t* text, int count, UINT codePage)
{
    if (!text) {
        return NString();
    }
    const int sourceLength = count > 0 ? count : -1;
    const int needed = WideCharToMultiByte(codePage, 0, text, sourceLength, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        return NString();
    }
    NString result;
    result.SetLength(static_cast<uint32_t>(needed));
    const int converted =
        WideCharToMultiByte(codePage, 0, text, sourceLength, result.m_text, needed, nullptr, nullptr);
    if (converted <= 0) {
        return NString();
    }
    result.SetLength(static_cast<uint32_t>(BoundedLength(result.m_text, static_cast<std::size_t>(converted))));
    return result;
}
