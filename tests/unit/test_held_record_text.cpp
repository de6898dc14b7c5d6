// The held records' text forms: what a damaged or forged record in the settings reads as.
#include <gtest/gtest.h>

#include <vector>

#include "app/held/HeldRecordText.h"

namespace {

HWND Handle(uintptr_t value)
{
    return reinterpret_cast<HWND>(value);
}

TEST(HeldRecordText, NumbersAreDigitsOnlyAndInRange)
{
    const struct { const char* text; uint64_t value; } cases[] = {
        {"0", 0}, {"7", 7}, {"00012", 12}, {"18446744073709551615", UINT64_MAX},
        {"", 0}, {"18446744073709551616", 0}, {"99999999999999999999999", 0},
        // Found by the held records' fuzz target: the C runtime's reader took these.
        {"-650133949991", 0}, {"-1", 0}, {"+5", 0}, {" 5", 0}, {"\t5", 0},
        {"5 ", 0}, {"12x", 0}, {"0x1A", 0}, {"1 2", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseRecordNumber(NString(c.text)), c.value) << '"' << c.text << '"';
    EXPECT_EQ(ParseRecordNumber(NString()), 0u);
}

TEST(HeldRecordText, HandlesSurviveTheirTextForm)
{
    for (uintptr_t value : {uintptr_t(1), uintptr_t(0x1A2B), uintptr_t(0xFFFFFFFF), UINTPTR_MAX})
        EXPECT_EQ(HandleOf(HandleText(Handle(value))), Handle(value)) << value;
    EXPECT_EQ(HandleOf(NString("-1")), nullptr);
}

TEST(HeldRecordText, OwnedListsSkipWordsThatAreNoHandle)
{
    const struct { const char* text; std::vector<HWND> owned; } cases[] = {
        {"", {}},
        {"12 34", {Handle(12), Handle(34)}},
        {"12  -3 x +4 0 56", {Handle(12), Handle(56)}},
        {" 9 ", {Handle(9)}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseOwned(NString(c.text)), c.owned) << '"' << c.text << '"';
        EXPECT_EQ(ParseOwned(OwnedText(c.owned)), c.owned) << '"' << c.text << '"';
    }
    std::vector<HWND> many;
    for (uintptr_t i = 1; i <= kMaxOwned + 10; ++i)
        many.push_back(Handle(i));
    EXPECT_EQ(ParseOwned(OwnedText(many)).size(), kMaxOwned);
}

} // namespace
