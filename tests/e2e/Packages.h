// Where the end-to-end tests find the packages that tools/make-dist.sh made from this build,
// and small file queries shared by their tests.
#pragma once

#include <windows.h>

#include <shlobj.h>

#include <string>

#include "support/TestSupport.h"
#include "vb_version.h"

namespace vbtest {

// build/dist/WindowVeilbox-<version><suffix>, beside the bin folder of the test programs.
inline std::string Package(const char* suffix)
{
    return BinDir() + "..\\dist\\WindowVeilbox-" VB_VERSION_DOT_STR + suffix;
}

inline std::string ShellFolder(int csidl)
{
    char path[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE);
    return path;
}

inline bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Size in bytes, or -1 when the file cannot be read.
inline long long FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

} // namespace vbtest
