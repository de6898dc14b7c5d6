// Reading the held-window records back: the values (and the sub-keys an older version wrote) of
// the Held key, each checked whole. Asks the system nothing but the store it is given (the
// registry, the settings file or the state file), so what any program may have left in the key
// is read the same here as in the fuzz target that feeds it damaged records.
#pragma once

#include <windows.h>

#include <vector>

#include "app/held/HeldRecordText.h"
#include "settings/SettingsStore.h"

// In records of older versions (a sub-key per record): the owned windows, absent in records of
// versions that kept none.
constexpr const char kOwnedValue[] = "Owned";

// The records of store's key heldPath, by number (a number held by both forms keeps the
// older version's record first). A record with a value that is there but cannot be read, or
// without a window or a process, is damaged and skipped: never read with a field missing.
// listedWhole, when given, tells whether every name of the key was listed: false when the key
// could not be opened (but is there) or its listing ended on an error part of the way, so that
// records not read may be stored.
std::vector<HeldRecord> LoadHeldRecords(SettingsStore& store, const char* heldPath, bool* listedWhole = nullptr);
