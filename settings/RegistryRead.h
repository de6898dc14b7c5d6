// RegistryRead: the reads of an open registry key that every caller uses instead of the bare
// RegQueryValueExA, RegEnumValueA and RegEnumKeyExA.
//
// A size the `A` functions report is no promise of the size of the next read: under the UTF-8
// active code page a text stored as UTF-16 comes back as up to three bytes for every two stored
// (a size query may even report the stored UTF-16 size), and a value may be rewritten by another
// program between two calls. So each read here starts with a buffer of its own, grows it and reads
// again whenever the registry answers ERROR_MORE_DATA (a bounded number of tries, up to a size
// cap), and trusts only the size reported by the read that filled the buffer. A buffer given up
// on the way is zeroed before it is released, as the data may be a secret.
//
// Each function returns the registry's result: ERROR_SUCCESS, ERROR_MORE_DATA when the value or
// name is still larger than the cap after the last try, or whatever else the registry answered
// (ERROR_FILE_NOT_FOUND, ERROR_NO_MORE_ITEMS, ERROR_KEY_DELETED...). On any failure the outputs
// are empty.
#pragma once

#include <windows.h>

#include <vector>

#include "text/NString.h"

// Largest value data read, in bytes.
constexpr DWORD kRegistryMaxDataBytes = 1u << 20;
// Largest key or value name read, in bytes: a name of 16,383 UTF-16 units in UTF-8.
constexpr DWORD kRegistryMaxNameBytes = 16384 * 3;
// Reads tried at most for one value or name.
constexpr int kRegistryReadTries = 8;

// The value's type and data. On success data.size() is the size that read reported.
LONG RegistryQueryValue(HKEY key, const char* name, DWORD* type, std::vector<BYTE>& data,
                        DWORD maxBytes = kRegistryMaxDataBytes);

// The name, type and data of the key's value at index. With a null data only the name and type
// are read.
LONG RegistryEnumValue(HKEY key, DWORD index, NString& name, DWORD* type, std::vector<BYTE>* data,
                       DWORD maxBytes = kRegistryMaxDataBytes);

// The name of the key's sub-key at index.
LONG RegistryEnumKey(HKEY key, DWORD index, NString& name);

// Zeroes every byte data holds (its whole capacity) and releases it.
void WipeRegistryData(std::vector<BYTE>& data);

// Called before every read try with the value's name (null for an enumeration) and the try's
// number from 0; lets a test rewrite a value between two tries. Null (the default) for none.
using RegistryReadProbe = void (*)(HKEY key, const char* name, int attempt);
void SetRegistryReadProbe(RegistryReadProbe probe);
