#include "settings/FileStore.h"

#include <algorithm>

namespace {

// Owns one file handle.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : m_handle(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle()
    {
        if (Valid())
            CloseHandle(m_handle);
    }
    bool Valid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

bool IsBelow(const std::string& path, const std::string& parent)
{
    return path.size() > parent.size() && path[parent.size()] == '\\' &&
           SameIniName(path.substr(0, parent.size()), parent);
}

bool WriteAll(HANDLE file, const std::string& text)
{
    size_t at = 0;
    while (at < text.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size() - at, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file, text.data() + at, chunk, &written, nullptr) || written == 0)
            return false;
        at += written;
    }
    return true;
}

} // namespace

bool FileStore::Stamp::operator==(const Stamp& other) const
{
    return present == other.present && size == other.size && CompareFileTime(&written, &other.written) == 0;
}

FileStore::FileStore(std::wstring file, const char* rootPath) : m_file(std::move(file)), m_root(rootPath)
{
    Load();
}

FileStore::Stamp FileStore::CurrentStamp() const
{
    Stamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (GetFileAttributesExW(m_file.c_str(), GetFileExInfoStandard, &data)) {
        stamp.present = true;
        stamp.size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        stamp.written = data.ftLastWriteTime;
    }
    return stamp;
}

// A file that cannot be opened (locked, or gone between the two calls) is tried again at the
// next operation; memory answers meanwhile.
void FileStore::Load()
{
    const Stamp stamp = CurrentStamp();
    const FileHandle file(CreateFileW(m_file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        if (!stamp.present)
            m_seen = stamp;
        return;
    }
    std::string text(static_cast<size_t>(std::min<ULONGLONG>(stamp.size, kSettingsFileMaxBytes)), '\0');
    DWORD read = 0;
    if (!text.empty() && !ReadFile(file.Get(), &text[0], static_cast<DWORD>(text.size()), &read, nullptr))
        return;
    text.resize(read);
    m_document = ParseIni(text.data(), text.size(), m_root);
    m_seen = stamp;
}

// Within a batch the file was asked once, at its start.
void FileStore::Refresh()
{
    if (m_unsaved || m_pending || m_batchDepth > 0)
        return;
    if (!(CurrentStamp() == m_seen))
        Load();
}

// A file the user made read-only is not replaced, wherever the system would let a move replace it.
bool FileStore::Save()
{
    const DWORD attributes = GetFileAttributesW(m_file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return false;
    const std::string text = FormatIni(m_document, m_root);
    const std::wstring temp = m_file + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    bool written = false;
    // The move keeps the size and time of last write: the stamp of the written file is that of
    // the temporary one.
    BY_HANDLE_FILE_INFORMATION information = {};
    {
        const FileHandle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        written = file.Valid() && WriteAll(file.Get(), text) && FlushFileBuffers(file.Get()) &&
                  GetFileInformationByHandle(file.Get(), &information);
    }
    written = written && MoveFileExW(temp.c_str(), m_file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!written) {
        DeleteFileW(temp.c_str());
        return false;
    }
    m_seen.present = true;
    m_seen.size = (static_cast<ULONGLONG>(information.nFileSizeHigh) << 32) | information.nFileSizeLow;
    m_seen.written = information.ftLastWriteTime;
    return true;
}

void FileStore::Changed()
{
    m_pending = true;
    if (m_batchDepth > 0)
        return;
    m_pending = false;
    m_unsaved = !Save();
    if (m_unsaved)
        ReportSettingsWriteFailure();
}

void FileStore::BeginBatch()
{
    const std::lock_guard<std::mutex> hold(m_lock);
    Refresh();
    ++m_batchDepth;
}

void FileStore::EndBatch()
{
    const std::lock_guard<std::mutex> hold(m_lock);
    if (m_batchDepth > 0 && --m_batchDepth == 0 && m_pending)
        Changed();
}

bool FileStore::Unsaved()
{
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_unsaved;
}

LONG FileStore::KeyExists(const char* path)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    Refresh();
    for (const IniKey& key : m_document)
        if (SameIniName(key.path, path) || IsBelow(key.path, path))
            return ERROR_SUCCESS;
    return ERROR_FILE_NOT_FOUND;
}

LONG FileStore::QueryValue(const char* path, const char* name, DWORD* type, std::vector<BYTE>& data, DWORD maxBytes)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    Refresh();
    data.clear();
    if (type)
        *type = REG_NONE;
    const IniKey* key = FindIniKey(m_document, path);
    const std::string wanted = name ? name : "";
    for (const IniValue& value : key ? key->values : std::vector<IniValue>()) {
        if (!SameIniName(value.name, wanted))
            continue;
        if (value.data.size() > maxBytes)
            return ERROR_MORE_DATA;
        data = value.data;
        if (type)
            *type = value.type;
        return ERROR_SUCCESS;
    }
    return ERROR_FILE_NOT_FOUND;
}

LONG FileStore::ListValues(const char* path, std::vector<StoredValue>& values, DWORD maxValues, bool withData)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    Refresh();
    values.clear();
    const IniKey* key = FindIniKey(m_document, path);
    if (!key)
        return ERROR_FILE_NOT_FOUND;
    for (const IniValue& value : key->values) {
        if (values.size() >= maxValues)
            return ERROR_MORE_DATA;
        StoredValue listed;
        listed.name = NString(value.name.c_str());
        listed.type = value.type;
        if (withData)
            listed.data = value.data;
        values.push_back(std::move(listed));
    }
    return ERROR_SUCCESS;
}

// Sub-keys in the order of their names, each once, as the registry lists them.
LONG FileStore::ListKeys(const char* path, std::vector<NString>& names)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    Refresh();
    names.clear();
    const std::string parent = path;
    std::vector<std::string> found;
    bool exists = false;
    for (const IniKey& key : m_document) {
        exists = exists || SameIniName(key.path, parent) || IsBelow(key.path, parent);
        if (!IsBelow(key.path, parent))
            continue;
        const std::string rest = key.path.substr(parent.size() + 1);
        const std::string child = rest.substr(0, rest.find('\\'));
        if (std::none_of(found.begin(), found.end(), [&](const std::string& name) { return SameIniName(name, child); }))
            found.push_back(child);
    }
    std::sort(found.begin(), found.end(), [](const std::string& a, const std::string& b) { return _stricmp(a.c_str(), b.c_str()) < 0; });
    for (const std::string& name : found)
        names.push_back(NString(name.c_str()));
    return exists ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

IniKey& FileStore::MakeKey(const char* path)
{
    IniKey* key = FindIniKey(m_document, path);
    if (key)
        return *key;
    m_document.push_back({path, {}});
    return m_document.back();
}

LONG FileStore::CreateKey(const char* path)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    Refresh();
    if (FindIniKey(m_document, path))
        return ERROR_SUCCESS;
    MakeKey(path);
    Changed();
    return ERROR_SUCCESS;
}

LONG FileStore::HoldKey(const char* path)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    Refresh();
    if (!FindIniKey(m_document, path)) {
        MakeKey(path);
        Changed();
    }
    m_holding = true;
    m_heldPath = path;
    return ERROR_SUCCESS;
}

void FileStore::ReleaseKey()
{
    const std::lock_guard<std::mutex> hold(m_lock);
    m_holding = false;
}

bool FileStore::HeldKeyWent(const char* path)
{
    if (!m_holding || !SameIniName(m_heldPath, path) || FindIniKey(m_document, path))
        return false;
    m_holding = false;
    return true;
}

LONG FileStore::SetValue(const char* path, const char* name, DWORD type, const BYTE* data, DWORD size)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    Refresh();
    if (HeldKeyWent(path))
        return ERROR_KEY_DELETED;
    IniKey* key = &MakeKey(path);
    IniValue value{name ? name : "", type, std::vector<BYTE>(data, data + (data ? size : 0))};
    SetIniValue(*key, std::move(value));
    Changed();
    return ERROR_SUCCESS;
}

LONG FileStore::DeleteValue(const char* path, const char* name)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    Refresh();
    if (HeldKeyWent(path))
        return ERROR_KEY_DELETED;
    IniKey* key = FindIniKey(m_document, path);
    if (!key)
        return ERROR_FILE_NOT_FOUND;
    const std::string wanted = name ? name : "";
    const auto found = std::find_if(key->values.begin(), key->values.end(),
                                    [&](const IniValue& value) { return SameIniName(value.name, wanted); });
    if (found == key->values.end())
        return ERROR_FILE_NOT_FOUND;
    key->values.erase(found);
    Changed();
    return ERROR_SUCCESS;
}

LONG FileStore::DeleteTree(const char* path)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    Refresh();
    const size_t before = m_document.size();
    if (m_holding && (SameIniName(m_heldPath, path) || IsBelow(m_heldPath, path)))
        m_holding = false;
    m_document.erase(std::remove_if(m_document.begin(), m_document.end(),
                                    [&](const IniKey& key) { return SameIniName(key.path, path) || IsBelow(key.path, path); }),
                     m_document.end());
    if (m_document.size() == before)
        return ERROR_FILE_NOT_FOUND;
    Changed();
    return ERROR_SUCCESS;
}
