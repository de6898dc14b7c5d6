// One refresh of the candidate list, timed inside the real main dialog together with the repaint
// it causes, against the floor timed in the same steps.
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "BenchDialog.h"
#include "BenchWindows.h"
#include "Measure.h"
#include "Sections.h"
#include "res/MainDialogIds.h"

namespace {

// Refreshes run before timing starts: the first fills an empty list, which a refresh once a
// second never does again.
constexpr int kUntimedRuns = 2;
// Targets, as ratios to the floor: a refresh of an unchanged desktop, and one after a title changed.
constexpr double kUnchangedLimit = 0.5;
constexpr double kRetitledLimit = 0.6;

struct FloorState {
    HWND own;
    HICON logo;
    int titled;
};

// The window's icon by the list's rules, from the bare calls: its own small then big icon
// (bounded as the program bounds them), its class's small then big icon, and for a window
// without any, its styles. The Windows-logo icon is the system's shared one, loaded once a pass.
HICON FloorIcon(HWND window, HICON logo)
{
    for (WPARAM kind : {static_cast<WPARAM>(ICON_SMALL), static_cast<WPARAM>(ICON_BIG)}) {
        DWORD_PTR icon = 0;
        if (SendMessageTimeoutW(window, WM_GETICON, kind, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &icon) && icon)
            return reinterpret_cast<HICON>(icon);
    }
    for (int index : {GCLP_HICONSM, GCLP_HICON}) {
        if (ULONG_PTR icon = GetClassLongPtrW(window, index))
            return reinterpret_cast<HICON>(icon);
    }
    if ((GetWindowLongPtrW(window, GWL_STYLE) & WS_POPUP) || (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME))
        return nullptr;
    return logo;
}

BOOL CALLBACK FloorVisit(HWND window, LPARAM param)
{
    auto* state = reinterpret_cast<FloorState*>(param);
    if (window == state->own || !IsWindowVisible(window) || GetParent(window))
        return TRUE;
    wchar_t title[255];
    if (InternalGetWindowText(window, title, 255) <= 0)
        return TRUE;
    FloorIcon(window, state->logo);
    ++state->titled;
    return TRUE;
}

// Times refreshes and floor passes in turns, swapping which goes first at every step, so drift
// in the machine's speed falls on both alike. A refresh is timed with the repaint it leaves
// behind (the list box paints when the dialog's loop next goes idle; here it is made to paint
// at once). change, when set, alters the desktop before each step, untimed.
class RefreshRun {
public:
    RefreshRun(int reps, HWND select, std::function<void(int)> change = nullptr)
        : m_reps(reps), m_select(select), m_change(std::move(change))
    {
    }

    bool Step(BenchDialog& dialog)
    {
        if (m_step == 0 && m_select)
            dialog.Candidates().SelectWindow(m_select);
        if (m_change)
            m_change(m_step);
        double refresh = 0, floor = 0;
        for (int part = 0; part < 2; ++part) {
            double start = NowMs();
            if ((part == 0) == (m_step % 2 == 0)) {
                dialog.Candidates().Refresh();
                UpdateWindow(dialog.Item(IDC_MAIN_LIST));
                refresh = NowMs() - start;
            } else {
                m_titled = FloorPass(dialog.Window());
                floor = NowMs() - start;
            }
        }
        if (m_step >= kUntimedRuns) {
            m_refresh.push_back(refresh);
            m_floor.push_back(floor);
        }
        m_listed = dialog.Candidates().Count();
        return ++m_step < m_reps + kUntimedRuns;
    }

    const std::vector<double>& Refreshes() const { return m_refresh; }
    const std::vector<double>& Floors() const { return m_floor; }
    int Listed() const { return m_listed; }
    int Titled() const { return m_titled; }

private:
    int m_reps;
    HWND m_select;
    std::function<void(int)> m_change;
    int m_step = 0;
    int m_listed = 0;
    int m_titled = 0;
    std::vector<double> m_refresh, m_floor;
};

// Runs the steps in the real dialog and adds the row, whose target is a ratio to the floor of
// at most limit (0: no target); false when it could not be measured.
bool Measure(RefreshRun& run, const std::string& figure, double limit, Report& report, int windows)
{
    char target[32] = "—";
    if (limit > 0)
        snprintf(target, sizeof target, "≤ %g×", limit);
    BenchDialog dialog([&run](BenchDialog& d) { return run.Step(d); });
    if (dialog.Show() < 0 || run.Refreshes().empty()) {
        report.Add({figure, "dialog failed", "", "", target, limit > 0 ? "no" : "—"});
        return false;
    }
    double refresh = Median(run.Refreshes()), floor = Median(run.Floors());
    double ratio = floor > 0 ? refresh / floor : 0;
    report.Add({figure, FormatMs(refresh), FormatMs(floor), FormatRatio(refresh, floor), target,
                limit > 0 ? Met(ratio > 0 && ratio <= limit) : "—"});
    report.Note(figure + ": quartiles " + FormatSpread(run.Refreshes()) + " against " + FormatSpread(run.Floors()));
    // The own dialog is not listed; every other titled candidate must be.
    if (run.Listed() != run.Titled())
        report.Note("with " + std::to_string(windows) + " windows the list held " + std::to_string(run.Listed()) +
                    " entries of " + std::to_string(run.Titled()) + " candidates the floor counted");
    return true;
}

} // namespace

int FloorPass(HWND own)
{
    FloorState state{own, LoadIconA(nullptr, MAKEINTRESOURCEA(32517)), 0};
    EnumWindows(FloorVisit, reinterpret_cast<LPARAM>(&state));
    return state.titled;
}

void BenchRefresh(const BenchOptions& options, Report& report)
{
    const std::string reps = " (median of " + std::to_string(options.refreshReps) + ")";
    for (int count : options.refreshWindows) {
        std::string figure = "one refresh of the candidate list, " + std::to_string(count) + " helper windows" + reps;
        double limit = count == options.targetWindows ? kUnchangedLimit : 0;
        BenchWindows targets("Bench Window", count);
        if (!targets.Ready()) {
            report.Add({figure, "helper windows failed", "", "", limit > 0 ? "≤ 0.5×" : "—", limit > 0 ? "no" : "—"});
            continue;
        }
        RefreshRun steady(options.refreshReps, targets[targets.Count() / 2]);
        Measure(steady, figure, limit, report, count);
        if (limit == 0)
            continue;
        // The same with one title changing before every refresh: its entry is then made anew.
        HWND changing = targets[targets.Count() / 3];
        std::wstring title = std::wstring(L"Bench Window changed ");
        RefreshRun changed(options.refreshReps, targets[targets.Count() / 2], [&](int step) {
            SetWindowTextW(changing, (title + std::to_wstring(step)).c_str());
        });
        Measure(changed, "one refresh right after one of the " + std::to_string(count) + " titles changed" + reps,
                kRetitledLimit, report, count);
    }
}
