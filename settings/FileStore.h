// FileStore: the settings in a text file (see IniText.h), for a copy of the program that is
// carried in its folder.
//
// The file is read once when the store is made and again only when another hand changed it (its
// size or time of last write differ from those this store last saw, asked of the file system
// before each operation; nothing is polled while the program idles). The store then answers from
// memory. Each change is made in memory and written at once (or at the end of a batch): the whole
// text goes to a temporary file beside the settings file, is flushed, and replaces the file with
// MoveFileExW(MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH), so that a kill or a full disk
// leaves the old file whole. While a write has failed, memory holds changes the file lacks: it is
// not read again until a write succeeds (the user's last changes win over the file's).
#pragma once

#include <mutex>
#include <string>

#include "settings/IniText.h"
#include "settings/SettingsStore.h"

// Largest file read, in bytes; the rest of a larger file is ignored.
constexpr DWORD kSettingsFileMaxBytes = 16u << 20;

class FileStore : public SettingsStore {
public:
    // file: the settings file's path; rootPath: the program key it stands for.
    FileStore(std::wstring file, const char* rootPath);

    LONG KeyExists(const char* path) override;
    LONG QueryValue(const char* path, const char* name, DWORD* type, std::vector<BYTE>& data,
                    DWORD maxBytes) override;
    LONG ListValues(const char* path, std::vector<StoredValue>& values, DWORD maxValues, bool withData) override;
    LONG ListKeys(const char* path, std::vector<NString>& names) override;
    // Succeed once the change is in memory, whether or not the file could be written.
    LONG SetValue(const char* path, const char* name, DWORD type, const BYTE* data, DWORD size) override;
    LONG CreateKey(const char* path) override;
    LONG DeleteValue(const char* path, const char* name) override;
    LONG DeleteTree(const char* path) override;
    LONG HoldKey(const char* path) override;
    void ReleaseKey() override;
    void BeginBatch() override;
    void EndBatch() override;
    bool IsFile() const override { return true; }

    // True while the file lacks changes that memory holds (the last write failed).
    bool Unsaved();

private:
    struct Stamp {
        bool present = false;
        ULONGLONG size = 0;
        FILETIME written = {};
        bool operator==(const Stamp& other) const;
    };
    Stamp CurrentStamp() const;
    // Reads the file again when another hand changed it.
    void Refresh();
    void Load();
    // Writes the file after a change, or marks it for the end of the batch.
    void Changed();
    bool Save();
    // True (and the hold ends) when path is the held key and it went since it was held.
    bool HeldKeyWent(const char* path);
    // The key at path, made (without writing) when missing.
    IniKey& MakeKey(const char* path);

    std::mutex m_lock;
    std::wstring m_file;
    std::string m_root;
    IniDocument m_document;
    Stamp m_seen;
    int m_batchDepth = 0;
    bool m_pending = false;
    bool m_unsaved = false;
    bool m_holding = false;
    std::string m_heldPath;
};
