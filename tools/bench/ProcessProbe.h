// What one process uses, read from outside it: private bytes, GDI and USER objects, handles and
// processor time. Where the system does not report a figure for another process (under Wine:
// private bytes, GDI and USER objects, handle count) the probe falls back to a figure that
// measures the same thing, and says so in Sources().
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "LinuxCpu.h"

struct ProcessFigures {
    // -1: could not be measured.
    int64_t privateBytes = -1;
    int64_t gdiObjects = -1;
    int64_t userObjects = -1;
    int64_t handles = -1;
};

class ProcessProbe {
public:
    // process needs PROCESS_ALL_ACCESS (a handle from CreateProcess has it); it is borrowed.
    explicit ProcessProbe(HANDLE process);
    ProcessProbe(const ProcessProbe&) = delete;
    ProcessProbe& operator=(const ProcessProbe&) = delete;

    ProcessFigures Take();
    // Take() repeated until two readings in a row agree on the objects and handles (at most
    // tries readings): the program's once-a-second refresh and repaint hold a few objects for
    // a moment, and a reading made meanwhile would count them.
    ProcessFigures TakeSettled(int tries = 10);
    // Kernel plus user time the process has used, in milliseconds; -1 when unknown. Under Wine
    // it is read from outside, from its Unix process, where that is found; else inside it.
    double CpuMs();
    // One line naming where the memory, object and handle figures came from.
    std::string Sources() const;
    // Where CpuMs() came from.
    std::string CpuSource() const;
    // The process's Unix process under Wine, looked up once; 0 when not found.
    int UnixPid();
    // GDI objects by type (index: OBJ_PEN 1 ... OBJ_COLORSPACE 14); empty where the objects are
    // not counted inside the process, which alone can tell their types.
    std::vector<int64_t> GdiObjectsByType();

private:
    int64_t PrivateBytes();
    int64_t Handles();
    int64_t GuiObjects(DWORD kind);
    // Runs an export of vb_objcount.dll in a thread of the process; -1 when that fails.
    int64_t CountInProcess(const char* exportName, void* param = nullptr);
    bool LoadCounter();
    // Waits (at most a few seconds) until the process has used no processor time for a while.
    // Wine creates a thread in another process inside a signal handler of whichever of its
    // threads runs; one caught inside malloc deadlocks for good, so threads are sent in only
    // while the process waits.
    void WaitUntilQuiet();

    HANDLE m_process;
    bool m_privateFromPagefile = false;
    bool m_handlesFromSystemTable = false;
    bool m_objectsCounted = false;
    bool m_cpuReadInside = false;
    bool m_cpuReadOutside = false;
    int m_unixPid = -1;
    bool m_counterFailed = false;
    uintptr_t m_counterBase = 0;
};

// Handles of the process in the system's handle table; -1 when the table cannot be read.
int64_t SystemTableHandleCount(DWORD processId);

// Under Wine, the work of many system calls is done by the session's wineserver, a Unix process
// of its own, not by the calling process: processor time of the Unix process unixPid (read from
// /proc through drive Z:: the scheduler's exact account, else user plus system clock ticks), in
// milliseconds; -1 when it cannot be read.
double UnixProcessCpuMs(int unixPid);

