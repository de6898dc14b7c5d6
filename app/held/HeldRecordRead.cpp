#include "app/held/HeldRecordRead.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "settings/RegistryRead.h"
#include "winbase/ScopedHandles.h"

namespace {

// Enough for many times the menu's 4001 entries, and a bound on what a damaged key can cost.
constexpr DWORD kMaxRecords = 10000;

// How a text value of a record reads: there, absent, or there but unreadable (of another type,
// or larger than any record's field may be).
enum class TextRead { Read, Absent, Unreadable };

// A REG_SZ value through the program's one registry reader, which grows its buffer on
// ERROR_MORE_DATA and trusts only the size of the read that filled it.
TextRead ReadText(HKEY key, const char* name, NString& text)
{
    DWORD type = 0;
    std::vector<BYTE> data;
    const LONG result = RegistryQueryValue(key, name, &type, data);
    if (result == ERROR_FILE_NOT_FOUND)
        return TextRead::Absent;
    if (result != ERROR_SUCCESS || type != REG_SZ)
        return TextRead::Unreadable;
    const char* chars = reinterpret_cast<const char*>(data.data());
    text = NString(chars, static_cast<uint32_t>(strnlen(chars, data.size())));
    return TextRead::Read;
}

// The names of the Held key's values (or sub-keys) that are record names, with their numbers.
// The enumeration ends on the first failure other than a name too long to read; whole tells
// whether it ran out of names (and not into an error or its bound).
std::vector<std::pair<int, NString>> RecordNames(HKEY held, bool subKeys, bool& whole)
{
    std::vector<std::pair<int, NString>> names;
    LONG result = ERROR_SUCCESS;
    for (DWORD position = 0; position < kMaxRecords && result != ERROR_NO_MORE_ITEMS; ++position) {
        NString name;
        DWORD type = 0;
        result = subKeys ? RegistryEnumKey(held, position, name)
                         : RegistryEnumValue(held, position, name, &type, nullptr);
        int index = 0;
        if (result == ERROR_SUCCESS && ParseHeldRecordName(name.Text(), index))
            names.push_back({index, name});
        else if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA && result != ERROR_NO_MORE_ITEMS)
            break;
    }
    whole = whole && result == ERROR_NO_MORE_ITEMS;
    return names;
}

// A record of an older version: a sub-key with a value per field, complete once "Window" is.
bool ReadLegacyRecord(HKEY held, const char* name, HeldRecord& record)
{
    OwnedKey owner;
    if (RegOpenKeyExA(held, name, 0, KEY_READ, owner.receive()) != ERROR_SUCCESS) {
        owner.release();
        return false;
    }
    const HKEY key = owner.get();
    NString window, created, owned;
    DWORD processId = 0, size = sizeof processId, type = 0;
    bool complete = ReadText(key, "Window", window) == TextRead::Read;
    if (RegQueryValueExA(key, "ProcessId", nullptr, &type, reinterpret_cast<BYTE*>(&processId), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof processId)
        processId = 0; // a REG_DWORD of fewer bytes is damaged, not a smaller number
    // A field that is there but cannot be read makes the record damaged, never one with a
    // field missing.
    for (auto field : {std::make_pair("ProcessCreated", &created), std::make_pair("Class", &record.className),
                       std::make_pair("Title", &record.title), std::make_pair(kOwnedValue, &owned)})
        complete = complete && ReadText(key, field.first, *field.second) != TextRead::Unreadable;
    if (!owned.IsNull())
        record.owned = ParseOwned(owned);
    record.window = HandleOf(window);
    record.processId = processId;
    // A creation time is absent only in records of versions that did not keep one.
    const bool createdRead = created.IsNull() || ReadDecimal(created, record.processCreated);
    return complete && createdRead && record.window && record.processId;
}

} // namespace

// Records are values "00000", "00001"... of the Held key, numbered in the order the windows were
// hidden; the numbers of records that went leave gaps. Older versions kept a sub-key per record.
std::vector<HeldRecord> LoadHeldRecords(const char* heldPath, bool* listedWhole)
{
    std::vector<HeldRecord> records;
    bool whole = true;
    OwnedKey owner;
    const LONG opened = RegOpenKeyExA(HKEY_CURRENT_USER, heldPath, 0, KEY_READ, owner.receive());
    if (opened != ERROR_SUCCESS) {
        owner.release();
        if (listedWhole)
            *listedWhole = opened == ERROR_FILE_NOT_FOUND;
        return records;
    }
    const HKEY held = owner.get();
    for (bool legacy : {true, false}) {
        for (const auto& name : RecordNames(held, legacy, whole)) {
            HeldRecord record;
            NString packed;
            const bool read = legacy ? ReadLegacyRecord(held, name.second.Text(), record)
                                     : ReadText(held, name.second.Text(), packed) == TextRead::Read &&
                                           UnpackHeldRecord(packed, record);
            record.index = name.first;
            record.legacy = legacy;
            if (read)
                records.push_back(record);
        }
    }
    owner.reset();
    if (listedWhole)
        *listedWhole = whole;
    // Stable: a number held by both forms keeps the older version's record first.
    std::stable_sort(records.begin(), records.end(),
                     [](const HeldRecord& a, const HeldRecord& b) { return a.index < b.index; });
    return records;
}
