// The language catalogue parser over any bytes, as a user may edit a catalogue: it never fails,
// every entry it keeps has a valid key, each line gives at most one entry or one problem, and the
// entries written back in the catalogue's own format (escaped) parse again to the same entries
// without a problem. The conversions and access keys of every text are read without a fault.
#include <string>

#include "FuzzSupport.h"
#include "text/Catalogue.h"

namespace {

bool IsKeyChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
           c == '-';
}

std::string Escaped(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c == ' ' && (i == 0 || i + 1 == text.size()))
            out += "\\s";
        else
            out += c;
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const Catalogue catalogue = Catalogue::Parse(input);
    size_t lines = 1;
    for (char c : input)
        lines += c == '\n' ? 1 : 0;
    Check(catalogue.Entries().size() + catalogue.Problems().size() <= lines, "at most one outcome a line");
    std::string written;
    for (const auto& [key, text] : catalogue.Entries()) {
        Check(!key.empty(), "a key is never empty");
        for (char c : key)
            Check(IsKeyChar(c), "a key holds only key characters");
        Check(catalogue.Find(key) != nullptr, "every entry is found by its key");
        FormatConversions(text);
        AccessKeys(text);
        written += key + " = " + Escaped(text) + "\n";
    }
    const Catalogue again = Catalogue::Parse(written);
    Check(again.Problems().empty(), "the entries written back parse without a problem");
    Check(again.Entries() == catalogue.Entries(), "the entries written back parse to the same entries");
    return 0;
}
