// SettingsStore: where the program's settings live, chosen once at start. Beneath SettingsKey and
// the path functions below lie two stores: the registry (HKEY_CURRENT_USER) and a settings file
// beside the program (see IniText.h for its text). No caller knows which one it uses. A copy with
// a settings file keeps its held-window records in a third, the state file beside it (see
// StateFile.h), which its one user names itself.
//
// Paths name keys below HKEY_CURRENT_USER without backslashes at either end. Every function
// returns what the registry would: ERROR_SUCCESS, ERROR_FILE_NOT_FOUND for a key or value that is
// not there, ERROR_MORE_DATA for data over maxBytes, and so on.
//
// The file store answers from memory and writes the whole file again after each change (or once
// at the end of a SettingsBatch), replacing it atomically: a copy killed at any moment leaves the
// old file or the new one whole. A write that fails (a read-only folder, a locked file, a full
// disk) leaves its change in memory: the store answers it still and writes it with the next
// change, and the failure is reported once (see SetSettingsFailureNotice), never inside the write.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "text/NString.h"

// One value of a key, as ListValues reads it: result is ERROR_SUCCESS or the failure of its read
// (ERROR_MORE_DATA for a name too long to read, whose name is then empty).
struct StoredValue {
    NString name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    LONG result = ERROR_SUCCESS;
};

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // ERROR_SUCCESS when the key is there.
    virtual LONG KeyExists(const char* path) = 0;
    virtual LONG QueryValue(const char* path, const char* name, DWORD* type, std::vector<BYTE>& data,
                            DWORD maxBytes) = 0;
    // The key's values in the store's order, at most maxValues (ERROR_MORE_DATA when there are
    // more); without data, only names and types. Any failure but a name too long ends the list
    // and is returned.
    virtual LONG ListValues(const char* path, std::vector<StoredValue>& values, DWORD maxValues, bool withData) = 0;
    // The names of the key's sub-keys (a name too long to read is left out).
    virtual LONG ListKeys(const char* path, std::vector<NString>& names) = 0;
    // Creates the key and the keys along its path as needed.
    virtual LONG CreateKey(const char* path) = 0;
    // Creates the key and the keys along its path as needed.
    virtual LONG SetValue(const char* path, const char* name, DWORD type, const BYTE* data, DWORD size) = 0;
    virtual LONG DeleteValue(const char* path, const char* name) = 0;
    // Deletes the key with all its values and sub-keys.
    virtual LONG DeleteTree(const char* path) = 0;
    // Keeps the key at path (made when missing) open for writing until ReleaseKey, so that
    // writes to it cost one request each. A write or removal of a value there that finds the key
    // deleted since by another hand (or a reread of the file without it) fails with
    // ERROR_KEY_DELETED and releases the key; so does this store's own deletion of it.
    virtual LONG HoldKey(const char* path) = 0;
    virtual void ReleaseKey() = 0;

    // Changes made between Begin and the matching End are written together at the End.
    virtual void BeginBatch() {}
    virtual void EndBatch() {}
    // True for the settings file.
    virtual bool IsFile() const { return false; }
};

// The store in use: the registry unless UseSettingsFile chose a file.
SettingsStore& ActiveSettings();

// The settings file beside the running program, when there is one: chosen once at start, before
// any setting is read. programKeyPath is the key the file stands for. True for the file, which
// also names the state file beside it (see StateFileInUse).
bool ChooseSettingsStore(const char* programKeyPath);
// The state file beside the program ("Veilbox.held", see StateFile.h) that holds what a copy with
// a settings file must not lose when it is killed; empty while the settings are in the registry.
const std::wstring& StateFileInUse();
// The path of the file beside the program: the folder of GetModuleFileNameW plus fileName.
std::wstring FileBesideProgram(const wchar_t* fileName);
// Makes store the one in use (a test's choice, or the file's); null returns to the registry.
void UseSettingsStore(std::unique_ptr<SettingsStore> store);
// True while a settings file is in use.
bool SettingsInFile();

// The first failed write of the file posts message to window (at once, or when the window is
// named, if it failed before); later failures post nothing.
void SetSettingsFailureNotice(HWND window, UINT message);
void ReportSettingsWriteFailure();

// Groups the changes of a scope into one write of the file.
class SettingsBatch {
public:
    explicit SettingsBatch(SettingsStore& store = ActiveSettings()) : m_store(store) { m_store.BeginBatch(); }
    ~SettingsBatch() { m_store.EndBatch(); }
    SettingsBatch(const SettingsBatch&) = delete;
    SettingsBatch& operator=(const SettingsBatch&) = delete;

private:
    SettingsStore& m_store;
};
