#include "shell/Shortcut.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <initializer_list>

#include "shell/InstallPaths.h"
#include "shell/Shell.h"
#include "text/WString.h"
#include "winbase/LateLibraries.h"

namespace {

// Owns one COM interface pointer.
template <class T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef()
    {
        if (m_ptr) {
            m_ptr->Release();
        }
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    T* operator->() const { return m_ptr; }
    T* Get() const { return m_ptr; }
    void** Out() { return reinterpret_cast<void**>(&m_ptr); }

private:
    T* m_ptr = nullptr;
};

bool CreateShellLink(ComRef<IShellLinkA>& link)
{
    return SUCCEEDED(LateCoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                          link.Out()));
}

bool LoadLink(IPersistFile* file, const NString& path)
{
    const WString wide = WString::FromNarrow(path.Text());
    return !wide.IsNull() && SUCCEEDED(file->Load(wide.Text(), STGM_READ));
}

NString WithTrailingBackslash(const NString& folder)
{
    NString copy(folder.IsNull() ? "" : folder.Text());
    return copy.EnsureTrailing('\\');
}

// True when the link's target is target.folder + target.file, ignoring case.
bool PointsToProgram(IShellLinkA* link, const ShortcutTarget& target)
{
    char path[MAX_PATH] = {};
    WIN32_FIND_DATAA found = {};
    if (FAILED(link->GetPath(path, MAX_PATH, &found, 0))) {
        return false;
    }
    const ModuleLocation location = SplitModulePath(path);
    return location.folder.EqualsNoCase(WithTrailingBackslash(target.folder)) &&
           location.file.EqualsNoCase(target.file);
}

// Deletes a shortcut file, clearing its read-only attribute first. A file that
// is gone already counts as deleted; a directory is never deleted.
bool DeleteShortcutFile(const NString& path)
{
    const DWORD attributes = GetFileAttributesA(path.Text());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return true;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        return false;
    }
    SetFileAttributesA(path.Text(), 0);
    return DeleteFileA(path.Text()) != FALSE;
}

bool SaveShortcut(const ShortcutTarget& target, const char* description, const char* arguments,
                  const NString& folder)
{
    const ComScope com;
    ComRef<IShellLinkA> link;
    if (!CreateShellLink(link)) {
        return false;
    }
    const NString workingFolder = WithTrailingBackslash(target.folder);
    const NString program = workingFolder + target.file;
    if (FAILED(link->SetPath(program.Text())) || FAILED(link->SetWorkingDirectory(workingFolder.Text())) ||
        FAILED(link->SetArguments(arguments ? arguments : "")) ||
        FAILED(link->SetDescription(description ? description : ""))) {
        return false;
    }
    ComRef<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.Out()))) {
        return false;
    }
    const WString path = WString::FromNarrow((folder + target.linkName + ".lnk").Text());
    return !path.IsNull() && SUCCEEDED(file->Save(path.Text(), TRUE));
}

template <class Action>
void ForEachFolder(const StartupFolders& folders, Action action)
{
    for (const NString* folder : {&folders.preferred, &folders.fallback}) {
        if (!folder->IsEmpty()) {
            if (!action(*folder)) {
                return;
            }
        }
    }
}

}  // namespace

NString StartupFolder(bool allUsers)
{
    const int id = (allUsers && IsNtFamily()) ? CSIDL_COMMON_STARTUP : CSIDL_STARTUP;
    char path[MAX_PATH + 1] = {};
    if (!LateSHGetSpecialFolderPathA(nullptr, path, id, FALSE) || path[0] == '\0') {
        return NString();
    }
    NString folder(path);
    return folder.EnsureTrailing('\\');
}

StartupFolders StartupFoldersFor(bool allUsers)
{
    StartupFolders folders;
    folders.preferred = StartupFolder(allUsers);
    if (allUsers && IsNtFamily()) {
        folders.fallback = StartupFolder(false);
    }
    return folders;
}

NString FindShortcutIn(const char* folder, const ShortcutTarget& target)
{
    const ComScope com;
    ComRef<IShellLinkA> link;
    ComRef<IPersistFile> file;
    if (!folder || !CreateShellLink(link) || FAILED(link->QueryInterface(IID_IPersistFile, file.Out()))) {
        return NString();
    }
    NString found = NString(folder) + target.linkName;
    if (!LoadLink(file.Get(), found)) {
        found += ".lnk";
        if (!LoadLink(file.Get(), found)) {
            return NString();
        }
    }
    return PointsToProgram(link.Get(), target) ? found : NString();
}

bool ShortcutPresent(const ShortcutTarget& target, const StartupFolders& folders)
{
    bool present = false;
    ForEachFolder(folders, [&](const NString& folder) {
        present = !FindShortcutIn(folder.Text(), target).IsNull();
        return !present;
    });
    return present;
}

bool CreateShortcut(const ShortcutTarget& target, const char* description, const char* arguments,
                    const StartupFolders& folders)
{
    if (ShortcutPresent(target, folders)) {
        return true;
    }
    bool saved = false;
    ForEachFolder(folders, [&](const NString& folder) {
        saved = SaveShortcut(target, description, arguments, folder);
        return !saved;
    });
    return saved;
}

bool RemoveShortcut(const ShortcutTarget& target, const StartupFolders& folders)
{
    bool removedAny = false;
    bool failed = false;
    ForEachFolder(folders, [&](const NString& folder) {
        const NString found = FindShortcutIn(folder.Text(), target);
        if (!found.IsNull()) {
            if (DeleteShortcutFile(found)) {
                removedAny = true;
            } else {
                failed = true;
            }
        }
        return true;
    });
    return removedAny && !failed;
}

ShortcutTarget ProgramShortcutTarget(HMODULE module, const char* linkName)
{
    const ModuleLocation location = ModuleLocationOf(module);
    return ShortcutTarget{location.folder, location.file, NString(linkName)};
}

bool SetStartWithWindows(bool on, const ShortcutTarget& target, const char* description,
                         const StartupFolders& folders)
{
    if (folders.preferred.IsEmpty() && folders.fallback.IsEmpty()) {
        return false;
    }
    const bool present = ShortcutPresent(target, folders);
    if (on) {
        return present || CreateShortcut(target, description, nullptr, folders);
    }
    return !present || RemoveShortcut(target, folders);
}
