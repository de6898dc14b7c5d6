// Narrow string: null versus empty, aliasing-safe assignment, and the
// comparison, search and editing rules with their boundary cases (the
// randomised model run covers growth and the common edits).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "text/NString.h"

namespace {

const char* Show(const char* text)
{
    return text ? text : "(null)";
}

TEST(NStringTest, NullAndEmptyAreDistinct)
{
    const struct { NString s; bool isNull; const char* text; uint32_t capacity; } cases[] = {
        {NString(), true, nullptr, 0},
        {NString(static_cast<const char*>(nullptr)), true, nullptr, 0},
        {NString(""), false, "", 32},
        {NString(nullptr, 5), false, "", 32},
        {NString("abcdef", 3), false, "abc", 32},
        {NString("ab\0cd", 5), false, "ab", 32},
        {NString(NString()), true, nullptr, 0},
        {NString() + "", false, "", 32},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.s.IsNull(), c.isNull) << Show(c.text);
        EXPECT_TRUE(c.s.Equals(c.text)) << Show(c.text);
        EXPECT_EQ(c.s.Capacity(), c.capacity) << Show(c.text);
    }
    EXPECT_EQ(NString(), NString());
    EXPECT_NE(NString(), NString(""));
}

TEST(NStringTest, AssignOwnSuffixAndNull)
{
    NString s("hello world");
    s = s.Text() + 6;
    EXPECT_STREQ(s.Text(), "world");
    s = s;
    EXPECT_STREQ(s.Text(), "world");
    s = s.Text() + s.Length();
    EXPECT_STREQ(s.Text(), "");
    s = static_cast<const char*>(nullptr);
    EXPECT_TRUE(s.IsNull());
    EXPECT_EQ(s.Capacity(), 0u);
}

TEST(NStringTest, EnsureTrailingConcatenationAndMove)
{
    for (const char* start : {"D:\\dir", "D:\\dir\\"}) {
        EXPECT_STREQ(NString(start).EnsureTrailing('\\').Text(), "D:\\dir\\");
    }
    EXPECT_STREQ(NString("").EnsureTrailing('\\').Text(), "\\");
    EXPECT_TRUE(NString().EnsureTrailing('\\').IsNull());

    const NString a("ab");
    EXPECT_STREQ((a + NString("cd")).Text(), "abcd");
    EXPECT_STREQ(("x" + a + "y").Text(), "xaby");
    EXPECT_TRUE((NString() + NString()).IsNull());
    EXPECT_STREQ(a.Text(), "ab");

    NString source(a);
    NString moved(std::move(source));
    EXPECT_TRUE(source.IsNull());
    NString target("old");
    target = std::move(moved);
    EXPECT_TRUE(moved.IsNull());
    EXPECT_NE(NString(target).Text(), target.Text());
}

TEST(NStringTest, Equality)
{
    const struct { const char* a; const char* b; bool equal; bool equalNoCase; } cases[] = {
        {nullptr, nullptr, true, true}, {nullptr, "", false, false}, {"", "", true, true},
        {"abc", "ABC", false, true},    {"abc", "abd", false, false}, {"abc", "ab", false, false},
    };
    for (const auto& c : cases) {
        const NString a(c.a);
        EXPECT_EQ(a == NString(c.b), c.equal) << Show(c.a) << " vs " << Show(c.b);
        EXPECT_EQ(a != c.b, !c.equal) << Show(c.a) << " vs " << Show(c.b);
        EXPECT_EQ(a.EqualsNoCase(c.b), c.equalNoCase) << Show(c.a) << " vs " << Show(c.b);
    }
}

TEST(NStringTest, StartsWithNoCase)
{
    const struct { const char* s; const char* prefix; bool want; } cases[] = {
        {"Software\\Quillfen\\Veilbox", "software\\quillfen", true},
        {"abc", "", true}, {"", "", true}, {"abc", "ABC", true}, {"abc", "abcd", false},
        {"", "a", false},  {nullptr, "", false}, {"abc", nullptr, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NString(c.s).StartsWithNoCase(c.prefix), c.want) << Show(c.s) << " / " << Show(c.prefix);
    }
}

TEST(NStringTest, ContainsAndCount)
{
    const struct { const char* s; const char* pattern; bool contains; int count; } cases[] = {
        {"aaaa", "aa", true, 2}, {"abcabc", "bc", true, 2}, {"abc", "", true, -1},
        {"ab", "abc", false, 0}, {nullptr, "a", false, 0},  {"abc", nullptr, false, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NString(c.s).Contains(c.pattern), c.contains) << Show(c.s) << " / " << Show(c.pattern);
        EXPECT_EQ(NString(c.s).Count(c.pattern), c.count) << Show(c.s) << " / " << Show(c.pattern);
    }
    EXPECT_EQ(NString("a,b,,c").Count(','), 3);
    EXPECT_FALSE(NString("abc").Contains('\0'));
}

TEST(NStringTest, CaseFoldingKeepsUtf8Bytes)
{
    NString s("\xCE\xA9mega");
    EXPECT_STREQ(s.ToUpper().Text(), "\xCE\xA9MEGA");
    EXPECT_STREQ(s.ToLower().Text(), "\xCE\xA9mega");
}

TEST(NStringTest, ReplaceAll)
{
    const struct { const char* s; const char* pattern; const char* with; const char* want; } cases[] = {
        {"aaaa", "aa", "b", "bb"}, {"a.b.c", ".", "::", "a::b::c"}, {"abc", "", "y", "abc"},
        {"abc", nullptr, "y", "abc"}, {"abc", "b", nullptr, "abc"}, {nullptr, "a", "b", nullptr},
    };
    for (const auto& c : cases) {
        NString s(c.s);
        s.ReplaceAll(c.pattern, c.with);
        EXPECT_TRUE(s.Equals(c.want)) << Show(c.s) << " -> " << Show(s.Text());
    }
    // Pattern and replacement taken from the string's own buffer.
    NString own("xyx");
    own.ReplaceAll(own.Text() + 2, own.Text());
    EXPECT_STREQ(own.Text(), "xyxyxyx");
    // A zero inside the text ends neither the count nor the replacement.
    NString zero = NString::Format("a%ca", 0);
    ASSERT_EQ(zero.Length(), 3u);
    EXPECT_EQ(zero.Count("a"), 2);
    zero.ReplaceAll("a", "bb");
    EXPECT_EQ(std::string(zero.Text(), zero.Length()), std::string("bb\0bb", 5));
}

TEST(NStringTest, Trim)
{
    const struct { const char* s; const char* set; const char* left; const char* right; const char* both; } cases[] = {
        {"\\\\a\\b\\\\", "\\", "a\\b\\\\", "\\\\a\\b", "a\\b"},
        {"xxxx", "x", "", "", ""},
        {"abc", "", "abc", "abc", "abc"},
        {nullptr, "x", nullptr, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(NString(c.s).TrimLeft(c.set).Equals(c.left)) << Show(c.s);
        EXPECT_TRUE(NString(c.s).TrimRight(c.set).Equals(c.right)) << Show(c.s);
        EXPECT_TRUE(NString(c.s).Trim(c.set).Equals(c.both)) << Show(c.s);
    }
}

}  // namespace
