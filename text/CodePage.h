// Texts between UTF-8 and the ANSI code page that the program's narrow (`A`) calls carry.
//
// Under the manifest's UTF-8 code page (Windows 10 1903 and later) the ANSI code page is UTF-8
// and nothing here changes a text. Before that it is the system's code page (1252 for Western
// Europe, 1251 for Cyrillic, 932 for Japanese...), and a UTF-8 text given to an `A` call shows as
// mojibake: the texts that the program keeps in UTF-8 (its language catalogues, the settings
// file) are converted here on their way in and out.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// The code page of the program's narrow texts: GetACP().
UINT NarrowCodePage();

// text, UTF-8, in codePage exactly: false, with out left alone, when text is not UTF-8 or holds
// a character the code page does not have (never a look-alike: "ü" does not become "u" in 1251).
bool Utf8ToCodePage(std::string_view text, UINT codePage, std::string& out);

// text, UTF-8, in codePage as an `A` registry read gives a stored text: a character the code page
// does not have becomes '?'. A text that is not UTF-8 is given as it is (what an older version
// stored under this code page). Zeros inside the text are kept.
std::string Utf8ToCodePageOrAsIs(std::string_view text, UINT codePage);

// text, in codePage, as UTF-8; every character of an ANSI code page has one. A byte that is no
// character of the code page becomes U+FFFD. Zeros inside the text are kept.
std::string CodePageToUtf8(std::string_view text, UINT codePage);
