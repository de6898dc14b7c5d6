// The title pattern matcher of the rules and the command line, against a plain reference: both
// texts folded to upper case by the system, a surrogate pair taken as one character, and the
// pattern matched by the textbook table of "pattern[0..i) matches text[0..j)". The input is the
// pattern's length (one byte), the pattern and the text, any bytes (invalid UTF-8 included).
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "text/Wildcard.h"

namespace {

// The characters of a text as the system folds them: each a UTF-16 unit, or a pair.
std::vector<uint32_t> Folded(const std::string& text)
{
    std::vector<uint32_t> out;
    if (text.empty())
        return out;
    std::vector<wchar_t> wide(text.size());
    const int count = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                          static_cast<int>(wide.size()));
    CharUpperBuffW(wide.data(), static_cast<DWORD>(count));
    for (int i = 0; i < count; ++i) {
        const bool pair = IS_HIGH_SURROGATE(wide[i]) && i + 1 < count && IS_LOW_SURROGATE(wide[i + 1]);
        out.push_back(pair ? (uint32_t(wide[i]) << 16) | uint32_t(wide[i + 1]) : uint32_t(wide[i]));
        i += pair ? 1 : 0;
    }
    return out;
}

bool IsUtf8(const std::string& text)
{
    return text.empty() ||
           MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0) > 0;
}

bool ReferenceMatch(const std::vector<uint32_t>& pattern, const std::vector<uint32_t>& text)
{
    // row[j]: pattern[0..i) matches text[0..j)
    std::vector<char> row(text.size() + 1, 0), next(text.size() + 1);
    row[0] = 1;
    for (uint32_t p : pattern) {
        next[0] = p == '*' && row[0];
        for (size_t j = 1; j <= text.size(); ++j)
            next[j] = p == '*' ? (row[j] || next[j - 1]) : (row[j - 1] && (p == '?' || p == text[j - 1]));
        row.swap(next);
    }
    return row[text.size()] != 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t split = 1 + std::min<size_t>(data[0], size - 1);
    std::string pattern(data + 1, data + split), text(data + split, data + size);
    // NString texts end at their first zero.
    pattern = pattern.substr(0, pattern.find('\0'));
    text = text.substr(0, text.find('\0'));
    const NString p(pattern.c_str()), t(text.c_str());
    const std::vector<uint32_t> foldedPattern = Folded(pattern), foldedText = Folded(text);

    Check(WildcardMatchNoCase(p, t) == ReferenceMatch(foldedPattern, foldedText), "matches as the reference does");
    Check(TextEqualsNoCase(p, t) == (foldedPattern == foldedText), "equal exactly when the folded texts are");
    Check(WildcardMatchNoCase(p, p), "a pattern matches its own text");
    Check(WildcardMatchNoCase(NString("*"), t), "* matches every text");
    // Joined texts decode as their parts only when both are sound UTF-8.
    if (IsUtf8(pattern) && IsUtf8(text))
        Check(WildcardMatchNoCase(NString("*") + p + "*", NString("<") + t + p + ">"), "*p* finds p inside any text");
    Check(!WildcardMatchNoCase(NString(), t) && !WildcardMatchNoCase(p, NString()), "null never matches");
    return 0;
}
