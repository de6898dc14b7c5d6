// FileStore: the settings in a text file (see IniText.h), for a copy of the program that is
// carried in its folder.
//
// The file is read once when the store is made and again only when another hand changed it (its
// size or time of last write differ from those this store last saw, asked of the file system
// before each operation; nothing is polled while the program idles). The store then answers from
// memory. Each change is made in memory and written at once (or at the end of a batch) into the
// lines the file was read as, so that every line the change does not touch stays as it was (see
// WriteIni); a file that went is made anew. The whole text replaces the file atomically (see
// SettingsFile.h), so that a kill or a full disk leaves the old file whole. While a write has failed, memory holds changes the file lacks, and a journal
// of them in their order. When another hand changed the file meanwhile, it is read again (on the
// store's next use, as any change by another hand is) and, once it reads whole, the journal is
// made again on what was read and the file is written: the other hand's changes stay, and this
// copy's made since win over them.
//
// A file is only ever replaced by a text made from a whole read of it: one that cannot be read
// whole (locked, failing, larger than kSettingsFileMaxBytes, changing under the read) is not
// written until it is read; one that cannot be read at start is neither read nor written for the
// rest of the run. Its changes are then kept in memory only, and the failure is told as a failed
// write is.
#pragma once

#include <mutex>
#include <string>

#include "settings/IniText.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsStore.h"

// Largest file read, in bytes: a larger one is not read (and so never replaced).
constexpr ULONGLONG kSettingsFileMaxBytes = 16u << 20;

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
    // One change of memory, kept in the journal until the file holds it.
    struct Change {
        enum class Kind { CreateKey, Set, DeleteValue, DeleteTree } kind;
        std::string path;
        IniValue value;
    };

    // Makes the change in memory; false when it changed nothing (a value or key not there).
    bool Apply(const Change& change);
    // Makes the change, keeps it in the journal and writes it (see Changed).
    LONG Make(Change change);
    // Writes the file and empties the journal once it holds everything; tells of a failure.
    void WriteOut();
    // Reads the file again when another hand changed it.
    void Refresh();
    void Load();
    // Writes the file after a change, or marks it for the end of the batch.
    void Changed();
    bool Save();
    // True (and the hold ends) when path is the held key and it went since it was held.
    bool HeldKeyWent(const char* path);
    // True when the key at path has a section of its own or below it.
    bool HasKey(const char* path) const;
    // The key at path, made (without writing) when missing.
    IniKey& MakeKey(const char* path);

    std::mutex m_lock;
    std::wstring m_file;
    std::string m_root;
    IniDocument m_document;
    // The file's lines as last read or written, which the next write keeps.
    IniLines m_lines;
    FileStamp m_seen;
    int m_batchDepth = 0;
    bool m_pending = false;
    bool m_unsaved = false;
    // The changes made since the file last held everything, in their order.
    std::vector<Change> m_journal;
    // The file is there but its text could not be read whole: it is not written.
    bool m_unread = false;
    // It could not be read at start: it is neither read nor written again.
    bool m_abandoned = false;
    bool m_holding = false;
    std::string m_heldPath;
};
