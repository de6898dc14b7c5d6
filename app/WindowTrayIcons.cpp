#include "app/WindowTrayIcons.h"

#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "text/WString.h"
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
    return Shell_NotifyIconW(action, &record) != FALSE;
}

// An icon that is already gone is fine.
void WindowTrayIcons::Delete(uint32_t commandId) const
{
    NOTIFYICONDATAW record = WideTrayRecord(m_owner, 0, nullptr, 0, nullptr, kFirstWindowIconId + commandId);
    Shell_NotifyIconW(NIM_DELETE, &record);
}

void WindowTrayIcons::Sync(const HiddenMenu& menu, bool enabled)
{
    std::vector<const MenuEntry*> entries;
    if (enabled && m_owner)
        entries = menu.Entries();
    std::vector<uint32_t> wanted;
    wanted.reserve(entries.size());
    for (const MenuEntry* entry : entries)
        wanted.push_back(entry->commandId);
    std::sort(wanted.begin(), wanted.end());
    for (auto shown = m_shown.begin(); shown != m_shown.end();) {
        if (std::binary_search(wanted.begin(), wanted.end(), shown->first)) {
            ++shown;
            continue;
        }
        if (shown->second.added)
            Delete(shown->first);
        shown = m_shown.erase(shown);
    }
    for (const MenuEntry* entry : entries) {
        Shown& shown = m_shown[entry->commandId];
        const bool fresh = !shown.window;
        if (!fresh && shown.window == entry->window && shown.icon == entry->icon && shown.title.Equals(entry->title))
            continue;
        shown.window = entry->window;
        shown.icon = entry->icon;
        shown.title = entry->title;
        const uint32_t id = entry->commandId;
        shown.added = (shown.added && Tell(NIM_MODIFY, id, shown)) || Tell(NIM_ADD, id, shown);
    }
}

void WindowTrayIcons::Restore()
{
    for (auto& shown : m_shown)
        shown.second.added = Tell(NIM_ADD, shown.first, shown.second) || Tell(NIM_MODIFY, shown.first, shown.second);
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
