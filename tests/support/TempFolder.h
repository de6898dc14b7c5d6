// A private folder below the temporary folder, deleted with its contents
// (read-only files included) when the owner goes out of scope.
#pragma once

#include <windows.h>

#include <string>

class TempFolder {
public:
    explicit TempFolder(const char* tag)
    {
        char base[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, base);
        static unsigned counter = 0;
        m_path = std::string(base) + "vb-" + tag + "-" + std::to_string(GetCurrentProcessId()) + "-" +
                 std::to_string(++counter) + "\\";
        CreateDirectoryA(m_path.c_str(), nullptr);
    }
    ~TempFolder() { RemoveTree(m_path); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder, ending in a backslash.
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + name; }

    // Creates a sub-folder and returns it with a trailing backslash.
    std::string MakeFolder(const std::string& name) const
    {
        const std::string folder = m_path + name;
        CreateDirectoryA(folder.c_str(), nullptr);
        return folder + "\\";
    }

    // Creates (or replaces) a file holding text and returns its path.
    std::string MakeFile(const std::string& name, const std::string& text = std::string()) const
    {
        const std::string file = m_path + name;
        HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
            CloseHandle(h);
        }
        return file;
    }

    static bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

private:
    static void RemoveTree(const std::string& folder)
    {
        WIN32_FIND_DATAA found = {};
        HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = found.cFileName;
                if (name == "." || name == "..") {
                    continue;
                }
                const std::string path = folder + name;
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    RemoveTree(path + "\\");
                } else {
                    DeleteFileA(path.c_str());
                }
            } while (FindNextFileA(find, &found));
            FindClose(find);
        }
        RemoveDirectoryA(folder.c_str());
    }

    std::string m_path;
};
