#include "settings/IniText.h"

#include <map>
#include <utility>

#include "settings/IniData.h"
#include "settings/IniLine.h"

namespace {

using namespace initext;

std::string Lower(std::string text)
{
    for (char& c : text)
        c = LowerAscii(c);
    return text;
}

// Builds the keys line by line, with indexes by lower-case name, so that a file of many sections
// or values costs no more than its length times a logarithm.
class IniReader {
public:
    explicit IniReader(const std::string& root) : m_root(root), m_document{{root, {}}}, m_keys{{Lower(root), 0}} {}

    void Line(const std::string& line)
    {
        std::string path;
        switch (KindOfLine(line, m_root, path)) {
        case LineKind::Section:
            Section(path);
            break;
        case LineKind::Foreign:
            m_inKey = false;
            break;
        case LineKind::Value:
            if (m_inKey)
                Add(ParseValueLine(line));
            break;
        case LineKind::Other:
            break;
        }
    }

    // The keys read; the program key's own only when it has values or a section.
    IniDocument Document()
    {
        if (m_document.front().values.empty() && !m_rootNamed)
            m_document.erase(m_document.begin());
        return std::move(m_document);
    }

private:
    void Section(const std::string& path)
    {
        m_inKey = true;
        const auto found = m_keys.emplace(Lower(path), m_document.size());
        if (found.second)
            m_document.push_back({path, {}});
        m_current = found.first->second;
        m_rootNamed = m_rootNamed || m_current == 0;
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
    bool m_rootNamed = false;
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
            value.name = std::move(existing.name);
            existing = std::move(value);
            return;
        }
    }
    key.values.push_back(std::move(value));
}

IniDocument ParseIni(const char* text, size_t size, const std::string& root, IniLines* lines)
{
    IniLines read = DecodeIniFile(text, size);
    IniReader reader(root);
    for (size_t at = 0; at < read.text.size();) {
        const IniLineSpan line = IniLineAt(read.text, at);
        reader.Line(TrimIniLine(read.text.substr(line.start, line.size)));
        at = line.Next();
    }
    if (lines)
        *lines = std::move(read);
    return reader.Document();
}

std::string FormatIni(const IniDocument& document, const std::string& root)
{
    return WriteIni(document, IniLines(), root);
}
