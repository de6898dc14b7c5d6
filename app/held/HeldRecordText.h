// How a held record is kept in the settings: each record is a sub-key "00000", "00001"... of the
// program's "Held" key, in the order the windows were hidden, with handles and creation times as
// decimal texts. These forms ask the system nothing: the store writes them and reads them back.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "text/NString.h"

constexpr const char kHeldSubKey[] = "Held";
// Enough for many times the menu's 4001 entries, and a bound on what a damaged key can cost.
constexpr int kMaxRecords = 10000;
// A record's owned windows: their handles in decimal, separated by blanks. Absent in records of
// versions that kept no owned windows.
constexpr const char kOwnedValue[] = "Owned";
// Owned windows read at most per record: a bound on what a damaged value can cost.
constexpr size_t kMaxOwned = 256;

// The sub-key of the record at index: "00000" for 0.
NString RecordName(int index);
// A decimal text of digits only as a number; 0 for anything else (empty, a sign, blanks, other
// characters, a number beyond 64 bits): a damaged record names no window and no process.
uint64_t ParseRecordNumber(const NString& text);
// A handle as decimal text, and back: null for a text that is no number or too large a one.
NString HandleText(HWND window);
HWND HandleOf(const NString& text);
// Owned windows as handles separated by blanks, and back. Words that are no handle, and handles
// beyond kMaxOwned, are skipped.
NString OwnedText(const std::vector<HWND>& owned);
std::vector<HWND> ParseOwned(const NString& text);
