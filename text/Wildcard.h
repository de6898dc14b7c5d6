// Case-insensitive text matching for window titles, class names and program file names, as the
// command line and the rules compare them. Letters of every script compare without case (the
// system's upper-casing, not the bytes), so "ΚΑΛΗΜΕΡΑ" matches "καλημέρα" only where the system
// says the letters are the same.
#pragma once

#include "text/NString.h"

// True when the whole of text matches pattern: '*' stands for any run of characters (also none),
// '?' for exactly one character (a surrogate pair counts as one); every other character matches
// itself without regard to case. A null pattern or text never matches; an empty pattern matches
// only the empty text. Texts are in the process's code page (UTF-8).
bool WildcardMatchNoCase(const NString& pattern, const NString& text);

// True when both texts are equal without regard to case, in every script. Null never equals.
bool TextEqualsNoCase(const NString& a, const NString& b);
