#include "settings/IniLines.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";
constexpr char kUtf16LeMark[] = "\xFF\xFE";
constexpr char kUtf16BeMark[] = "\xFE\xFF";

bool StartsWith(const char* bytes, size_t size, const char* mark)
{
    const size_t length = std::strlen(mark);
    return size >= length && std::memcmp(bytes, mark, length) == 0;
}

void AppendUtf8(std::string& out, uint32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

void AppendUnit(std::string& out, uint32_t unit, bool bigEndian)
{
    const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    out += bigEndian ? high : low;
    out += bigEndian ? low : high;
}

// The UTF-16 units of bytes as UTF-8; a pair of surrogates is one character, a lone one keeps
// its own three bytes.
std::string DecodeUtf16(const char* bytes, size_t units, bool bigEndian)
{
    auto unitAt = [&](size_t i) {
        const uint32_t first = static_cast<unsigned char>(bytes[2 * i]);
        const uint32_t second = static_cast<unsigned char>(bytes[2 * i + 1]);
        return bigEndian ? (first << 8 | second) : (second << 8 | first);
    };
    std::string out;
    out.reserve(units * 3 / 2);
    for (size_t i = 0; i < units; ++i) {
        const uint32_t unit = unitAt(i);
        const uint32_t next = i + 1 < units ? unitAt(i + 1) : 0;
        if (unit >= 0xD800 && unit < 0xDC00 && next >= 0xDC00 && next < 0xE000) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
            ++i;
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

// The character of the UTF-8 sequence at text[at] (a surrogate's three bytes read as that
// surrogate) and its length; U+FFFD for a byte that starts no sequence.
uint32_t ReadUtf8(const std::string& text, size_t at, size_t& length)
{
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    length = lead < 0x80                    ? 1
             : (lead >= 0xC2 && lead < 0xE0) ? 2
             : (lead >= 0xE0 && lead < 0xF0) ? 3
             : (lead >= 0xF0 && lead < 0xF5) ? 4
                                             : 0;
    uint32_t code = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    for (size_t i = 1; i < length; ++i) {
        const unsigned char byte = at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0;
        if ((byte & 0xC0) != 0x80)
            length = 0;
        else
            code = code << 6 | (byte & 0x3F);
    }
    const bool shortest =
        length < 3 || (length == 3 && code >= 0x800) || (length == 4 && code >= 0x10000 && code < 0x110000);
    if (length == 0 || !shortest) {
        length = 1;
        return 0xFFFD;
    }
    return code;
}

std::string EncodeUtf16(const std::string& text, bool bigEndian)
{
    std::string out;
    out.reserve(text.size() * 2);
    for (size_t at = 0; at < text.size();) {
        size_t length = 0;
        const uint32_t code = ReadUtf8(text, at, length);
        at += length;
        if (code < 0x10000) {
            AppendUnit(out, code, bigEndian);
        } else {
            AppendUnit(out, 0xD800 + ((code - 0x10000) >> 10), bigEndian);
            AppendUnit(out, 0xDC00 + ((code - 0x10000) & 0x3FF), bigEndian);
        }
    }
    return out;
}

} // namespace

IniLines DecodeIniFile(const char* bytes, size_t size)
{
    IniLines lines;
    const bool little = StartsWith(bytes, size, kUtf16LeMark), big = StartsWith(bytes, size, kUtf16BeMark);
    if (little || big) {
        lines.encoding = little ? IniEncoding::Utf16Le : IniEncoding::Utf16Be;
        const size_t units = (size - 2) / 2;
        lines.text = DecodeUtf16(bytes + 2, units, big);
        lines.tail.assign(bytes + 2 + units * 2, bytes + size);
    } else if (size == 0 || StartsWith(bytes, size, kUtf8Mark)) {
        lines.encoding = IniEncoding::Utf8Marked;
        lines.text.assign(bytes + (size ? 3 : 0), bytes + size);
    } else {
        lines.encoding = IniEncoding::Utf8;
        lines.text.assign(bytes, bytes + size);
    }
    return lines;
}

std::string EncodeIniFile(const IniLines& lines)
{
    switch (lines.encoding) {
    case IniEncoding::Utf8:
        return lines.text;
    case IniEncoding::Utf8Marked:
        return kUtf8Mark + lines.text;
    case IniEncoding::Utf16Le:
        return kUtf16LeMark + EncodeUtf16(lines.text, false) + lines.tail;
    case IniEncoding::Utf16Be:
        break;
    }
    return kUtf16BeMark + EncodeUtf16(lines.text, true) + lines.tail;
}

IniLineSpan IniLineAt(const std::string& text, size_t at)
{
    IniLineSpan line;
    line.start = at;
    const size_t end = text.find_first_of("\r\n", at);
    line.size = (end == std::string::npos ? text.size() : end) - at;
    if (end != std::string::npos)
        line.endSize = text.compare(end, 2, "\r\n") == 0 ? 2 : 1;
    return line;
}
