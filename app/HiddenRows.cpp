// The Hidden Windows dialog's rows: which hidden windows it offers, and what each entry shows.
#include "app/HiddenDialog.h"

#include <utility>

#include "app/HiddenWindowKinds.h"
#include "app/held/ForeignWindow.h"
#include "app/list/CandidateList.h"
#include "app/list/ListBox.h"
#include "app/rules/WindowMatch.h"
#include "res/HiddenDialogIds.h"

namespace {

constexpr const char kDesktopTitle[] = "Program Manager";

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

} // namespace

// Read without a message to the window; the title last, since it is the dearest question.
bool HIDDEN::Offers(HWND window, NString& title) const
{
    DWORD process = 0;
    if (window == Window() || IsWindowVisible(window) || !GetWindowThreadProcessId(window, &process) ||
        process == GetCurrentProcessId()) {
        return false;
    }
    title = StoredTitle(window);
    if (title.IsEmpty() || title.Equals(kDesktopTitle)) {
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
            NString title;
            if (w->dialog->Offers(window, title)) {
                w->found.push_back({window, std::move(title)});
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
        if (known && known->title.Equals(found.title)) {
            rows.push_back(*known);
            continue;
        }
        Row row;
        row.window = found.window;
        row.title = std::move(found.title);
        row.program = programs.Of(found.window);
        row.icon = WindowIcon(found.window, &silent);
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

// The rows are collected before the list is touched: an icon query may let in a message that
// draws or reads the list, which then still finds the rows of its entries.
void HIDDEN::FillList()
{
    if (m_filling) {
        m_fillAgain = true;
        return;
    }
    m_filling = true;
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
    m_filling = false;
}
