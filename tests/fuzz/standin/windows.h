// Stand-in for the Windows SDK header, so the program's system-free parsers compile natively on
// Linux with clang's fuzzer and sanitizers. It declares only the types, constants and functions
// those sources use; standin.cpp implements the functions as Windows does them under the UTF-8
// code page (text conversion, case, the CRT's Microsoft names) and registry.cpp keeps an
// in-memory registry behind the Reg*A functions. wchar_t stays 32 bits wide here, but every
// conversion hands out UTF-16 code units, one per wchar_t, as the program expects.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cwchar>

typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef uint32_t DWORD;
typedef int BOOL;
typedef int INT;
typedef unsigned int UINT;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t UINT_PTR;
typedef uintptr_t DWORD_PTR;
typedef intptr_t LONG_PTR;
typedef intptr_t INT_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef void* HANDLE;
typedef DWORD REGSAM;
typedef LONG LSTATUS;
typedef wchar_t WCHAR;
typedef char CHAR;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef const wchar_t* LPCWSTR;
typedef wchar_t* LPWSTR;
typedef BYTE* LPBYTE;
typedef DWORD* LPDWORD;
typedef void* LPVOID;

#define VB_STANDIN_HANDLE(name) \
    struct name##__ {           \
        int unused;             \
    };                          \
    typedef struct name##__* name
VB_STANDIN_HANDLE(HWND);
VB_STANDIN_HANDLE(HKEY);
VB_STANDIN_HANDLE(HICON);
VB_STANDIN_HANDLE(HMENU);
VB_STANDIN_HANDLE(HINSTANCE);
VB_STANDIN_HANDLE(HFONT);
VB_STANDIN_HANDLE(HDC);
VB_STANDIN_HANDLE(HBITMAP);
VB_STANDIN_HANDLE(HMONITOR);
VB_STANDIN_HANDLE(HCURSOR);
VB_STANDIN_HANDLE(HBRUSH);
VB_STANDIN_HANDLE(HWINEVENTHOOK);
VB_STANDIN_HANDLE(HHOOK);
typedef void* HGDIOBJ;
typedef HINSTANCE HMODULE;
typedef HKEY* PHKEY;

struct RECT {
    LONG left, top, right, bottom;
};
struct POINT {
    LONG x, y;
};
struct SIZE {
    LONG cx, cy;
};
struct FILETIME {
    DWORD dwLowDateTime, dwHighDateTime;
};
struct SECURITY_ATTRIBUTES;
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;
typedef FILETIME* PFILETIME;

#define WINAPI
#define CALLBACK
#define TRUE 1
#define FALSE 0
#define MAX_PATH 260
#define CCHDEVICENAME 32
#define WM_USER 0x0400
#define WM_APP 0x8000
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E

#define CP_ACP 0
#define CP_UTF7 65000
#define CP_UTF8 65001
#define MB_PRECOMPOSED 0x00000001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_NO_BEST_FIT_CHARS 0x00000400
#define IS_HIGH_SURROGATE(wch) (((wch) & 0xFC00) == 0xD800)
#define IS_LOW_SURROGATE(wch) (((wch) & 0xFC00) == 0xDC00)

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_INVALID_DATA 13L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_MORE_ITEMS 259L
#define ERROR_BADKEY 1010L
#define ERROR_KEY_DELETED 1018L
#define ERROR_DISK_FULL 112L
#define ERROR_SHARING_VIOLATION 32L
#define ERROR_NO_UNICODE_TRANSLATION 1113L

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))
#define HKEY_USERS ((HKEY)(ULONG_PTR)((LONG)0x80000003))

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7
#define REG_QWORD 11
#define REG_OPTION_NON_VOLATILE 0x00000000L
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_READ 0x20019
#define MAXDWORD 0xffffffff
#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F

// Text conversion and case, as the system does them with the UTF-8 active code page.
UINT GetACP();
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR out, int outLength);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int length, LPSTR out, int outLength,
                        LPCSTR defaultChar, BOOL* usedDefault);
DWORD CharUpperBuffW(LPWSTR text, DWORD length);
DWORD GetLastError();
void SetLastError(DWORD error);

inline void* SecureZeroMemory(void* block, size_t size)
{
    volatile char* bytes = static_cast<volatile char*>(block);
    while (size--)
        *bytes++ = 0;
    return block;
}

// The Microsoft C runtime's names.
int _stricmp(const char* a, const char* b);
int _strnicmp(const char* a, const char* b, size_t count);
int _wcsicmp(const wchar_t* a, const wchar_t* b);
unsigned long long _strtoui64(const char* text, char** end, int base);
int _vscprintf(const char* format, va_list args);
int _vsnprintf(char* buffer, size_t count, const char* format, va_list args);
int _vscwprintf(const wchar_t* format, va_list args);
int _vsnwprintf(wchar_t* buffer, size_t count, const wchar_t* format, va_list args);

// Windows: none exist here. Every handle is "not a window".
BOOL IsWindow(HWND window);
int GetClassNameA(HWND window, LPSTR name, int length);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
DWORD GetModuleFileNameA(HMODULE module, LPSTR name, DWORD length);

// Resources and the display languages (text/Texts.cpp): none here, so every text is English's
// fallback, its key.
typedef void* HRSRC;
typedef void* HGLOBAL;
typedef BOOL(CALLBACK* ENUMRESNAMEPROCA)(HMODULE, LPCSTR, LPSTR, LONG_PTR);
#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)
#define MUI_LANGUAGE_NAME 0x8
HMODULE GetModuleHandleA(LPCSTR name);
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
void* LockResource(HGLOBAL data);
DWORD SizeofResource(HMODULE module, HRSRC resource);
BOOL EnumResourceNamesA(HMODULE module, LPCSTR type, ENUMRESNAMEPROCA callback, LONG_PTR parameter);
BOOL GetUserPreferredUILanguages(DWORD flags, ULONG* count, wchar_t* buffer, ULONG* size);

// The owners of winbase/ScopedHandles.h name these; no parser under test calls them, so they are
// declared only.
struct PROCESS_INFORMATION {
    HANDLE hProcess, hThread;
    DWORD dwProcessId, dwThreadId;
};
BOOL CloseHandle(HANDLE handle);
BOOL DestroyIcon(HICON icon);
BOOL DestroyCursor(HCURSOR cursor);
BOOL DestroyMenu(HMENU menu);
BOOL DeleteDC(HDC dc);
BOOL UnhookWinEvent(HWINEVENTHOOK hook);
BOOL UnhookWindowsHookEx(HHOOK hook);
void* LocalFree(void* memory);
BOOL DeleteObject(HGDIOBJ object);
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);

// The registry (registry.cpp): only the A functions the program calls.
LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options, REGSAM access,
                     LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition);
LONG RegCloseKey(HKEY key);
LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size);
LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD reserved, LPSTR keyClass,
                   LPDWORD classLength, PFILETIME lastWrite);
LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD reserved, LPDWORD type,
                   LPBYTE data, LPDWORD size);
LONG RegQueryInfoKeyA(HKEY key, LPSTR keyClass, LPDWORD classLength, LPDWORD reserved, LPDWORD subKeys,
                      LPDWORD longestSubKey, LPDWORD longestClass, LPDWORD values, LPDWORD longestValueName,
                      LPDWORD longestValueData, LPDWORD securityDescriptor, PFILETIME lastWrite);
LONG RegDeleteTreeA(HKEY key, LPCSTR subKey);
LONG RegDeleteValueA(HKEY key, LPCSTR name);

// Files (files.cpp): an in-memory folder of whole files, see FakeFiles.h.
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x1
#define FILE_SHARE_WRITE 0x2
#define FILE_SHARE_DELETE 0x4
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define FILE_ATTRIBUTE_READONLY 0x1
#define FILE_ATTRIBUTE_DIRECTORY 0x10
#define FILE_ATTRIBUTE_NORMAL 0x80
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define MOVEFILE_REPLACE_EXISTING 0x1
#define MOVEFILE_WRITE_THROUGH 0x8
#define FILE_FLAG_WRITE_THROUGH 0x80000000u
#define SYNCHRONIZE 0x00100000L
#define WAIT_TIMEOUT 258L
struct WIN32_FIND_DATAW {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime, ftLastAccessTime, ftLastWriteTime;
    DWORD nFileSizeHigh, nFileSizeLow, dwReserved0, dwReserved1;
    WCHAR cFileName[MAX_PATH];
    WCHAR cAlternateFileName[14];
};
enum GET_FILEEX_INFO_LEVELS { GetFileExInfoStandard };
struct WIN32_FILE_ATTRIBUTE_DATA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime, ftLastAccessTime, ftLastWriteTime;
    DWORD nFileSizeHigh, nFileSizeLow;
};
struct BY_HANDLE_FILE_INFORMATION {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime, ftLastAccessTime, ftLastWriteTime;
    DWORD dwVolumeSerialNumber, nFileSizeHigh, nFileSizeLow, nNumberOfLinks, nFileIndexHigh, nFileIndexLow;
};
struct OVERLAPPED;
typedef OVERLAPPED* LPOVERLAPPED;
HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                   DWORD flags, HANDLE templateFile);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, const void* buffer, DWORD size, LPDWORD written, LPOVERLAPPED overlapped);
BOOL FlushFileBuffers(HANDLE file);
BOOL GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* information);
BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags);
BOOL DeleteFileW(LPCWSTR name);
DWORD GetFileAttributesW(LPCWSTR name);
BOOL GetFileAttributesExW(LPCWSTR name, GET_FILEEX_INFO_LEVELS level, LPVOID data);
LONG CompareFileTime(const FILETIME* a, const FILETIME* b);
DWORD GetModuleFileNameW(HMODULE module, LPWSTR name, DWORD length);
DWORD GetCurrentProcessId();
// The folder holds no temporary file of another process to find, and no other process runs.
HANDLE FindFirstFileW(LPCWSTR pattern, WIN32_FIND_DATAW* found);
BOOL FindNextFileW(HANDLE search, WIN32_FIND_DATAW* found);
BOOL FindClose(HANDLE search);
HANDLE OpenProcess(DWORD access, BOOL inherit, DWORD processId);
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
// Returns at once: no time passes in the fuzz target.
void Sleep(DWORD milliseconds);
BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
