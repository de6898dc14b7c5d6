#include "winbase/CommandIds.h"

#include <iterator>

namespace {

constexpr uint32_t kFirstCommandId = 1024;

struct ProcessCommandIds {
    CSECTION lock;
    CommandIdSet ids{kFirstCommandId};
};

ProcessCommandIds& Process()
{
    static ProcessCommandIds process;
    return process;
}

// Creates the lock and the set while the program starts, before any thread
// of ours can race for them.
const bool g_createdAtStart = (Process(), true);

}  // namespace

uint32_t AllocateCommandId(CommandIdSet& ids)
{
    if (ids.empty()) {
        return kFirstCommandId;
    }
    for (auto it = ids.begin(); it != ids.end(); ++it) {
        const uint32_t value = *it;
        auto next = std::next(it);
        if (next == ids.end() || *next != value + 1) {
            ids.insert(value + 1);
            return value + 1;
        }
    }
    return kFirstCommandId;
}

CSECTION& FrameworkLock()
{
    return Process().lock;
}

uint32_t NextCommandId()
{
    ProcessCommandIds& process = Process();
    CSectionGuard guard(process.lock);
    return AllocateCommandId(process.ids);
}
