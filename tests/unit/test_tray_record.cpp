// The shell record of the tray icon: which fields each update sets, and how
// the title is cut to fit the tip.
#include <gtest/gtest.h>

#include <string>

#include "winbase/TrayRecord.h"

namespace {

const HWND kWindow = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));
const HICON kIcon = reinterpret_cast<HICON>(static_cast<INT_PTR>(0x5678));

TEST(TrayRecord, EachPartSetsOnlyItsOwnFields)
{
    const struct {
        const char* label;
        UINT parts;
        UINT flags;
        bool tip;
        bool icon;
    } cases[] = {
        {"picture only, as at start-up", 2, NIF_ICON, false, false},
        {"tip and message only", 1, NIF_MESSAGE | NIF_TIP | NIF_SHOWTIP, true, false},
        {"everything", 3, NIF_MESSAGE | NIF_TIP | NIF_SHOWTIP | NIF_ICON, true, true},
        {"nothing", 0, 0, false, false},
    };
    for (const auto& c : cases) {
        const NOTIFYICONDATAW wide = WideTrayRecord(kWindow, c.parts, L"Window Veilbox", 0x8001, kIcon);
        const NOTIFYICONDATAA narrow = NarrowTrayRecord(kWindow, c.parts, "Window Veilbox", 0x8001, kIcon);
        EXPECT_EQ(wide.cbSize, static_cast<DWORD>(NOTIFYICONDATAW_V1_SIZE)) << c.label;
        EXPECT_EQ(narrow.cbSize, static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE)) << c.label;
        EXPECT_EQ(wide.hWnd, kWindow) << c.label;
        EXPECT_EQ(wide.uID, 0u) << c.label;
        EXPECT_EQ(wide.uFlags, c.flags) << c.label;
        EXPECT_EQ(narrow.uFlags, c.flags) << c.label;
        EXPECT_EQ(wide.uCallbackMessage, c.tip ? 0x8001u : 0u) << c.label;
        EXPECT_EQ(wide.hIcon, c.parts & 2 ? kIcon : nullptr) << c.label;
        EXPECT_EQ(std::wstring(wide.szTip), c.tip ? L"Window Veilbox" : L"") << c.label;
        EXPECT_EQ(std::string(narrow.szTip), c.tip ? "Window Veilbox" : "") << c.label;
    }
}

TEST(TrayRecord, LongTitlesAreCutWithoutSplittingACharacter)
{
    const std::wstring a63(63, L'a');
    const std::wstring a62(62, L'a');
    // U+1D11E as a surrogate pair, and U+00E9 as two UTF-8 bytes.
    const std::wstring clef = L"\xD834\xDD1E";
    const struct {
        const char* label;
        std::wstring title;
        std::wstring tip;
    } wideCases[] = {
        {"63 characters fit", a63, a63},
        {"64 characters lose the last", a63 + L"b", a63},
        {"a pair across the limit goes whole", a62 + clef, a62},
        {"a pair inside the limit stays", a62.substr(1) + clef + L"z", a62.substr(1) + clef},
        {"empty", L"", L""},
    };
    for (const auto& c : wideCases) {
        const NOTIFYICONDATAW record = WideTrayRecord(kWindow, 1, c.title.c_str(), 1, nullptr);
        EXPECT_EQ(std::wstring(record.szTip), c.tip) << c.label;
    }

    const std::string n62(62, 'n');
    const std::string n61(61, 'n');
    const struct {
        const char* label;
        std::string title;
        std::string tip;
    } narrowCases[] = {
        {"64 bytes lose the last", std::string(64, 'n'), std::string(63, 'n')},
        {"a two-byte sequence across the limit goes whole", n62 + "\xC3\xA9", n62},
        {"a two-byte sequence inside the limit stays", n61 + "\xC3\xA9" + "z", n61 + "\xC3\xA9"},
        {"a three-byte sequence across the limit goes whole", n61 + "\xE2\x82\xAC", n61},
    };
    for (const auto& c : narrowCases) {
        const NOTIFYICONDATAA record = NarrowTrayRecord(kWindow, 1, c.title.c_str(), 1, nullptr);
        EXPECT_EQ(std::string(record.szTip), c.tip) << c.label;
    }
    EXPECT_EQ(std::wstring(WideTrayRecord(kWindow, 1, nullptr, 1, nullptr).szTip), L"");
}

}  // namespace
