// The Hidden Windows dialog's rows: which hidden windows it offers, and what each entry shows.
#include "app/hidden/HiddenDialog.h"

#include <utility>

#include "app/hidden/HiddenWindowKinds.h"
#include "app/ForeignWindow.h"
#include "app/TitleAndIcon.h"
#include "app/list/ListBox.h"
#include "app/rules/WindowMatch.h"
#include "res/HiddenDialogIds.h"

namespace {

// The file names of the programs asked in one fill, so that a program with many windows is
// opened once.
class ProgramNames {
public:
    const NString& Of(HWND window)
    {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        for (const auto& known : m_names) {
            if (known.first == process) {
                return known.second;
            }
        }
        m_names.emplace_back(process, ProgramFileName(process));
        return m_names.back().second;
    }

private:
    std::vector<std::pair<DWORD, NString>> m_names;
};

// Set while a fill runs; cleared when it ends, also by an exception, so that a later fill is
// not taken for one asked for in the middle of it.
class FillingFlag {
public:
    explicit FillingFlag(bool& flag) : m_flag(flag) { m_flag = true; }
    ~FillingFlag() { m_flag = false; }
    FillingFlag(const FillingFlag&) = delete;
    FillingFlag& operator=(const FillingFlag&) = delete;

private:
    bool& m_flag;
};

} // namespace

// Read without a message to the window; the title last, since it is the dearest question.
bool HIDDEN::Offers(HWND window, Found& found) const
{
    DWORD process = 0;
    found.window = window;
    found.thread = window == Window() || IsWindowVisible(window) ? 0 : GetWindowThreadProcessId(window, &process);
    if (found.thread == 0 || process == GetCurrentProcessId()) {
        return false;
    }
    found.title = StoredTitle(window);
    if (found.title.IsEmpty() || found.title.Equals(kDesktopTitle)) {
        return false;
    }
    return m_showAll || (m_unlisted && m_unlisted->Contains(window)) || LooksLikeApplicationWindow(LookOf(window));
}

std::vector<HIDDEN::Found> HIDDEN::FindOffered() const
{
    struct Walk {
        const HIDDEN* dialog;
        std::vector<Found> found;
    } walk{this, {}};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* w = reinterpret_cast<Walk*>(param);
            Found found;
            if (w->dialog->Offers(window, found)) {
                w->found.push_back(std::move(found));
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&walk));
    return std::move(walk.found);
}

// The windows are found first and asked for their icons after, so that nothing an icon query
// lets in runs in the middle of the enumeration.
std::vector<HIDDEN::Row> HIDDEN::CollectRows()
{
    std::vector<Found> offered = FindOffered();
    SilentThreads& silent = RememberedSilentThreads();
    silent.ForgetOlderThan(kSilenceMemoryMs);
    ProgramNames programs;
    std::vector<Row> rows;
    for (Found& found : offered) {
        const Row* known = RowOf(found.window);
        Row row;
        if (known && known->thread == found.thread) {
            row = *known;
        } else {
            row.window = found.window;
            row.thread = found.thread;
            row.program = programs.Of(found.window);
            row.icon = WindowIcon(found.window, &silent);
        }
        row.title = std::move(found.title);
        rows.push_back(std::move(row));
    }
    return rows;
}

const HIDDEN::Row* HIDDEN::RowOf(HWND window) const
{
    for (const Row& row : m_rows) {
        if (row.window == window) {
            return &row;
        }
    }
    return nullptr;
}

bool HIDDEN::StillOffers(const Row& row) const
{
    Found found;
    return Offers(row.window, found) && found.thread == row.thread;
}

// The rows are collected before the list is touched: an icon query may let in a message that
// draws or reads the list, which then still finds the rows of its entries.
void HIDDEN::FillList()
{
    if (m_filling) {
        m_fillAgain = true;
        return;
    }
    const FillingFlag filling(m_filling);
    do {
        m_fillAgain = false;
        if (m_unlisted) {
            m_unlisted->Prune();
        }
        std::vector<Row> rows = CollectRows();
        m_rows = std::move(rows);
        QF_LISTBOX list(Item(IDC_HIDDEN_LIST));
        SendMessageA(list.Handle(), WM_SETREDRAW, FALSE, 0);
        list.Reset();
        for (const Row& row : m_rows) {
            const int index = list.Add(row.title.Text());
            if (index >= 0) {
                list.SetItemData(index, reinterpret_cast<LRESULT>(row.window));
            }
        }
        SendMessageA(list.Handle(), WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list.Handle(), nullptr, TRUE);
    } while (m_fillAgain);
}
