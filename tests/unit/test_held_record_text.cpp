// The text a held-window record is stored as: what is written reads back the same, and what a
// damaged or foreign value holds is refused whole, never read as a record with a field missing.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/held/HeldRecordText.h"

namespace {

HWND Handle(UINT_PTR value)
{
    return reinterpret_cast<HWND>(value);
}

HeldRecord Made(UINT_PTR window, DWORD processId, const char* className, const char* title,
                std::vector<HWND> owned = {})
{
    HeldRecord record;
    record.window = Handle(window);
    record.processId = processId;
    record.processCreated = 133456789012345678ull;
    record.className = className;
    record.title = title;
    record.owned = std::move(owned);
    return record;
}

} // namespace

TEST(HeldRecordText, WhatIsPackedUnpacksTheSame)
{
    const HeldRecord cases[] = {
        Made(0x10020, 4242, "Notepad", "notes.txt - Notepad"),
        Made(0x10020, 1, "", ""),
        // Blanks, digits and commas where the fields are separated, and UTF-8 of every length.
        Made(0x7FFFFFFF, MAXDWORD, "Class With 2 Blanks", " 12 - , title ending in a blank "),
        Made(0x20, 7, "Ωmega", "東京都庁のお知らせ 🙂", {Handle(0x30), Handle(0x40), Handle(0x50)}),
        // A handle beyond 31 bits is the sign extension of its 32 bits.
        Made(static_cast<UINT_PTR>(INT_PTR{-16}), 7, "Sign", "extended", {Handle(static_cast<UINT_PTR>(INT_PTR{-32}))}),
    };
    for (const HeldRecord& made : cases) {
        SCOPED_TRACE(made.title.Text());
        HeldRecord read;
        read.index = 12;
        ASSERT_TRUE(UnpackHeldRecord(PackHeldRecord(made), read)) << PackHeldRecord(made).Text();
        EXPECT_EQ(read.window, made.window);
        EXPECT_EQ(read.processId, made.processId);
        EXPECT_EQ(read.processCreated, made.processCreated);
        EXPECT_STREQ(read.className.Text(), made.className.Text());
        EXPECT_STREQ(read.title.Text(), made.title.Text());
        EXPECT_EQ(read.owned, made.owned);
        EXPECT_EQ(read.index, 12) << "the number is the value's name's, not the text's";
    }
}

TEST(HeldRecordText, ADamagedRecordIsRefusedWhole)
{
    const char* cases[] = {
        "",
        "65568 4242 1 - 7",                  // the class's length, and nothing after it
        "65568 4242 1 - 8 Notepad",          // a class longer than what is left
        "0 4242 1 - 7 Notepad",              // no window
        "65568 0 1 - 7 Notepad",             // no process
        "65568 4294967296 1 - 7 Notepad",    // a process id beyond 32 bits
        "65568 -5 1 - 7 Notepad",            // a sign
        "65568 4242 1 - x Notepad",          // a length that is no number
        "65568  4242 1 - 7 Notepad",         // an empty word
        "99999999999999999999999 4242 1 - 7 Notepad",
        "65568 4242 x - 7 Notepad",          // a creation time that is no number
        "65568 4242 -1 - 7 Notepad",         // a signed creation time
        "65568 4242  - 7 Notepad",           // no creation time
        "4294967296 4242 1 - 7 Notepad",     // a window beyond 32 bits
        "2147483648 4242 1 - 7 Notepad",     // 32 bits, but not sign-extended
        "18446744069414584320 4242 1 - 7 Notepad", // 64 bits whose low 32 are zero
    };
    for (const char* text : cases) {
        SCOPED_TRACE(text);
        HeldRecord record = Made(0x99, 9, "Kept", "Kept");
        EXPECT_FALSE(UnpackHeldRecord(NString(text), record));
        EXPECT_EQ(record.window, Handle(0x99)) << "left alone";
        EXPECT_STREQ(record.className.Text(), "Kept");
    }
}

// Owned windows and record names come from the registry too: words that are no handle are
// skipped, and only names the program makes are record names.
TEST(HeldRecordText, OwnedWindowsAndNamesTakeOnlyWhatThisProgramWrites)
{
    HeldRecord record;
    ASSERT_TRUE(UnpackHeldRecord(NString("32 7 0 48,x,,-1,64 3 Abc"), record));
    EXPECT_EQ(record.owned, (std::vector<HWND>{Handle(48), Handle(64)}));
    EXPECT_EQ(ParseOwned(NString("1 2 3"), ' ').size(), 3u);
    EXPECT_EQ(ParseOwned(NString("4294967312 2147483648 16"), ' '), std::vector<HWND>{Handle(16)})
        << "handles that do not survive 32 bits";
    std::string many;
    for (int i = 1; i <= 300; ++i)
        many += std::to_string(i) + ",";
    EXPECT_EQ(ParseOwned(NString(many.c_str()), ',').size(), kMaxOwnedPerRecord);

    const struct {
        const char* name;
        bool isRecord;
        int index;
    } names[] = {{"00000", true, 0}, {"00042", true, 42}, {"123456", true, 123456}, {"42", false, 0},
                 {"0042", false, 0}, {"+0042", false, 0}, {"OwnerProcessId", false, 0}, {"", false, 0},
                 // Beyond the greatest number: the next one would overflow long before INT32_MAX.
                 {"99999999", true, kMaxHeldRecordIndex}, {"100000000", false, 0}, {"2147483647", false, 0}};
    for (const auto& n : names) {
        int index = -1;
        EXPECT_EQ(ParseHeldRecordName(n.name, index), n.isRecord) << n.name;
        if (n.isRecord) {
            EXPECT_EQ(index, n.index) << n.name;
        }
    }
}

// Numbers, handles and owned lists come from the registry: another program or a damaged value
// may hold anything there.
TEST(HeldRecordText, NumbersAreDigitsOnlyAndInRange)
{
    const struct { const char* text; uint64_t value; bool read; } cases[] = {
        {"0", 0, true}, {"7", 7, true}, {"00012", 12, true}, {"18446744073709551615", UINT64_MAX, true},
        {"", 0, false}, {"18446744073709551616", 0, false}, {"99999999999999999999", 0, false},
        {"99999999999999999999999", 0, false}, {"000000000000000000001", 0, false},
        // Found by the held records' fuzz target: the C runtime's reader took these.
        {"-650133949991", 0, false}, {"-1", 0, false}, {"+5", 0, false}, {" 5", 0, false}, {"\t5", 0, false},
        {"5 ", 0, false}, {"12x", 0, false}, {"0x1A", 0, false}, {"1 2", 0, false},
    };
    for (const auto& c : cases) {
        uint64_t value = 99;
        EXPECT_EQ(ParseDecimal(NString(c.text)), c.value) << '"' << c.text << '"';
        EXPECT_EQ(ReadDecimal(NString(c.text), value), c.read) << '"' << c.text << '"';
    }
    EXPECT_EQ(ParseDecimal(NString()), 0u);
}

TEST(HeldRecordText, HandlesSurviveTheirTextForm)
{
    const struct { UINT_PTR value; bool survives; } cases[] = {
        {1, true}, {0x1A2B, true}, {0x7FFFFFFF, true}, {static_cast<UINT_PTR>(INT_PTR{-1}), true},
        {0, false}, {0xFFFFFFFF, sizeof(UINT_PTR) == 4},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HandleOf(HandleText(Handle(c.value))), c.survives ? Handle(c.value) : nullptr) << c.value;
    // An overflowing number saturated to the largest one, which is the handle -1's text.
    for (const char* text : {"-1", "18446744073709551616", "99999999999999999999", "36893488147419103231"})
        EXPECT_EQ(HandleOf(NString(text)), nullptr) << text;
}

TEST(HeldRecordText, OwnedListsSkipWordsThatAreNoHandle)
{
    const struct { const char* text; std::vector<HWND> owned; } cases[] = {
        {"", {}},
        {"12 34", {Handle(12), Handle(34)}},
        {"12  -3 x +4 0 56", {Handle(12), Handle(56)}},
        {" 9 ", {Handle(9)}},
        {"7 18446744073709551616", {Handle(7)}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseOwned(NString(c.text)), c.owned) << '"' << c.text << '"';
        EXPECT_EQ(ParseOwned(OwnedText(c.owned)), c.owned) << '"' << c.text << '"';
    }
}
