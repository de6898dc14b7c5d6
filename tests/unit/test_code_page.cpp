// Texts under an ANSI code page other than UTF-8 (Windows before 10 1903): the conversions, the
// languages each code page shows, and the settings file, each with the code page named, whatever
// this process's own.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "settings/FileStore.h"
#include "support/TempFolder.h"
#include "text/CodePage.h"
#include "text/Texts.h"

namespace {

TEST(AnsiCodePage, TextsConvertExactlyOrNotAtAll)
{
    const struct {
        std::string utf8;
        UINT codePage;
        bool shows;         // the code page has every character: the exact conversion is shown
        std::string shown;  // as a registry read gives it
    } rows[] = {
        {u8"Grüße", 1252, true, "Gr\xFC\xDF" "e"},
        {u8"€ – „…“", 1252, true, "\x80 \x96 \x84\x85\x93"},
        {u8"Привет", 1251, true, "\xCF\xF0\xE8\xE2\xE5\xF2"},
        {u8"Привет", 1252, false, "??????"},
        {u8"ü", 1251, false, "?"},  // never the look-alike "u"
        {u8"日本語", 932, true, "\x93\xFA\x96\x7B\x8C\xEA"},
        {u8"Français", 932, false, "Fran?ais"},
        {u8"简体中文", 936, true, "\xBC\xF2\xCC\xE5\xD6\xD0\xCE\xC4"},
        {u8"Привет", CP_UTF8, true, u8"Привет"},
        {"", 1252, true, ""},
        {std::string("a\0\xC3\xA9", 4), 1252, true, std::string("a\0\xE9", 3)},  // zeros are kept
        {"Caf\xE9", 1252, false, "Caf\xE9"},  // not UTF-8: an older version's text, as it is
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.utf8 + " in " + std::to_string(row.codePage));
        std::string exact = "untouched";
        EXPECT_EQ(Utf8ToCodePage(row.utf8, row.codePage, exact), row.shows);
        EXPECT_EQ(exact, row.shows ? row.shown : "untouched");
        EXPECT_EQ(Utf8ToCodePageOrAsIs(row.utf8, row.codePage), row.shown);
        EXPECT_EQ(row.shows ? CodePageToUtf8(row.shown, row.codePage) : row.utf8, row.utf8) << "and back";
    }
}

// A language is offered, and used, only where the code page shows every one of its texts.
TEST(AnsiCodePage, EachLanguageIsOfferedWhereTheCodePageShowsAllItsTexts)
{
    const struct {
        const char* locale;
        UINT codePage;
        const char* ownName;  // null: not offered
    } rows[] = {
        {"de-DE", 1252, "Deutsch"}, {"de-DE", 1251, nullptr}, {"fr-FR", 1252, "Fran\xE7" "ais"},
        {"fr-FR", 932, nullptr},    {"es-ES", 1252, "Espa\xF1ol"}, {"ru-RU", 1251, "\xD0\xF3\xF1\xF1\xEA\xE8\xE9"},
        {"ru-RU", 1252, nullptr},   {"ja-JP", 932, "\x93\xFA\x96\x7B\x8C\xEA"}, {"ja-JP", 1251, nullptr},
        {"zh-CN", 936, "\xBC\xF2\xCC\xE5\xD6\xD0\xCE\xC4"}, {"zh-CN", 1252, nullptr}, {"en-US", 932, "English"},
    };
    for (const auto& row : rows) {
        std::string offered;
        for (const LanguageChoice& language : AvailableLanguages(row.codePage))
            offered = language.locale == row.locale ? language.ownName : offered;
        EXPECT_EQ(offered, row.ownName ? row.ownName : "") << row.locale << " in " << row.codePage;
        EXPECT_EQ(ShownCatalogue(row.locale, row.codePage) != nullptr, row.ownName != nullptr) << row.locale;
    }
}

// The settings file is UTF-8 whatever the code page: a text the program stores is written as UTF-8
// and reads back in the program's code page; one typed into the file reads as the registry's A
// functions give it; one an older version wrote in the code page's bytes reads as it was.
TEST(AnsiCodePage, TheSettingsFileHoldsUtf8AndEachCodePageReadsItsOwn)
{
    const struct {
        UINT codePage;
        std::string fileLine;  // the value as the file holds it ("" : written by the program)
        std::string written;   // what the program stores, in its code page
        std::string read;
    } rows[] = {
        {1252, "", "Caf\xE9", "Caf\xE9"},
        {932, "", "\x93\xFA\x96\x7B\x8C\xEA", "\x93\xFA\x96\x7B\x8C\xEA"},
        {CP_UTF8, "", u8"Café", u8"Café"},
        {1251, u8"Title=\"Привет\"", "", "\xCF\xF0\xE8\xE2\xE5\xF2"},
        {1252, u8"Title=\"Привет\"", "", "??????"},
        {1252, "Title=hex(1):43,61,66,e9,00", "", "Caf\xE9"},
    };
    constexpr char kRule[] = "Software\\Quillfen\\Veilbox\\Rules\\000";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.codePage);
        TempFolder folder("codepage");
        const std::string path = folder.MakeFile("Veilbox.ini", row.fileLine.empty() ? "" : "[Rules\\000]\r\n" + row.fileLine + "\r\n");
        const std::wstring file(path.begin(), path.end());
        if (!row.written.empty()) {
            FileStore(file, "Software\\Quillfen\\Veilbox", row.codePage)
                .SetValue(kRule, "Title", REG_SZ, reinterpret_cast<const BYTE*>(row.written.c_str()),
                          static_cast<DWORD>(row.written.size() + 1));
            std::ifstream in(path, std::ios::binary);
            const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            EXPECT_NE(text.find("Title=\"" + CodePageToUtf8(row.written, row.codePage) + "\""), std::string::npos)
                << text;
        }
        FileStore store(file, "Software\\Quillfen\\Veilbox", row.codePage);
        DWORD type = 0;
        std::vector<BYTE> data;
        ASSERT_EQ(store.QueryValue(kRule, "Title", &type, data, 1024), ERROR_SUCCESS);
        EXPECT_EQ(std::string(data.begin(), data.end()), row.read + '\0');
        EXPECT_EQ(store.QueryValue(kRule, "Title", &type, data, static_cast<DWORD>(row.read.size() + 1)),
                  ERROR_SUCCESS) << "the size asked is the size read, not the file's";
    }
}

}  // namespace
