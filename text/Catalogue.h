// Catalogue: the texts of one language, parsed from a UTF-8 file of `key = text` lines.
//
// Format, one entry a line (CR LF or LF):
//   # a comment (also a line that starts with ';'), and blank lines, are skipped;
//   key = text        the key: letters, digits, '.', '_' and '-'; blanks (and a CR) around
//                     '=' and at both ends of the text are dropped;
//   escapes in text:  \n new line, \t tab, \s a blank that is kept (at either end), \\ a backslash.
// A UTF-8 byte order mark at the start is skipped. A line that is none of these (no '=', a bad
// key, an unknown escape), or a key given again, is left out and counted as a problem; the rest
// of the file still counts. Nothing in the input can make parsing fail or read out of bounds.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

class Catalogue {
public:
    // One problem: the line (from 1) and what is wrong with it.
    struct Problem {
        size_t line;
        std::string what;
    };

    static Catalogue Parse(std::string_view data);

    // The text of key, or null when the catalogue does not hold it. The pointer lives as long
    // as the catalogue.
    const char* Find(std::string_view key) const;
    const std::map<std::string, std::string, std::less<>>& Entries() const { return m_entries; }
    const std::vector<Problem>& Problems() const { return m_problems; }
    // This catalogue with each text passed through convert (from the text to out); false, with
    // out left alone, as soon as one text does not convert. Problems are not carried over.
    bool ConvertTexts(const std::function<bool(std::string_view, std::string&)>& convert, Catalogue& out) const;

private:
    void ParseLine(std::string_view line, size_t number);

    std::map<std::string, std::string, std::less<>> m_entries;
    std::vector<Problem> m_problems;
};

// The printf-style conversions of text in order, each as its flags, width, precision, length and
// conversion letter ("%s", "%u", "%lu", "%llu"...); "%%" is not one.
std::vector<std::string> FormatConversions(std::string_view text);

// The translated text unless it is null or its printf conversions differ from the source text's
// (a translator's stray '%' must never reach a format call whose arguments match the source);
// the source text otherwise.
const char* TextOrSource(const char* translated, const char* source);

// The characters that follow a single '&' in text, upper-cased for ASCII ("&&" is a literal '&').
std::vector<std::string> AccessKeys(std::string_view text);
