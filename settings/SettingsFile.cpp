#include "settings/SettingsFile.h"

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <string>

namespace {

// Reads of a file that changed while it was read, made at once before giving up.
constexpr int kReadAttempts = 3;

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

bool StampOfHandle(HANDLE file, FileStamp& stamp)
{
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!GetFileInformationByHandle(file, &information))
        return false;
    stamp.present = true;
    stamp.size = (static_cast<ULONGLONG>(information.nFileSizeHigh) << 32) | information.nFileSizeLow;
    stamp.written = information.ftLastWriteTime;
    return true;
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

// Reads until the end of the file; true when exactly size bytes came.
bool ReadAll(HANDLE file, ULONGLONG size, std::string& text)
{
    text.assign(static_cast<size_t>(size), '\0');
    size_t at = 0;
    while (at < text.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size() - at, 1u << 20));
        DWORD read = 0;
        if (!ReadFile(file, &text[at], chunk, &read, nullptr) || read == 0)
            return false;
        at += read;
    }
    char more = 0;
    DWORD extra = 0;
    return ReadFile(file, &more, 1, &extra, nullptr) && extra == 0;
}

FileRead ReadOnce(const std::wstring& path, ULONGLONG maxBytes, std::string& text, FileStamp& stamp)
{
    const FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileRead::Absent : FileRead::NotRead;
    }
    FileStamp after;
    if (!StampOfHandle(file.Get(), stamp) || stamp.size > maxBytes || !ReadAll(file.Get(), stamp.size, text) ||
        !StampOfHandle(file.Get(), after) || !(after == stamp))
        return FileRead::NotRead;
    return FileRead::Whole;
}

// The process id in a temporary file's name "<file name>.<id>-<count>.tmp", or 0.
DWORD ProcessOfTemporary(const wchar_t* name, size_t prefixLength)
{
    const wchar_t* id = name + prefixLength;
    wchar_t* end = nullptr;
    const unsigned long number = std::wcstoul(id, &end, 10);
    return end != id && *end == L'-' ? static_cast<DWORD>(number) : 0;
}

bool ProcessRunning(DWORD processId)
{
    const FileHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    // A process that cannot be asked (another user's) may still write its file.
    if (!process.Valid())
        return GetLastError() == ERROR_ACCESS_DENIED;
    return WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
}

} // namespace

bool FileStamp::operator==(const FileStamp& other) const
{
    return present == other.present && size == other.size && CompareFileTime(&written, &other.written) == 0;
}

FileStamp StampOfFile(const std::wstring& path)
{
    FileStamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        stamp.present = true;
        stamp.size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        stamp.written = data.ftLastWriteTime;
    }
    return stamp;
}

FileRead ReadWholeFile(const std::wstring& path, ULONGLONG maxBytes, std::string& text, FileStamp& stamp)
{
    FileRead result = FileRead::NotRead;
    for (int attempt = 0; attempt < kReadAttempts && result == FileRead::NotRead; ++attempt) {
        stamp = FileStamp();
        result = ReadOnce(path, maxBytes, text, stamp);
        if (result == FileRead::NotRead && stamp.size > maxBytes)
            break;
    }
    if (result != FileRead::Whole)
        text.clear();
    return result;
}

// The move keeps the size and time of last write: the new file's stamp is the closed temporary
// file's, asked by its name (cheaper than asking the open handle, and no other hand writes it).
bool ReplaceWholeFile(const std::wstring& path, const std::string& text, FileStamp& stamp)
{
    static std::atomic<unsigned> count{0};
    const std::wstring temp =
        path + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++count) + L".tmp";
    bool written = false;
    {
        const FileHandle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        written = file.Valid() && WriteAll(file.Get(), text) && FlushFileBuffers(file.Get());
    }
    const FileStamp made = written ? StampOfFile(temp) : FileStamp();
    written = made.present && MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!written) {
        DeleteFileW(temp.c_str());
        return false;
    }
    stamp = made;
    return true;
}

void RemoveStaleTemporaryFiles(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L"\\/");
    const std::wstring folder = path.substr(0, slash == std::wstring::npos ? 0 : slash + 1);
    const std::wstring prefix = path.substr(folder.size()) + L".";
    WIN32_FIND_DATAW found = {};
    const HANDLE search = FindFirstFileW((path + L".*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = found.cFileName;
        const bool ours = name.size() > prefix.size() && _wcsicmp(name.substr(0, prefix.size()).c_str(), prefix.c_str()) == 0;
        const DWORD processId = ours ? ProcessOfTemporary(found.cFileName, prefix.size()) : 0;
        if (processId != 0 && processId != GetCurrentProcessId() && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !ProcessRunning(processId))
            DeleteFileW((folder + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}
