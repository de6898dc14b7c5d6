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
    // Within a batch the key last written is kept open, so that writes in a row to one key (the
    // held records) cost one request each; it is closed at the batch's end. A write through it
    // that fails (the key deleted meanwhile) closes it and returns the failure; the next write
    // opens (makes) the key again. Outside a batch every write opens and closes its key.
    LONG SetValue(const char* path, const char* name, DWORD type, const BYTE* data, DWORD size) override;
    LONG CreateKey(const char* path) override;
    LONG DeleteValue(const char* path, const char* name) override;
    LONG DeleteTree(const char* path) override;
    void BeginBatch() override;
    void EndBatch() override;

private:
    // The kept key for path, opened (made) as needed; null on failure with *result set.
    HKEY WriteKey(const char* path, LONG* result);
    void CloseWriteKey();

    HKEY m_root;
    std::mutex m_lock;
    HKEY m_writeKey = nullptr;
    NString m_writePath;
    int m_batchDepth = 0;
};
