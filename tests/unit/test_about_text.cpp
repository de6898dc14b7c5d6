// The About dialog's figures, version text and link targets.
#include <gtest/gtest.h>

#include "dialogs/AboutText.h"

namespace {

TEST(AboutText, RunTime)
{
    const struct {
        uint64_t ms;
        const char* text;
    } cases[] = {
        {0, "0d:00h:00m:00s"},
        {90061000, "1d:01h:01m:01s"},
        {((3 * 24 + 4) * 60 + 5) * 60000ull + 6999, "3d:04h:05m:06s"},
        {86399999, "0d:23h:59m:59s"},
        // Beyond the 49.7 days a 32-bit tick count holds.
        {4294967296ull, "49d:17h:02m:47s"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(c.text, RunTimeText(c.ms).Text()) << c.ms;
    }
}

TEST(AboutText, MemoryInWholeMebibytes)
{
    EXPECT_STREQ("3072MB", MemoryText(3221225472ull).Text());
    EXPECT_STREQ("0MB", MemoryText(1048575).Text());
    EXPECT_STREQ("1MB", MemoryText(1048576).Text());
    EXPECT_STREQ("16384MB", MemoryText(17179869184ull).Text());
}

TEST(AboutText, VersionDropsOnlyWholeTrailingZeroComponents)
{
    const struct {
        const char* raw;
        const char* shown;
    } cases[] = {
        {"1, 2, 0, 3", "1.2.0.3"}, {"1, 2, 0, 0", "1.2"}, {"1, 0, 0, 0", "1"}, {"2, 10, 0, 0", "2.10"},
        {"10, 0, 0, 0", "10"},     {"0, 0, 0, 0", "0"},   {"1.2.", "1.2"},     {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(c.shown, NormaliseVersion(NString(c.raw)).Text()) << c.raw;
    }
    EXPECT_TRUE(NormaliseVersion(NString()).IsNull());
}

TEST(AboutText, LinkTargets)
{
    const NString title = AboutTitle(NString("Window Veilbox"), NString("1.2"));
    EXPECT_STREQ(L"http://q.com/?Window%20Veilbox%201.2", MakerLinkTarget(L"http://q.com/", title).Text());
    EXPECT_STREQ(L"s@q.com?subject=Window Veilbox", SupportLinkTarget(L"s@q.com", NString("Window Veilbox")).Text());
    // Without version information: a single blank, sent encoded.
    EXPECT_STREQ(L"http://q.com/?%20", MakerLinkTarget(L"http://q.com/", AboutTitle(NString(), NString())).Text());
}

TEST(AboutText, TextFromBytesStopsAtTheFirstZeroOrTheEnd)
{
    const char bytes[] = {'a', 'b', '\0', 'c'};
    EXPECT_STREQ(L"ab", TextFromBytes(bytes, sizeof(bytes)).Text());
    EXPECT_STREQ(L"abc", TextFromBytes("abcdef", 3).Text());
    EXPECT_TRUE(TextFromBytes("", 0).IsNull());
}

}  // namespace
