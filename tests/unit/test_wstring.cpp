// Wide string: the same value rules as the narrow one, and where it differs.
#include <gtest/gtest.h>

#include <string>

#include "text/WString.h"

namespace {

TEST(WStringTest, NullAndEmptyAreDistinct)
{
    const std::wstring w32(32, L'w');
    const struct { WString s; bool isNull; const wchar_t* text; uint32_t capacity; } cases[] = {
        {WString(), true, nullptr, 0},
        {WString(static_cast<const wchar_t*>(nullptr)), true, nullptr, 0},
        {WString(L""), false, L"", 32},
        // Unlike the narrow form, a null pointer with a count stays null.
        {WString(nullptr, 5), true, nullptr, 0},
        {WString(L"ab\0cd", 5), false, L"ab", 32},
        {WString() + L"", false, L"", 32},
        {WString(w32.c_str()), false, w32.c_str(), 64},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.s.IsNull(), c.isNull);
        EXPECT_TRUE(c.s.Equals(c.text));
        EXPECT_EQ(c.s.Capacity(), c.capacity);
    }
    EXPECT_EQ(WString(), WString());
    EXPECT_NE(WString(), WString(L""));
}

TEST(WStringTest, OwnTextInAssignAndAppend)
{
    const std::wstring base(20, L'q');
    WString s(base.c_str());
    s += s;
    s += s.Text() + 30;
    EXPECT_STREQ(s.Text(), std::wstring(50, L'q').c_str());
    EXPECT_EQ(s.Capacity(), 64u);
    s = s.Text() + 45;
    EXPECT_STREQ(s.Text(), std::wstring(5, L'q').c_str());
    EXPECT_EQ(s.Capacity(), 64u);
    s = static_cast<const wchar_t*>(nullptr);
    EXPECT_TRUE(s.IsNull());
}

TEST(WStringTest, EnsureTrailingConcatenationAndCount)
{
    for (const wchar_t* start : {L"C:\\x", L"C:\\x\\"}) {
        EXPECT_STREQ(WString(start).EnsureTrailing(L'\\').Text(), L"C:\\x\\");
    }
    EXPECT_STREQ(WString(L"").EnsureTrailing(L'\\').Text(), L"\\");
    EXPECT_TRUE(WString().EnsureTrailing(L'\\').IsNull());

    const WString a(L"a\x00E9");
    EXPECT_STREQ((L"<" + a + L">").Text(), L"<a\x00E9>");
    EXPECT_STREQ((WString() + a).Text(), L"a\x00E9");
    EXPECT_TRUE((WString() + WString()).IsNull());
    EXPECT_EQ(WString(L"a\\b\\c").Count(L'\\'), 2);
}

}  // namespace
