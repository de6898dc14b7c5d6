// The program's install folders. The program file lives in <root>\bin\; the
// licence text in <root>\license\.
#pragma once

#include <windows.h>

#include "text/NString.h"

// moduleFileName without its last two components, ending in a backslash:
// C:\Apps\Veilbox\bin\Veilbox.exe gives C:\Apps\Veilbox\. The null string when
// the name holds fewer than three backslashes (or is null).
NString InstallRootOf(const char* moduleFileName);

// InstallRootOf the program's own file. A non-null root is computed once and
// kept for the life of the process; a null one is computed again next time.
NString InstallRoot();

// root + name + "\" when that folder exists or could be created; otherwise the
// root itself. A null root makes the folder relative to the current directory.
NString InstallSubFolder(const NString& root, const char* name);

// InstallSubFolder of InstallRoot() for "bin" and "license"; both create the
// folder when it is missing.
NString BinFolder();
NString LicenseFolder();

// root + "license\license.txt", without creating any folder.
NString LicenseFilePath(const NString& root);

// The module's file name split at its last backslash: the folder (with a
// trailing backslash) and the file name. Both empty when there is none.
struct ModuleLocation {
    NString folder;
    NString file;
};
ModuleLocation SplitModulePath(const char* path);
ModuleLocation ModuleLocationOf(HMODULE module);
