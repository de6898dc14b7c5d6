#include "shell/InstallPaths.h"

#include <cstring>

namespace {

// Index of the last backslash before position end, or -1.
int LastBackslashBefore(const char* text, int end)
{
    for (int i = end - 1; i >= 0; --i) {
        if (text[i] == '\\') {
            return i;
        }
    }
    return -1;
}

}  // namespace

NString InstallRootOf(const char* moduleFileName)
{
    if (!moduleFileName) {
        return NString();
    }
    const NString name(moduleFileName);
    if (name.Count('\\') < 3) {
        return NString();
    }
    const int fileSlash = LastBackslashBefore(name.Text(), static_cast<int>(name.Length()));
    const int folderSlash = LastBackslashBefore(name.Text(), fileSlash);
    return NString(name.Text(), static_cast<uint32_t>(folderSlash + 1));
}

NString InstallRoot()
{
    static NString kept;
    if (kept.IsNull()) {
        kept = InstallRootOf(NString::FromModuleFileName(nullptr).Text());
    }
    return kept;
}

NString InstallSubFolder(const NString& root, const char* name)
{
    NString folder = NString(root.IsNull() ? "" : root.Text()) + name;
    folder.EnsureTrailing('\\');
    const DWORD attributes = GetFileAttributesA(folder.Text());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? folder : root;
    }
    return CreateDirectoryA(folder.Text(), nullptr) ? folder : root;
}

NString BinFolder()
{
    return InstallSubFolder(InstallRoot(), "bin");
}

NString LicenseFolder()
{
    return InstallSubFolder(InstallRoot(), "license");
}

NString LicenseFilePath(const NString& root)
{
    return NString(root.IsNull() ? "" : root.Text()) + "license\\license.txt";
}

ModuleLocation SplitModulePath(const char* path)
{
    ModuleLocation location{NString(""), NString("")};
    if (!path) {
        return location;
    }
    const char* slash = std::strrchr(path, '\\');
    if (!slash) {
        return location;
    }
    location.folder = NString(path, static_cast<uint32_t>(slash - path + 1));
    location.file = NString(slash + 1);
    return location;
}

ModuleLocation ModuleLocationOf(HMODULE module)
{
    return SplitModulePath(NString::FromModuleFileName(module).Text());
}
