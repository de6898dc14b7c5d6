// The language catalogues as the program carries them, one row per language: every text of
// English and no other, the same printf conversions as English, access keys that differ within
// each dialog and menu, nothing the parser leaves out. Then the parser's own rules, the program's
// ids against the English catalogue, and how a language is picked from Windows' preferences.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "text/Texts.h"

namespace {

const Catalogue& English()
{
    const Catalogue* english = EmbeddedCatalogue("en-US");
    EXPECT_NE(english, nullptr);
    static const Catalogue empty;
    return english ? *english : empty;
}

// The group whose access keys must differ: a dialog ("Dlg101"), the hidden-window menu ("Menu"
// without the list's own item), or none.
std::string AccessGroup(const std::string& key)
{
    if (key.rfind("Dlg", 0) == 0)
        return key.substr(0, key.find('.'));
    if (key == "MenuShowMainWindow" || key == "MenuVisitWebSite" || key == "MenuExit")
        return "Menu";
    return "";
}

std::wstring UpperWide(const std::string& utf8)
{
    std::wstring wide(utf8.size() + 1, L'\0');
    wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &wide[0], static_cast<int>(wide.size())));
    CharUpperW(&wide[0]);
    return wide;
}

class CatalogueTest : public ::testing::TestWithParam<std::string> {
protected:
    const Catalogue& Language() const
    {
        const Catalogue* language = EmbeddedCatalogue(GetParam());
        static const Catalogue empty;
        return language ? *language : empty;
    }
};

TEST_P(CatalogueTest, HasEveryTextOfEnglishAndNoOtherAndNoBrokenLine)
{
    const Catalogue& language = Language();
    EXPECT_TRUE(language.Problems().empty()) << "line " << language.Problems().front().line << ": "
                                             << language.Problems().front().what;
    for (const auto& [key, text] : English().Entries())
        EXPECT_TRUE(language.Find(key)) << GetParam() << " lacks " << key;
    for (const auto& [key, text] : language.Entries()) {
        EXPECT_TRUE(English().Find(key)) << GetParam() << " has a key English lacks: " << key;
        EXPECT_FALSE(text.empty()) << GetParam() << " " << key;
    }
}

TEST_P(CatalogueTest, KeepsEnglishPlaceholdersInNumberKindAndOrder)
{
    for (const auto& [key, text] : Language().Entries()) {
        if (const char* english = English().Find(key)) {
            EXPECT_EQ(FormatConversions(text), FormatConversions(english)) << GetParam() << " " << key;
        }
    }
}

TEST_P(CatalogueTest, AccessKeysDifferWithinEachDialogAndMenuAndNoneIsLost)
{
    std::map<std::string, std::map<std::wstring, std::string>> taken;  // group -> key -> text's key
    for (const auto& [key, text] : Language().Entries()) {
        const std::vector<std::string> keys = AccessKeys(text);
        const char* english = English().Find(key);
        if (english) {
            EXPECT_EQ(keys.size(), AccessKeys(english).size()) << GetParam() << " " << key << ": " << text;
        }
        const std::string group = AccessGroup(key);
        for (const std::string& accessKey : keys) {
            if (group.empty())
                continue;
            const auto [where, fresh] = taken[group].emplace(UpperWide(accessKey), key);
            EXPECT_TRUE(fresh) << GetParam() << " " << key << " and " << where->second << " share &" << accessKey;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, CatalogueTest, ::testing::ValuesIn(AvailableLocales()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 c = c == '-' ? '_' : c;
                             return name;
                         });

TEST(CatalogueSetTest, SevenLanguagesEnglishFirstEachInItsOwnName)
{
    const std::vector<LanguageChoice> languages = AvailableLanguages(CP_UTF8);
    ASSERT_EQ(languages.size(), 7u);
    EXPECT_EQ(languages[0].locale, "en-US");
    std::set<std::string> names;
    for (const LanguageChoice& language : languages)
        EXPECT_TRUE(names.insert(language.ownName).second) << language.locale;
    EXPECT_TRUE(names.count("Deutsch"));
}

// English holds the program's ids, LanguageName and the dialogs' texts, nothing else.
TEST(CatalogueSetTest, EnglishHoldsEveryIdOfTheProgram)
{
    std::set<std::string> ids;
    for (int i = 0; i < TextCount(); ++i) {
        ids.insert(TextKey(static_cast<Tx>(i)));
        EXPECT_STRNE(T(static_cast<Tx>(i)), TextKey(static_cast<Tx>(i))) << "English lacks the id's text";
    }
    for (const auto& [key, text] : English().Entries())
        EXPECT_TRUE(ids.count(key) || key == "LanguageName" || key.rfind("Dlg", 0) == 0) << "no id for " << key;
}

TEST(CatalogueParseTest, KeepsGoodLinesAndCountsTheRest)
{
    const struct {
        const char* input;
        std::map<std::string, std::string, std::less<>> entries;
        size_t problems;
    } cases[] = {
        {"\xEF\xBB\xBF# comment\r\n; also\r\n\r\nA = one\r\n", {{"A", "one"}}, 0},
        {"A.b-c_1 =  spaced text  \n", {{"A.b-c_1", "spaced text"}}, 0},
        {"A = \\sx\\tY\\n\\\\\\s", {{"A", " x\tY\n\\ "}}, 0},
        {"A = x = y", {{"A", "x = y"}}, 0},
        {"A =", {{"A", ""}}, 0},
        {"no equals sign\nB = kept", {{"B", "kept"}}, 1},
        {"bad key! = x\n = x\nC = ok", {{"C", "ok"}}, 2},
        {"A = \\q\nB = trailing\\", {}, 2},
        {"A = first\nA = second", {{"A", "first"}}, 1},
        {"", {}, 0},
    };
    for (const auto& c : cases) {
        const Catalogue catalogue = Catalogue::Parse(c.input);
        EXPECT_EQ(catalogue.Entries(), c.entries) << c.input;
        EXPECT_EQ(catalogue.Problems().size(), c.problems) << c.input;
    }
}

TEST(CatalogueParseTest, ConversionsAndAccessKeys)
{
    EXPECT_EQ(FormatConversions("%s for %s: %u s, %lu%%, %-8.3llu"),
              (std::vector<std::string>{"%s", "%s", "%u", "%lu", "%-8.3llu"}));
    EXPECT_EQ(FormatConversions("100%% %"), std::vector<std::string>{"%"});
    EXPECT_EQ(AccessKeys("E&xit && &more"), (std::vector<std::string>{"X", "M"}));
    EXPECT_EQ(AccessKeys("表示(&S)"), std::vector<std::string>{"S"});
    EXPECT_EQ(AccessKeys("&Выход"), std::vector<std::string>{"\xD0\x92"});
    EXPECT_TRUE(AccessKeys("no key&").empty());
    // A translation whose conversions differ from the source's never reaches a format call.
    const struct {
        const char* translated;
        const char* source;
        const char* chosen;
    } texts[] = {
        {"%s: %u Fenster", "%s: %u windows", "%s: %u Fenster"}, {"100% %s", "%s at 100%%", "%s at 100%%"},
        {"%u: %s", "%s: %u", "%s: %u"},  {"ohne", "with %s", "with %s"},
        {nullptr, "source", "source"},   {"only translated", nullptr, "only translated"},
    };
    for (const auto& t : texts)
        EXPECT_STREQ(TextOrSource(t.translated, t.source), t.chosen) << (t.translated ? t.translated : "null");
}

TEST(LanguagePickTest, ExactThenByLanguageThenEnglish)
{
    const std::vector<std::string> available = {"en-US", "de-DE", "fr-FR", "zh-CN"};
    const struct {
        std::vector<std::string> preferred;
        const char* picked;
    } cases[] = {
        {{"fr-FR"}, "fr-FR"},          {{"FR-fr"}, "fr-FR"},        {{"de-AT"}, "de-DE"},
        {{"pt-BR", "de-CH"}, "de-DE"}, {{"de-AT", "fr-FR"}, "fr-FR"}, {{"pt-BR"}, "en-US"},
        {{""}, "en-US"},               {{}, "en-US"},               {{"zh-Hans-CN"}, "zh-CN"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PickLanguage(c.preferred, available), c.picked) << ::testing::PrintToString(c.preferred);
}

TEST(LanguagePickTest, AChoiceSwitchesTheTextsAndAnUnknownOneFallsBack)
{
    SelectLanguage("de-DE");
    EXPECT_EQ(LanguageInUse(), "de-DE");
    EXPECT_STREQ(T(Tx::MenuExit), EmbeddedCatalogue("de-DE")->Find("MenuExit"));
    EXPECT_STREQ(DialogText(138, 1), DialogText(135, 1)) << "the licence variant takes About's texts";
    EXPECT_EQ(DialogText(101, 0), nullptr) << "the main dialog's title is never translated";
    SelectLanguage("xx-YY");  // unknown: the language of Windows' display, else English
    const std::vector<std::string> available = AvailableLocales();
    EXPECT_NE(std::find(available.begin(), available.end(), LanguageInUse()), available.end()) << LanguageInUse();
    SelectLanguage("en-US");
    EXPECT_STREQ(T(Tx::MenuExit), "E&xit");
}

}  // namespace
