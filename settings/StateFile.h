// StateFileStore: what a copy that keeps its settings in a settings file must not lose when it is
// killed, never a setting (the held-window records), in a state file beside the program that only
// this program writes ("Veilbox.held", see StateFileInUse): no editor or sync tool that saves the
// settings file over can take a record with it. The store holds the values of one key; it has no
// sub-keys, and no other key is there.
//
// A record only has to outlive the program, never the machine (after a power cut no window is
// left to bring back), so a change costs about what a registry write costs: one line appended to
// the file (see StateLines.h) through a handle kept open while the key is held, never flushed. It
// has reached the system when the call returns, so a kill at any moment after leaves it in the
// file; a kill during the write tears the last line at worst, which every read skips (and the
// next append starts a line of its own). While this copy holds the key, no other may write the
// file (it may read it): a second copy reads the records of the first and writes none.
// When the journal has grown to compactBytes and four times what it holds, a removal writes it
// anew: the values to "<file>.new", closed and moved over the file, so that a kill at any moment
// leaves the old journal or the new one whole.
//
// While the key is not held every read reads the file again, as the copy that holds it may have
// changed it. A file that cannot be read, made or written is told as a failed write of the
// settings file is (ReportSettingsWriteFailure), and the store answers the failure: the key is
// then not known whole.
#pragma once

#include <mutex>
#include <string>

#include "settings/SettingsStore.h"
#include "settings/StateLines.h"

// A journal shorter than this is never written anew.
constexpr ULONGLONG kStateCompactBytes = 64u << 10;

class StateFileStore : public SettingsStore {
public:
    // file: the state file's path; keyPath: the one key it holds. A file locked for a moment (a
    // virus scanner) is waited for briefly here.
    StateFileStore(std::wstring file, const char* keyPath, ULONGLONG compactBytes = kStateCompactBytes);
    StateFileStore(const StateFileStore&) = delete;
    StateFileStore& operator=(const StateFileStore&) = delete;
    ~StateFileStore() override;

    LONG KeyExists(const char* path) override;
    LONG QueryValue(const char* path, const char* name, DWORD* type, std::vector<BYTE>& data,
                    DWORD maxBytes) override;
    LONG ListValues(const char* path, std::vector<StoredValue>& values, DWORD maxValues, bool withData) override;
    // The key has no sub-keys.
    LONG ListKeys(const char* path, std::vector<NString>& names) override;
    LONG CreateKey(const char* path) override;
    // A value without a name is not kept (ERROR_INVALID_PARAMETER).
    LONG SetValue(const char* path, const char* name, DWORD type, const BYTE* data, DWORD size) override;
    LONG DeleteValue(const char* path, const char* name) override;
    // The file goes with the key (or a key above it).
    LONG DeleteTree(const char* path) override;
    // Opens (makes) the file for this copy alone to write, reading it whole through that handle.
    LONG HoldKey(const char* path) override;
    void ReleaseKey() override;

private:
    bool IsKey(const char* path) const;
    bool Held() const { return m_handle != INVALID_HANDLE_VALUE; }
    // Reads the file unless the key is held; the result of the read (ERROR_FILE_NOT_FOUND when
    // there is no file), a failure told.
    LONG Refresh();
    void Read();
    // Holds the file: made when create, read whole through the handle; a failure told.
    LONG Open(bool create);
    void Close();
    // Writes a change's line at the end of the held file; a failure releases it and is told.
    LONG Append(const std::string& line);
    void Compact();

    std::mutex m_lock;
    std::wstring m_file;
    std::string m_key;
    ULONGLONG m_compactBytes;
    HANDLE m_handle = INVALID_HANDLE_VALUE;
    // The file's values as last read, or as held.
    StateValues m_values;
    // The last read: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND or its failure.
    LONG m_read = ERROR_FILE_NOT_FOUND;
    // The held file's size, and whether it ends in a torn line.
    ULONGLONG m_size = 0;
    bool m_torn = false;
};
