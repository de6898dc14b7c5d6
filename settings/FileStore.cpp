#include "settings/FileStore.h"

#include <algorithm>

namespace {

// Reads of an unreadable file at start, and the wait before each again.
constexpr int kStartReads = 4;
constexpr DWORD kStartReadWaitMs = 100;

bool IsBelow(const std::string& path, const std::string& parent)
{
    return path.size() > parent.size() && path[parent.size()] == '\\' &&
           SameIniName(path.substr(0, parent.size()), parent);
}

} // namespace

// A file locked for a moment at start (a sync tool, a virus scanner) is waited for briefly. One
// that stays unreadable is left as it was for the whole run: what this copy never read (settings,
// the held records of a copy that was killed) is never overwritten, and the user is told.
FileStore::FileStore(std::wstring file, const char* rootPath) : m_file(std::move(file)), m_root(rootPath)
{
    RemoveStaleTemporaryFiles(m_file);
    for (int attempt = 0; attempt < kStartReads; ++attempt) {
        if (attempt > 0)
            Sleep(kStartReadWaitMs);
        Load();
        if (!m_unread)
            return;
    }
    m_abandoned = true;
    ReportSettingsWriteFailure();
}

// A file that cannot be read whole leaves memory as it was and is not written until it is read.
void FileStore::Load()
{
    std::string text;
    FileStamp stamp;
    const FileRead read = ReadWholeFile(m_file, kSettingsFileMaxBytes, text, stamp);
    m_unread = read == FileRead::NotRead;
    if (m_unread)
        return;
    if (read == FileRead::Whole)
        m_document = ParseIni(text.data(), text.size(), m_root);
    m_seen = stamp;
}

// Within a batch the file was asked once, at its start.
void FileStore::Refresh()
{
    if (m_abandoned || m_unsaved || m_pending || m_batchDepth > 0)
        return;
    if (m_unread || !(StampOfFile(m_file) == m_seen))
        Load();
}

// A file the user made read-only is not replaced, wherever the system would let a move replace
// it; nor is one whose text was not read.
bool FileStore::Save()
{
    if (m_unread)
        return false;
    const DWORD attributes = GetFileAttributesW(m_file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return false;
    return ReplaceWholeFile(m_file, FormatIni(m_document, m_root), m_seen);
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
