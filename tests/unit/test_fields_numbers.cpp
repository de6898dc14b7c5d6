// Field splitting, integer parsing, bounded lengths, and long randomised runs
// of narrow- and wide-string edits checked against the standard strings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <string>
#include <vector>

#include "text/NString.h"
#include "text/TextUtil.h"
#include "text/WString.h"

namespace {

const char* Show(const char* text)
{
    return text ? text : "(null)";
}

TEST(PopFieldTest, SuccessivePops)
{
    // Each case pops one field per entry of `fields`, then checks what is left.
    const struct { const char* start; const char* set; std::vector<const char*> fields; const char* rest; } cases[] = {
        {"1,2,3", ",", {"1"}, "2,3"},        {"3", ",", {"3"}, ""},
        {",x", ",", {""}, "x"},              {"a,,b", ",", {"a", ""}, "b"},
        {"", ",", {"", ""}, ""},             {"k1=v;k2", ";=", {"k1", "v", "k2"}, ""},
        {nullptr, ",", {nullptr}, nullptr},  {"a,b", "", {nullptr}, "a,b"},
    };
    for (const auto& c : cases) {
        NString s(c.start);
        for (const char* want : c.fields) {
            const NString field = s.PopField(c.set);
            EXPECT_TRUE(field.Equals(want)) << Show(c.start) << " gave " << Show(field.Text());
        }
        EXPECT_TRUE(s.Equals(c.rest)) << Show(c.start);
    }
}

TEST(PopFieldTest, SplitPathAtLastBackslash)
{
    NString path("C:\\Program Files\\Veil\\app.exe");
    NString file = path.Reverse().PopField('\\').Reverse();
    path.Reverse();
    EXPECT_STREQ(file.Text(), "app.exe");
    EXPECT_STREQ(path.Text(), "C:\\Program Files\\Veil");
}

TEST(ToIntTest, AcceptsOnlySignedDecimalText)
{
    const struct { const char* text; int32_t want; } cases[] = {
        {"  -42\r\n", -42}, {"+7", 7},    {"-", 0},     {"4 2", 0},         {"1.5", 0},
        {"0x10", 0},        {"", 0},      {nullptr, 0}, {"+-1", 0},         {"\t0099\t", 99},
        {"-2147483648", INT32_MIN},       {"2147483648", INT32_MAX},        {"-99999999999999", INT32_MIN},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NString(c.text).ToInt(), c.want) << Show(c.text);
    }
}

TEST(TextUtilTest, BoundedLengthNeverReadsPastTheBound)
{
    const char unterminated[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(BoundedLength(unterminated, 4), 4u);
    EXPECT_EQ(BoundedLength("ab\0cd", 5), 2u);
    EXPECT_EQ(BoundedLength(static_cast<const char*>(nullptr), 9), 0u);
    EXPECT_EQ(BoundedLength(L"abc", 2), 2u);
    EXPECT_EQ(BoundedLength(static_cast<const wchar_t*>(nullptr), 9), 0u);
}

// The reference: std::string, the null state, and the capacity the growth
// rule predicts (the buffer grows to the next multiple of 32, never shrinks).
struct Model {
    bool isNull = true;
    std::string text;
    uint32_t capacity = 0;

    void Settle()
    {
        if (isNull) {
            text.clear();
            capacity = 0;
        } else if (text.size() >= capacity) {
            capacity = static_cast<uint32_t>((text.size() + 32) & ~size_t(31));
        }
    }
};

std::string RandomText(std::mt19937& rng, size_t maxLength)
{
    static const char alphabet[] = "ab,;. XyZ";
    std::string s(rng() % (maxLength + 1), ' ');
    for (char& c : s) {
        c = alphabet[rng() % (sizeof(alphabet) - 1)];
    }
    return s;
}

void ModelReplaceAll(std::string& s, const std::string& pattern, const std::string& with)
{
    for (size_t at = s.find(pattern); at != std::string::npos; at = s.find(pattern, at + with.size())) {
        s.replace(at, pattern.size(), with);
    }
}

// Applies one random edit to both and returns its name for messages.
const char* RandomEdit(std::mt19937& rng, NString& s, Model& m)
{
    const uint32_t len = static_cast<uint32_t>(m.text.size());
    const uint32_t a = rng() % (len + 2);
    const uint32_t b = rng() % (len + 2);
    const std::string t = RandomText(rng, 12);
    switch (rng() % 11) {
    case 0:
        s.Assign(t.c_str()), m.isNull = false, m.text = t;
        return "assign";
    case 1:
        s.Assign(static_cast<const char*>(nullptr)), m.isNull = true;
        return "assign null";
    case 2:
        s.Append(t.c_str()), m.isNull = false, m.text += t;
        return "append";
    case 3:
        s.Append(s), m.text += m.text;
        return "append self";
    case 4:
        if (!m.isNull && a <= len) {
            s.Append(s.Text() + a), m.text += m.text.substr(a);
        }
        return "append own suffix";
    case 5: {
        const NString field = s.PopField(",;"[a % 2]);
        const size_t at = m.text.find(",;"[a % 2]);
        EXPECT_TRUE(field.Equals(m.isNull ? nullptr : m.text.substr(0, at).c_str()));
        m.text = at == std::string::npos ? std::string() : m.text.substr(at + 1);
        return "pop field";
    }
    case 6: {
        const std::string pattern = t.substr(0, a % 3);
        const std::string with = t.substr(pattern.size(), b % 4);
        s.ReplaceAll(pattern.c_str(), with.c_str());
        if (!pattern.empty()) {
            ModelReplaceAll(m.text, pattern, with);
        }
        return "replace";
    }
    case 7: {
        const bool cuts = !m.isNull && a <= b && b < len;
        EXPECT_TRUE(s.CutRange(a, b).Equals(cuts ? m.text.substr(a, b - a + 1).c_str() : nullptr));
        if (cuts) {
            m.text.erase(a, b - a + 1);
        }
        return "cut range";
    }
    case 8:
        s.Trim(" ."), m.text.erase(0, std::min(m.text.find_first_not_of(" ."), m.text.size()));
        m.text.erase(m.text.find_last_not_of(" .") + 1);
        return "trim";
    case 9:
        s.RemoveLeading(a), m.text.erase(0, a <= len ? a : 0);
        return "remove leading";
    default:
        if (a % 2) {
            s.ToUpper();
        } else {
            s.ToLower();
        }
        std::transform(m.text.begin(), m.text.end(), m.text.begin(), a % 2 ? ::toupper : ::tolower);
        return "case";
    }
}

TEST(NStringModelTest, HundredThousandRandomEditsMatchStdString)
{
    std::mt19937 rng(20240611u);
    NString s;
    Model m;
    for (int step = 0; step < 100000; ++step) {
        if (m.text.size() > 200) {
            s.Assign("reset"), m.text = "reset";
        }
        const char* edit = RandomEdit(rng, s, m);
        m.Settle();
        ASSERT_EQ(s.IsNull(), m.isNull) << "step " << step << " " << edit;
        ASSERT_EQ(s.Capacity(), m.capacity) << "step " << step << " " << edit;
        ASSERT_EQ(s.Length(), m.text.size()) << "step " << step << " " << edit;
        if (!m.isNull) {
            ASSERT_EQ(std::string(s.Text(), s.Length() + 1), m.text + '\0') << "step " << step << " " << edit;
        }
    }
}

// Wide model: the text, or null. Greek and CJK code units make the narrow
// conversions cross the UTF-8 code page with multi-byte characters.
struct WideModel {
    bool isNull = true;
    std::wstring text;
};

std::wstring RandomWide(std::mt19937& rng, size_t maxLength)
{
    static const wchar_t alphabet[] = L"ab,; \x03B1\x03C9\x4E2D\x6587";
    std::wstring s(rng() % (maxLength + 1), L' ');
    for (wchar_t& c : s) {
        c = alphabet[rng() % (sizeof(alphabet) / sizeof(alphabet[0]) - 1)];
    }
    return s;
}

const char* RandomWideEdit(std::mt19937& rng, WString& s, WideModel& m)
{
    const std::wstring t = RandomWide(rng, 10);
    const wchar_t c = t.empty() ? L'\0' : t[0];
    switch (rng() % 8) {
    case 0:
        s.Assign(t.c_str()), m.isNull = false, m.text = t;
        return "assign";
    case 1:
        s.Assign(static_cast<const wchar_t*>(nullptr)), m.isNull = true, m.text.clear();
        return "assign null";
    case 2:
        s.Append(t.c_str()), m.isNull = false, m.text += t;
        return "append";
    case 3:
        s.Append(s);
        m.text += m.text;
        return "append self";
    case 4:
        if (c != L'\0') {
            s.Append(c), m.isNull = false, m.text += c;
        }
        return "append code unit";
    case 5:
        if (!m.isNull && (m.text.empty() || m.text.back() != c) && c != L'\0') {
            m.text += c;
        }
        if (c != L'\0') {
            s.EnsureTrailing(c);
        }
        return "ensure trailing";
    case 6: {
        // Through the narrow string and back: nothing may be lost or changed.
        const NString narrow = NString::FromWide(s.Text(), 0, CP_UTF8);
        s = WString::FromNarrow(narrow.Text(), CP_UTF8);
        return "narrow round trip";
    }
    default:
        EXPECT_EQ(s.Count(c), static_cast<int>(std::count(m.text.begin(), m.text.end(), c)));
        return "count";
    }
}

TEST(WStringModelTest, HundredThousandRandomEditsMatchStdWstring)
{
    std::mt19937 rng(20261207u);
    WString s;
    WideModel m;
    for (int step = 0; step < 100000; ++step) {
        if (m.text.size() > 200) {
            s.Assign(L"reset"), m.isNull = false, m.text = L"reset";
        }
        const char* edit = RandomWideEdit(rng, s, m);
        ASSERT_EQ(s.IsNull(), m.isNull) << "step " << step << " " << edit;
        ASSERT_EQ(s.Length(), m.text.size()) << "step " << step << " " << edit;
        if (!m.isNull) {
            ASSERT_EQ(std::wstring(s.Text(), s.Length() + 1), m.text + L'\0') << "step " << step << " " << edit;
        }
    }
}

}  // namespace
