// The candidate list: the visible, titled, parentless top-level windows the
// user may hide, shown in the main dialog's sorted, owner-drawn list box.
//
// Each entry's string is the window's title (so the list box sorts by title)
// and its item data points to a CandidateRecord owned by the CandidateList.
// A record lives from the refresh that made it until the list is next
// cleared (a refresh that finds nothing changed keeps it); its window handle
// may die meanwhile, and every use of it then fails harmlessly.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "app/ForeignWindow.h"
#include "text/NString.h"

struct CandidateRecord {
    // The stored title when the list was built; never empty.
    NString title;
    HWND window = nullptr;
    // Borrowed from the window, its class or the system: never destroyed by
    // this program. May be null.
    HICON icon = nullptr;
};

// Longest stored title, in characters.
constexpr uint32_t kStoredTitleMaxChars = 254;
// Characters a short title keeps before its "...".
constexpr uint32_t kShortTitleChars = 25;

// The system's copy of the window's text, read without sending the window a
// message (so a stuck program cannot hold it up), cut to
// kStoredTitleMaxChars characters. Empty when it cannot be read.
NString StoredTitle(HWND window);

// The title unchanged when it has at most kShortTitleChars characters;
// otherwise its first kShortTitleChars characters followed by "...". A cut
// never splits a multi-byte character.
NString ShortTitle(const NString& title);

// The title as the window itself reports it (WM_GETTEXTLENGTH, WM_GETTEXT),
// each message bounded (see ForeignWindow.h). A window that does not answer
// gives its stored title. A null handle gives "!!**NULL HWND**!!", a handle
// that is not a window "!!**INVALID HWND**!!".
NString SentTitle(HWND window, SilentThreads* silent = nullptr);

// The window's own small or big icon (WM_GETICON bounded by
// kIconAnswerTimeoutMs), else its class's small or big icon; with none of
// these, null for a pop-up or modal-frame window and the system's
// Windows-logo icon for any other.
HICON WindowIcon(HWND window, SilentThreads* silent = nullptr);

// Visible top-level windows whose sent title is not "Program Manager" in
// any letter case (windows without a title count).
int VisibleWindowCount();

class CandidateList {
public:
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

    // Brings the list up to date with the current top-level windows. When
    // the enumeration finds the same windows with the same titles and icons
    // in the same order as the list was built from, the list box is left
    // untouched (no message, no repaint). Otherwise it is rebuilt: the
    // selected window stays selected while it is still a candidate, the view
    // keeps its scroll position, and the list box is repainted once, after
    // the rebuild. A thread that stopped answering the icon query is not
    // asked again while RememberedSilentThreads() holds it: its windows get
    // their class icon or the default, as when the query times out. A call
    // made while a refresh is running (from a message that arrives during
    // it) does nothing.
    void Refresh();
    // Empties the list box and frees every record.
    void Clear();

    // Index of the first entry whose record holds window; LB_ERR when none
    // does (also for an empty list).
    int Find(HWND window);
    // Selects the entry of window; false, with the selection unchanged, when
    // it is not listed.
    bool SelectWindow(HWND window);
    // The record of the listed window, found without a message to the list
    // box; null when the window is not listed.
    const CandidateRecord* RecordOf(HWND window) const;
    // The record behind an entry; null for an entry without one or a bad
    // index.
    CandidateRecord* RecordAt(int index);
    // The record of the selected entry, or null.
    CandidateRecord* Selected();
    int Count();

private:
    using Records = std::vector<std::unique_ptr<CandidateRecord>>;
    struct Pass;
    static BOOL CALLBACK EnumProc(HWND window, LPARAM pass);
    void CollectIfCandidate(HWND window, Pass& pass) const;
    // True when the list box holds exactly the entries made from found.
    bool Shows(const Records& found);
    // Empties the list and adds the records of found (taking them).
    void Rebuild(Records& found);
    bool Owns(const CandidateRecord* record) const;
    int FindByWalking(HWND window, int count);

    HWND m_listBox = nullptr;
    HWND m_ownWindow = nullptr;
    // In the order the enumeration delivered their windows.
    Records m_records;
    // The same records in the list box's order, as it reported the positions while they were
    // added.
    std::vector<CandidateRecord*> m_order;
    bool m_refreshing = false;
};
