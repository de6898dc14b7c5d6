// SettingsFile: the settings file on disk, as FileStore reads and replaces it.
//
// A read takes the whole file through one handle or nothing: a file that cannot be opened or
// read, is larger than the cap, or changes while it is read is "not read", never a part of it.
// A replacement writes the whole text to a temporary file beside the settings file, named after
// it, this process and a count ("Veilbox.ini.<process id>-<count>.tmp"), flushes it to the disk
// and moves it over the file with MoveFileExW(MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH):
// a kill or a full disk at any moment leaves the old file or the new one whole.
#pragma once

#include <windows.h>

#include <string>

// What the file system says of a file: there or not, its size and time of last write.
struct FileStamp {
    bool present = false;
    ULONGLONG size = 0;
    FILETIME written = {};
    bool operator==(const FileStamp& other) const;
};

FileStamp StampOfFile(const std::wstring& path);

enum class FileRead { Whole, Absent, NotRead };

// The whole file at path into text, with the stamp of what was read. Absent when there is no
// file; NotRead when it cannot be opened or read, holds more than maxBytes or changed during the
// read (each tried again a few times at once).
FileRead ReadWholeFile(const std::wstring& path, ULONGLONG maxBytes, std::string& text, FileStamp& stamp);

// Replaces the file at path with text (see above); stamp is then the new file's. False, with the
// file as it was and no temporary file left, when any step fails.
bool ReplaceWholeFile(const std::wstring& path, const std::string& text, FileStamp& stamp);

// Deletes the temporary files beside path that copies of the program killed during a write left
// behind: those named after a process that is no longer running.
void RemoveStaleTemporaryFiles(const std::wstring& path);
