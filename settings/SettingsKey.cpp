#include "settings/SettingsKey.h"

#include <cstring>
#include <vector>

#include "settings/RegistryRead.h"
#include "settings/RegistryStore.h"
#include "settings/SettingsStore.h"

namespace {

// Longest text WriteText stores, in characters before the terminator.
constexpr std::size_t kMaxWrittenText = 0x10000;

bool IsPredefinedRoot(HKEY root)
{
    return root == HKEY_CLASSES_ROOT || root == HKEY_CURRENT_USER || root == HKEY_LOCAL_MACHINE ||
           root == HKEY_USERS;
}

// Another root than the user's is always the registry's; the user's is the store in use.
template <typename Operation>
LONG WithStore(HKEY root, Operation operation)
{
    if (root == HKEY_CURRENT_USER)
        return operation(ActiveSettings());
    RegistryStore registry(root);
    return operation(registry);
}

}  // namespace

SettingsKey::SettingsKey(HKEY root, const char* path)
{
    Init(root, path);
}

SettingsKey::SettingsKey(const SettingsKey& parent, const char* name)
{
    if (!name) {
        Init(parent.m_root, parent.m_path.Text());
    } else if (parent.m_path.IsEmpty()) {
        // A key without a path is invalid; its sub-keys must not turn into
        // keys directly below the root.
        Init(parent.m_root, nullptr);
    } else {
        Init(parent.m_root, (parent.m_path + "\\" + name).Text());
    }
}

void SettingsKey::Init(HKEY root, const char* path)
{
    m_root = root;
    m_path = path;
    m_lastError = ERROR_PATH_NOT_FOUND;
    m_path.Trim("\\");
    // A path of nothing but backslashes would name the root itself, and
    // writes would land directly in it: such a key stays invalid.
    if (IsPredefinedRoot(root) && !m_path.IsEmpty()) {
        m_lastError = ERROR_SUCCESS;
    }
}

bool SettingsKey::IsUsable()
{
    if (IsPredefinedRoot(m_root) && !m_path.IsEmpty()) {
        return true;
    }
    m_lastError = ERROR_PATH_NOT_FOUND;
    return false;
}

bool SettingsKey::ValueExists(const char* name)
{
    if (!name || !IsUsable())
        return false;
    std::vector<BYTE> data;
    m_lastError = WithStore(m_root, [&](SettingsStore& store) {
        return store.QueryValue(m_path.Text(), name, nullptr, data, 0);
    });
    WipeRegistryData(data);
    if (m_lastError == ERROR_MORE_DATA)
        m_lastError = ERROR_SUCCESS;
    return m_lastError == ERROR_SUCCESS;
}

bool SettingsKey::Query(const char* name, DWORD* type, std::vector<BYTE>& data, DWORD maxBytes)
{
    if (!name || !IsUsable())
        return false;
    m_lastError = WithStore(m_root, [&](SettingsStore& store) {
        return store.QueryValue(m_path.Text(), name, type, data, maxBytes);
    });
    return true;
}

bool SettingsKey::ReadInt(const char* name, int32_t& value)
{
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    if (!Query(name, &type, data, sizeof(DWORD)))
        return false;
    const bool isNumber = type == REG_DWORD && data.size() == sizeof(DWORD);
    if (m_lastError == ERROR_MORE_DATA || (m_lastError == ERROR_SUCCESS && !isNumber)) {
        m_lastError = ERROR_BADKEY;
    }
    if (m_lastError == ERROR_SUCCESS) {
        DWORD number = 0;
        std::memcpy(&number, data.data(), sizeof number);
        value = static_cast<int32_t>(number);
    }
    return m_lastError == ERROR_SUCCESS;
}

bool SettingsKey::ReadText(const char* name, NString& text)
{
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    if (!Query(name, &type, data, kRegistryMaxDataBytes))
        return false;
    if (m_lastError == ERROR_SUCCESS && type != REG_SZ) {
        m_lastError = ERROR_BADKEY;
    }
    if (m_lastError == ERROR_SUCCESS) {
        // The stored data need not end in a zero: take no more than the size this read filled.
        const char* stored = reinterpret_cast<const char*>(data.data());
        text = data.empty() ? NString("") : NString(stored, static_cast<uint32_t>(data.size()));
    }
    // The value may be a secret (the restore password): no copy is left behind.
    WipeRegistryData(data);
    return m_lastError == ERROR_SUCCESS;
}

// A key deleted by another hand since the store last wrote to it is made again.
bool SettingsKey::Write(const char* name, DWORD type, const BYTE* data, DWORD size)
{
    if (!name || !IsUsable())
        return false;
    for (int attempt = 0; attempt < 2; ++attempt) {
        m_lastError = WithStore(m_root, [&](SettingsStore& store) {
            return store.SetValue(m_path.Text(), name, type, data, size);
        });
        if (m_lastError != ERROR_KEY_DELETED)
            break;
    }
    return m_lastError == ERROR_SUCCESS;
}

bool SettingsKey::WriteInt(const char* name, int32_t value)
{
    const DWORD data = static_cast<DWORD>(value);
    return Write(name, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
}

bool SettingsKey::WriteText(const char* name, const char* text)
{
    if (!name || !text) {
        return false;
    }
    // Longer text is cut, and the stored copy still ends in a zero.
    const NString stored(text, static_cast<uint32_t>(kMaxWrittenText));
    return Write(name, REG_SZ, reinterpret_cast<const BYTE*>(stored.Text()), stored.Length() + 1);
}
