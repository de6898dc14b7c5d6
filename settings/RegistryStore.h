// RegistryStore: the settings in the registry below one predefined root (HKEY_CURRENT_USER unless
// told otherwise), read through RegistryRead.
#pragma once

#include <mutex>

#include "settings/SettingsStore.h"

class RegistryStore : public SettingsStore {
public:
    explicit RegistryStore(HKEY root = HKEY_CURRENT_USER) : m_root(root) {}
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;
    ~RegistryStore() override;

    LONG KeyExists(const char* path) override;
    LONG QueryValue(const char* path, const char* name, DWORD* type, std::vector<BYTE>& data,
                    DWORD maxBytes) override;
    LONG ListValues(const char* path, std::vector<StoredValue>& values, DWORD maxValues, bool withData) override;
    LONG ListKeys(const char* path, std::vector<NString>& names) override;
    // Every write opens (makes) and closes its key, but for the key HoldKey keeps open.
    LONG SetValue(const char* path, const char* name, DWORD type, const BYTE* data, DWORD size) override;
    LONG CreateKey(const char* path) override;
    LONG DeleteValue(const char* path, const char* name) override;
    LONG DeleteTree(const char* path) override;
    LONG HoldKey(const char* path) override;
    void ReleaseKey() override;

private:
    void ReleaseHeld();
    // op(key) on the key at path opened for writing (made when create): the held key, or one
    // opened and closed around op.
    template <typename Operation>
    LONG WithWriteKey(const char* path, bool create, Operation op);

    HKEY m_root;
    std::mutex m_lock;
    HKEY m_heldKey = nullptr;
    NString m_heldPath;
};
