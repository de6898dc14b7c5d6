// The stand-in file functions over an in-memory folder (see FakeFiles.h). A handle is the index
// of an open file plus one; a file made anew is in the folder once its handle is closed, while
// one opened for writing as it is (OPEN_EXISTING, OPEN_ALWAYS) is written in place at once.
#include <algorithm>
#include <cwchar>
#include <map>
#include <vector>

#include "FakeFiles.h"

namespace {

struct File {
    std::string bytes;
    DWORD written = 0;
};

struct OpenFile {
    std::wstring path;
    std::string bytes;
    size_t at = 0;
    bool writing = false;
    bool inPlace = false;
    bool open = false;
};

std::map<std::wstring, File> g_files;
std::vector<OpenFile> g_open;
bool g_failWrites = false;
bool g_failReads = false;
DWORD g_clock = 1;

OpenFile* Opened(HANDLE handle)
{
    const size_t index = reinterpret_cast<uintptr_t>(handle) - 1;
    return index < g_open.size() && g_open[index].open ? &g_open[index] : nullptr;
}

} // namespace

namespace fakefs {

void Reset()
{
    g_files.clear();
    g_open.clear();
    g_failWrites = false;
    g_failReads = false;
}

void Put(const std::wstring& path, const std::string& bytes)
{
    g_files[path] = {bytes, ++g_clock};
}

bool Get(const std::wstring& path, std::string& bytes)
{
    const auto found = g_files.find(path);
    if (found == g_files.end())
        return false;
    bytes = found->second.bytes;
    return true;
}

void Remove(const std::wstring& path)
{
    g_files.erase(path);
}

void FailWrites(bool fail)
{
    g_failWrites = fail;
}

void FailReads(bool fail)
{
    g_failReads = fail;
}

size_t Count()
{
    return g_files.size();
}

} // namespace fakefs

HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD, HANDLE)
{
    OpenFile file;
    file.path = name;
    file.writing = (access & GENERIC_WRITE) != 0;
    file.inPlace = file.writing && disposition != CREATE_ALWAYS;
    file.open = true;
    auto found = g_files.find(file.path);
    if (disposition == OPEN_ALWAYS && found == g_files.end() && !g_failWrites)
        found = g_files.insert({file.path, {std::string(), ++g_clock}}).first;
    if ((file.writing && g_failWrites) || (disposition == OPEN_EXISTING && found == g_files.end())) {
        SetLastError(file.writing ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (!file.writing && g_failReads) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
    }
    if (!file.writing)
        file.bytes = found->second.bytes;
    g_open.push_back(file);
    return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(g_open.size()));
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED)
{
    OpenFile* file = Opened(handle);
    if (!file || (file->writing && !file->inPlace))
        return FALSE;
    const std::string& bytes = file->inPlace ? g_files[file->path].bytes : file->bytes;
    const size_t count = std::min<size_t>(size, bytes.size() - std::min(file->at, bytes.size()));
    if (count > 0)
        bytes.copy(static_cast<char*>(buffer), count, file->at);
    file->at += count;
    *read = static_cast<DWORD>(count);
    return TRUE;
}

BOOL WriteFile(HANDLE handle, const void* buffer, DWORD size, LPDWORD written, LPOVERLAPPED)
{
    OpenFile* file = Opened(handle);
    if (!file || !file->writing || (file->inPlace && g_failWrites))
        return FALSE;
    if (file->inPlace) {
        File& target = g_files[file->path];
        target.bytes.replace(std::min(file->at, target.bytes.size()), size, static_cast<const char*>(buffer), size);
        target.written = ++g_clock;
        file->at += size;
    } else {
        file->bytes.append(static_cast<const char*>(buffer), size);
    }
    *written = size;
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE handle)
{
    return Opened(handle) != nullptr;
}

// A file being written has the time its close will give it.
BOOL GetFileInformationByHandle(HANDLE handle, BY_HANDLE_FILE_INFORMATION* information)
{
    OpenFile* file = Opened(handle);
    if (!file)
        return FALSE;
    *information = {};
    information->nFileSizeLow = static_cast<DWORD>((file->inPlace ? g_files[file->path].bytes : file->bytes).size());
    information->ftLastWriteTime.dwLowDateTime = file->writing && !file->inPlace ? g_clock + 1 : g_files[file->path].written;
    return TRUE;
}

BOOL CloseHandle(HANDLE handle)
{
    OpenFile* file = Opened(handle);
    if (!file)
        return FALSE;
    if (file->writing && !file->inPlace)
        fakefs::Put(file->path, file->bytes);
    file->open = false;
    return TRUE;
}

BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags)
{
    const auto found = g_files.find(from);
    if (g_failWrites || found == g_files.end() ||
        (!(flags & MOVEFILE_REPLACE_EXISTING) && g_files.count(to))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    const File moved = found->second;
    g_files.erase(found);
    g_files[to] = moved;
    return TRUE;
}

BOOL DeleteFileW(LPCWSTR name)
{
    return g_files.erase(name) ? TRUE : FALSE;
}

DWORD GetFileAttributesW(LPCWSTR name)
{
    return g_files.count(name) ? FILE_ATTRIBUTE_NORMAL : INVALID_FILE_ATTRIBUTES;
}

BOOL GetFileAttributesExW(LPCWSTR name, GET_FILEEX_INFO_LEVELS, LPVOID data)
{
    const auto found = g_files.find(name);
    if (found == g_files.end())
        return FALSE;
    auto* attributes = static_cast<WIN32_FILE_ATTRIBUTE_DATA*>(data);
    *attributes = {};
    attributes->dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
    attributes->nFileSizeLow = static_cast<DWORD>(found->second.bytes.size());
    attributes->ftLastWriteTime.dwLowDateTime = found->second.written;
    return TRUE;
}

LONG CompareFileTime(const FILETIME* a, const FILETIME* b)
{
    const uint64_t left = (uint64_t(a->dwHighDateTime) << 32) | a->dwLowDateTime;
    const uint64_t right = (uint64_t(b->dwHighDateTime) << 32) | b->dwLowDateTime;
    return left < right ? -1 : left > right ? 1 : 0;
}

DWORD GetModuleFileNameW(HMODULE, LPWSTR name, DWORD length)
{
    const wchar_t kProgram[] = L"C:\\Portable\\Veilbox.exe";
    const DWORD count = static_cast<DWORD>(wcslen(kProgram));
    if (length <= count)
        return 0;
    wcscpy(name, kProgram);
    return count;
}

DWORD GetCurrentProcessId()
{
    return 4242;
}

BOOL PostMessageW(HWND, UINT, WPARAM, LPARAM)
{
    return TRUE;
}

HANDLE FindFirstFileW(LPCWSTR, WIN32_FIND_DATAW*)
{
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
}

BOOL FindNextFileW(HANDLE, WIN32_FIND_DATAW*)
{
    return FALSE;
}

BOOL FindClose(HANDLE)
{
    return TRUE;
}

HANDLE OpenProcess(DWORD, BOOL, DWORD)
{
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

DWORD WaitForSingleObject(HANDLE, DWORD)
{
    return 0;
}

void Sleep(DWORD) {}
