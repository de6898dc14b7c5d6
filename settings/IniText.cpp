#include "settings/IniText.h"

#include <cstring>
#include <map>
#include <utility>

#include "settings/IniData.h"

namespace {

using namespace initext;

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

// The name before "=" (at then at the "="), or false when there is none to read.
bool ParseValueName(const std::string& line, size_t& at, std::string& name)
{
    at = 0;
    if (line[0] == '"') {
        if (!Unquote(line, at, name))
            return false;
        at = line.find_first_not_of(' ', at);
        if (at == std::string::npos || line[at] != '=')
            return false;
    } else {
        at = line.find('=');
        if (at == std::string::npos)
            return false;
        name = Trim(line.substr(0, at));
        if (name.empty())
            return false;
    }
    // A name with a zero in it could never be asked for.
    return name.find('\0') == std::string::npos;
}

// The value of line; one whose data does not parse keeps the line, and its name when that reads.
IniValue ParseValueLine(const std::string& line)
{
    IniValue value;
    size_t at = 0;
    const bool named = ParseValueName(line, at, value.name);
    if (named && ParseData(Trim(line.substr(at + 1)), value))
        return value;
    if (!named)
        value.name.clear();
    value.type = REG_NONE;
    value.data.clear();
    value.unread = line;
    return value;
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

std::string FormatValueLine(const IniValue& value)
{
    const std::string name = NameNeedsQuotes(value.name) ? Quote(value.name.data(), value.name.size()) : value.name;
    return name + "=" + FormatData(value) + "\r\n";
}

std::string SectionName(const std::string& path, const std::string& root)
{
    if (SameIniName(path, root))
        return std::string();
    if (path.size() > root.size() && path[root.size()] == '\\' && SameIniName(path.substr(0, root.size()), root))
        return path.substr(root.size() + 1);
    return "\\" + path;
}

// Builds the keys line by line, with indexes by lower-case name, so that a file of many sections
// or values costs no more than its length times a logarithm.
class IniReader {
public:
    explicit IniReader(const std::string& root) : m_root(root), m_document{{root, {}}}, m_keys{{Lower(root), 0}} {}

    void Line(const std::string& line)
    {
        if (line.empty() || line[0] == ';' || line[0] == '#')
            return;
        if (line[0] == '[') {
            Section(line);
            return;
        }
        if (m_inKey)
            Add(ParseValueLine(line));
    }

    // The keys read; the program key's own only when it has values.
    IniDocument Document()
    {
        if (m_document.front().values.empty())
            m_document.erase(m_document.begin());
        return std::move(m_document);
    }

private:
    void Section(const std::string& line)
    {
        std::string path;
        m_inKey = ParseSectionName(line, m_root, path);
        if (!m_inKey)
            return;
        const auto found = m_keys.emplace(Lower(path), m_document.size());
        if (found.second)
            m_document.push_back({path, {}});
        m_current = found.first->second;
    }

    void Add(IniValue value)
    {
        std::vector<IniValue>& list = m_document[m_current].values;
        if (!IsIniValueNamed(value, value.name)) {
            list.push_back(std::move(value));
            return;
        }
        const auto found = m_values.emplace(std::make_pair(m_current, Lower(value.name)), list.size());
        if (found.second)
            list.push_back(std::move(value));
        else
            list[found.first->second] = std::move(value);
    }

    std::string m_root;
    IniDocument m_document;
    std::map<std::string, size_t> m_keys;
    std::map<std::pair<size_t, std::string>, size_t> m_values;
    size_t m_current = 0;
    bool m_inKey = true;
};

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

bool IsIniValueNamed(const IniValue& value, const std::string& name)
{
    return SameIniName(value.name, name) && !(value.name.empty() && !value.unread.empty());
}

void SetIniValue(IniKey& key, IniValue value)
{
    for (IniValue& existing : key.values) {
        if (IsIniValueNamed(existing, value.name)) {
            existing = std::move(value);
            return;
        }
    }
    key.values.push_back(std::move(value));
}

IniDocument ParseIni(const char* text, size_t size, const std::string& root)
{
    IniReader reader(root);
    size_t at = size >= 3 && std::memcmp(text, kIniByteOrderMark, 3) == 0 ? 3 : 0;
    while (at < size) {
        const char* end = static_cast<const char*>(std::memchr(text + at, '\n', size - at));
        const size_t length = (end ? static_cast<size_t>(end - text) : size) - at;
        reader.Line(Trim(std::string(text + at, length)));
        at += length + 1;
    }
    return reader.Document();
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
                out += !value.unread.empty() ? value.unread + "\r\n" : FormatValueLine(value);
        }
    }
    return out;
}
