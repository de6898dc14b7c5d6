#include "text/Wildcard.h"

#include <windows.h>

#include <vector>

#include "text/WString.h"

namespace {

// One character of a folded text: a UTF-16 unit, or a surrogate pair kept together so that '?'
// takes it whole.
using Folded = std::vector<uint32_t>;

bool Fold(const NString& text, Folded& out)
{
    if (text.IsNull())
        return false;
    WString wide = WString::FromNarrow(text.Text());
    if (wide.IsNull())
        return false;
    std::vector<wchar_t> units(wide.Text(), wide.Text() + wide.Length());
    if (!units.empty())
        CharUpperBuffW(units.data(), static_cast<DWORD>(units.size()));
    out.clear();
    for (size_t i = 0; i < units.size(); ++i) {
        uint32_t c = units[i];
        if (IS_HIGH_SURROGATE(units[i]) && i + 1 < units.size() && IS_LOW_SURROGATE(units[i + 1]))
            c = (c << 16) | units[++i];
        out.push_back(c);
    }
    return true;
}

// Greedy match with one back-tracking point (the last '*'): linear in practice, and never worse
// than the product of the two lengths, whatever the pattern.
bool MatchFolded(const Folded& pattern, const Folded& text)
{
    size_t p = 0, t = 0, starP = SIZE_MAX, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starT = t;
        } else if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (starP != SIZE_MAX) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace

bool WildcardMatchNoCase(const NString& pattern, const NString& text)
{
    Folded p, t;
    return Fold(pattern, p) && Fold(text, t) && MatchFolded(p, t);
}

bool TextEqualsNoCase(const NString& a, const NString& b)
{
    Folded x, y;
    return Fold(a, x) && Fold(b, y) && x == y;
}
