// Strings filled by the system: formatting, window text and class names,
// module file name, and code-page conversions in both directions.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "text/NString.h"
#include "text/WString.h"

namespace {

// UTF-8 and UTF-16 forms of a Greek and a CJK text.
const char kGreekUtf8[] = "\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1";
const wchar_t kGreekWide[] = L"\x039A\x03B1\x03BB\x03B7\x03BC\x03AD\x03C1\x03B1";
const char kCjkUtf8[] = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";
const wchar_t kCjkWide[] = L"\x65E5\x672C\x8A9E";

NString FormatThroughList(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    NString result = NString::FormatV(format, args);
    va_end(args);
    return result;
}

TEST(FormatTest, ResultAndCapacity)
{
    const NString mb = NString::Format("%dMB", 512);
    EXPECT_STREQ(mb.Text(), "512MB");
    EXPECT_EQ(mb.Capacity(), 32u);

    const struct { int width; uint32_t capacity; } cases[] = {{31, 32}, {32, 64}, {40, 64}, {1000, 1024}};
    for (const auto& c : cases) {
        const NString s = NString::Format("%0*d", c.width, 7);
        EXPECT_EQ(s.Length(), static_cast<uint32_t>(c.width));
        EXPECT_EQ(s.Capacity(), c.capacity) << c.width;
        EXPECT_EQ(s.LastChar(), '7');
    }
    EXPECT_STREQ(NString::Format("%u,%u,%u,%u,%u", 1u, 0u, 1u, 0u, 72u).Text(), "1,0,1,0,72");
    EXPECT_STREQ(NString::Format("%dd:%02dh:%02dm:%02ds", 1, 2, 3, 4).Text(), "1d:02h:03m:04s");
    EXPECT_STREQ(FormatThroughList("%s=%d", "k", -3).Text(), "k=-3");
    EXPECT_TRUE(FormatThroughList(nullptr).IsNull());

    // Wide formatting in the Microsoft dialect: %s is wide text, %hs narrow.
    const WString s = WString::Format(L"%s <%ls> %hs %d", L"mail", L"x@y", "narrow", 5);
    EXPECT_STREQ(s.Text(), L"mail <x@y> narrow 5");
    EXPECT_EQ(s.Capacity(), 32u);
    EXPECT_EQ(WString::Format(L"%040d", 1).Capacity(), 64u);
}

TEST(NStringWindowTest, NullAndInvalidHandles)
{
    EXPECT_STREQ(NString::FromWindowText(nullptr).Text(), "!!**NULL HWND**!!");
    HWND gone = CreateWindowA("STATIC", "x", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(gone, nullptr);
    DestroyWindow(gone);
    EXPECT_STREQ(NString::FromWindowText(gone).Text(), "!!**INVALID HWND**!!");
    EXPECT_TRUE(NString::FromClassName(gone).IsNull());
}

TEST(NStringWindowTest, TitlesOfEveryLength)
{
    for (const size_t length : {0u, 1u, 31u, 32u, 300u}) {
        const std::string title(length, 't');
        HWND w = CreateWindowA("STATIC", title.c_str(), 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_NE(w, nullptr);
        const NString text = NString::FromWindowText(w);
        EXPECT_FALSE(text.IsNull());
        EXPECT_STREQ(text.Text(), title.c_str());
        DestroyWindow(w);
    }
}

// A window that lies about its text: it claims 5 characters and reports
// having copied 1000, of which only "ab" precede a zero.
LRESULT CALLBACK LyingWindowProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_GETTEXTLENGTH) {
        return 5;
    }
    if (message == WM_GETTEXT) {
        char* buffer = reinterpret_cast<char*>(lParam);
        const char text[] = "ab\0cd";
        memcpy(buffer, text, wParam < sizeof(text) ? wParam : sizeof(text));
        return 1000;
    }
    return DefWindowProcA(w, message, wParam, lParam);
}

HWND CreateOwnClassWindow(const char* className, WNDPROC proc)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    return CreateWindowA(className, "", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

TEST(NStringWindowTest, WindowAnswerIsNotTrustedBeyondBuffer)
{
    HWND w = CreateOwnClassWindow("VbTestLyingText", LyingWindowProc);
    ASSERT_NE(w, nullptr);
    const NString text = NString::FromWindowText(w);
    EXPECT_STREQ(text.Text(), "ab");
    EXPECT_EQ(text.Length(), 2u);
    DestroyWindow(w);
}

TEST(NStringWindowTest, ClassNamesLongerThanFirstBuffer)
{
    for (const size_t length : {5u, 31u, 32u, 33u, 64u, 200u}) {
        std::string name = "VbCls" + std::to_string(length) + "_";
        name.resize(length < name.size() ? name.size() : length, 'c');
        HWND w = CreateOwnClassWindow(name.c_str(), DefWindowProcA);
        ASSERT_NE(w, nullptr) << name;
        EXPECT_STREQ(NString::FromClassName(w).Text(), name.c_str());
        DestroyWindow(w);
    }
}

TEST(NStringModuleTest, OwnFileName)
{
    const NString path = NString::FromModuleFileName(nullptr);
    EXPECT_EQ(path.Capacity(), 261u);
    EXPECT_EQ(path.Length(), strlen(path.Text()));
    NString extension(path);
    extension.Reverse();
    EXPECT_TRUE(extension.StartsWithNoCase("exe.")) << path.Text();
}

TEST(CodePageTest, WideToUtf8)
{
    const struct { const wchar_t* wide; int count; const char* want; } cases[] = {
        {kGreekWide, 0, kGreekUtf8}, {kCjkWide, 0, kCjkUtf8}, {kCjkWide, 1, "\xE6\x97\xA5"},
        {L"", 0, ""},                {L"ab\0cd", 5, "ab"},
        // Lone surrogates (a title cut inside a pair) become U+FFFD, the rest stays.
        {L"a\xD83D" L"b", 0, "a\xEF\xBF\xBD" "b"}, {L"\xDE00" L"b", 0, "\xEF\xBF\xBD" "b"},
        {L"\xD83D\xDE00", 1, "\xEF\xBF\xBD"}, {L"\xD83D\xDE00", 0, "\xF0\x9F\x98\x80"},
    };
    for (const auto& c : cases) {
        const NString s = NString::FromWide(c.wide, c.count, CP_UTF8);
        ASSERT_FALSE(s.IsNull());
        EXPECT_STREQ(s.Text(), c.want);
        EXPECT_EQ(s.Length(), strlen(c.want));
    }
    EXPECT_TRUE(NString::FromWide(nullptr, 0, CP_UTF8).IsNull());
    EXPECT_TRUE(NString::FromWide(L"abc", 0, 12345).IsNull());
}

TEST(CodePageTest, NarrowToWide)
{
    const struct { const char* narrow; UINT codePage; const wchar_t* want; } cases[] = {
        {kGreekUtf8, CP_UTF8, kGreekWide}, {kCjkUtf8, CP_UTF8, kCjkWide}, {"", CP_UTF8, L""},
        {"plain", CP_ACP, L"plain"},       {"\xC1\xE2", 1253, L"\x0391\x03B2"},
        {"ab\0cd", CP_UTF8, L"ab"},
        // Bytes that are no UTF-8 become U+FFFD, the rest stays.
        {"a\x80" "b", CP_UTF8, L"a\xFFFD" L"b"}, {"a\xFF" "b", CP_UTF8, L"a\xFFFD" L"b"},
        {"a\xC3", CP_UTF8, L"a\xFFFD"},
    };
    for (const auto& c : cases) {
        const WString w = WString::FromNarrow(c.narrow, c.codePage);
        ASSERT_FALSE(w.IsNull()) << c.codePage;
        EXPECT_STREQ(w.Text(), c.want);
    }
    EXPECT_TRUE(WString::FromNarrow(nullptr).IsNull());
    EXPECT_TRUE(WString::FromNarrow("abc", 12345).IsNull());
}

}  // namespace
