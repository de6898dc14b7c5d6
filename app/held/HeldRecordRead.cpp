#include "app/held/HeldRecordRead.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "settings/RegistryRead.h"
#include "settings/SettingsStore.h"

namespace {

// Enough for many times the menu's 4001 entries, and a bound on what a damaged key can cost.
constexpr DWORD kMaxRecords = 10000;

// How a text value of a record reads: there, absent, or there but unreadable (of another type,
// or larger than any record's field may be).
enum class TextRead { Read, Absent, Unreadable };

TextRead TextOf(LONG result, DWORD type, const std::vector<BYTE>& data, NString& text)
{
    if (result == ERROR_FILE_NOT_FOUND)
        return TextRead::Absent;
    if (result != ERROR_SUCCESS || type != REG_SZ)
        return TextRead::Unreadable;
    // An empty value (no terminator either) has no bytes to look at.
    const char* chars = reinterpret_cast<const char*>(data.data());
    text = data.empty() ? NString("") : NString(chars, static_cast<uint32_t>(strnlen(chars, data.size())));
    return TextRead::Read;
}

// A REG_SZ value through the settings store, whose registry reader grows its buffer on
// ERROR_MORE_DATA and trusts only the size of the read that filled it.
TextRead ReadText(SettingsStore& store, const NString& path, const char* name, NString& text)
{
    DWORD type = 0;
    std::vector<BYTE> data;
    const LONG result = store.QueryValue(path.Text(), name, &type, data, kRegistryMaxDataBytes);
    return TextOf(result, type, data, text);
}

// A record of an older version: a sub-key with a value per field, complete once "Window" is.
bool ReadLegacyRecord(SettingsStore& store, const NString& path, HeldRecord& record)
{
    if (store.KeyExists(path.Text()) != ERROR_SUCCESS)
        return false;
    NString window, created, owned;
    DWORD processId = 0, type = 0;
    std::vector<BYTE> number;
    bool complete = ReadText(store, path, "Window", window) == TextRead::Read;
    // A REG_DWORD of fewer bytes is damaged, not a smaller number.
    if (store.QueryValue(path.Text(), "ProcessId", &type, number, sizeof processId) == ERROR_SUCCESS &&
        type == REG_DWORD && number.size() == sizeof processId)
        std::memcpy(&processId, number.data(), sizeof processId);
    // A field that is there but cannot be read makes the record damaged, never one with a
    // field missing.
    for (auto field : {std::make_pair("ProcessCreated", &created), std::make_pair("Class", &record.className),
                       std::make_pair("Title", &record.title), std::make_pair(kOwnedValue, &owned)})
        complete = complete && ReadText(store, path, field.first, *field.second) != TextRead::Unreadable;
    if (!owned.IsNull())
        record.owned = ParseOwned(owned);
    record.window = HandleOf(window);
    record.processId = processId;
    // A creation time is absent only in records of versions that did not keep one.
    const bool createdRead = created.IsNull() || ReadDecimal(created, record.processCreated);
    return complete && createdRead && record.window && record.processId;
}

// True when the sub-keys were listed whole: not cut off by an error of the store or the bound.
bool LoadLegacyRecords(SettingsStore& store, const char* heldPath, std::vector<HeldRecord>& records)
{
    std::vector<NString> names;
    bool whole = store.ListKeys(heldPath, names) == ERROR_SUCCESS;
    if (names.size() > kMaxRecords) {
        names.resize(kMaxRecords);
        whole = false;
    }
    for (const NString& name : names) {
        HeldRecord record;
        if (!ParseHeldRecordName(name.Text(), record.index) ||
            !ReadLegacyRecord(store, NString(heldPath) + "\\" + name, record))
            continue;
        record.legacy = true;
        records.push_back(record);
    }
    return whole;
}

// Records are values "00000", "00001"... of the Held key; names too long or unreadable are
// skipped, and the list ends on the first failure of the store. True when the values were listed
// whole: not cut off by an error or the bound.
bool LoadRecordValues(SettingsStore& store, const char* heldPath, std::vector<HeldRecord>& records)
{
    std::vector<StoredValue> values;
    const bool whole = store.ListValues(heldPath, values, kMaxRecords, true) == ERROR_SUCCESS;
    for (const StoredValue& value : values) {
        HeldRecord record;
        NString packed;
        if (value.result == ERROR_SUCCESS && ParseHeldRecordName(value.name.Text(), record.index) &&
            TextOf(value.result, value.type, value.data, packed) == TextRead::Read && UnpackHeldRecord(packed, record))
            records.push_back(record);
    }
    return whole;
}

} // namespace

// Records are values "00000", "00001"... of the Held key, numbered in the order the windows were
// hidden; the numbers of records that went leave gaps. Older versions kept a sub-key per record.
std::vector<HeldRecord> LoadHeldRecords(SettingsStore& store, const char* heldPath, bool* listedWhole)
{
    std::vector<HeldRecord> records;
    const LONG exists = store.KeyExists(heldPath);
    bool whole = exists == ERROR_SUCCESS;
    if (exists == ERROR_SUCCESS) {
        whole = LoadLegacyRecords(store, heldPath, records);
        whole = LoadRecordValues(store, heldPath, records) && whole;
    }
    if (listedWhole)
        *listedWhole = whole || exists == ERROR_FILE_NOT_FOUND;
    // Stable: a number held by both forms keeps the older version's record first.
    std::stable_sort(records.begin(), records.end(),
                     [](const HeldRecord& a, const HeldRecord& b) { return a.index < b.index; });
    return records;
}
