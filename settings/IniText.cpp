#include "settings/IniText.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <utility>

namespace {

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

// Length of the valid UTF-8 sequence at text (shortest form, no surrogates), or 0.
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

// text between quotes; every control byte and the quote and backslash escaped.
std::string Quote(const char* text, size_t size)
{
    std::string out = "\"";
    for (size_t i = 0; i < size; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\\' || c == '"')
            out += {'\\', static_cast<char>(c)};
        else if (c == '\n' || c == '\r' || c == '\t')
            out += {'\\', c == '\n' ? 'n' : c == '\r' ? 'r' : 't'};
        else if (c < 0x20 || c == 0x7F)
            AppendHexByte(out, "\\x", c);
        else
            out += static_cast<char>(c);
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
bool ParseNumber(const std::string& text, std::vector<BYTE>& data)
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

bool ParseHexData(const std::string& text, size_t at, std::vector<BYTE>& data)
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

std::string Lower(std::string text)
{
    for (char& c : text)
        c = LowerAscii(c);
    return text;
}

// text without spaces, tabs and a carriage return at either end.
std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool ParseValueLine(const std::string& line, IniValue& value)
{
    size_t at = 0;
    if (line[0] == '"') {
        if (!Unquote(line, at, value.name))
            return false;
        at = line.find_first_not_of(' ', at);
        if (at == std::string::npos || line[at] != '=')
            return false;
    } else {
        at = line.find('=');
        if (at == std::string::npos)
            return false;
        value.name = Trim(line.substr(0, at));
        if (value.name.empty())
            return false;
    }
    // A name with a zero in it could never be asked for.
    return value.name.find('\0') == std::string::npos && ParseData(Trim(line.substr(at + 1)), value);
}

std::string FormatSectionName(const std::string& name)
{
    std::string out;
    for (const char c : name) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == ']' || c == '%')
            AppendHexByte(out, "%", byte);
        else
            out += c;
    }
    return out;
}

// The whole path a section header names, or false when it names no key.
bool ParseSectionName(const std::string& line, const std::string& root, std::string& path)
{
    const size_t close = line.rfind(']');
    if (close == std::string::npos || !Trim(line.substr(close + 1)).empty())
        return false;
    std::string name;
    for (size_t at = 1; at < close; ++at) {
        if (line[at] == '%' && at + 2 < close && HexDigit(line[at + 1]) >= 0 && HexDigit(line[at + 2]) >= 0) {
            name += static_cast<char>(HexDigit(line[at + 1]) * 16 + HexDigit(line[at + 2]));
            at += 2;
        } else {
            name += line[at];
        }
    }
    name = Trim(name);
    const bool absolute = !name.empty() && name[0] == '\\';
    path = absolute ? name.substr(1) : name.empty() ? root : root + "\\" + name;
    if (path.empty() || path.front() == '\\' || path.back() == '\\' || path.find("\\\\") != std::string::npos)
        return false;
    return path.find('\0') == std::string::npos;
}

std::string SectionName(const std::string& path, const std::string& root)
{
    if (SameIniName(path, root))
        return std::string();
    if (path.size() > root.size() && path[root.size()] == '\\' && SameIniName(path.substr(0, root.size()), root))
        return path.substr(root.size() + 1);
    return "\\" + path;
}

} // namespace

bool SameIniName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

IniKey* FindIniKey(IniDocument& document, const std::string& path)
{
    for (IniKey& key : document)
        if (SameIniName(key.path, path))
            return &key;
    return nullptr;
}

void SetIniValue(IniKey& key, IniValue value)
{
    for (IniValue& existing : key.values) {
        if (SameIniName(existing.name, value.name)) {
            existing = std::move(value);
            return;
        }
    }
    key.values.push_back(std::move(value));
}

IniDocument ParseIni(const char* text, size_t size, const std::string& root)
{
    // Indexes by lower-case name, so that a file of many sections or values costs no more than
    // its length times a logarithm.
    IniDocument document{{root, {}}};
    std::map<std::string, size_t> keys{{Lower(root), 0}};
    std::map<std::pair<size_t, std::string>, size_t> values;
    size_t current = 0;
    bool inKey = true;
    size_t at = size >= 3 && std::memcmp(text, kIniByteOrderMark, 3) == 0 ? 3 : 0;
    while (at < size) {
        const char* end = static_cast<const char*>(std::memchr(text + at, '\n', size - at));
        const size_t length = (end ? static_cast<size_t>(end - text) : size) - at;
        const std::string line = Trim(std::string(text + at, length));
        at += length + 1;
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        std::string path;
        if (line[0] == '[') {
            inKey = ParseSectionName(line, root, path);
            if (inKey) {
                const auto found = keys.emplace(Lower(path), document.size());
                if (found.second)
                    document.push_back({path, {}});
                current = found.first->second;
            }
            continue;
        }
        IniValue value;
        if (!inKey || !ParseValueLine(line, value))
            continue;
        std::vector<IniValue>& list = document[current].values;
        const auto found = values.emplace(std::make_pair(current, Lower(value.name)), list.size());
        if (found.second)
            list.push_back(std::move(value));
        else
            list[found.first->second] = std::move(value);
    }
    if (document.front().values.empty())
        document.erase(document.begin());
    return document;
}

std::string FormatIni(const IniDocument& document, const std::string& root)
{
    std::string out = kIniByteOrderMark;
    for (int pass = 0; pass < 2; ++pass) {
        for (const IniKey& key : document) {
            const bool isRoot = SameIniName(key.path, root);
            if (isRoot != (pass == 0))
                continue;
            if (!isRoot)
                out += (out.size() > 3 ? "\r\n[" : "[") + FormatSectionName(SectionName(key.path, root)) + "]\r\n";
            for (const IniValue& value : key.values)
                out += (NameNeedsQuotes(value.name) ? Quote(value.name.data(), value.name.size()) : value.name) + "=" +
                       FormatData(value) + "\r\n";
        }
    }
    return out;
}
