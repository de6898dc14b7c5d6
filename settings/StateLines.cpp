#include "settings/StateLines.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

constexpr char kHex[] = "0123456789abcdef";
constexpr char kUpperHex[] = "0123456789ABCDEF";
constexpr size_t kChecksumDigits = 8;

uint32_t Crc32(const char* bytes, size_t size)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= static_cast<unsigned char>(bytes[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

enum class Field { Name, Data, Text };

// A name keeps no blank; data, the line's last field, keeps them, and a text its bytes from 0x80
// on (its UTF-8).
std::string Escape(const BYTE* bytes, size_t size, Field field)
{
    std::string out;
    for (size_t i = 0; i < size; ++i) {
        const BYTE b = bytes[i];
        if (b < 0x20 || b == 0x7F || b == '%' || (b == ' ' && field == Field::Name) || (b >= 0x80 && field != Field::Text)) {
            out += '%';
            out += kUpperHex[b >> 4];
            out += kUpperHex[b & 15];
        } else {
            out += static_cast<char>(b);
        }
    }
    return out;
}

bool Unescape(const std::string& text, std::vector<BYTE>& bytes)
{
    bytes.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            bytes.push_back(static_cast<BYTE>(text[i]));
            continue;
        }
        const int high = i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
        if (low < 0)
            return false;
        bytes.push_back(static_cast<BYTE>(high * 16 + low));
        i += 2;
    }
    return true;
}

std::string Checked(const std::string& change)
{
    const uint32_t crc = Crc32(change.data(), change.size());
    std::string line(kChecksumDigits, '0');
    for (size_t i = 0; i < kChecksumDigits; ++i)
        line[i] = kHex[(crc >> (28 - 4 * i)) & 15];
    return line + " " + change + "\n";
}

bool SameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && _strnicmp(a.c_str(), b.c_str(), a.size()) == 0;
}

// A decimal DWORD: one to ten digits only.
bool ReadType(const std::string& text, DWORD& type)
{
    if (text.empty() || text.size() > 10)
        return false;
    unsigned long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    type = static_cast<DWORD>(value);
    return value <= 0xFFFFFFFFull;
}

// Applies the change of one line (without its line feed) when it passes its check.
void ApplyLine(const char* line, size_t size, StateValues& values)
{
    if (size <= kChecksumDigits + 1 || line[kChecksumDigits] != ' ')
        return;
    const char* change = line + kChecksumDigits + 1;
    const size_t length = size - kChecksumDigits - 1;
    uint32_t stored = 0;
    for (size_t i = 0; i < kChecksumDigits; ++i) {
        const int digit = HexValue(line[i]);
        if (digit < 0 || (line[i] >= 'A' && line[i] <= 'F'))
            return;
        stored = stored * 16 + static_cast<uint32_t>(digit);
    }
    if (stored != Crc32(change, length))
        return;
    const std::string text(change, length);
    const size_t nameEnd = text.find(' ', 4);
    StateValue value;
    std::vector<BYTE> name;
    if (text.compare(0, 4, "del ") == 0) {
        if (nameEnd == std::string::npos && Unescape(text.substr(4), name) && !name.empty())
            RemoveStateValue(values, std::string(name.begin(), name.end()));
        return;
    }
    const size_t typeEnd = nameEnd == std::string::npos ? nameEnd : text.find(' ', nameEnd + 1);
    if (text.compare(0, 4, "set ") != 0 || typeEnd == std::string::npos ||
        !Unescape(text.substr(4, nameEnd - 4), name) || name.empty() ||
        !ReadType(text.substr(nameEnd + 1, typeEnd - nameEnd - 1), value.type) ||
        !Unescape(text.substr(typeEnd + 1), value.data))
        return;
    value.name.assign(name.begin(), name.end());
    SetStateValue(values, std::move(value));
}

} // namespace

std::string StateSetLine(const StateValue& value)
{
    return Checked("set " + Escape(reinterpret_cast<const BYTE*>(value.name.data()), value.name.size(), Field::Name) + " " +
                   std::to_string(value.type) + " " +
                   Escape(value.data.data(), value.data.size(), value.type == REG_SZ ? Field::Text : Field::Data));
}

std::string StateDeleteLine(const std::string& name)
{
    return Checked("del " + Escape(reinterpret_cast<const BYTE*>(name.data()), name.size(), Field::Name));
}

// The last line counts without its line feed: it passed its check, so it is whole.
StateValues ReadStateText(const char* text, size_t size)
{
    StateValues values;
    size_t begin = 0;
    while (begin < size) {
        const char* feed = static_cast<const char*>(std::memchr(text + begin, '\n', size - begin));
        const size_t end = feed ? static_cast<size_t>(feed - text) : size;
        ApplyLine(text + begin, end - begin, values);
        begin = end + 1;
    }
    return values;
}

std::string StateText(const StateValues& values)
{
    std::string text;
    for (const StateValue& value : values)
        text += StateSetLine(value);
    return text;
}

StateValue* FindStateValue(StateValues& values, const std::string& name)
{
    const auto found = std::find_if(values.begin(), values.end(),
                                    [&](const StateValue& value) { return SameName(value.name, name); });
    return found == values.end() ? nullptr : &*found;
}

void SetStateValue(StateValues& values, StateValue value)
{
    if (StateValue* found = FindStateValue(values, value.name))
        *found = std::move(value);
    else
        values.push_back(std::move(value));
}

bool RemoveStateValue(StateValues& values, const std::string& name)
{
    const StateValue* found = FindStateValue(values, name);
    if (!found)
        return false;
    values.erase(values.begin() + (found - values.data()));
    return true;
}
