#include "settings/RegistryStore.h"

#include "settings/RegistryRead.h"

namespace {

// Owns one key opened for reading and closes it when it goes.
class ReadKey {
public:
    ReadKey(HKEY root, const char* path) : m_result(RegOpenKeyExA(root, path, 0, KEY_READ, &m_key))
    {
        if (m_result != ERROR_SUCCESS)
            m_key = nullptr; // a failed open makes no promise about what it wrote
    }
    ReadKey(const ReadKey&) = delete;
    ReadKey& operator=(const ReadKey&) = delete;
    ~ReadKey()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    HKEY Get() const { return m_key; }
    LONG Result() const { return m_result; }

private:
    HKEY m_key = nullptr;
    LONG m_result;
};

} // namespace

RegistryStore::~RegistryStore()
{
    ReleaseHeld();
}

LONG RegistryStore::KeyExists(const char* path)
{
    return ReadKey(m_root, path).Result();
}

LONG RegistryStore::QueryValue(const char* path, const char* name, DWORD* type, std::vector<BYTE>& data,
                               DWORD maxBytes)
{
    const ReadKey key(m_root, path);
    if (!key.Get()) {
        WipeRegistryData(data);
        return key.Result();
    }
    return RegistryQueryValue(key.Get(), name, type, data, maxBytes);
}

LONG RegistryStore::ListValues(const char* path, std::vector<StoredValue>& values, DWORD maxValues, bool withData)
{
    values.clear();
    const ReadKey key(m_root, path);
    if (!key.Get())
        return key.Result();
    for (DWORD i = 0; i < maxValues; ++i) {
        StoredValue value;
        value.result = RegistryEnumValue(key.Get(), i, value.name, &value.type, nullptr);
        if (value.result == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (value.result != ERROR_SUCCESS && value.result != ERROR_MORE_DATA)
            return value.result;
        // The data is read by name: its size is then reported by the read that fills it.
        if (value.result == ERROR_SUCCESS && withData)
            value.result = RegistryQueryValue(key.Get(), value.name.Text(), &value.type, value.data);
        values.push_back(std::move(value));
    }
    return ERROR_MORE_DATA;
}

LONG RegistryStore::ListKeys(const char* path, std::vector<NString>& names)
{
    names.clear();
    const ReadKey key(m_root, path);
    if (!key.Get())
        return key.Result();
    for (DWORD i = 0;; ++i) {
        NString name;
        const LONG result = RegistryEnumKey(key.Get(), i, name);
        if (result == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (result == ERROR_SUCCESS)
            names.push_back(name);
        else if (result != ERROR_MORE_DATA)
            return result;
    }
}

void RegistryStore::ReleaseHeld()
{
    if (m_heldKey)
        RegCloseKey(m_heldKey);
    m_heldKey = nullptr;
    m_heldPath = NString();
}

LONG RegistryStore::HoldKey(const char* path)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    ReleaseHeld();
    HKEY key = nullptr;
    char emptyClass[] = "";
    const LONG result = RegCreateKeyExA(m_root, path, 0, emptyClass, REG_OPTION_NON_VOLATILE,
                                        KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &key, nullptr);
    if (result == ERROR_SUCCESS) {
        m_heldKey = key;
        m_heldPath = path;
    }
    return result;
}

void RegistryStore::ReleaseKey()
{
    const std::lock_guard<std::mutex> hold(m_lock);
    ReleaseHeld();
}

template <typename Operation>
LONG RegistryStore::WithWriteKey(const char* path, bool create, Operation op)
{
    if (m_heldKey && m_heldPath.EqualsNoCase(path)) {
        const LONG result = op(m_heldKey);
        if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
            ReleaseHeld();
        return result;
    }
    HKEY key = nullptr;
    char emptyClass[] = "";
    LONG result = create ? RegCreateKeyExA(m_root, path, 0, emptyClass, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                                           nullptr, &key, nullptr)
                         : RegOpenKeyExA(m_root, path, 0, KEY_SET_VALUE, &key);
    if (result != ERROR_SUCCESS)
        return result;
    result = op(key);
    RegCloseKey(key);
    return result;
}

LONG RegistryStore::SetValue(const char* path, const char* name, DWORD type, const BYTE* data, DWORD size)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    return WithWriteKey(path, true, [&](HKEY key) { return RegSetValueExA(key, name, 0, type, data, size); });
}

LONG RegistryStore::CreateKey(const char* path)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    return WithWriteKey(path, true, [](HKEY) { return LONG(ERROR_SUCCESS); });
}

LONG RegistryStore::DeleteValue(const char* path, const char* name)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    return WithWriteKey(path, false, [&](HKEY key) { return RegDeleteValueA(key, name); });
}

// The held key goes when it is the key deleted or lies below it.
LONG RegistryStore::DeleteTree(const char* path)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    if (m_heldKey && (m_heldPath.EqualsNoCase(path) || m_heldPath.StartsWithNoCase((NString(path) + "\\").Text())))
        ReleaseHeld();
    return RegDeleteTreeA(m_root, path);
}
