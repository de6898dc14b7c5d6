// The program's texts in the user's language.
//
// Each language is a catalogue (see text/Catalogue.h) embedded in the program as a resource of
// type "VBLANG" named by its locale ("EN_US" for en-US, "DE_DE" for de-DE...); English is the source of every text
// and the fallback for one a language lacks. A catalogue is parsed on its first use and kept
// until the process ends, so every text pointer handed out stays valid, across a change of
// language too. All functions may be called from any thread.
//
// The texts handed out are in the program's narrow code page (text/CodePage.h): the catalogues'
// UTF-8 as it is under the manifest's UTF-8 code page, else converted once as the language is
// first used. A language with a text that code page cannot show is not used: English stands in.
#pragma once

#include <string>
#include <vector>

#include "text/Catalogue.h"
#include "text/CodePage.h"
#include "text/TextIds.h"

enum class Tx : int {
#define VB_TEXT_ENUM(name) name,
    VB_TEXT_IDS(VB_TEXT_ENUM)
#undef VB_TEXT_ENUM
};

// The text of id in the language in use; the English one when that language lacks it; the id's
// name when English lacks it too (a fault the catalogue tests catch). Never null.
const char* T(Tx id);
// The key of id in the catalogues: the id's name.
const char* TextKey(Tx id);
// The number of ids.
int TextCount();

// The text of a dialog's control (controlId 0: the dialog's title) in the language in use, or
// null when no catalogue names it (the template's own text then stands). Templates that are
// variants of another (the About dialog with the licence, the query with two texts) take the
// other's texts.
const char* DialogText(int templateId, int controlId);
// The catalogue key of a dialog's control: "Dlg<template>.<control>", "Dlg<template>.Caption".
std::string DialogTextKey(int templateId, int controlId);

struct LanguageChoice {
    std::string locale;   // "de-DE"
    std::string ownName;  // "Deutsch"
};

// The locales of the embedded catalogues, English first, then by name; nothing is parsed.
std::vector<std::string> AvailableLocales();
// The embedded languages that codePage can show, with their own names in it, in the same order
// (parses every catalogue).
std::vector<LanguageChoice> AvailableLanguages(UINT codePage = NarrowCodePage());
// Chooses the language: a locale among AvailableLanguages(); an empty or unknown one means the
// first of the user's preferred Windows display languages that Veilbox has and can show (by
// locale, else by its language alone: "de-AT" takes "de-DE"), else English. A language the narrow
// code page cannot show gives English.
void SelectLanguage(const std::string& locale);
// The locale of the language in use ("en-US" before any choice).
std::string LanguageInUse();
// The catalogue of a locale, parsed from the program's resources, in UTF-8; null when there is none.
const Catalogue* EmbeddedCatalogue(const std::string& locale);
// The catalogue of a locale with its texts in codePage; null when there is none or the code page
// cannot show one of its texts exactly.
const Catalogue* ShownCatalogue(const std::string& locale, UINT codePage);
// The locale that a preference list (locale names, best first) picks among the available ones:
// the first one available as it is, else the first whose language is ("de-AT" takes "de-DE"),
// else English.
std::string PickLanguage(const std::vector<std::string>& preferred, const std::vector<std::string>& available);
