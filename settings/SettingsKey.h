// SettingsKey: names one registry key (a predefined root and a path below it)
// and reads and writes typed values in it. Keys below HKEY_CURRENT_USER live
// in the settings store in use (see SettingsStore.h: the registry, or the
// settings file beside the program); other roots are always the registry's.
//
// The key holds no open handle of its own, so a value written is in the store
// when the call returns. Defaults live with the caller: a read that fails leaves the
// caller's variable untouched. Every operation returns true exactly when
// LastError() is 0 afterwards; a null value name returns false at once
// without touching the registry or LastError().
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "text/NString.h"

// The program key's sub-key for the user interface's settings, written by the User Interface
// options and the Hidden Windows dialogs.
constexpr char kInterfaceKey[] = "Interface";

class SettingsKey {
public:
    // Valid (LastError() 0) when root is HKEY_CLASSES_ROOT, HKEY_CURRENT_USER,
    // HKEY_LOCAL_MACHINE or HKEY_USERS and path, with the backslashes at both
    // ends dropped, is not empty. Otherwise LastError() is
    // ERROR_PATH_NOT_FOUND (3), and every operation on the key fails with
    // that error without reaching the registry.
    SettingsKey(HKEY root, const char* path);
    // The parent's root with the path parent\name (a null name: the parent's
    // own path), validated as above. A sub-key of a key without a path is
    // invalid too.
    SettingsKey(const SettingsKey& parent, const char* name);
    SettingsKey(const SettingsKey& other) = default;
    SettingsKey& operator=(const SettingsKey& other) = default;

    HKEY Root() const { return m_root; }
    const NString& Path() const { return m_path; }
    LONG LastError() const { return m_lastError; }

    // True for a value of any type.
    bool ValueExists(const char* name);
    // Reads a REG_DWORD of 4 bytes into value; any other type or size fails
    // with ERROR_BADKEY (1010) and leaves value unchanged.
    bool ReadInt(const char* name, int32_t& value);
    // Reads a REG_SZ into text (up to its first zero, never beyond the size
    // read); any other type fails with ERROR_BADKEY and leaves text unchanged.
    // The read grows its buffer as the registry asks (texts come back longer
    // than stored under the UTF-8 code page); a text over
    // kRegistryMaxDataBytes fails with ERROR_MORE_DATA.
    bool ReadText(const char* name, NString& text);
    // Writes a REG_DWORD, creating missing keys along the path.
    bool WriteInt(const char* name, int32_t value);
    // Writes a REG_SZ of at most 65,536 characters plus the terminator,
    // creating missing keys along the path. Null text returns false.
    bool WriteText(const char* name, const char* text);

private:
    void Init(HKEY root, const char* path);
    // False (LastError() ERROR_PATH_NOT_FOUND) for a key that failed
    // validation, so that it never reaches the store.
    bool IsUsable();
    // Reads the value through the store into data; the store's answer becomes
    // LastError(). False only for a null name or an unusable key.
    bool Query(const char* name, DWORD* type, std::vector<BYTE>& data, DWORD maxBytes);
    bool Write(const char* name, DWORD type, const BYTE* data, DWORD size);

    HKEY m_root = nullptr;
    NString m_path;
    LONG m_lastError = ERROR_PATH_NOT_FOUND;
};
