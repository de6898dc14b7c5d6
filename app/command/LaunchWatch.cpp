#include "app/command/LaunchWatch.h"

#include <tlhelp32.h>

#include <algorithm>
#include <map>

#include "app/rules/WindowMatch.h"
#include "winbase/ScopedHandles.h"

namespace {

// Launchers rarely nest deeper than a couple of processes.
constexpr int kMaxGenerations = 8;

bool Contains(const std::vector<DWORD>& processes, DWORD process)
{
    return std::find(processes.begin(), processes.end(), process) != processes.end();
}

std::map<DWORD, DWORD> ParentsOfAllProcesses()
{
    std::map<DWORD, DWORD> parents;
    const OwnedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return parents;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
        parents[entry.th32ProcessID] = entry.th32ParentProcessID;
    return parents;
}

} // namespace

bool IsDescendantOf(DWORD process, DWORD ancestor, uint64_t ancestorCreated)
{
    const std::map<DWORD, DWORD> parents = ParentsOfAllProcesses();
    for (int generation = 0; generation < kMaxGenerations; ++generation) {
        const uint64_t created = ProcessCreationTime(process);
        if (created != 0 && created < ancestorCreated)
            return false;
        const auto parent = parents.find(process);
        if (parent == parents.end() || parent->second == 0 || parent->second == process)
            return false;
        if (parent->second == ancestor)
            return true;
        process = parent->second;
    }
    return false;
}

bool LaunchWatch::Owns(DWORD process)
{
    if (Contains(family, process))
        return true;
    if (process == 0 || Contains(strangers, process))
        return false;
    const bool own = process == processId ? ProcessCreationTime(process) == created
                                          : IsDescendantOf(process, processId, created);
    (own ? family : strangers).push_back(process);
    return own;
}
