#include "app/held/HeldRecovery.h"

#include <algorithm>

#include "app/ForeignWindow.h"
#include "app/TitleAndIcon.h"
#include "app/held/WindowPlace.h"
#include "app/rules/WindowMatch.h"

HeldRecord DescribeWindow(HWND window, const NString& title, const std::vector<HWND>& owned)
{
    HeldRecord record;
    record.window = window;
    record.title = title;
    record.owned = owned;
    // Zero for a window that is gone.
    if (!window || !GetWindowThreadProcessId(window, &record.processId))
        return record;
    record.processCreated = ProcessCreationTime(record.processId);
    record.className = NString::FromClassName(window);
    return record;
}

bool SameWindow(const HeldRecord& record)
{
    if (!record.window || !IsWindow(record.window))
        return false;
    HeldRecord now = DescribeWindow(record.window, record.title);
    return now.processId != 0 && now.processId == record.processId &&
           now.processCreated == record.processCreated && now.className.Equals(record.className);
}

bool StillHeld(const HeldRecord& record)
{
    return SameWindow(record) && !IsWindowVisible(record.window);
}

std::vector<HWND> StillOwned(const HeldRecord& record, bool hiddenOnly)
{
    std::vector<HWND> owned;
    for (HWND window : record.owned) {
        DWORD processId = 0;
        if (!window || window == record.window || !IsWindow(window) || (hiddenOnly && IsWindowVisible(window)) ||
            std::find(owned.begin(), owned.end(), window) != owned.end())
            continue;
        GetWindowThreadProcessId(window, &processId);
        if (processId == record.processId && IsOwnedBy(window, record.window))
            owned.push_back(window);
    }
    return owned;
}

std::vector<HeldRecord> OneRecordPerWindow(const std::vector<HeldRecord>& records)
{
    std::vector<HeldRecord> kept;
    for (const HeldRecord& record : records) {
        const auto same = std::find_if(kept.begin(), kept.end(),
                                       [&record](const HeldRecord& k) { return k.window == record.window; });
        if (same == kept.end()) {
            kept.push_back(record);
            continue;
        }
        HeldRecord newer = record;
        for (HWND owned : same->owned) {
            if (std::find(newer.owned.begin(), newer.owned.end(), owned) == newer.owned.end())
                newer.owned.push_back(owned);
        }
        kept.erase(same);
        kept.push_back(newer);
    }
    return kept;
}

bool TakeBackHeldWindow(HiddenMenu& menu, const HeldRecord& record, SilentThreads& silent)
{
    if (!SameWindow(record))
        return false;
    bool pending = false;
    if (IsWindowVisible(record.window))
        pending = !WindowAnswers(record.window, &silent);
    if (!pending && IsWindowVisible(record.window)) {
        for (HWND owned : StillOwned(record))
            QueueShowWindow(owned, SW_SHOWNA);
        return false;
    }
    TitledWindow candidate;
    candidate.window = record.window;
    candidate.title = record.title.IsEmpty() ? StoredTitle(record.window) : record.title;
    candidate.icon = WindowIcon(record.window);
    MenuEntry* entry = menu.AddEntry(candidate);
    if (!entry)
        return false;
    entry->owned = StillOwned(record, !pending);
    if (pending)
        menu.AwaitQueuedHide(entry->commandId);
    return true;
}
