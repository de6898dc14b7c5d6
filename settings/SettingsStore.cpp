#include "settings/SettingsStore.h"

#include <atomic>

#include "settings/FileStore.h"
#include "settings/RegistryStore.h"

namespace {

constexpr wchar_t kSettingsFileName[] = L"Veilbox.ini";
constexpr wchar_t kStateFileName[] = L"Veilbox.held";
// Longest module path asked for, in characters (the long-path limit).
constexpr DWORD kMaxModulePath = 32768;

RegistryStore& Registry()
{
    static RegistryStore registry;
    return registry;
}

std::unique_ptr<SettingsStore> g_chosen;
SettingsStore* g_store = nullptr;
std::wstring g_stateFile;

std::atomic<HWND> g_noticeWindow{nullptr};
std::atomic<UINT> g_noticeMessage{0};
std::atomic<bool> g_writeFailed{false};
std::atomic<bool> g_noticePosted{false};

void PostNoticeOnce()
{
    const HWND window = g_noticeWindow.load();
    if (!window || !g_writeFailed.load() || g_noticePosted.exchange(true))
        return;
    PostMessageW(window, g_noticeMessage.load(), 0, 0);
}

// A path the file functions take at any length: past MAX_PATH it gets the \\?\ prefix.
std::wstring LongPathForm(const std::wstring& path)
{
    if (path.size() < MAX_PATH - 12 || path.compare(0, 4, L"\\\\?\\") == 0)
        return path;
    if (path.compare(0, 2, L"\\\\") == 0)
        return L"\\\\?\\UNC\\" + path.substr(2);
    return L"\\\\?\\" + path;
}

} // namespace

SettingsStore& ActiveSettings()
{
    return g_store ? *g_store : Registry();
}

void UseSettingsStore(std::unique_ptr<SettingsStore> store)
{
    g_store = store.get();
    g_chosen = std::move(store);
}

bool SettingsInFile()
{
    return ActiveSettings().IsFile();
}

std::wstring FileBesideProgram(const wchar_t* fileName)
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0)
            return std::wstring();
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() >= kMaxModulePath)
            return std::wstring();
        path.resize(path.size() * 2);
    }
    const size_t slash = path.find_last_of(L"\\/");
    return LongPathForm(path.substr(0, slash == std::wstring::npos ? 0 : slash + 1) + fileName);
}

bool ChooseSettingsStore(const char* programKeyPath)
{
    const std::wstring file = FileBesideProgram(kSettingsFileName);
    const DWORD attributes = file.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    UseSettingsStore(std::unique_ptr<SettingsStore>(new FileStore(file, programKeyPath)));
    g_stateFile = FileBesideProgram(kStateFileName);
    return true;
}

const std::wstring& StateFileInUse()
{
    return g_stateFile;
}

void SetSettingsFailureNotice(HWND window, UINT message)
{
    g_noticeMessage = message;
    g_noticeWindow = window;
    PostNoticeOnce();
}

void ReportSettingsWriteFailure()
{
    g_writeFailed = true;
    PostNoticeOnce();
}
