// What one refresh's calls cost, for the report's notes: the floor built up call by call, the
// program's own title and icon functions in its place, and the list box work, each timed over
// all top-level windows inside the real dialog's loop, beside the real refresh (with its repaint)
// of an emptied list, of an unchanged desktop and after one title changed, and what the dialog's
// list box costs to redraw.
#include <functional>
#include <string>
#include <vector>

#include "BenchDialog.h"
#include "BenchWindows.h"
#include "Measure.h"
#include "Sections.h"
#include "res/MainDialogIds.h"

namespace {

constexpr int kProfileReps = 15;

// One pass over the windows the refresh considers: visible, parentless, not own.
void ForEachCandidate(HWND own, const std::function<void(HWND)>& visit)
{
    struct Walk {
        HWND own;
        const std::function<void(HWND)>* visit;
    } walk{own, &visit};
    EnumWindows([](HWND window, LPARAM param) -> BOOL {
        auto* w = reinterpret_cast<Walk*>(param);
        if (window != w->own && IsWindowVisible(window) && !GetParent(window))
            (*w->visit)(window);
        return TRUE;
    }, reinterpret_cast<LPARAM>(&walk));
}

// One pass over all top-level windows but own, reading each one's style.
void ForEachStyle(HWND own, void (*visit)(HWND, LONG_PTR))
{
    struct Walk {
        HWND own;
        void (*visit)(HWND, LONG_PTR);
    } walk{own, visit};
    EnumWindows([](HWND window, LPARAM param) -> BOOL {
        auto* w = reinterpret_cast<Walk*>(param);
        if (window != w->own)
            w->visit(window, GetWindowLongPtrW(window, GWL_STYLE));
        return TRUE;
    }, reinterpret_cast<LPARAM>(&walk));
}

bool RawTitle(HWND window)
{
    wchar_t title[255];
    return InternalGetWindowText(window, title, 255) > 0;
}

void RawIcon(HWND window, WPARAM kind)
{
    DWORD_PTR icon = 0;
    SendMessageTimeoutW(window, WM_GETICON, kind, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &icon);
}

// Empties the list and adds every title with item data, as a refresh does. The item data is
// no record: the dialog's own list is filled this way only when a real refresh follows before
// it is drawn.
void Fill(HWND list, const std::vector<NString>& titles)
{
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const NString& title : titles) {
        LRESULT index = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(title.Text()));
        SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(index), 0);
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
}

struct Pass {
    const char* name;
    std::function<void(HWND own)> run;
    // Run before the pass, untimed; may be empty.
    std::function<void()> prepare;
};

// A hidden list box with the main list's styles, parented to a plain hidden window of this
// process: the same list work without the dialog's message handling, its tooltip and its
// visible frame (the dialog would also take this list's measure messages for its own list's).
class ScratchList {
public:
    explicit ScratchList(HWND model)
    {
        m_parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr, nullptr, nullptr);
        DWORD style = static_cast<DWORD>(GetWindowLongPtrA(model, GWL_STYLE)) & ~WS_VISIBLE;
        m_list = CreateWindowExA(0, "LISTBOX", "", style | WS_CHILD, 0, 0, 280, 280, m_parent, nullptr, nullptr,
                                 nullptr);
    }
    ~ScratchList() { DestroyWindow(m_parent); }

    HWND Handle() const { return m_list; }

private:
    HWND m_parent = nullptr;
    HWND m_list = nullptr;
};

// Sends the message count times; what one message to the list box costs.
void SendTimes(HWND list, UINT message, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        SendMessageA(list, message, 0, 0);
}

std::vector<Pass> Passes(BenchDialog& dialog, ScratchList& scratch, std::vector<NString>& titles, HWND renamed)
{
    HWND list = dialog.Item(IDC_MAIN_LIST);
    return {
        {"EnumWindows alone", [](HWND) {
             EnumWindows([](HWND, LPARAM) -> BOOL { return TRUE; }, 0);
         }},
        {"+ IsWindowVisible, GetParent", [](HWND own) { ForEachCandidate(own, [](HWND) {}); }},
        {"+ InternalGetWindowText", [](HWND own) { ForEachCandidate(own, [](HWND w) { RawTitle(w); }); }},
        {"+ WM_GETICON small", [](HWND own) {
             ForEachCandidate(own, [](HWND w) { if (RawTitle(w)) RawIcon(w, ICON_SMALL); });
         }},
        {"+ the rest of the icon query (the floor)", [](HWND own) { FloorPass(own); }},
        {"EnumWindows + the style of each window (one question for visible and parent)", [](HWND own) {
             ForEachStyle(own, [](HWND, LONG_PTR) {});
         }},
        {"+ InternalGetWindowText of the visible ones (what an unchanged desktop costs the list)", [](HWND own) {
             ForEachStyle(own, [](HWND w, LONG_PTR style) {
                 if (style & WS_VISIBLE)
                     RawTitle(w);
             });
         }},
        {"program's StoredTitle() in place of the raw title", [&titles](HWND own) {
             titles.clear();
             ForEachCandidate(own, [&titles](HWND w) {
                 NString title = StoredTitle(w);
                 if (!title.IsEmpty())
                     titles.push_back(title);
             });
         }},
        {"program's WindowIcon() after the raw title", [](HWND own) {
             SilentThreads silent;
             ForEachCandidate(own, [&silent](HWND w) { if (RawTitle(w)) WindowIcon(w, &silent); });
         }},
        {"one LB_GETCOUNT per candidate to a plain list box of this process",
         [&scratch, &titles](HWND) { SendTimes(scratch.Handle(), LB_GETCOUNT, titles.size()); }},
        {"the same to the dialog's list box (through the help popup's hook)",
         [&dialog, &titles](HWND) { SendTimes(dialog.Item(IDC_MAIN_LIST), LB_GETCOUNT, titles.size()); }},
        {"a plain list box: empty and refill with the titles and item data",
         [&scratch, &titles](HWND) { Fill(scratch.Handle(), titles); }},
        {"the dialog's list box: the same", [&dialog, &titles](HWND) { Fill(dialog.Item(IDC_MAIN_LIST), titles); }},
        {"Clear() of the dialog's list", [&dialog](HWND) { dialog.Candidates().Clear(); }},
        {"the real refresh of the emptied list (a rebuild)", [&dialog](HWND) {
             dialog.Candidates().Refresh();
             UpdateWindow(dialog.Item(IDC_MAIN_LIST));
         }},
        {"the real refresh of an unchanged desktop", [&dialog](HWND) {
             dialog.Candidates().Refresh();
             UpdateWindow(dialog.Item(IDC_MAIN_LIST));
         }},
        {"the real refresh after one title changed", [&dialog](HWND) {
             dialog.Candidates().Refresh();
             UpdateWindow(dialog.Item(IDC_MAIN_LIST));
         },
         [renamed] {
             static int step = 0;
             SetWindowTextW(renamed, (L"Profile Window renamed " + std::to_wstring(step++)).c_str());
         }},
        {"the dialog's list box: its scroll bar redrawn once (SetScrollInfo, as after each change of the list)",
         [list](HWND) {
             SCROLLINFO info = {sizeof info, SIF_POS};
             GetScrollInfo(list, SB_VERT, &info);
             SetScrollInfo(list, SB_VERT, &info, TRUE);
         }},
        {"the dialog's list box: every entry in view repainted", [list](HWND) {
             InvalidateRect(list, nullptr, TRUE);
             UpdateWindow(list);
         }},
    };
}

} // namespace

void ProfileRefresh(const BenchOptions& options, Report& report)
{
    BenchWindows targets("Profile Window", options.targetWindows);
    if (!targets.Ready())
        return;
    std::vector<std::vector<double>> times;
    std::vector<std::string> names;
    int step = 0, topLevel = 0, candidates = 0;
    BenchDialog dialog([&](BenchDialog& d) {
        ScratchList scratch(d.Item(IDC_MAIN_LIST));
        std::vector<NString> titles;
        std::vector<Pass> passes = Passes(d, scratch, titles, targets[targets.Count() / 3]);
        times.resize(passes.size());
        names.resize(passes.size());
        for (size_t i = 0; i < passes.size(); ++i) {
            names[i] = passes[i].name;
            if (passes[i].prepare)
                passes[i].prepare();
            double start = NowMs();
            passes[i].run(d.Window());
            times[i].push_back(NowMs() - start);
        }
        topLevel = 0;
        EnumWindows([](HWND, LPARAM count) -> BOOL { return ++*reinterpret_cast<int*>(count) > 0; },
                    reinterpret_cast<LPARAM>(&topLevel));
        candidates = static_cast<int>(titles.size());
        return ++step < kProfileReps;
    });
    dialog.Show();
    std::string note = "profile of one refresh, " + std::to_string(options.targetWindows) + " helper windows, " +
                       std::to_string(topLevel) + " top-level windows of which " + std::to_string(candidates) +
                       " titled candidates (median of " + std::to_string(kProfileReps) + " passes each):";
    for (size_t i = 0; i < names.size(); ++i)
        note += (i ? "; " : " ") + names[i] + " " + FormatMs(Median(times[i]));
    report.Note(note);
}
