#include "settings/StateFile.h"

#include <cstring>

namespace {

// Largest file read, in bytes: a journal is written anew long before.
constexpr DWORD kStateMaxBytes = 16u << 20;
// Reads of a file that cannot be read when the store is made, and the wait before each again.
constexpr int kFirstReads = 4;
constexpr DWORD kFirstReadWaitMs = 100;

LONG Failure(DWORD error)
{
    return error != ERROR_SUCCESS ? static_cast<LONG>(error) : ERROR_INVALID_DATA;
}

// The whole of a file just opened: false when it cannot be read or is larger than kStateMaxBytes.
bool ReadFromStart(HANDLE file, std::string& text)
{
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!GetFileInformationByHandle(file, &information))
        return false;
    if (information.nFileSizeHigh != 0 || information.nFileSizeLow > kStateMaxBytes) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    text.assign(information.nFileSizeLow, '\0');
    size_t at = 0;
    while (at < text.size()) {
        DWORD read = 0;
        if (!ReadFile(file, &text[at], static_cast<DWORD>(text.size() - at), &read, nullptr) || read == 0)
            return false;
        at += read;
    }
    return true;
}

bool WriteAllBytes(HANDLE file, const std::string& text)
{
    size_t at = 0;
    while (at < text.size()) {
        DWORD written = 0;
        if (!WriteFile(file, text.data() + at, static_cast<DWORD>(text.size() - at), &written, nullptr) || written == 0)
            return false;
        at += written;
    }
    return true;
}

} // namespace

StateFileStore::StateFileStore(std::wstring file, const char* keyPath, ULONGLONG compactBytes)
    : m_file(std::move(file)), m_key(keyPath), m_compactBytes(compactBytes)
{
    for (int attempt = 0; attempt < kFirstReads; ++attempt) {
        if (attempt > 0)
            Sleep(kFirstReadWaitMs);
        Read();
        if (m_read == ERROR_SUCCESS || m_read == ERROR_FILE_NOT_FOUND)
            break;
    }
}

StateFileStore::~StateFileStore()
{
    Close();
}

bool StateFileStore::IsKey(const char* path) const
{
    return path && _stricmp(path, m_key.c_str()) == 0;
}

void StateFileStore::Read()
{
    const HANDLE file = CreateFileW(m_file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        m_read = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND : Failure(error);
        if (m_read == ERROR_FILE_NOT_FOUND)
            m_values.clear();
        return;
    }
    std::string text;
    m_read = ReadFromStart(file, text) ? ERROR_SUCCESS : Failure(GetLastError());
    CloseHandle(file);
    if (m_read == ERROR_SUCCESS)
        m_values = ReadStateText(text.data(), text.size());
}

LONG StateFileStore::Refresh()
{
    if (Held())
        return ERROR_SUCCESS;
    Read();
    if (m_read != ERROR_SUCCESS && m_read != ERROR_FILE_NOT_FOUND)
        ReportSettingsWriteFailure();
    return m_read;
}

// Others may read the file meanwhile, never write it. Reading it whole leaves the handle at its
// end, where the changes go.
LONG StateFileStore::Open(bool create)
{
    m_handle = CreateFileW(m_file.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    std::string text;
    if (!Held() || !ReadFromStart(m_handle, text)) {
        const DWORD error = GetLastError();
        Close();
        if (!create && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND))
            return ERROR_FILE_NOT_FOUND;
        ReportSettingsWriteFailure();
        return Failure(error);
    }
    m_values = ReadStateText(text.data(), text.size());
    m_read = ERROR_SUCCESS;
    m_size = text.size();
    m_torn = !text.empty() && text.back() != '\n';
    return ERROR_SUCCESS;
}

void StateFileStore::Close()
{
    if (Held())
        CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
}

LONG StateFileStore::Append(const std::string& line)
{
    const std::string text = m_torn ? "\n" + line : line;
    if (!WriteAllBytes(m_handle, text)) {
        const DWORD error = GetLastError();
        Close();
        ReportSettingsWriteFailure();
        return Failure(error);
    }
    m_torn = false;
    m_size += text.size();
    return ERROR_SUCCESS;
}

// A journal that could not be written anew stays as it was, and is held again either way.
void StateFileStore::Compact()
{
    const std::string text = StateText(m_values);
    if (m_size < m_compactBytes || m_size < 4 * static_cast<ULONGLONG>(text.size()))
        return;
    const std::wstring fresh = m_file + L".new";
    const HANDLE file = CreateFileW(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool written = file != INVALID_HANDLE_VALUE && WriteAllBytes(file, text);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    Close();
    if (!written || !MoveFileExW(fresh.c_str(), m_file.c_str(), MOVEFILE_REPLACE_EXISTING))
        DeleteFileW(fresh.c_str());
    Open(false);
}

LONG StateFileStore::KeyExists(const char* path)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    return IsKey(path) ? Refresh() : ERROR_FILE_NOT_FOUND;
}

LONG StateFileStore::QueryValue(const char* path, const char* name, DWORD* type, std::vector<BYTE>& data,
                                DWORD maxBytes)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    data.clear();
    if (type)
        *type = REG_NONE;
    const LONG read = IsKey(path) ? Refresh() : ERROR_FILE_NOT_FOUND;
    const StateValue* value = read == ERROR_SUCCESS ? FindStateValue(m_values, name ? name : "") : nullptr;
    if (!value)
        return read == ERROR_SUCCESS ? ERROR_FILE_NOT_FOUND : read;
    if (value->data.size() > maxBytes)
        return ERROR_MORE_DATA;
    data = value->data;
    if (type)
        *type = value->type;
    return ERROR_SUCCESS;
}

LONG StateFileStore::ListValues(const char* path, std::vector<StoredValue>& values, DWORD maxValues, bool withData)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    values.clear();
    const LONG read = IsKey(path) ? Refresh() : ERROR_FILE_NOT_FOUND;
    for (const StateValue& value : read == ERROR_SUCCESS ? m_values : StateValues()) {
        if (values.size() >= maxValues)
            return ERROR_MORE_DATA;
        StoredValue listed;
        listed.name = NString(value.name.c_str());
        listed.type = value.type;
        if (withData)
            listed.data = value.data;
        values.push_back(std::move(listed));
    }
    return read;
}

LONG StateFileStore::ListKeys(const char* path, std::vector<NString>& names)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    names.clear();
    return IsKey(path) ? Refresh() : ERROR_FILE_NOT_FOUND;
}

LONG StateFileStore::CreateKey(const char* path)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    if (!IsKey(path))
        return ERROR_ACCESS_DENIED;
    if (Held())
        return ERROR_SUCCESS;
    const LONG result = Open(true);
    Close();
    return result;
}

LONG StateFileStore::SetValue(const char* path, const char* name, DWORD type, const BYTE* data, DWORD size)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    if (!IsKey(path))
        return ERROR_ACCESS_DENIED;
    if (!name || !*name)
        return ERROR_INVALID_PARAMETER;
    StateValue value{name, type, std::vector<BYTE>(data, data + (data ? size : 0))};
    const bool held = Held();
    LONG result = held ? ERROR_SUCCESS : Open(true);
    if (result == ERROR_SUCCESS)
        result = Append(StateSetLine(value));
    if (result == ERROR_SUCCESS)
        SetStateValue(m_values, std::move(value));
    if (!held)
        Close();
    return result;
}

LONG StateFileStore::DeleteValue(const char* path, const char* name)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    if (!IsKey(path))
        return ERROR_FILE_NOT_FOUND;
    const std::string wanted = name ? name : "";
    const bool held = Held();
    LONG result = held ? ERROR_SUCCESS : Open(false);
    if (result == ERROR_SUCCESS && !FindStateValue(m_values, wanted))
        result = ERROR_FILE_NOT_FOUND;
    if (result == ERROR_SUCCESS)
        result = Append(StateDeleteLine(wanted));
    if (result == ERROR_SUCCESS) {
        RemoveStateValue(m_values, wanted);
        Compact();
    }
    if (!held)
        Close();
    return result;
}

LONG StateFileStore::DeleteTree(const char* path)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    const size_t length = path ? std::strlen(path) : 0;
    const bool above = length < m_key.size() && m_key[length] == '\\' && _strnicmp(path, m_key.c_str(), length) == 0;
    if (!IsKey(path) && !above)
        return ERROR_FILE_NOT_FOUND;
    Close();
    DeleteFileW((m_file + L".new").c_str());
    if (!DeleteFileW(m_file.c_str())) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND : Failure(error);
    }
    m_values.clear();
    m_read = ERROR_FILE_NOT_FOUND;
    return ERROR_SUCCESS;
}

LONG StateFileStore::HoldKey(const char* path)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    if (!IsKey(path))
        return ERROR_ACCESS_DENIED;
    return Held() ? ERROR_SUCCESS : Open(true);
}

void StateFileStore::ReleaseKey()
{
    const std::lock_guard<std::mutex> hold(m_lock);
    Close();
}
