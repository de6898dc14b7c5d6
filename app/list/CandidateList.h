// The candidate list: the visible, titled, parentless top-level windows the
// user may hide, shown in the main dialog's sorted, owner-drawn list box.
//
// Each entry's string is the window's title (so the list box sorts by title)
// and its item data points to a CandidateRecord owned by the CandidateList.
// A record lives while its window is listed (a rebuild keeps the records of
// the windows it finds again) and until the list is cleared; its window
// handle may die meanwhile, and every use of it then fails harmlessly.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "app/TitleAndIcon.h"
#include "text/NString.h"

// A listed window: its title (the stored title when its entry was last made; never empty), its
// handle and its icon, with the list's bookkeeping.
struct CandidateRecord : TitledWindow {
    // The list's bookkeeping. When the icon is to be asked for again
    // (GetTickCount64 time); whether it is the window's own (not its class's
    // or the default); whether it is a stand-in given while the window's
    // thread did not answer, asked for again once it answers; the last
    // refresh pass that found the window.
    ULONGLONG iconDue = 0;
    bool iconOwn = false;
    bool iconStandIn = false;
    uint32_t seenInPass = 0;
};

class CandidateList {
public:
    // How long a listed window's icon is trusted before the window is asked
    // again, so that a changed icon still shows.
    static constexpr ULONGLONG kIconRecheckMs = 10000;

    CandidateList() = default;
    CandidateList(const CandidateList&) = delete;
    CandidateList& operator=(const CandidateList&) = delete;
    // Empties the list box if it still exists, then frees the records.
    ~CandidateList();

    // Binds the list to its list box; ownWindow (the main dialog) is never
    // listed. The list box's entries are then added and removed only through
    // this object.
    void Attach(HWND listBox, HWND ownWindow);
    HWND ListBox() const noexcept { return m_listBox; }

    // Brings the list up to date with the current top-level windows.
    //
    // While the list box's top-level window is hidden or minimised nobody
    // sees the list: the refresh does nothing at all, and whoever shows the
    // window again refreshes the list then.
    //
    // Otherwise each candidate's stored title is read, and a window is asked
    // for its icon only when it is new to the list or its title changed; its
    // own icon is asked for again when the icon is kIconRecheckMs old (the
    // first rechecks are spread over that time) or is a stand-in and its
    // thread answers again. A thread that stopped answering is not asked while
    // RememberedSilentThreads() holds it: its windows get their class icon or
    // the default, as when the query times out. Nothing changed: the list box
    // gets no message but one count, and no repaint. A few changes are made
    // in place: an entry is removed, added at its sorted place, or removed
    // and added again with its new title; a changed icon repaints its entry
    // only. Many changes, or a list box whose entries are not the records',
    // rebuild the list with redrawing suspended. Either way the selected
    // window stays selected while it is still a candidate and the view keeps
    // its scroll position. A call made while a refresh is running (from a
    // message that arrives during it) does nothing.
    void Refresh();
    // Brings the entry of one window up to date (added, retitled or removed)
    // without looking at any other window. Does nothing while the list box's
    // top-level window is hidden or minimised.
    void Update(HWND window);
    // True when a change of window may change the list: it is listed, or it
    // is a candidate now.
    bool Concerns(HWND window);
    // GetTickCount64 time of the last refresh that looked at the windows; 0
    // before the first.
    ULONGLONG LastRefresh() const noexcept { return m_lastRefresh; }
    // Replaces kIconRecheckMs (for tests).
    void SetIconRecheckMs(ULONGLONG ms) noexcept { m_iconRecheckMs = ms; }
    // Empties the list box and frees every record.
    void Clear();

    // Index of the first entry whose record holds window; LB_ERR when none
    // does (also for an empty list). While the list box's top-level window is
    // hidden, the list is not refreshed: the window's own entry is then
    // brought up to date first, so a look-up (Hide Active from the tray)
    // never misses a window that came meanwhile.
    int Find(HWND window);
    // Selects the entry of window; false, with the selection unchanged, when
    // it is not listed.
    bool SelectWindow(HWND window);
    // Selects the entry of window as the list holds it, without bringing the
    // entry up to date first (for a window just looked at, or hidden since).
    bool SelectListedWindow(HWND window);
    // The record of the listed window, found without a message to the list
    // box while its top-level window is shown; null when the window is not
    // listed. While it is hidden, the window's entry is first brought up to
    // date, as Find does.
    const CandidateRecord* RecordOf(HWND window);
    // The record behind an entry; null for an entry without one or a bad
    // index.
    CandidateRecord* RecordAt(int index);
    // The record of the selected entry, or null.
    CandidateRecord* Selected();
    // The record at the address data, when it is one of the list's records; null otherwise. An
    // entry's item data is any program's to set (LB_SETITEMDATA), so it stands for a record only
    // once found here.
    const CandidateRecord* OwnedRecord(ULONG_PTR data) const;
    int Count();

private:
    using Records = std::vector<std::unique_ptr<CandidateRecord>>;
    // A candidate as one pass found it.
    struct Seen {
        HWND window;
        NString title;
    };
    // What a pass found different from the list.
    struct Edits {
        std::vector<CandidateRecord*> removed;
        std::vector<std::pair<CandidateRecord*, NString>> retitled;
        std::vector<Seen> added;
        std::vector<CandidateRecord*> iconDue;
        size_t EntryChanges() const { return removed.size() + retitled.size() + added.size(); }
        bool Empty() const { return EntryChanges() == 0 && iconDue.empty(); }
    };

    // CandidatePass.cpp: finding the candidates and what differs from the list;
    // CandidateEntries.cpp: the list box's entries changed in place.
    bool DialogShown() const;
    // Find without bringing the entry up to date.
    int IndexOf(HWND window);
    bool IsCandidate(HWND window, NString& title) const;
    std::vector<Seen> Collect() const;
    Edits Compare(const std::vector<Seen>& seen);
    Edits CompareOne(HWND window);
    bool UpdateOne(HWND window);
    bool IconIsDue(const CandidateRecord& record, ULONGLONG now, const SilentThreads& silent) const;
    void AskIcon(CandidateRecord& record, SilentThreads& silent, bool spread);
    void RecheckIcon(CandidateRecord& record, SilentThreads& silent);
    void ApplyInPlace(Edits& edits);
    void ChangeEntries(Edits& edits);
    void Rebuild(std::vector<Seen>& seen);
    // The entry's index before it was removed, or after it was added; INT_MAX for none.
    int RemoveEntry(CandidateRecord* record);
    int AddEntry(CandidateRecord* record);
    void RepaintEntry(const CandidateRecord* record);
    std::unique_ptr<CandidateRecord> TakeRecord(const CandidateRecord* record);
    void KeepRecord(std::unique_ptr<CandidateRecord> record);

    CandidateRecord* Lookup(HWND window) const;
    bool Owns(const CandidateRecord* record) const;
    int FindByWalking(HWND window, int count);

    HWND m_listBox = nullptr;
    HWND m_ownWindow = nullptr;
    // Sorted by window, for the look-up by window.
    Records m_records;
    // The same records in the list box's order, as it reported the positions while they were
    // added.
    std::vector<CandidateRecord*> m_order;
    bool m_refreshing = false;
    uint32_t m_pass = 0;
    uint32_t m_spread = 0;
    ULONGLONG m_lastRefresh = 0;
    ULONGLONG m_iconRecheckMs = kIconRecheckMs;
};
