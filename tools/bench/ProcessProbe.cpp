#include "ProcessProbe.h"

#include "LinuxCpu.h"

#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool RunningUnderWine()
{
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

constexpr char kCounterDll[] = "vb_objcount.dll";
constexpr DWORD kRemoteWaitMs = 30000;
constexpr DWORD kSettleReadingMs = 50;
constexpr DWORD kQuietWaitMs = 3000;
constexpr DWORD kQuietSpanMs = 20;

// The system handle table as NtQuerySystemInformation(SystemHandleInformation) returns it.
constexpr ULONG kSystemHandleInformation = 16;
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);

struct HandleEntry {
    ULONG processId;
    UCHAR objectType;
    UCHAR flags;
    USHORT value;
    PVOID object;
    ACCESS_MASK access;
};

struct HandleTable {
    ULONG count;
    HandleEntry entries[1];
};

using QuerySystemInformation = NTSTATUS(NTAPI*)(ULONG, PVOID, ULONG, PULONG);

std::string DirectoryOfThisProgram()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text(path);
    return text.substr(0, text.find_last_of('\\') + 1);
}

// Base address of the module named name (no folder) in the process; 0 when it is not loaded.
uintptr_t RemoteModuleBase(HANDLE process, const char* name)
{
    std::vector<HMODULE> modules(512);
    DWORD needed = 0;
    if (!EnumProcessModulesEx(process, modules.data(), static_cast<DWORD>(modules.size() * sizeof(HMODULE)),
                              &needed, LIST_MODULES_ALL))
        return 0;
    modules.resize(std::min<size_t>(modules.size(), needed / sizeof(HMODULE)));
    for (HMODULE module : modules) {
        char base[MAX_PATH] = {};
        if (GetModuleBaseNameA(process, module, base, MAX_PATH) && _stricmp(base, name) == 0)
            return reinterpret_cast<uintptr_t>(module);
    }
    return 0;
}

// The address in the process of a function this process has loaded from the same module file.
uintptr_t RemoteAddress(HMODULE localModule, uintptr_t remoteBase, const char* function)
{
    FARPROC local = GetProcAddress(localModule, function);
    if (!local || !remoteBase)
        return 0;
    return remoteBase + (reinterpret_cast<uintptr_t>(local) - reinterpret_cast<uintptr_t>(localModule));
}

// Runs start(param) in a new thread of the process and returns the thread's exit code, or -1.
int64_t RunRemoteThread(HANDLE process, uintptr_t start, void* param)
{
    if (!start)
        return -1;
    HANDLE thread = CreateRemoteThread(process, nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(start),
                                       param, 0, nullptr);
    if (!thread)
        return -1;
    DWORD code = 0;
    bool done = WaitForSingleObject(thread, kRemoteWaitMs) == WAIT_OBJECT_0 && GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    return done ? static_cast<int64_t>(code) : -1;
}

} // namespace

int64_t SystemTableHandleCount(DWORD processId)
{
    auto query = reinterpret_cast<QuerySystemInformation>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query)
        return -1;
    for (ULONG size = 1 << 20; size <= (1u << 28); size *= 2) {
        std::vector<unsigned char> buffer(size);
        ULONG returned = 0;
        NTSTATUS status = query(kSystemHandleInformation, buffer.data(), size, &returned);
        if (status == kInfoLengthMismatch)
            continue;
        if (status < 0)
            return -1;
        const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
        int64_t count = 0;
        for (ULONG i = 0; i < table->count; ++i) {
            if (table->entries[i].processId == processId)
                ++count;
        }
        return count;
    }
    return -1;
}

// GetGuiResources is taken as not implemented when it reads 0 for this process, which always
// holds GDI objects.
ProcessProbe::ProcessProbe(HANDLE process) : m_process(process)
{
    SetLastError(0);
    m_objectsCounted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS) == 0 &&
                       GetLastError() == ERROR_CALL_NOT_IMPLEMENTED;
}

ProcessFigures ProcessProbe::Take()
{
    // The counter is loaded before anything is read, so that every set of figures sees it.
    if (m_objectsCounted)
        LoadCounter();
    ProcessFigures figures;
    figures.privateBytes = PrivateBytes();
    // Handles first: the counting threads below come and go, and must not be seen.
    figures.handles = Handles();
    figures.gdiObjects = GuiObjects(GR_GDIOBJECTS);
    figures.userObjects = GuiObjects(GR_USEROBJECTS);
    return figures;
}

ProcessFigures ProcessProbe::TakeSettled(int tries)
{
    ProcessFigures last = Take();
    for (int i = 1; i < tries; ++i) {
        Sleep(kSettleReadingMs);
        ProcessFigures next = Take();
        bool same = next.gdiObjects == last.gdiObjects && next.userObjects == last.userObjects &&
                    next.handles == last.handles;
        last = next;
        if (same)
            break;
    }
    return last;
}

// Wine answers GetProcessTimes for another process with figures that do not move (measured:
// a child busy for seconds stays at its first reading), and right ones for the calling process.
// Its Unix process's account is read from outside; only where that is not found does a thread
// run inside the process to read it.
double ProcessProbe::CpuMs()
{
    if (RunningUnderWine()) {
        if (const int pid = UnixPid()) {
            const double ms = LinuxTasksCpuMs(std::to_string(pid));
            if (ms >= 0) {
                m_cpuReadOutside = true;
                return ms;
            }
        }
        m_cpuReadInside = true;
        int64_t us = CountInProcess("VbProcessCpuUs");
        return us < 0 ? -1 : static_cast<double>(us) / 1000.0;
    }
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(m_process, &created, &exited, &kernel, &user))
        return -1;
    auto ticks = [](const FILETIME& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;
}

int ProcessProbe::UnixPid()
{
    if (m_unixPid >= 0)
        return m_unixPid;
    m_unixPid = 0;
    char path[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    if (RunningUnderWine() && QueryFullProcessImageNameA(m_process, 0, path, &length)) {
        const std::string file(path, length);
        m_unixPid = UnixPidOf(file.substr(file.find_last_of('\\') + 1).substr(0, 15));
    }
    return m_unixPid;
}

void ProcessProbe::WaitUntilQuiet()
{
    // A thread of this process is made here, not sent in from outside; and this process, reading
    // its own figures, never reads the same twice (each wait would last the whole deadline).
    if (GetProcessId(m_process) == GetCurrentProcessId())
        return;
    const int pid = UnixPid();
    if (!pid)
        return;
    const std::string process = std::to_string(pid);
    const ULONGLONG deadline = GetTickCount64() + kQuietWaitMs;
    double last = LinuxTasksCpuMs(process);
    while (last >= 0 && GetTickCount64() < deadline) {
        Sleep(kQuietSpanMs);
        const double now = LinuxTasksCpuMs(process);
        if (now == last)
            return;
        last = now;
    }
}

std::string ProcessProbe::Sources() const
{
    std::string text = m_privateFromPagefile ? "private bytes: PagefileUsage (PrivateUsage reads 0)"
                                             : "private bytes: PrivateUsage";
    text += m_handlesFromSystemTable ? "; handles: entries in the system handle table"
                                     : "; handles: GetProcessHandleCount";
    text += m_objectsCounted ? "; GDI/USER objects: counted inside the process by vb_objcount.dll "
                               "(GetGuiResources not implemented)"
                             : "; GDI/USER objects: GetGuiResources";
    return text;
}

std::string ProcessProbe::CpuSource() const
{
    if (m_cpuReadOutside && !m_cpuReadInside)
        return "processor time: the scheduler's exact account of the program's Unix process "
               "(/proc/PID/task/*/schedstat)";
    return m_cpuReadInside ? "processor time: GetProcessTimes read inside the process (Wine does not keep it up "
                             "to date for another process)"
                           : "processor time: GetProcessTimes";
}

// PagefileUsage is the same commit charge as PrivateUsage on Windows; Wine fills only the former.
int64_t ProcessProbe::PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(m_process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
        return -1;
    if (counters.PrivateUsage != 0)
        return static_cast<int64_t>(counters.PrivateUsage);
    m_privateFromPagefile = true;
    return static_cast<int64_t>(counters.PagefileUsage);
}

// A process always holds some handles, so a count of 0 means the call is not implemented.
int64_t ProcessProbe::Handles()
{
    DWORD count = 0;
    if (GetProcessHandleCount(m_process, &count) && count != 0)
        return count;
    m_handlesFromSystemTable = true;
    return SystemTableHandleCount(GetProcessId(m_process));
}

int64_t ProcessProbe::GuiObjects(DWORD kind)
{
    if (!m_objectsCounted)
        return GetGuiResources(m_process, kind);
    return CountInProcess(kind == GR_GDIOBJECTS ? "VbCountGdiObjects" : "VbCountUserObjects");
}

std::vector<int64_t> ProcessProbe::GdiObjectsByType()
{
    std::vector<int64_t> counts;
    if (!m_objectsCounted)
        return counts;
    counts.push_back(0);
    for (UINT_PTR type = OBJ_PEN; type <= OBJ_COLORSPACE; ++type)
        counts.push_back(CountInProcess("VbCountGdiObjects", reinterpret_cast<void*>(type)));
    return counts;
}

int64_t ProcessProbe::CountInProcess(const char* exportName, void* param)
{
    if (!LoadCounter())
        return -1;
    HMODULE local = GetModuleHandleA(kCounterDll);
    WaitUntilQuiet();
    return RunRemoteThread(m_process, RemoteAddress(local, m_counterBase, exportName), param);
}

// Loads vb_objcount.dll (beside this program) into the process once, through a remote thread
// that runs LoadLibraryA; this process loads it too, to learn where the exports lie.
bool ProcessProbe::LoadCounter()
{
    if (m_counterBase || m_counterFailed)
        return m_counterBase != 0;
    m_counterFailed = true;
    std::string path = DirectoryOfThisProgram() + kCounterDll;
    HMODULE local = LoadLibraryA(path.c_str());
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!local || !kernel)
        return false;
    // Memory is given and taken back in the process by the same kind of request as a thread.
    WaitUntilQuiet();
    void* remotePath = VirtualAllocEx(m_process, nullptr, path.size() + 1, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!remotePath)
        return false;
    bool written = WriteProcessMemory(m_process, remotePath, path.c_str(), path.size() + 1, nullptr) != FALSE;
    uintptr_t loadLibrary = RemoteAddress(kernel, RemoteModuleBase(m_process, "kernel32.dll"), "LoadLibraryA");
    // The thread's exit code holds only the low half of the module address: it is not used.
    bool loaded = written && RunRemoteThread(m_process, loadLibrary, remotePath) >= 0;
    VirtualFreeEx(m_process, remotePath, 0, MEM_RELEASE);
    m_counterBase = loaded ? RemoteModuleBase(m_process, kCounterDll) : 0;
    m_counterFailed = m_counterBase == 0;
    return m_counterBase != 0;
}

double UnixProcessCpuMs(int unixPid)
{
    if (unixPid <= 0)
        return -1;
    double exact = LinuxTasksCpuMs(std::to_string(unixPid));
    if (exact >= 0)
        return exact;
    std::string path = "Z:\\proc\\" + std::to_string(unixPid) + "\\stat";
    FILE* in = fopen(path.c_str(), "rb");
    if (!in)
        return -1;
    char text[1024] = {};
    size_t length = fread(text, 1, sizeof text - 1, in);
    fclose(in);
    text[length] = '\0';
    // After the command name in parentheses: state, then fields 4 to 15 of which the last two
    // are user and system time in clock ticks (100 a second).
    const char* rest = strrchr(text, ')');
    if (!rest)
        return -1;
    unsigned long long field[13] = {};
    char state = 0;
    if (sscanf(rest + 1, " %c %llu %llu %llu %llu %llu %llu %llu %llu %llu %llu %llu %llu", &state, &field[0],
               &field[1], &field[2], &field[3], &field[4], &field[5], &field[6], &field[7], &field[8], &field[9],
               &field[10], &field[11]) != 13)
        return -1;
    return static_cast<double>(field[10] + field[11]) * 10.0;
}
