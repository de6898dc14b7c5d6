#include "settings/IniLine.h"

#include "settings/IniData.h"

namespace initext {

namespace {

constexpr char kBlanks[] = " \t";

bool IsCommentStart(char c)
{
    return c == ';' || c == '#';
}

// True when line from at on holds only blanks or a comment.
bool OnlyCommentFrom(const std::string& line, size_t at)
{
    at = line.find_first_not_of(kBlanks, at);
    return at == std::string::npos || IsCommentStart(line[at]);
}

// Where the comment after data starting at at begins: the first ";" or "#" outside quotes (a
// backslash inside quotes escapes the next character), or the end of line.
size_t CommentStart(const std::string& line, size_t at)
{
    bool quoted = false;
    for (; at < line.size(); ++at) {
        const char c = line[at];
        if (quoted && c == '\\')
            ++at;
        else if (c == '"')
            quoted = !quoted;
        else if (!quoted && IsCommentStart(c))
            return at;
    }
    return line.size();
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
        name = TrimIniLine(line.substr(0, at));
        if (name.empty())
            return false;
    }
    // A name with a zero in it could never be asked for.
    return name.find('\0') == std::string::npos;
}

// Where the data of a value line lies: from its first character after "=" and blanks to its last
// before a comment; false when the line has no name to read.
bool FindData(const std::string& line, std::string& name, size_t& begin, size_t& end)
{
    size_t at = 0;
    if (line.empty() || !ParseValueName(line, at, name))
        return false;
    begin = line.find_first_not_of(kBlanks, at + 1);
    if (begin == std::string::npos)
        begin = line.size();
    end = CommentStart(line, begin);
    while (end > begin && (line[end - 1] == ' ' || line[end - 1] == '\t'))
        --end;
    return true;
}

std::string FormatSectionName(const std::string& name)
{
    std::string out;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(name.data());
    for (size_t at = 0; at < name.size(); ++at) {
        const size_t length = Utf8SequenceLength(bytes + at, name.size() - at);
        if (length > 1) {
            out.append(name, at, length);
            at += length - 1;
        } else if (length == 0 || bytes[at] < 0x20 || bytes[at] == 0x7F || name[at] == ']' || name[at] == '%') {
            AppendHexByte(out, "%", bytes[at]);
        } else {
            out += name[at];
        }
    }
    return out;
}

// The end of a section header's name: the first "]" that only blanks or a comment follow, else
// the last "]" when only blanks follow it (a "]" inside a name, as such files were always read).
size_t SectionNameEnd(const std::string& line)
{
    const size_t first = line.find(']');
    if (first == std::string::npos || OnlyCommentFrom(line, first + 1))
        return first;
    const size_t last = line.rfind(']');
    return line.find_first_not_of(kBlanks, last + 1) == std::string::npos ? last : std::string::npos;
}

// The whole path a section header names, or false when it names no key.
bool ParseSectionName(const std::string& line, const std::string& root, std::string& path)
{
    const size_t close = SectionNameEnd(line);
    if (close == std::string::npos)
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
    name = TrimIniLine(name);
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

std::string TrimIniLine(const std::string& line)
{
    const size_t first = line.find_first_not_of(kBlanks);
    if (first == std::string::npos)
        return std::string();
    return line.substr(first, line.find_last_not_of(kBlanks) - first + 1);
}

LineKind KindOfLine(const std::string& line, const std::string& root, std::string& path)
{
    if (line.empty() || IsCommentStart(line[0]))
        return LineKind::Other;
    if (line[0] == '[')
        return ParseSectionName(line, root, path) ? LineKind::Section : LineKind::Foreign;
    return LineKind::Value;
}

IniValue ParseValueLine(const std::string& line)
{
    IniValue value;
    size_t begin = 0, end = 0;
    const bool named = FindData(line, value.name, begin, end);
    if (named && ParseData(line.substr(begin, end - begin), value))
        return value;
    if (!named)
        value.name.clear();
    value.type = REG_NONE;
    value.data.clear();
    value.unread = line;
    return value;
}

std::string FormatValueLine(const IniValue& value)
{
    if (!value.unread.empty())
        return value.unread;
    const std::string name = NameNeedsQuotes(value.name) ? Quote(value.name.data(), value.name.size()) : value.name;
    return name + "=" + FormatData(value);
}

std::string RewriteValueLine(const std::string& line, const IniValue& value)
{
    const size_t lead = line.find_first_not_of(kBlanks);
    const std::string trimmed = TrimIniLine(line);
    std::string name;
    size_t begin = 0, end = 0;
    if (!value.unread.empty() || lead == std::string::npos || !FindData(trimmed, name, begin, end))
        return FormatValueLine(value);
    return line.substr(0, lead + begin) + FormatData(value) + line.substr(lead + end);
}

std::string FormatSectionLine(const std::string& path, const std::string& root)
{
    return "[" + FormatSectionName(SectionName(path, root)) + "]";
}

} // namespace initext
