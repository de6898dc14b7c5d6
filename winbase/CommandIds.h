// The framework's process-wide lock and the command-id set it guards.
//
// Command ids are handed out once per use and never returned; the set starts
// as {1024}, so the first id handed out is 1025.
#pragma once

#include <windows.h>

#include <cstdint>
#include <set>

// Owns one Win32 critical section for its whole life.
class CSECTION {
public:
    CSECTION() { InitializeCriticalSection(&m_section); }
    CSECTION(const CSECTION&) = delete;
    CSECTION& operator=(const CSECTION&) = delete;
    virtual ~CSECTION() { DeleteCriticalSection(&m_section); }

    void Enter() { EnterCriticalSection(&m_section); }
    void Leave() { LeaveCriticalSection(&m_section); }

private:
    CRITICAL_SECTION m_section;
};

// Holds a CSECTION from construction to destruction, also when an exception
// leaves the scope.
class CSectionGuard {
public:
    explicit CSectionGuard(CSECTION& section) : m_section(section) { m_section.Enter(); }
    CSectionGuard(const CSectionGuard&) = delete;
    CSectionGuard& operator=(const CSectionGuard&) = delete;
    ~CSectionGuard() { m_section.Leave(); }

private:
    CSECTION& m_section;
};

using CommandIdSet = std::set<uint32_t>;

// Takes the lowest id above the first run of consecutive ids in the set and
// records it. An empty set gives 1024 and stays empty. The caller holds
// whatever lock protects the set.
uint32_t AllocateCommandId(CommandIdSet& ids);

// The process-wide lock; it guards the process-wide command-id set.
CSECTION& FrameworkLock();

// AllocateCommandId on the process-wide set, under FrameworkLock(). Safe to
// call from any thread; no two calls return the same id.
uint32_t NextCommandId();
