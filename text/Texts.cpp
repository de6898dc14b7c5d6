#include "text/Texts.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>

namespace {

constexpr char kResourceType[] = "VBLANG";
constexpr char kEnglish[] = "en-US";

const char* const kKeys[] = {
#define VB_TEXT_KEY(name) #name,
    VB_TEXT_IDS(VB_TEXT_KEY)
#undef VB_TEXT_KEY
};

// Templates that show another template's texts.
constexpr std::pair<int, int> kTemplateAliases[] = {{138, 135}, {140, 136}};

struct Store {
    std::mutex lock;
    std::map<std::string, std::unique_ptr<Catalogue>> parsed;  // null: the locale has none
    // Converted from the parsed ones, by resource name and code page; null: none or not shown.
    std::map<std::pair<std::string, UINT>, std::unique_ptr<Catalogue>> converted;
    std::atomic<const Catalogue*> inUse{nullptr};
    std::atomic<const Catalogue*> english{nullptr};
    std::string inUseLocale = kEnglish;
};

Store& TheStore()
{
    static Store store;
    return store;
}

std::string Upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// The resource of de-DE is named DE_DE.
std::string ResourceName(const std::string& locale)
{
    std::string name = Upper(locale);
    for (char& c : name)
        if (c == '-')
            c = '_';
    return name;
}

std::string_view ResourceText(const std::string& locale)
{
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, ResourceName(locale).c_str(), kResourceType);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    return data ? std::string_view(static_cast<const char*>(data), SizeofResource(module, found)) : std::string_view{};
}

// English is ASCII, which every ANSI code page shows; its UTF-8 stands in should that change.
const Catalogue* English()
{
    Store& store = TheStore();
    const Catalogue* english = store.english.load();
    if (!english) {
        english = ShownCatalogue(kEnglish, NarrowCodePage());
        english = english ? english : EmbeddedCatalogue(kEnglish);
        store.english.store(english);
    }
    return english;
}

const Catalogue* InUse()
{
    const Catalogue* inUse = TheStore().inUse.load();
    return inUse ? inUse : English();
}

// The language's text of key, or English's when the language lacks it or its printf conversions
// differ from English's (the program's format arguments follow the English text).
const char* Lookup(const std::string& key)
{
    const Catalogue* inUse = InUse();
    const Catalogue* english = English();
    return TextOrSource(inUse ? inUse->Find(key) : nullptr, english ? english->Find(key) : nullptr);
}

BOOL CALLBACK AddLocale(HMODULE, LPCSTR, LPSTR name, LONG_PTR found)
{
    if (!IS_INTRESOURCE(name))
        reinterpret_cast<std::vector<std::string>*>(found)->push_back(name);
    return TRUE;
}

// The user's preferred display languages, best first.
std::vector<std::string> PreferredLanguages()
{
    ULONG count = 0, size = 0;
    std::vector<std::string> names;
    if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &size) || size == 0)
        return names;
    std::wstring buffer(size, L'\0');
    if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, &buffer[0], &size))
        return names;
    for (const wchar_t* name = buffer.c_str(); *name; name += wcslen(name) + 1) {
        std::string narrow;
        for (const wchar_t* c = name; *c; ++c)
            narrow += *c < 0x80 ? static_cast<char>(*c) : '?';
        names.push_back(narrow);
    }
    return names;
}

// The locale a resource is named for: "DE_DE" is "de-DE".
std::string LocaleSpelling(std::string name)
{
    bool language = true;
    for (char& c : name) {
        if (c == '_' || c == '-') {
            c = '-';
            language = false;
        } else if (language && c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return name;
}

std::string LanguagePart(const std::string& locale)
{
    return Upper(locale.substr(0, locale.find('-')));
}

}  // namespace

const char* T(Tx id)
{
    const char* key = TextKey(id);
    const char* text = Lookup(key);
    return text ? text : key;
}

const char* TextKey(Tx id)
{
    const int index = static_cast<int>(id);
    return index >= 0 && index < TextCount() ? kKeys[index] : "";
}

int TextCount()
{
    return static_cast<int>(sizeof kKeys / sizeof kKeys[0]);
}

std::string DialogTextKey(int templateId, int controlId)
{
    for (const auto& [variant, source] : kTemplateAliases)
        if (templateId == variant)
            templateId = source;
    return "Dlg" + std::to_string(templateId) + "." + (controlId == 0 ? "Caption" : std::to_string(controlId));
}

const char* DialogText(int templateId, int controlId)
{
    return Lookup(DialogTextKey(templateId, controlId));
}

const Catalogue* EmbeddedCatalogue(const std::string& locale)
{
    Store& store = TheStore();
    std::lock_guard<std::mutex> hold(store.lock);
    auto found = store.parsed.find(ResourceName(locale));
    if (found == store.parsed.end()) {
        const std::string_view data = ResourceText(locale);
        std::unique_ptr<Catalogue> parsed;
        if (!data.empty())
            parsed = std::make_unique<Catalogue>(Catalogue::Parse(data));
        found = store.parsed.emplace(ResourceName(locale), std::move(parsed)).first;
    }
    return found->second.get();
}

const Catalogue* ShownCatalogue(const std::string& locale, UINT codePage)
{
    const Catalogue* source = EmbeddedCatalogue(locale);
    if (!source || codePage == CP_UTF8)
        return source;
    Store& store = TheStore();
    std::lock_guard<std::mutex> hold(store.lock);
    auto found = store.converted.find({ResourceName(locale), codePage});
    if (found == store.converted.end()) {
        auto shown = std::make_unique<Catalogue>();
        const auto convert = [codePage](std::string_view text, std::string& out) {
            return Utf8ToCodePage(text, codePage, out);
        };
        if (!source->ConvertTexts(convert, *shown))
            shown.reset();
        found = store.converted.emplace(std::make_pair(ResourceName(locale), codePage), std::move(shown)).first;
    }
    return found->second.get();
}

std::vector<std::string> AvailableLocales()
{
    std::vector<std::string> names;
    EnumResourceNamesA(GetModuleHandleA(nullptr), kResourceType, AddLocale, reinterpret_cast<LONG_PTR>(&names));
    std::vector<std::string> locales;
    for (const std::string& name : names)
        locales.push_back(LocaleSpelling(name));
    std::sort(locales.begin(), locales.end(), [](const std::string& a, const std::string& b) {
        return (a == kEnglish) != (b == kEnglish) ? a == kEnglish : a < b;
    });
    return locales;
}

std::vector<LanguageChoice> AvailableLanguages(UINT codePage)
{
    std::vector<LanguageChoice> languages;
    for (const std::string& locale : AvailableLocales()) {
        const Catalogue* catalogue = ShownCatalogue(locale, codePage);
        const char* ownName = catalogue ? catalogue->Find("LanguageName") : nullptr;
        if (catalogue)
            languages.push_back({locale, ownName ? ownName : locale});
    }
    return languages;
}

std::string PickLanguage(const std::vector<std::string>& preferred, const std::vector<std::string>& available)
{
    for (const std::string& wanted : preferred)
        for (const std::string& locale : available)
            if (Upper(wanted) == Upper(locale))
                return locale;
    for (const std::string& wanted : preferred)
        for (const std::string& locale : available)
            if (!wanted.empty() && LanguagePart(wanted) == LanguagePart(locale))
                return locale;
    return kEnglish;
}

void SelectLanguage(const std::string& locale)
{
    const UINT codePage = NarrowCodePage();
    std::string chosen = PickLanguage({locale}, AvailableLocales());
    if (Upper(chosen) != Upper(locale)) {
        // Under UTF-8 every language shows: no catalogue is parsed to find out.
        std::vector<std::string> shown = codePage == CP_UTF8 ? AvailableLocales() : std::vector<std::string>();
        for (const LanguageChoice& language : codePage == CP_UTF8 ? std::vector<LanguageChoice>() : AvailableLanguages(codePage))
            shown.push_back(language.locale);
        chosen = PickLanguage(PreferredLanguages(), shown);
    }
    const Catalogue* catalogue = ShownCatalogue(chosen, codePage);
    if (!catalogue) {
        chosen = kEnglish;
        catalogue = English();
    }
    Store& store = TheStore();
    std::lock_guard<std::mutex> hold(store.lock);
    store.inUseLocale = catalogue ? chosen : kEnglish;
    store.inUse.store(catalogue);
}

std::string LanguageInUse()
{
    Store& store = TheStore();
    std::lock_guard<std::mutex> hold(store.lock);
    return store.inUseLocale;
}
