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
    if (read == FileRead::Absent)
        m_lines = IniLines();
    if (read == FileRead::Whole) {
        m_document = ParseIni(text.data(), text.size(), m_root, &m_lines);
        for (const Change& change : m_journal)
            Apply(change);
    }
    m_seen = stamp;
}

// Within a batch the file was asked once, at its start. Changes the file lacks are written as soon
// as it reads whole again; while it is unchanged, they wait for the next change.
void FileStore::Refresh()
{
    if (m_abandoned || m_pending || m_batchDepth > 0)
        return;
    if (!m_unread && StampOfFile(m_file) == m_seen)
        return;
    Load();
    if (m_unsaved && !m_unread)
        WriteOut();
}

// A file the user made read-only is not replaced, wherever the system would let a move replace
// it; nor is one whose text was not read, nor by a text over the cap, which no start could read
// again (the file keeps its last text that reads). The file's lines are kept as the next write's.
bool FileStore::Save()
{
    if (m_unread)
        return false;
    const DWORD attributes = GetFileAttributesW(m_file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return false;
    IniLines written;
    const std::string text = WriteIni(m_document, m_lines, m_root, &written);
    if (text.size() > kSettingsFileMaxBytes || !ReplaceWholeFile(m_file, text, m_seen))
        return false;
    m_lines = std::move(written);
    return true;
}

void FileStore::Changed()
{
    m_pending = true;
    if (m_batchDepth > 0)
        return;
    m_pending = false;
    WriteOut();
}

void FileStore::WriteOut()
{
    m_unsaved = !Save();
    if (m_unsaved)
        ReportSettingsWriteFailure();
    else
        m_journal.clear();
}

bool FileStore::Apply(const Change& change)
{
    const std::string& path = change.path;
    if (change.kind == Change::Kind::CreateKey || change.kind == Change::Kind::Set) {
        IniKey& key = MakeKey(path.c_str());
        if (change.kind == Change::Kind::Set)
            SetIniValue(key, change.value);
        return true;
    }
    if (change.kind == Change::Kind::DeleteTree) {
        const size_t before = m_document.size();
        m_document.erase(std::remove_if(m_document.begin(), m_document.end(),
                                        [&](const IniKey& key) { return SameIniName(key.path, path) || IsBelow(key.path, path); }),
                         m_document.end());
        return m_document.size() != before;
    }
    IniKey* key = FindIniKey(m_document, path);
    if (!key)
        return false;
    const auto found = std::find_if(key->values.begin(), key->values.end(),
                                    [&](const IniValue& value) { return IsIniValueNamed(value, change.value.name); });
    if (found == key->values.end())
        return false;
    key->values.erase(found);
    return true;
}

LONG FileStore::Make(Change change)
{
    if (!Apply(change))
        return ERROR_FILE_NOT_FOUND;
    m_journal.push_back(std::move(change));
    Changed();
    return ERROR_SUCCESS;
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
    return HasKey(path) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

bool FileStore::HasKey(const char* path) const
{
    return std::any_of(m_document.begin(), m_document.end(),
                       [&](const IniKey& key) { return SameIniName(key.path, path) || IsBelow(key.path, path); });
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
        if (!IsIniValueNamed(value, wanted))
            continue;
        if (!value.unread.empty())
            return ERROR_INVALID_DATA;
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
        return HasKey(path) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    for (const IniValue& value : key->values) {
        if (values.size() >= maxValues)
            return ERROR_MORE_DATA;
        StoredValue listed;
        listed.name = NString(value.name.c_str());
        listed.type = value.type;
        listed.result = value.unread.empty() ? ERROR_SUCCESS : ERROR_INVALID_DATA;
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
    return Make({Change::Kind::CreateKey, path, {}});
}

LONG FileStore::HoldKey(const char* path)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    Refresh();
    if (!FindIniKey(m_document, path))
        Make({Change::Kind::CreateKey, path, {}});
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
    IniValue value{name ? name : "", type, std::vector<BYTE>(data, data + (data ? size : 0)), {}};
    return Make({Change::Kind::Set, path, std::move(value)});
}

LONG FileStore::DeleteValue(const char* path, const char* name)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    Refresh();
    if (HeldKeyWent(path))
        return ERROR_KEY_DELETED;
    IniValue value;
    value.name = name ? name : "";
    return Make({Change::Kind::DeleteValue, path, std::move(value)});
}

LONG FileStore::DeleteTree(const char* path)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    Refresh();
    if (m_holding && (SameIniName(m_heldPath, path) || IsBelow(m_heldPath, path)))
        m_holding = false;
    return Make({Change::Kind::DeleteTree, path, {}});
}
