// WriteIni (see IniText.h): the document written into the lines of the file it was read from.
// Two passes over the lines: the first finds where each section's own lines end, the last line
// of each value and the line end most lines have; the second writes each line as it was, changed
// or not at all, and adds what is new at the end of its key's last section.
#include "settings/IniText.h"

#include <map>
#include <set>

#include "settings/IniData.h"
#include "settings/IniLine.h"

namespace {

using namespace initext;

constexpr size_t kNone = std::string::npos;

std::string Lower(std::string text)
{
    for (char& c : text)
        c = LowerAscii(c);
    return text;
}

bool SameData(const IniValue& a, const IniValue& b)
{
    if (!a.unread.empty() || !b.unread.empty())
        return a.unread == b.unread;
    return a.type == b.type && a.data == b.data;
}

// A key of the document: its values by lower-case name (the nameless ones by their text), and
// what the file holds of it.
struct KeyPlace {
    const IniKey* key = nullptr;
    std::map<std::string, const IniValue*> named;
    std::set<std::string> nameless;
    // The last line of each name, the texts of its nameless lines, and its last section.
    std::map<std::string, size_t> lastLine;
    std::set<std::string> namelessLines;
    size_t lastRegion = kNone;
};

// A section of the file, the first (before any header) being the program key's.
struct Region {
    size_t header = kNone;
    // Its last value line, else its header; kNone for a first section without values.
    size_t ownEnd = kNone;
    // Null when the document no longer holds its key.
    KeyPlace* place = nullptr;
};

// One line of the file as both passes see it; a line of a foreign section is Other.
struct LineView {
    size_t index = 0;
    std::string raw;
    std::string end;
    std::string trimmed;
    std::string path;
    LineKind kind = LineKind::Other;
};

class IniWriter {
public:
    IniWriter(const IniDocument& document, const std::string& text, const std::string& root)
        : m_text(text), m_root(root)
    {
        for (const IniKey& key : document) {
            if (m_placeOf.emplace(Lower(key.path), m_places.size()).second)
                m_places.emplace_back().key = &key;
        }
        for (KeyPlace& place : m_places) {
            for (const IniValue& value : place.key->values) {
                if (IsIniValueNamed(value, value.name))
                    place.named.emplace(Lower(value.name), &value);
                else
                    place.nameless.insert(value.unread);
            }
        }
    }

    std::string Write()
    {
        Survey();
        if (m_regions[0].ownEnd == kNone)
            AddNewValues(0);
        size_t region = 0;
        ForEachLine([&](const LineView& line) {
            region += line.kind == LineKind::Section ? 1 : 0;
            Emit(line, m_regions[region]);
            if (line.index == m_regions[region].ownEnd)
                AddNewValues(region);
        });
        AddNewKeys();
        return std::move(m_out);
    }

private:
    template <class Visit>
    void ForEachLine(Visit visit)
    {
        LineView line;
        bool foreign = false;
        for (size_t at = 0; at < m_text.size(); ++line.index) {
            const IniLineSpan span = IniLineAt(m_text, at);
            at = span.Next();
            line.raw.assign(m_text, span.start, span.size);
            line.end.assign(m_text, span.start + span.size, span.endSize);
            line.trimmed = TrimIniLine(line.raw);
            line.kind = KindOfLine(line.trimmed, m_root, line.path);
            if (line.kind == LineKind::Section || line.kind == LineKind::Foreign)
                foreign = line.kind == LineKind::Foreign;
            else if (foreign)
                line.kind = LineKind::Other;
            visit(line);
        }
    }

    KeyPlace* PlaceOf(const std::string& path)
    {
        const auto found = m_placeOf.find(Lower(path));
        return found == m_placeOf.end() ? nullptr : &m_places[found->second];
    }

    void Survey()
    {
        m_regions.push_back({kNone, kNone, PlaceOf(m_root)});
        if (m_regions[0].place)
            m_regions[0].place->lastRegion = 0;
        size_t crlf = 0, lf = 0, cr = 0;
        ForEachLine([&](const LineView& line) {
            crlf += line.end == "\r\n" ? 1 : 0;
            lf += line.end == "\n" ? 1 : 0;
            cr += line.end == "\r" ? 1 : 0;
            if (line.kind == LineKind::Section) {
                m_regions.push_back({line.index, line.index, PlaceOf(line.path)});
                if (m_regions.back().place)
                    m_regions.back().place->lastRegion = m_regions.size() - 1;
            } else if (line.kind == LineKind::Value) {
                Region& region = m_regions.back();
                region.ownEnd = line.index;
                if (!region.place)
                    return;
                const IniValue read = ParseValueLine(line.trimmed);
                if (IsIniValueNamed(read, read.name))
                    region.place->lastLine[Lower(read.name)] = line.index;
                else
                    region.place->namelessLines.insert(read.unread);
            }
        });
        m_end = crlf >= lf && crlf >= cr ? "\r\n" : lf >= cr ? "\n" : "\r";
    }

    // A section of a key no longer held goes down to its last value; everything else stays but
    // for the value lines EmitValue drops.
    void Emit(const LineView& line, const Region& region)
    {
        const bool gone = region.place == nullptr;
        if (line.kind == LineKind::Section && gone) {
            DropBlankAbove(line.index);
            return;
        }
        if (line.kind == LineKind::Value) {
            if (!gone)
                EmitValue(line, *region.place);
            return;
        }
        if (gone && region.header != kNone && line.index <= region.ownEnd)
            return;
        Append(line.raw, line.end, line.index);
    }

    void EmitValue(const LineView& line, const KeyPlace& place)
    {
        const IniValue read = ParseValueLine(line.trimmed);
        if (!IsIniValueNamed(read, read.name)) {
            if (place.nameless.count(read.unread))
                Append(line.raw, line.end, line.index);
            return;
        }
        const std::string name = Lower(read.name);
        const auto held = place.named.find(name);
        if (held == place.named.end())
            return;
        const bool readHere = place.lastLine.at(name) == line.index;
        if (!readHere || SameData(read, *held->second))
            Append(line.raw, line.end, line.index);
        else
            Append(RewriteValueLine(line.raw, *held->second), line.end, line.index);
    }

    // The values of the region's key that no line holds, when it is the key's last region.
    void AddNewValues(size_t region)
    {
        const KeyPlace* place = m_regions[region].place;
        if (!place || place->lastRegion != region)
            return;
        for (const IniValue& value : place->key->values) {
            const bool named = IsIniValueNamed(value, value.name);
            if (named ? !place->lastLine.count(Lower(value.name)) : !place->namelessLines.count(value.unread))
                Append(FormatValueLine(value), m_end, kNone);
        }
    }

    void AddNewKeys()
    {
        for (const KeyPlace& place : m_places) {
            if (place.lastRegion != kNone || SameIniName(place.key->path, m_root))
                continue;
            if (!m_out.empty() && !m_lastBlank)
                Append(std::string(), m_end, kNone);
            Append(FormatSectionLine(place.key->path, m_root), m_end, kNone);
            for (const IniValue& value : place.key->values)
                Append(FormatValueLine(value), m_end, kNone);
        }
    }

    // Appends a line (index: its line in the file, kNone for a new one); the line before it gets
    // an end when it was the file's last and had none. An empty line ending in LF just after a
    // line ending in a lone CR would read as one CRLF with it: a new line before it ends in CRLF
    // instead, so the file's own line stays as it was; after a line of the file (whose neighbour
    // went) the empty line ends in CR.
    void Append(const std::string& content, const std::string& end, size_t index)
    {
        if (!m_lastEnded)
            m_out += m_end;
        bool joins = content.empty() && end == "\n" && !m_out.empty() && m_out.back() == '\r';
        if (joins && m_lastNew) {
            m_out += '\n';
            joins = false;
        }
        m_prevBlank = m_lastBlank;
        m_prevNew = m_lastNew;
        m_lastNew = index == kNone;
        m_lastStart = m_out.size();
        m_lastIndex = index;
        m_lastBlank = TrimIniLine(content).empty();
        m_lastEnded = !end.empty();
        m_out += content;
        m_out += joins ? "\r" : end;
    }

    // The blank line just above a section that goes, as one is written above each new section.
    void DropBlankAbove(size_t header)
    {
        if (m_lastIndex == kNone || m_lastIndex + 1 != header || !m_lastBlank)
            return;
        m_out.resize(m_lastStart);
        m_lastIndex = kNone;
        m_lastBlank = m_prevBlank;
        m_prevBlank = false;
        m_lastNew = m_prevNew;
        m_prevNew = false;
        m_lastEnded = true;
    }

    const std::string& m_text;
    const std::string& m_root;
    std::vector<KeyPlace> m_places;
    std::map<std::string, size_t> m_placeOf;
    std::vector<Region> m_regions;
    std::string m_end;
    std::string m_out;
    size_t m_lastStart = 0;
    size_t m_lastIndex = kNone;
    bool m_lastBlank = false;
    bool m_prevBlank = false;
    // Whether the last line written (and the one before it) is a new one, not one of the file's.
    bool m_lastNew = false;
    bool m_prevNew = false;
    bool m_lastEnded = true;
};

} // namespace

std::string WriteIni(const IniDocument& document, const IniLines& lines, const std::string& root, IniLines* written)
{
    IniLines out;
    out.encoding = lines.encoding;
    out.tail = lines.tail;
    out.text = IniWriter(document, lines.text, root).Write();
    std::string bytes = EncodeIniFile(out);
    if (written)
        *written = std::move(out);
    return bytes;
}
