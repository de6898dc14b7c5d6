// The text forms of the held-window records: a record's name, the handles it keeps and the one
// text a record is stored as. Pure functions over the record's fields, so that what another
// copy, an older version or a damaged registry left behind is checked in one place.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "text/NString.h"

// What identifies a held window across a restart of this program. Handles and process ids are
// reused by the system, so a record also names the process's creation time and the class.
struct HeldRecord {
    HWND window = nullptr;
    DWORD processId = 0;
    uint64_t processCreated = 0;
    NString className;
    NString title;
    // The windows hidden with it (its owned windows), shown again with it.
    std::vector<HWND> owned;
    // The number of the stored record it was read from; -1 for one not read from the store.
    int index = -1;
    // Read from a record of an older version (a sub-key with a value per field).
    bool legacy = false;
};

// Owned windows read at most per record: a bound on what a damaged value can cost.
constexpr size_t kMaxOwnedPerRecord = 256;

// The greatest record number: its successor still fits an int, and numbers beyond it are
// handed out again from 0 (see HeldWindowStore).
constexpr int kMaxHeldRecordIndex = 99999999;

// "00000", "00001"...: the name of record number index (0 <= index <= kMaxHeldRecordIndex).
NString HeldRecordName(int index);
// The number up to kMaxHeldRecordIndex whose HeldRecordName is exactly name; false for any other
// name.
bool ParseHeldRecordName(const char* name, int& index);

// A decimal number that fills the whole text; 0 for anything else.
uint64_t ParseDecimal(const NString& text);
// False when text is no such number ("0" is one); value is ParseDecimal's.
bool ReadDecimal(const NString& text, uint64_t& value);
NString HandleText(HWND window);
// Null for text that is no handle. A window handle carries 32 significant bits (a 64-bit one is
// their sign extension), so a number that does not survive a round trip through a 32-bit
// integer is none.
HWND HandleOf(const NString& text);
// The handles in decimal, separated by separator.
NString OwnedText(const std::vector<HWND>& owned, char separator = ' ');
// Words that are no handle are skipped; at most kMaxOwnedPerRecord handles are read.
std::vector<HWND> ParseOwned(const NString& text, char separator = ' ');

// The record in one line: "window process created owned classLength class+title", the owned
// windows separated by commas ("-" for none), the class's length in bytes telling where the
// title begins. The index is not part of it.
NString PackHeldRecord(const HeldRecord& record);
// False, leaving record alone, unless text is a whole packed record with a window and a process
// and a creation time that is a number.
// The record's index and legacy mark are kept.
bool UnpackHeldRecord(const NString& text, HeldRecord& record);
