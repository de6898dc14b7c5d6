// The in-memory folder behind the stand-in file functions: whole files by path, each with a
// count that stands for its time of last write. A fuzz target fills it, makes writes fail as a
// read-only folder or a full disk does, and reads what was written.
#pragma once

#include <windows.h>

#include <string>

namespace fakefs {

// Empties the folder; writes succeed again.
void Reset();
void Put(const std::wstring& path, const std::string& bytes);
// False for a file that is not there.
bool Get(const std::wstring& path, std::string& bytes);
void Remove(const std::wstring& path);
// While set, a file cannot be made or replaced (ERROR_ACCESS_DENIED).
void FailWrites(bool fail);
// While set, a file cannot be opened for reading (ERROR_SHARING_VIOLATION), as one locked by
// another program.
void FailReads(bool fail);
// Files of the folder, the temporary ones included.
size_t Count();

} // namespace fakefs
