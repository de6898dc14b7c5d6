// The candidate list's entries in the list box and the records behind them: changes made in
// place, with as few messages to the list box and as little repainting as they need, and the
// icons asked for them.
#include "app/list/CandidateList.h"

#include <algorithm>
#include <climits>

#include "app/list/ListBox.h"

namespace {

// The first rechecks of icons asked at the same time are spread over this many parts of the
// recheck time, so a full list is not asked again all at once.
constexpr uint32_t kSpreadParts = 10;

} // namespace

void CandidateList::ApplyInPlace(Edits& edits)
{
    if (edits.EntryChanges() > 0) {
        ChangeEntries(edits);
    }
    SilentThreads& silent = RememberedSilentThreads();
    for (CandidateRecord* record : edits.iconDue) {
        HICON before = record->icon;
        RecheckIcon(*record, silent);
        if (record->icon != before) {
            RepaintEntry(record);
        }
    }
}

// The entries change with redrawing suspended, so the list box redraws its scroll bar once, not
// once per change. Afterwards the rows in view from the first changed one down are repainted:
// all of them when an entry above the view came or went, since the rows below it moved. The
// selected entry's own removal or move is put right here, and the view keeps the position of
// its first entry, as a rebuild keeps it.
void CandidateList::ChangeEntries(Edits& edits)
{
    SilentThreads& silent = RememberedSilentThreads();
    QF_LISTBOX list(m_listBox);
    CandidateRecord* selected = Selected();
    int top = list.TopIndex();
    int firstChanged = INT_MAX;
    bool reselect = false;
    SendMessageA(m_listBox, WM_SETREDRAW, FALSE, 0);
    for (CandidateRecord* record : edits.removed) {
        if (record == selected) {
            reselect = true;
            selected = nullptr;
        }
        firstChanged = std::min(firstChanged, RemoveEntry(record));
        TakeRecord(record);
    }
    for (auto& retitled : edits.retitled) {
        CandidateRecord* record = retitled.first;
        firstChanged = std::min(firstChanged, RemoveEntry(record));
        record->title = std::move(retitled.second);
        AskIcon(*record, silent, false);
        firstChanged = std::min(firstChanged, AddEntry(record));
        reselect = reselect || record == selected;
    }
    for (Seen& found : edits.added) {
        auto record = std::make_unique<CandidateRecord>();
        record->window = found.window;
        record->title = std::move(found.title);
        record->seenInPass = m_pass;
        AskIcon(*record, silent, true);
        CandidateRecord* added = record.get();
        KeepRecord(std::move(record));
        firstChanged = std::min(firstChanged, AddEntry(added));
    }
    if (reselect) {
        auto at = selected ? std::find(m_order.begin(), m_order.end(), selected) : m_order.end();
        list.SelectIndex(at == m_order.end() ? -1 : static_cast<int>(at - m_order.begin()));
    }
    int count = static_cast<int>(m_order.size());
    int keptTop = std::min(std::max(top, 0), std::max(count - 1, 0));
    bool moved = count > 0 && list.TopIndex() != keptTop && list.SetTopIndex(keptTop);
    SendMessageA(m_listBox, WM_SETREDRAW, TRUE, 0);
    RECT rows = {};
    GetClientRect(m_listBox, &rows);
    RECT first = {};
    if (moved || reselect || firstChanged <= keptTop) {
        InvalidateRect(m_listBox, nullptr, TRUE);
    } else if (firstChanged < count &&
               SendMessageA(m_listBox, LB_GETITEMRECT, static_cast<WPARAM>(firstChanged),
                            reinterpret_cast<LPARAM>(&first)) != LB_ERR &&
               first.top < rows.bottom) {
        rows.top = first.top;
        InvalidateRect(m_listBox, &rows, TRUE);
    }
}

int CandidateList::RemoveEntry(CandidateRecord* record)
{
    auto at = std::find(m_order.begin(), m_order.end(), record);
    if (at == m_order.end()) {
        return INT_MAX;
    }
    int index = static_cast<int>(at - m_order.begin());
    SendMessageA(m_listBox, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
    m_order.erase(at);
    return index;
}

// An entry the list box refuses stays without one; its record is kept, so the window is not
// asked again before its next change.
int CandidateList::AddEntry(CandidateRecord* record)
{
    QF_LISTBOX list(m_listBox);
    int index = list.Add(record->title.Text());
    if (index < 0 || static_cast<size_t>(index) > m_order.size()) {
        return INT_MAX;
    }
    list.SetItemData(index, reinterpret_cast<LRESULT>(record));
    m_order.insert(m_order.begin() + index, record);
    return index;
}

void CandidateList::RepaintEntry(const CandidateRecord* record)
{
    auto at = std::find(m_order.begin(), m_order.end(), record);
    RECT item = {};
    if (at != m_order.end() &&
        SendMessageA(m_listBox, LB_GETITEMRECT, static_cast<WPARAM>(at - m_order.begin()),
                     reinterpret_cast<LPARAM>(&item)) != LB_ERR) {
        InvalidateRect(m_listBox, &item, TRUE);
    }
}

std::unique_ptr<CandidateRecord> CandidateList::TakeRecord(const CandidateRecord* record)
{
    auto at = std::find_if(m_records.begin(), m_records.end(),
                           [record](const std::unique_ptr<CandidateRecord>& r) { return r.get() == record; });
    if (!record || at == m_records.end()) {
        return nullptr;
    }
    std::unique_ptr<CandidateRecord> taken = std::move(*at);
    m_records.erase(at);
    return taken;
}

void CandidateList::KeepRecord(std::unique_ptr<CandidateRecord> record)
{
    HWND window = record->window;
    auto at = std::lower_bound(m_records.begin(), m_records.end(), window,
                               [](const std::unique_ptr<CandidateRecord>& r, HWND w) { return r->window < w; });
    m_records.insert(at, std::move(record));
}

// spread: the window is new to the list, and its first recheck is spread with the others'.
void CandidateList::AskIcon(CandidateRecord& record, SilentThreads& silent, bool spread)
{
    HICON own = WindowOwnIcon(record.window, &silent);
    record.icon = own ? own : WindowFallbackIcon(record.window);
    record.iconOwn = own != nullptr;
    record.iconStandIn = silent.IsSilent(record.window);
    ULONGLONG delay = m_iconRecheckMs;
    if (spread) {
        delay += m_iconRecheckMs * (m_spread++ % kSpreadParts) / kSpreadParts;
    }
    record.iconDue = GetTickCount64() + delay;
}

// A recheck asks the window for its own icon only: programs change their windows' icons, hardly
// ever their classes'. A window that has dropped its own icon (or no longer answers) falls back
// to its class's or the default one, as the full query gives it.
void CandidateList::RecheckIcon(CandidateRecord& record, SilentThreads& silent)
{
    HICON own = WindowOwnIcon(record.window, &silent);
    if (own) {
        record.icon = own;
    } else if (record.iconOwn) {
        record.icon = WindowFallbackIcon(record.window);
    }
    record.iconOwn = own != nullptr;
    record.iconStandIn = silent.IsSilent(record.window);
    record.iconDue = GetTickCount64() + m_iconRecheckMs;
}
