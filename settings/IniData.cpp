#include "settings/IniData.h"

#include <cstdio>
#include <cstring>

namespace initext {

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = LowerAscii(c);
    return (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
}

void AppendHexByte(std::string& out, const char* prefix, unsigned char byte)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%s%02X", prefix, byte);
    out += buffer;
}

size_t Utf8SequenceLength(const unsigned char* text, size_t left)
{
    const unsigned char lead = text[0];
    size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
    if (length == 0 || length > left || (lead >= 0xF5) || lead == 0xC0 || lead == 0xC1)
        return 0;
    for (size_t i = 1; i < length; ++i)
        if ((text[i] & 0xC0) != 0x80)
            return 0;
    if ((lead == 0xE0 && text[1] < 0xA0) || (lead == 0xED && text[1] >= 0xA0) || (lead == 0xF0 && text[1] < 0x90) ||
        (lead == 0xF4 && text[1] >= 0x90))
        return 0;
    return length;
}

bool IsValidUtf8(const unsigned char* text, size_t size)
{
    for (size_t at = 0; at < size;) {
        const size_t length = Utf8SequenceLength(text + at, size - at);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

std::string Quote(const char* text, size_t size)
{
    std::string out = "\"";
    for (size_t i = 0; i < size; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const unsigned char* at = reinterpret_cast<const unsigned char*>(text) + i;
        const size_t length = c < 0x80 ? 1 : Utf8SequenceLength(at, size - i);
        if (length > 1) {
            out.append(text + i, length);
            i += length - 1;
        } else if (c == '\\' || c == '"') {
            out += {'\\', static_cast<char>(c)};
        } else if (c == '\n' || c == '\r' || c == '\t') {
            out += {'\\', c == '\n' ? 'n' : c == '\r' ? 'r' : 't'};
        } else if (length == 0 || c < 0x20 || c == 0x7F) {
            AppendHexByte(out, "\\x", c);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// Reads quoted text at line[at] (the opening quote) into text; at ends past the closing quote.
bool Unquote(const std::string& line, size_t& at, std::string& text)
{
    if (at >= line.size() || line[at] != '"')
        return false;
    for (++at; at < line.size(); ++at) {
        const char c = line[at];
        if (c == '"') {
            ++at;
            return true;
        }
        if (c != '\\') {
            text += c;
            continue;
        }
        if (++at >= line.size())
            return false;
        const char e = line[at];
        if (e == 'x' && at + 2 < line.size() && HexDigit(line[at + 1]) >= 0 && HexDigit(line[at + 2]) >= 0) {
            text += static_cast<char>(HexDigit(line[at + 1]) * 16 + HexDigit(line[at + 2]));
            at += 2;
        } else if (e == '\\' || e == '"' || e == 'n' || e == 'r' || e == 't') {
            text += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
        } else {
            return false;
        }
    }
    return false;
}

bool NameNeedsQuotes(const std::string& name)
{
    if (name.empty() || name.front() == ' ' || name.back() == ' ' || name.front() == ';' || name.front() == '#')
        return true;
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || std::strchr("=\"[]\\", c))
            return true;
    return !IsValidUtf8(reinterpret_cast<const unsigned char*>(name.data()), name.size());
}

std::string FormatData(const IniValue& value)
{
    const std::vector<BYTE>& data = value.data;
    if (value.type == REG_DWORD && data.size() == sizeof(DWORD)) {
        int32_t number = 0;
        std::memcpy(&number, data.data(), sizeof number);
        return std::to_string(number);
    }
    const char* chars = reinterpret_cast<const char*>(data.data());
    if (value.type == REG_SZ && !data.empty() && data.back() == 0 &&
        std::memchr(chars, 0, data.size() - 1) == nullptr && IsValidUtf8(data.data(), data.size() - 1))
        return Quote(chars, data.size() - 1);
    std::string out = value.type == REG_BINARY ? "hex:" : "hex(" + std::to_string(value.type) + "):";
    for (size_t i = 0; i < data.size(); ++i)
        AppendHexByte(out, i ? "," : "", data[i]);
    return out;
}

// A number of at most ten digits, optionally signed, into a DWORD's four bytes.
static bool ParseNumber(const std::string& text, std::vector<BYTE>& data)
{
    const bool negative = !text.empty() && text[0] == '-';
    const size_t digits = text.size() - (negative ? 1 : 0);
    if (digits == 0 || digits > 10 || text.find_first_not_of("0123456789", negative ? 1 : 0) != std::string::npos)
        return false;
    const long long number = std::stoll(text);
    if (number < -2147483648LL || number > 4294967295LL)
        return false;
    const DWORD stored = static_cast<DWORD>(number);
    data.assign(reinterpret_cast<const BYTE*>(&stored), reinterpret_cast<const BYTE*>(&stored) + sizeof stored);
    return true;
}

static bool ParseHexData(const std::string& text, size_t at, std::vector<BYTE>& data)
{
    while (at < text.size()) {
        if (at + 1 >= text.size() || HexDigit(text[at]) < 0 || HexDigit(text[at + 1]) < 0)
            return false;
        data.push_back(static_cast<BYTE>(HexDigit(text[at]) * 16 + HexDigit(text[at + 1])));
        at += 2;
        if (at < text.size() && text[at++] != ',')
            return false;
    }
    return true;
}

bool ParseData(const std::string& text, IniValue& value)
{
    if (!text.empty() && text[0] == '"') {
        size_t at = 0;
        std::string chars;
        if (!Unquote(text, at, chars) || text.find_first_not_of(' ', at) != std::string::npos)
            return false;
        value.type = REG_SZ;
        value.data.assign(chars.begin(), chars.end());
        value.data.push_back(0);
        return true;
    }
    if (text.compare(0, 4, "hex:") == 0) {
        value.type = REG_BINARY;
        return ParseHexData(text, 4, value.data);
    }
    if (text.compare(0, 4, "hex(") == 0) {
        const size_t close = text.find("):", 4);
        std::vector<BYTE> type;
        if (close == std::string::npos || !ParseNumber(text.substr(4, close - 4), type) || text[4] == '-')
            return false;
        std::memcpy(&value.type, type.data(), sizeof value.type);
        return ParseHexData(text, close + 2, value.data);
    }
    value.type = REG_DWORD;
    return ParseNumber(text, value.data);
}

} // namespace initext
