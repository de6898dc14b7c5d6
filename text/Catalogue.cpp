#include "text/Catalogue.h"

namespace {

constexpr std::string_view kBlanks = " \t\r";

std::string_view Trim(std::string_view text)
{
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

bool IsKeyChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
           c == '-';
}

bool IsKey(std::string_view key)
{
    if (key.empty()) {
        return false;
    }
    for (char c : key) {
        if (!IsKeyChar(c)) {
            return false;
        }
    }
    return true;
}

// Resolves the escapes of text into out; false at an unknown escape or a lone backslash at the end.
bool Unescape(std::string_view text, std::string& out)
{
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) {
            return false;
        }
        switch (text[i]) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 's': out += ' '; break;
        case '\\': out += '\\'; break;
        default: return false;
        }
    }
    return true;
}

}  // namespace

bool Catalogue::ConvertTexts(const std::function<bool(std::string_view, std::string&)>& convert, Catalogue& out) const
{
    Catalogue converted;
    for (const auto& [key, text] : m_entries) {
        std::string shown;
        if (!convert(text, shown)) {
            return false;
        }
        converted.m_entries.emplace(key, std::move(shown));
    }
    out = std::move(converted);
    return true;
}

Catalogue Catalogue::Parse(std::string_view data)
{
    Catalogue catalogue;
    if (data.substr(0, 3) == "\xEF\xBB\xBF") {
        data.remove_prefix(3);
    }
    size_t number = 0;
    while (!data.empty()) {
        const size_t end = data.find('\n');
        std::string_view line = data.substr(0, end);
        data = end == std::string_view::npos ? std::string_view{} : data.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        catalogue.ParseLine(line, ++number);
    }
    return catalogue;
}

void Catalogue::ParseLine(std::string_view line, size_t number)
{
    line = Trim(line);
    if (line.empty() || line[0] == '#' || line[0] == ';') {
        return;
    }
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        m_problems.push_back({number, "no '='"});
        return;
    }
    const std::string_view key = Trim(line.substr(0, equals));
    std::string text;
    if (!IsKey(key)) {
        m_problems.push_back({number, "not a key: " + std::string(key)});
    } else if (!Unescape(Trim(line.substr(equals + 1)), text)) {
        m_problems.push_back({number, "unknown escape"});
    } else if (!m_entries.emplace(std::string(key), std::move(text)).second) {
        m_problems.push_back({number, "given again: " + std::string(key)});
    }
}

const char* Catalogue::Find(std::string_view key) const
{
    const auto found = m_entries.find(key);
    return found == m_entries.end() ? nullptr : found->second.c_str();
}

std::vector<std::string> FormatConversions(std::string_view text)
{
    constexpr std::string_view kFlagsAndSizes = "-+ #0123456789.*hlLIjzt";
    std::vector<std::string> conversions;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '%') {
            ++i;
            continue;
        }
        size_t end = i + 1;
        while (end < text.size() && kFlagsAndSizes.find(text[end]) != std::string_view::npos) {
            ++end;
        }
        conversions.emplace_back(text.substr(i, end < text.size() ? end - i + 1 : end - i));
        i = end;
    }
    return conversions;
}

const char* TextOrSource(const char* translated, const char* source)
{
    if (!translated || !source) {
        return translated ? translated : source;
    }
    return FormatConversions(translated) == FormatConversions(source) ? translated : source;
}

std::vector<std::string> AccessKeys(std::string_view text)
{
    std::vector<std::string> keys;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') {
            continue;
        }
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        // One UTF-8 character: the lead byte and its continuation bytes.
        size_t end = i + 2;
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
            ++end;
        }
        std::string key(text.substr(i + 1, end - i - 1));
        if (key.size() == 1 && key[0] >= 'a' && key[0] <= 'z') {
            key[0] = static_cast<char>(key[0] - 'a' + 'A');
        }
        keys.push_back(key);
    }
    return keys;
}
