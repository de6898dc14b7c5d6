// The Start-with-Windows shortcut: a shell link "<link name>.lnk" in a Startup
// folder whose target is the program's file. The option is on exactly when
// such a shortcut exists.
//
// The all-users Startup folder is preferred; an ordinary user often may not
// write there, so a shortcut that cannot be saved there goes to the current
// user's Startup folder instead, and presence and removal look in both.
//
// Every operation uses COM and brings it up on the calling thread for its own
// duration (ComScope): any thread may call, with or without an apartment, and
// keeps the one it had.
#pragma once

#include <windows.h>

#include "text/NString.h"

// What the shortcut points to and what it is called. The folder may be given
// with or without its trailing backslash.
struct ShortcutTarget {
    NString folder;   // folder of the program file; the shortcut's working directory
    NString file;     // program file name without folder
    NString linkName; // shortcut file name without ".lnk"
};

// Startup folders to use, most preferred first, each ending in a backslash.
// An empty or null entry is skipped.
struct StartupFolders {
    NString preferred;
    NString fallback;
};

// The Startup folder (ending in a backslash): the all-users one when allUsers
// is requested on an NT-family system, the current user's otherwise. The null
// string when the system cannot tell where it is.
NString StartupFolder(bool allUsers);

// For allUsers on an NT-family system: the all-users folder, then the current
// user's. Otherwise only the current user's.
StartupFolders StartupFoldersFor(bool allUsers);

// Full path of the program's shortcut in folder, or the null string when there
// is none there. A shortcut with the link name whose target is another file,
// or the same file name in another folder, does not count.
NString FindShortcutIn(const char* folder, const ShortcutTarget& target);

// True when the program's shortcut is in any of the folders.
bool ShortcutPresent(const ShortcutTarget& target, const StartupFolders& folders);

// Saves the shortcut (path folder + file, working directory folder, the given
// description and arguments) in the first folder that accepts it. Changes
// nothing and returns true when the shortcut is present already. arguments may
// be null.
bool CreateShortcut(const ShortcutTarget& target, const char* description, const char* arguments,
                    const StartupFolders& folders);

// Deletes the program's shortcut from every folder that holds one, read-only
// or not. False when there was none or a deletion failed.
bool RemoveShortcut(const ShortcutTarget& target, const StartupFolders& folders);

// The program's own shortcut target: the module's folder and file name.
ShortcutTarget ProgramShortcutTarget(HMODULE module, const char* linkName);

// Makes the program's shortcut present (on) or absent (off); the result of
// the create or remove, true when nothing needed doing. False, changing
// nothing, when there is no folder at all.
bool SetStartWithWindows(bool on, const ShortcutTarget& target, const char* description,
                         const StartupFolders& folders);
