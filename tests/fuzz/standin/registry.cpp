// The in-memory registry and the Reg*A stand-ins over it (see FakeRegistry.h).
#include "FakeRegistry.h"

#include <cstring>
#include <cwctype>
#include <map>
#include <memory>

namespace fakereg {
namespace {

struct Value {
    std::u16string name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct Key {
    std::u16string name;
    std::vector<Value> values;
    std::map<std::u16string, std::unique_ptr<Key>> subKeys;  // by folded name
};

struct Open {
    HKEY root;
    std::vector<std::u16string> path;
};

std::map<HKEY, Key> g_roots;
std::map<HKEY, Open> g_handles;
uintptr_t g_nextHandle = 0x1000;
bool g_reportStored = false;

std::u16string Fold(const std::u16string& name)
{
    std::u16string folded = name;
    for (char16_t& c : folded)
        if (c < 0xD800 || c > 0xDFFF)
            c = static_cast<char16_t>(std::towupper(c) < 0x10000 ? std::towupper(c) : c);
    return folded;
}

bool IsRoot(HKEY key)
{
    return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE || key == HKEY_USERS;
}

// The root and path a handle names; false for a handle that is not open.
bool Where(HKEY key, Open& where)
{
    if (IsRoot(key)) {
        where = Open{key, {}};
        return true;
    }
    auto it = g_handles.find(key);
    if (it == g_handles.end())
        return false;
    where = it->second;
    return true;
}

// Splits a sub-key path; false for an empty part (two backslashes, or one at either end).
bool Split(const char* subKey, std::vector<std::u16string>& parts)
{
    if (!subKey || !*subKey)
        return true;
    std::string text(subKey);
    size_t from = 0;
    for (;;) {
        const size_t end = text.find('\\', from);
        const std::string part = text.substr(from, end == std::string::npos ? std::string::npos : end - from);
        if (part.empty())
            return false;
        parts.push_back(Utf16(part));
        if (end == std::string::npos)
            return true;
        from = end + 1;
    }
}

Key* Find(const Open& where, bool create)
{
    Key* key = &g_roots[where.root];
    for (const std::u16string& part : where.path) {
        auto& slot = key->subKeys[Fold(part)];
        if (!slot) {
            if (!create) {
                key->subKeys.erase(Fold(part));
                return nullptr;
            }
            slot = std::make_unique<Key>();
            slot->name = part;
        }
        key = slot.get();
    }
    return key;
}

Key* KeyOf(HKEY handle)
{
    Open where;
    return Where(handle, where) ? Find(where, false) : nullptr;
}

Value* FindValue(Key& key, const char* name)
{
    const std::u16string wanted = Fold(Utf16(name ? name : ""));
    for (Value& value : key.values)
        if (Fold(value.name) == wanted)
            return &value;
    return nullptr;
}

bool IsText(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Hands data out as an A read does: the whole of it into a buffer large enough, else
// ERROR_MORE_DATA; without a buffer, only its size.
LONG GiveData(const Value& value, LPBYTE data, LPDWORD size)
{
    const std::vector<BYTE> ansi = AnsiData(value.type, value.data);
    if (!data) {
        if (size)
            *size = static_cast<DWORD>(g_reportStored ? value.data.size() : ansi.size());
        return ERROR_SUCCESS;
    }
    if (!size)
        return ERROR_INVALID_PARAMETER;
    const DWORD room = *size;
    *size = static_cast<DWORD>(ansi.size());
    if (ansi.size() > room)
        return ERROR_MORE_DATA;
    if (!ansi.empty())
        std::memcpy(data, ansi.data(), ansi.size());
    return ERROR_SUCCESS;
}

// Hands a name out into a buffer of *length characters with its terminator; the buffer's
// length is left alone when the name does not fit.
LONG GiveName(const std::u16string& name, LPSTR out, LPDWORD length)
{
    const std::string text = Utf8(name);
    if (!out || !length)
        return ERROR_INVALID_PARAMETER;
    if (text.size() + 1 > *length)
        return ERROR_MORE_DATA;
    std::memcpy(out, text.c_str(), text.size() + 1);
    *length = static_cast<DWORD>(text.size());
    return ERROR_SUCCESS;
}

void DumpKey(const Key& key, const std::string& path, std::string& out)
{
    out += "[" + path + "]\n";
    for (const Value& value : key.values) {
        out += Utf8(value.name) + "=" + std::to_string(value.type) + ":";
        for (BYTE b : value.data)
            out += "0123456789abcdef"[b >> 4], out += "0123456789abcdef"[b & 15];
        out += "\n";
    }
    for (const auto& sub : key.subKeys)
        DumpKey(*sub.second, path + "\\" + Utf8(sub.second->name), out);
}

} // namespace

void Reset(bool sizeQueryReportsStored)
{
    g_roots.clear();
    g_handles.clear();
    g_reportStored = sizeQueryReportsStored;
}

void MakeKey(const std::string& path)
{
    Open where{HKEY_CURRENT_USER, {}};
    if (Split(path.c_str(), where.path))
        Find(where, true);
}

void Put(const std::string& path, const std::u16string& name, DWORD type, const std::vector<BYTE>& stored)
{
    Open where{HKEY_CURRENT_USER, {}};
    if (!Split(path.c_str(), where.path))
        return;
    Key* key = Find(where, true);
    const std::string utf8 = Utf8(name);
    if (Value* value = FindValue(*key, utf8.c_str())) {
        value->type = type;
        value->data = stored;
        return;
    }
    key->values.push_back(Value{name, type, stored});
}

std::vector<StoredValue> Values(const std::string& path)
{
    std::vector<StoredValue> values;
    Open where{HKEY_CURRENT_USER, {}};
    Key* key = Split(path.c_str(), where.path) ? Find(where, false) : nullptr;
    if (key)
        for (const Value& value : key->values)
            values.push_back(StoredValue{value.name, value.type, value.data});
    return values;
}

void Lengthen(HKEY handle, const char* name, const std::u16string& more)
{
    Key* key = KeyOf(handle);
    Value* value = key ? FindValue(*key, name) : nullptr;
    if (!value || !IsText(value->type))
        return;
    std::u16string units(value->data.size() / 2, u'\0');
    if (!units.empty())
        std::memcpy(&units[0], value->data.data(), units.size() * 2);
    const bool ended = !units.empty() && units.back() == u'\0';
    units.insert(ended ? units.size() - 1 : units.size(), more);
    value->data.assign(reinterpret_cast<const BYTE*>(units.data()),
                       reinterpret_cast<const BYTE*>(units.data()) + units.size() * 2);
}

std::u16string Utf16(const std::string& text)
{
    if (text.empty())
        return {};
    std::vector<wchar_t> wide(text.size());
    const int count = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                          static_cast<int>(wide.size()));
    return std::u16string(wide.begin(), wide.begin() + count);
}

std::string Utf8(const std::u16string& units)
{
    if (units.empty())
        return {};
    std::wstring wide(units.begin(), units.end());
    std::string text(units.size() * 3, '\0');
    const int count = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &text[0],
                                          static_cast<int>(text.size()), nullptr, nullptr);
    text.resize(static_cast<size_t>(count));
    return text;
}

std::vector<BYTE> AnsiData(DWORD type, const std::vector<BYTE>& stored)
{
    if (!IsText(type))
        return stored;
    std::u16string units(stored.size() / 2, u'\0');
    if (!units.empty())
        std::memcpy(&units[0], stored.data(), units.size() * 2);
    const std::string text = Utf8(units);
    return std::vector<BYTE>(text.begin(), text.end());
}

std::string Dump()
{
    std::string out;
    for (const auto& root : g_roots)
        DumpKey(root.second, std::to_string(reinterpret_cast<uintptr_t>(root.first)), out);
    return out;
}

int OpenHandles()
{
    return static_cast<int>(g_handles.size());
}

} // namespace fakereg

using namespace fakereg;

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM, PHKEY result)
{
    Open where;
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (!Where(key, where))
        return ERROR_INVALID_HANDLE;
    if (!Split(subKey, where.path) || !Find(where, false))
        return ERROR_FILE_NOT_FOUND;
    *result = reinterpret_cast<HKEY>(g_nextHandle += 8);
    g_handles[*result] = where;
    return ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY result,
                     LPDWORD disposition)
{
    Open where;
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (!Where(key, where))
        return ERROR_INVALID_HANDLE;
    if (!Split(subKey, where.path) || !KeyOf(key))
        return ERROR_INVALID_PARAMETER;
    for (const std::u16string& part : where.path)
        if (part.size() > 255)
            return ERROR_INVALID_PARAMETER;
    const bool existed = Find(where, false) != nullptr;
    Find(where, true);
    if (disposition)
        *disposition = existed ? 2 : 1;
    *result = reinterpret_cast<HKEY>(g_nextHandle += 8);
    g_handles[*result] = where;
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key)
{
    if (IsRoot(key))
        return ERROR_SUCCESS;
    return g_handles.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegQueryValueExA(HKEY handle, LPCSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size)
{
    Key* key = KeyOf(handle);
    if (!key)
        return ERROR_INVALID_HANDLE;
    const Value* value = FindValue(*key, name);
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    if (type)
        *type = value->type;
    return data || size ? GiveData(*value, data, size) : ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY handle, LPCSTR name, DWORD, DWORD type, const BYTE* data, DWORD size)
{
    Key* key = KeyOf(handle);
    if (!key)
        return ERROR_INVALID_HANDLE;
    if (!data && size)
        return 998;  // ERROR_NOACCESS
    std::vector<BYTE> stored(data, data + size);
    if (IsText(type)) {
        const std::u16string units = Utf16(std::string(stored.begin(), stored.end()));
        stored.assign(reinterpret_cast<const BYTE*>(units.data()),
                      reinterpret_cast<const BYTE*>(units.data()) + units.size() * 2);
    }
    if (Value* value = FindValue(*key, name)) {
        value->type = type;
        value->data = stored;
    } else {
        key->values.push_back(Value{Utf16(name ? name : ""), type, stored});
    }
    return ERROR_SUCCESS;
}

LONG RegEnumKeyExA(HKEY handle, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD, LPSTR, LPDWORD, PFILETIME)
{
    Key* key = KeyOf(handle);
    if (!key)
        return ERROR_INVALID_HANDLE;
    if (index >= key->subKeys.size())
        return ERROR_NO_MORE_ITEMS;
    auto it = key->subKeys.begin();
    std::advance(it, index);
    return GiveName(it->second->name, name, nameLength);
}

LONG RegEnumValueA(HKEY handle, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD, LPDWORD type, LPBYTE data,
                   LPDWORD size)
{
    Key* key = KeyOf(handle);
    if (!key)
        return ERROR_INVALID_HANDLE;
    if (index >= key->values.size())
        return ERROR_NO_MORE_ITEMS;
    const Value& value = key->values[index];
    const LONG named = GiveName(value.name, name, nameLength);
    if (type)
        *type = value.type;
    const LONG given = data || size ? GiveData(value, data, size) : ERROR_SUCCESS;
    return named != ERROR_SUCCESS ? named : given;
}

LONG RegQueryInfoKeyA(HKEY handle, LPSTR, LPDWORD classLength, LPDWORD, LPDWORD subKeys, LPDWORD longestSubKey,
                      LPDWORD longestClass, LPDWORD values, LPDWORD longestValueName, LPDWORD longestValueData,
                      LPDWORD securityDescriptor, PFILETIME)
{
    Key* key = KeyOf(handle);
    if (!key)
        return ERROR_INVALID_HANDLE;
    DWORD longestKey = 0, longestName = 0, longestData = 0;
    for (const auto& sub : key->subKeys)
        longestKey = std::max<DWORD>(longestKey, static_cast<DWORD>(sub.second->name.size()));
    for (const Value& value : key->values) {
        longestName = std::max<DWORD>(longestName, static_cast<DWORD>(value.name.size()));
        longestData = std::max<DWORD>(longestData, static_cast<DWORD>(value.data.size()));
    }
    for (LPDWORD zero : {classLength, longestClass, securityDescriptor})
        if (zero)
            *zero = 0;
    if (subKeys)
        *subKeys = static_cast<DWORD>(key->subKeys.size());
    if (longestSubKey)
        *longestSubKey = longestKey;
    if (values)
        *values = static_cast<DWORD>(key->values.size());
    if (longestValueName)
        *longestValueName = longestName;
    if (longestValueData)
        *longestValueData = longestData;
    return ERROR_SUCCESS;
}

LONG RegDeleteTreeA(HKEY handle, LPCSTR subKey)
{
    Open where;
    if (!Where(handle, where))
        return ERROR_INVALID_HANDLE;
    if (!Split(subKey, where.path))
        return ERROR_FILE_NOT_FOUND;
    Key* key = Find(where, false);
    if (!key)
        return ERROR_FILE_NOT_FOUND;
    if (where.path.empty() || !subKey || !*subKey) {
        key->values.clear();
        key->subKeys.clear();
        return ERROR_SUCCESS;
    }
    const std::u16string last = where.path.back();
    where.path.pop_back();
    Find(where, false)->subKeys.erase(Fold(last));
    return ERROR_SUCCESS;
}

LONG RegDeleteValueA(HKEY handle, LPCSTR name)
{
    Open where;
    if (!Where(handle, where))
        return ERROR_INVALID_HANDLE;
    Key* key = Find(where, false);
    if (!key)
        return ERROR_KEY_DELETED;
    const std::u16string wanted = Fold(fakereg::Utf16(name ? name : ""));
    for (auto value = key->values.begin(); value != key->values.end(); ++value) {
        if (Fold(value->name) == wanted) {
            key->values.erase(value);
            return ERROR_SUCCESS;
        }
    }
    return ERROR_FILE_NOT_FOUND;
}
