#include "app/held/WindowTrayIcons.h"

#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "text/WString.h"
#include "winbase/LateLibraries.h"
#include "winbase/TrayRecord.h"

namespace {

// An entry without an icon shows the system's application icon.
HICON PictureOf(HICON icon)
{
    return icon ? icon : LoadIconA(nullptr, MAKEINTRESOURCEA(32512) /* IDI_APPLICATION */);
}

} // namespace

bool WindowTrayIcons::Tell(DWORD action, uint32_t commandId, const Shown& shown) const
{
    const WString tip = WString::FromNarrow(shown.title.IsNull() ? "" : shown.title.Text());
    NOTIFYICONDATAW record = WideTrayRecord(m_owner, kTrayRecordTipAndMessage | kTrayRecordPicture, tip.Text(),
                                            m_callback, PictureOf(shown.icon), kFirstWindowIconId + commandId);
    return LateShellNotifyIconW(action, &record) != FALSE;
}

// An icon that is already gone is fine.
void WindowTrayIcons::Delete(uint32_t commandId) const
{
    NOTIFYICONDATAW record = WideTrayRecord(m_owner, 0, nullptr, 0, nullptr, kFirstWindowIconId + commandId);
    LateShellNotifyIconW(NIM_DELETE, &record);
}

// The shell is told with sends to another process, during which this thread answers what
// others send it: an entry may leave the menu meanwhile, and a Sync asked for meanwhile only
// marks that another pass is due. So each pass reads the entries first, and the icons it no
// longer wants leave the map before the shell is told.
void WindowTrayIcons::Sync(const HiddenMenu& menu, bool enabled)
{
    m_syncDue = true;
    m_syncEnabled = enabled;
    if (m_syncing)
        return;
    m_syncing = true;
    while (m_syncDue) {
        m_syncDue = false;
        SyncOnce(menu, m_syncEnabled);
    }
    m_syncing = false;
}

void WindowTrayIcons::SyncOnce(const HiddenMenu& menu, bool enabled)
{
    std::vector<std::pair<uint32_t, Shown>> entries;
    if (enabled && m_owner) {
        for (const MenuEntry* entry : menu.Entries())
            entries.push_back({entry->commandId, Shown{entry->window, entry->icon, entry->title, false}});
    }
    std::vector<uint32_t> wanted;
    wanted.reserve(entries.size());
    for (const auto& entry : entries)
        wanted.push_back(entry.first);
    std::sort(wanted.begin(), wanted.end());
    std::vector<uint32_t> gone;
    for (auto shown = m_shown.begin(); shown != m_shown.end();) {
        if (std::binary_search(wanted.begin(), wanted.end(), shown->first)) {
            ++shown;
            continue;
        }
        if (shown->second.added)
            gone.push_back(shown->first);
        shown = m_shown.erase(shown);
    }
    for (uint32_t id : gone)
        Delete(id);
    for (auto& entry : entries) {
        Shown& shown = m_shown[entry.first];
        const Shown& now = entry.second;
        if (shown.window && shown.window == now.window && shown.icon == now.icon && shown.title.Equals(now.title))
            continue;
        const Shown before = shown;
        shown = now;
        shown.added = before.added;
        shown.version4 = before.version4;
        Show(entry.first, false);
    }
}

// The sends to the shell may let anything run: the record is looked up again after them.
void WindowTrayIcons::Show(uint32_t commandId, bool anew)
{
    const auto found = m_shown.find(commandId);
    if (found == m_shown.end())
        return;
    const Shown wanted = found->second;
    const bool modified = !anew && wanted.added && Tell(NIM_MODIFY, commandId, wanted);
    const bool taken =
        modified || Tell(NIM_ADD, commandId, wanted) || (anew && Tell(NIM_MODIFY, commandId, wanted));
    const bool version4 =
        modified ? wanted.version4 : taken && AskTrayVersion4(m_owner, kFirstWindowIconId + commandId);
    const auto shown = m_shown.find(commandId);
    if (shown != m_shown.end()) {
        shown->second.added = taken;
        shown->second.version4 = version4;
    }
}

void WindowTrayIcons::Restore()
{
    std::vector<uint32_t> ids;
    for (const auto& shown : m_shown)
        ids.push_back(shown.first);
    for (uint32_t id : ids)
        Show(id, true);
}

void WindowTrayIcons::RemoveAll()
{
    for (const auto& shown : m_shown) {
        if (shown.second.added)
            Delete(shown.first);
    }
    m_shown.clear();
}

uint32_t WindowTrayIcons::EntryIdFor(WPARAM iconId, const HiddenMenu& menu) const
{
    if (iconId < kFirstWindowIconId || iconId - kFirstWindowIconId > kLastEntryId)
        return 0;
    const uint32_t commandId = static_cast<uint32_t>(iconId - kFirstWindowIconId);
    if (m_shown.find(commandId) == m_shown.end() || !menu.EntryById(commandId))
        return 0;
    return commandId;
}

// Only the first layout's high word is 0; a command id (the second's high word) never is.
WindowTrayIcons::Report WindowTrayIcons::Read(WPARAM wParam, LPARAM lParam, const HiddenMenu& menu) const
{
    Report report;
    if (static_cast<ULONG_PTR>(lParam) > 0xFFFFFFFFu)
        return report;
    report.event = LOWORD(lParam);
    const WORD idLow = HIWORD(lParam);
    if (idLow == 0) {
        if (!IsVersion4Event(report.event))
            report.commandId = EntryIdFor(wParam, menu);
        return report;
    }
    report.version4 = true;
    for (const auto& shown : m_shown) {
        if (shown.second.version4 && ((kFirstWindowIconId + shown.first) & 0xFFFFu) == idLow) {
            report.commandId = EntryIdFor(kFirstWindowIconId + shown.first, menu);
            break;
        }
    }
    return report;
}

// The icons' actions only post: each ends as it is admitted.
WindowTrayIcons::Report WindowTrayIcons::Take(WPARAM wParam, LPARAM lParam, const HiddenMenu& menu)
{
    Report report = Read(wParam, lParam, menu);
    if (report.commandId != 0 && !m_clicks.Admit(report.commandId, report.event, report.version4))
        report.commandId = 0;
    m_clicks.Ended();
    return report;
}
