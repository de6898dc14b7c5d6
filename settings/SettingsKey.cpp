#include "settings/SettingsKey.h"

#include <cstring>
#include <vector>

#include "settings/RegistryRead.h"

namespace {

// Longest text WriteText stores, in characters before the terminator.
constexpr std::size_t kMaxWrittenText = 0x10000;

bool IsPredefinedRoot(HKEY root)
{
    return root == HKEY_CLASSES_ROOT || root == HKEY_CURRENT_USER || root == HKEY_LOCAL_MACHINE ||
           root == HKEY_USERS;
}

// Owns one open registry key and closes it when it goes.
class OpenKey {
public:
    OpenKey() = default;
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    ~OpenKey()
    {
        if (m_key) {
            RegCloseKey(m_key);
        }
    }
    HKEY* Receive() { return &m_key; }
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

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
    OpenKey key;
    if (!name || !OpenForRead(key.Receive())) {
        return false;
    }
    m_lastError = RegQueryValueExA(key.Get(), name, nullptr, nullptr, nullptr, nullptr);
    return m_lastError == ERROR_SUCCESS;
}

bool SettingsKey::ReadInt(const char* name, int32_t& value)
{
    OpenKey key;
    if (!name || !OpenForRead(key.Receive())) {
        return false;
    }
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    m_lastError = RegistryQueryValue(key.Get(), name, &type, data, sizeof(DWORD));
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
    OpenKey key;
    if (!name || !OpenForRead(key.Receive())) {
        return false;
    }
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    m_lastError = RegistryQueryValue(key.Get(), name, &type, data);
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

bool SettingsKey::WriteInt(const char* name, int32_t value)
{
    OpenKey key;
    if (!name || !OpenForWrite(key.Receive())) {
        return false;
    }
    const DWORD data = static_cast<DWORD>(value);
    m_lastError = RegSetValueExA(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                                 sizeof(data));
    return m_lastError == ERROR_SUCCESS;
}

bool SettingsKey::WriteText(const char* name, const char* text)
{
    if (!name || !text) {
        return false;
    }
    OpenKey key;
    if (!OpenForWrite(key.Receive())) {
        return false;
    }
    // Longer text is cut, and the stored copy still ends in a zero.
    const NString stored(text, static_cast<uint32_t>(kMaxWrittenText));
    m_lastError = RegSetValueExA(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(stored.Text()),
                                 stored.Length() + 1);
    return m_lastError == ERROR_SUCCESS;
}

bool SettingsKey::OpenForRead(HKEY* key)
{
    if (!IsUsable()) {
        return false;
    }
    m_lastError = RegOpenKeyExA(m_root, m_path.Text(), 0, KEY_READ, key);
    return m_lastError == ERROR_SUCCESS;
}

bool SettingsKey::OpenForWrite(HKEY* key)
{
    if (!IsUsable()) {
        return false;
    }
    char emptyClass[] = "";
    m_lastError = RegCreateKeyExA(m_root, m_path.Text(), 0, emptyClass, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, key, nullptr);
    return m_lastError == ERROR_SUCCESS;
}
