// HIDDEN: the Hidden Windows dialog. Lists the invisible, titled top-level windows a user may
// have hidden and shows one again on a double click. It is the way back for windows hidden
// without a menu entry and for windows other programs keep hidden.
//
// By default it lists the windows this copy hid without an entry and every other hidden window
// that looks like an application window (see HiddenWindowKinds.h); "Show all hidden windows"
// (kept as Interface\ShowAllHidden) lists every one with a title. This program's own windows
// are never listed. Each entry shows the window's icon, its title and its program's file name;
// its string is the title (the list sorts by it) and its item data the window handle, which is
// used only once found among the dialog's own rows. The list is not refilled while the user
// looks at it: a double click first checks that the entry's window is still the one listed.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "app/held/UnlistedHides.h"
#include "hotkeys/HelpPopup.h"
#include "text/NString.h"
#include "winbase/ModalDialog.h"

// The value that keeps "Show all hidden windows", a REG_DWORD in the program key's Interface
// sub-key: 1 ticked, anything else (or none) not.
constexpr char kShowAllHiddenValue[] = "ShowAllHidden";

class HIDDEN : public QF_MODALDIALOG {
public:
    // unlisted: the windows hidden without an entry (may be null); the dialog forgets a window
    // there once its program has shown it.
    HIDDEN(HWND parent, HMODULE module, UnlistedHides* unlisted = nullptr);
    ~HIDDEN() override;

    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // One entry's window and what the entry shows.
    struct Row {
        HWND window = nullptr;
        // The thread that owned the window when it was listed: a handle of a window that died
        // can name a new window of another thread later.
        DWORD thread = 0;
        NString title;
        // The file name of the window's program; empty when its process cannot be asked.
        NString program;
        // Borrowed from the window, its class or the system; may be null.
        HICON icon = nullptr;
    };

    // Empties the list and fills it with the hidden windows the check box asks for. A window
    // listed before (the same handle of the same thread) keeps its icon and program: each is
    // asked once.
    void FillList();
    // The row of a listed window, or null.
    const Row* RowOf(HWND window) const;
    // True when the row's window may be shown: the same thread still owns the handle, the
    // window is still hidden and the check box still offers it.
    bool StillOffers(const Row& row) const;
    bool ShowsAll() const { return m_showAll; }
    const HelpPopup* HelpPopups() const { return m_helpPopups.get(); }

protected:
    void OnDpiChanged(UINT oldDpi, UINT newDpi) override;
    INT_PTR OnDrawItem(WPARAM control, const DRAWITEMSTRUCT& item) override;
    INT_PTR OnMeasureItem(WPARAM control, MEASUREITEMSTRUCT& item) override;

private:
    void OnInit();
    void OnCommand(WPARAM wParam, LPARAM lParam);
    void OnShowAllClicked();
    void ShowSelectedWindow();
    void ShowListedWindow(HWND window);
    struct Found {
        HWND window = nullptr;
        DWORD thread = 0;
        NString title;
    };
    // True when the window is to be listed; its thread and stored title are then in found.
    bool Offers(HWND window, Found& found) const;
    std::vector<Found> FindOffered() const;
    std::vector<Row> CollectRows();

    UnlistedHides* m_unlisted;
    std::vector<Row> m_rows;
    bool m_showAll = false;
    // A fill asked for while one runs (from a message that arrives during an icon query) runs
    // once the running one is done.
    bool m_filling = false;
    bool m_fillAgain = false;
    std::unique_ptr<HelpPopup> m_helpPopups;
};
