// The texts the About dialog shows and the link targets it builds, as
// functions of their inputs.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "text/NString.h"
#include "text/WString.h"

// Time since start as "<d>d:<hh>h:<mm>m:<ss>s", e.g. 90,061,000 ms gives
// "1d:01h:01m:01s". Whole units, rounded down.
NString RunTimeText(uint64_t milliseconds);

// Whole mebibytes, rounded down: 3,221,225,472 bytes give "3072MB".
NString MemoryText(uint64_t bytes);

// A version-resource version such as "1, 2, 0, 3" as shown: commas become
// points, blanks go, and trailing components that are zero are dropped (as
// is a trailing point), keeping the first component: "1, 2, 0, 0" gives
// "1.2", "2, 10, 0, 0" gives "2.10" and "10, 0, 0, 0" gives "10". A null text
// stays null.
NString NormaliseVersion(const NString& version);

// productName + " " + version (each may be null).
NString AboutTitle(const NString& productName, const NString& version);

// site + "?" + title, blanks in the title written as %20.
WString MakerLinkTarget(const wchar_t* site, const NString& title);

// address + "?subject=" + productName (blanks left as they are).
WString SupportLinkTarget(const wchar_t* address, const NString& productName);

// The string "name" of the version resource's US English Unicode table
// (040904B0) of file; the null string when the file, the table or the value
// is missing.
NString VersionString(const char* file, const char* name);

// Bytes of a text file in the ANSI code page, up to the first zero byte or
// the end, as UTF-16. Null for empty input.
WString TextFromBytes(const char* bytes, std::size_t count);

// The whole file read through a read-only mapping, as TextFromBytes gives it;
// null when the file cannot be opened or mapped (an empty file included).
WString ReadTextFile(const char* path);
