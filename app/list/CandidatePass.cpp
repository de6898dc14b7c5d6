// The candidate list's refresh: which windows are candidates now, what differs from the list,
// which windows are asked for their icons, and the look-ups that bring a window's entry up to
// date first while the dialog is hidden.
#include "app/list/CandidateList.h"

#include <algorithm>
#include <cstring>

#include "app/list/ListBox.h"

namespace {

// Up to this many entry changes beyond half the list are made in place; more rebuild it, and so
// does the first filling of an empty list.
constexpr size_t kFewChanges = 8;

struct ScopedFlag {
    explicit ScopedFlag(bool& flag) : m_flag(flag) { m_flag = true; }
    ~ScopedFlag() { m_flag = false; }
    bool& m_flag;
};

bool SameText(const NString& a, const NString& b)
{
    return a.Length() == b.Length() && std::memcmp(a.Text(), b.Text(), a.Length()) == 0;
}

} // namespace

bool CandidateList::DialogShown() const
{
    HWND root = GetAncestor(m_listBox, GA_ROOT);
    return root && IsWindowVisible(root) && !IsIconic(root);
}

// A top-level window's own style tells what IsWindowVisible and GetParent would: it is visible
// when its style says so (its parent is the desktop), and it can have a parent or owner that
// counts only as a pop-up or child. One question instead of several, and the title is read
// only for a visible window.
bool CandidateList::IsCandidate(HWND window, NString& title) const
{
    if (!window || window == m_ownWindow) {
        return false;
    }
    LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    if (!(style & WS_VISIBLE) || ((style & (WS_POPUP | WS_CHILD)) && GetParent(window))) {
        return false;
    }
    title = StoredTitle(window);
    return !title.IsEmpty() && std::strcmp(title.Text(), kDesktopTitle) != 0;
}

std::vector<CandidateList::Seen> CandidateList::Collect() const
{
    struct Walk {
        const CandidateList* list;
        std::vector<Seen> seen;
    } walk{this, {}};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* w = reinterpret_cast<Walk*>(param);
            NString title;
            if (w->list->IsCandidate(window, title)) {
                w->seen.push_back({window, title});
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&walk));
    return std::move(walk.seen);
}

void CandidateList::Refresh()
{
    if (m_refreshing || !m_listBox) {
        return;
    }
    if (!DialogShown()) {
        return;
    }
    ScopedFlag refreshing(m_refreshing);
    ++m_pass;
    m_lastRefresh = GetTickCount64();
    RememberedSilentThreads().ForgetOlderThan(kSilenceMemoryMs);
    std::vector<Seen> seen = Collect();
    if (QF_LISTBOX(m_listBox).Count() != static_cast<int>(m_order.size())) {
        Rebuild(seen);
        return;
    }
    Edits edits = Compare(seen);
    if (edits.Empty()) {
        return;
    }
    if (m_order.empty() || edits.EntryChanges() > m_order.size() / 2 + kFewChanges) {
        Rebuild(seen);
    } else {
        ApplyInPlace(edits);
    }
}

void CandidateList::Update(HWND window)
{
    if (m_refreshing || !m_listBox) {
        return;
    }
    if (!DialogShown()) {
        return;
    }
    if (!UpdateOne(window)) {
        Refresh();
    }
}

// False, with nothing changed, when the list box's entries are not the records'.
bool CandidateList::UpdateOne(HWND window)
{
    if (m_refreshing || QF_LISTBOX(m_listBox).Count() != static_cast<int>(m_order.size())) {
        return false;
    }
    ScopedFlag refreshing(m_refreshing);
    Edits edits = CompareOne(window);
    ApplyInPlace(edits);
    return true;
}

bool CandidateList::Concerns(HWND window)
{
    NString title;
    return Lookup(window) || IsCandidate(window, title);
}

// Marks the records found.
CandidateList::Edits CandidateList::Compare(const std::vector<Seen>& seen)
{
    Edits edits;
    ULONGLONG now = GetTickCount64();
    const SilentThreads& silent = RememberedSilentThreads();
    for (const Seen& found : seen) {
        CandidateRecord* record = Lookup(found.window);
        if (!record) {
            edits.added.push_back(found);
            continue;
        }
        record->seenInPass = m_pass;
        if (!SameText(record->title, found.title)) {
            edits.retitled.emplace_back(record, found.title);
        } else if (IconIsDue(*record, now, silent)) {
            edits.iconDue.push_back(record);
        }
    }
    for (const std::unique_ptr<CandidateRecord>& record : m_records) {
        if (record->seenInPass != m_pass) {
            edits.removed.push_back(record.get());
        }
    }
    return edits;
}

CandidateList::Edits CandidateList::CompareOne(HWND window)
{
    Edits edits;
    NString title;
    bool candidate = IsCandidate(window, title);
    CandidateRecord* record = Lookup(window);
    if (record && !candidate) {
        edits.removed.push_back(record);
    } else if (record && !SameText(record->title, title)) {
        edits.retitled.emplace_back(record, std::move(title));
    } else if (!record && candidate) {
        edits.added.push_back({window, std::move(title)});
    }
    return edits;
}

bool CandidateList::IconIsDue(const CandidateRecord& record, ULONGLONG now, const SilentThreads& silent) const
{
    return now >= record.iconDue || (record.iconStandIn && !silent.IsSilent(record.window));
}

void CandidateList::Rebuild(std::vector<Seen>& seen)
{
    QF_LISTBOX list(m_listBox);
    CandidateRecord* selected = Selected();
    HWND keep = selected ? selected->window : nullptr;
    int top = list.TopIndex();

    // The records of windows found again keep their icons; only new titles and due icons are
    // asked for.
    SilentThreads& silent = RememberedSilentThreads();
    ULONGLONG now = GetTickCount64();
    Records records;
    for (Seen& found : seen) {
        std::unique_ptr<CandidateRecord> record = TakeRecord(Lookup(found.window));
        bool known = record && SameText(record->title, found.title);
        if (!record) {
            record = std::make_unique<CandidateRecord>();
            record->window = found.window;
        }
        record->title = std::move(found.title);
        record->seenInPass = m_pass;
        if (!known) {
            AskIcon(*record, silent, record->iconDue == 0);
        } else if (IconIsDue(*record, now, silent)) {
            RecheckIcon(*record, silent);
        }
        records.push_back(std::move(record));
    }

    SendMessageA(m_listBox, WM_SETREDRAW, FALSE, 0);
    Clear();
    for (std::unique_ptr<CandidateRecord>& record : records) {
        CandidateRecord* added = record.get();
        KeepRecord(std::move(record));
        AddEntry(added);
    }
    if (keep) {
        SelectWindow(keep);
    }
    int count = list.Count();
    if (count > 0) {
        list.SetTopIndex(std::min(std::max(top, 0), count - 1));
    }
    SendMessageA(m_listBox, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(m_listBox, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE);
}

// A message to the list box is not cheap (the help popups' hook sits on it), so the look-up
// reads the entries' order as the list box reported it while they were added, and asks the
// list box only to confirm the match; a list box that disagrees is walked entry by entry.
int CandidateList::Find(HWND window)
{
    if (m_listBox && !DialogShown()) {
        UpdateOne(window);
    }
    return IndexOf(window);
}

int CandidateList::IndexOf(HWND window)
{
    int count = Count();
    if (count == static_cast<int>(m_order.size())) {
        auto match = std::find_if(m_order.begin(), m_order.end(),
                                  [window](const CandidateRecord* record) { return record->window == window; });
        if (match == m_order.end()) {
            return LB_ERR;
        }
        int index = static_cast<int>(match - m_order.begin());
        if (RecordAt(index) == *match) {
            return index;
        }
    }
    return FindByWalking(window, count);
}

// The entry look-up by item data, entry by entry.
int CandidateList::FindByWalking(HWND window, int count)
{
    for (int i = 0; i < count; ++i) {
        CandidateRecord* record = RecordAt(i);
        if (record && record->window == window) {
            return i;
        }
    }
    return LB_ERR;
}

const CandidateRecord* CandidateList::RecordOf(HWND window)
{
    if (m_listBox && !DialogShown()) {
        UpdateOne(window);
    }
    return Lookup(window);
}

bool CandidateList::SelectWindow(HWND window)
{
    int index = Find(window);
    return index != LB_ERR && QF_LISTBOX(m_listBox).SelectIndex(index);
}

bool CandidateList::SelectListedWindow(HWND window)
{
    int index = IndexOf(window);
    return index != LB_ERR && QF_LISTBOX(m_listBox).SelectIndex(index);
}
