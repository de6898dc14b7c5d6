#include "winbase/DialogTemplate.h"

#include <cstring>
#include <utility>

namespace {

constexpr WORD kExtendedSignature = 0xFFFF;
constexpr size_t kHeaderBytes = 26;
constexpr size_t kCountOffset = 16;
constexpr size_t kItemFixedBytes = 24;

// The system's classes a template names by ordinal, from 0x80.
const wchar_t* const kOrdinalClasses[] = {L"Button", L"Edit", L"Static", L"ListBox", L"ScrollBar", L"ComboBox"};

// Reads words and fields of a template without ever reading past its end.
class TemplateReader {
public:
    TemplateReader(const BYTE* bytes, size_t size) : m_bytes(bytes), m_size(size) {}

    bool Ok() const { return m_ok; }
    size_t Offset() const { return m_offset; }

    WORD Word() { return static_cast<WORD>(Take(2)); }
    DWORD Dword() { return Take(4); }
    short Short() { return static_cast<short>(Take(2)); }

    // Skips to the next multiple of four bytes from the template's start.
    void AlignToDword() { Skip((4 - m_offset % 4) % 4); }

    void Skip(size_t count)
    {
        if (count > m_size - m_offset)
            m_ok = false;
        else
            m_offset += count;
    }

    // A text, an empty field (a 0 word) or 0xFFFF and an ordinal; returns where the field begins,
    // and the ordinal (0 for a text) in ordinal.
    const wchar_t* TextOrOrdinal(WORD& ordinal)
    {
        const size_t start = m_offset;
        ordinal = 0;
        const WORD first = Word();
        if (first == 0xFFFF) {
            ordinal = Word();
        } else {
            for (WORD next = first; m_ok && next != 0;)
                next = Word();
        }
        return m_ok ? reinterpret_cast<const wchar_t*>(m_bytes + start) : nullptr;
    }

private:
    DWORD Take(size_t count)
    {
        if (!m_ok || count > m_size - m_offset) {
            m_ok = false;
            return 0;
        }
        DWORD value = 0;
        std::memcpy(&value, m_bytes + m_offset, count);
        m_offset += count;
        return value;
    }

    const BYTE* m_bytes;
    size_t m_size;
    size_t m_offset = 0;
    bool m_ok = true;
};

// Skips the dialog's own fields after the header: menu, class, title and the font.
void SkipDialogFields(TemplateReader& reader, DWORD style)
{
    WORD ordinal = 0;
    reader.TextOrOrdinal(ordinal);
    reader.TextOrOrdinal(ordinal);
    reader.TextOrOrdinal(ordinal);
    if (style & DS_SETFONT) {
        reader.Skip(6);
        reader.TextOrOrdinal(ordinal);
    }
}

bool ReadItem(TemplateReader& reader, const BYTE* bytes, DialogItem& item)
{
    reader.AlignToDword();
    reader.Dword();
    item.exStyle = reader.Dword();
    item.style = reader.Dword();
    const short x = reader.Short(), y = reader.Short(), cx = reader.Short(), cy = reader.Short();
    item.units = RECT{x, y, x + cx, y + cy};
    item.id = reader.Dword();
    WORD classOrdinal = 0;
    item.className = reader.TextOrOrdinal(classOrdinal);
    if (!item.className || item.className[0] == 0)
        return false;
    if (item.className[0] == 0xFFFF) {
        const size_t index = static_cast<size_t>(classOrdinal) - 0x80;
        if (classOrdinal < 0x80 || index >= sizeof kOrdinalClasses / sizeof kOrdinalClasses[0])
            return false;
        item.className = kOrdinalClasses[index];
    }
    WORD titleOrdinal = 0;
    item.title = reader.TextOrOrdinal(titleOrdinal);
    const size_t dataOffset = reader.Offset();
    const WORD dataSize = reader.Word();
    reader.Skip(dataSize);
    item.creationData = dataSize != 0 && reader.Ok() ? bytes + dataOffset : nullptr;
    return reader.Ok() && item.className && item.title;
}

} // namespace

bool ReadDialogItems(const void* bytes, size_t size, DialogTemplateItems& read)
{
    read = DialogTemplateItems{};
    const auto* data = static_cast<const BYTE*>(bytes);
    if (!data || size < kHeaderBytes)
        return false;
    TemplateReader reader(data, size);
    const WORD version = reader.Word();
    if (version != 1 || reader.Word() != kExtendedSignature)
        return false;
    reader.Skip(8);
    const DWORD style = reader.Dword();
    const WORD count = reader.Word();
    if (count > size / kItemFixedBytes)
        return false;
    reader.Skip(8);
    SkipDialogFields(reader, style);
    std::vector<DialogItem> items(count);
    for (DialogItem& item : items) {
        if (!ReadItem(reader, data, item))
            return false;
    }
    read.items = std::move(items);
    read.countOffset = kCountOffset;
    return true;
}

std::vector<BYTE> TemplateWithoutItems(const void* bytes, size_t size, const DialogTemplateItems& read)
{
    const auto* data = static_cast<const BYTE*>(bytes);
    if (!data || read.countOffset != kCountOffset || size < kHeaderBytes)
        return {};
    std::vector<BYTE> copy(data, data + size);
    copy[kCountOffset] = 0;
    copy[kCountOffset + 1] = 0;
    return copy;
}
