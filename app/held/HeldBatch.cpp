#include "app/held/HeldBatch.h"

#include <algorithm>

#include "app/ForeignWindow.h"
#include "app/TitleAndIcon.h"
#include "app/held/HideOps.h"
#include "winbase/ProgramEnd.h"

namespace {

// The windows whose program file is path: programs of the same file name in other folders (every
// javaw.exe, every python.exe) are other programs. Each process is asked once. When path is
// unknown only the windows of the process itself are the program's.
std::vector<HWND> SameProgramOnly(const std::vector<HWND>& windows, const std::wstring& path, DWORD processId)
{
    std::vector<HWND> same;
    if (path.empty()) {
        for (HWND window : windows)
            if (WindowFacts(window).ProcessId() == processId)
                same.push_back(window);
        return same;
    }
    std::vector<std::pair<DWORD, bool>> asked;
    for (HWND window : windows) {
        const DWORD process = WindowFacts(window).ProcessId();
        auto known = std::find_if(asked.begin(), asked.end(), [&](const std::pair<DWORD, bool>& p) {
            return p.first == process;
        });
        if (known == asked.end())
            known = asked.insert(asked.end(), {process, SameProgramPath(ProgramPath(process), path)});
        if (known->second)
            same.push_back(window);
    }
    return same;
}

bool HoldsMatching(const HiddenMenu& menu, const WindowCriteria& criteria)
{
    const std::vector<const MenuEntry*> entries = menu.Entries();
    return std::any_of(entries.begin(), entries.end(), [&](const MenuEntry* entry) {
        WindowFacts facts(entry->window);
        return Matches(criteria, facts);
    });
}

// The window in front, or the top-level window that owns it (a program's own dialog), is one of them.
bool InFront(const std::vector<HWND>& windows, HWND foreground)
{
    if (!foreground)
        return false;
    const HWND root = GetAncestor(foreground, GA_ROOTOWNER);
    return std::any_of(windows.begin(), windows.end(),
                       [&](HWND window) { return window == foreground || window == root; });
}

// Restores a minimised window first; the restore is bounded as every show of another program's window.
void BringMatchingToFront(HWND window)
{
    if (IsIconic(window))
        ShowForeignWindow(window, SW_RESTORE);
    BringToFrontWithoutWaiting(window);
}

} // namespace

std::vector<uint32_t> HeldIdsNewestFirst(const HiddenMenu& menu)
{
    std::vector<uint32_t> ids;
    const int count = menu.Handle() ? GetMenuItemCount(menu.Handle()) : 0;
    for (int position = 0; position < count; ++position) {
        const UINT id = GetMenuItemID(menu.Handle(), position);
        if (id != static_cast<UINT>(-1) && menu.EntryById(id))
            ids.push_back(id);
    }
    return ids;
}

std::vector<HWND> ShowHeldWindows(HiddenMenu& menu, const std::function<bool(HWND)>& wanted)
{
    std::vector<uint32_t> ids;
    for (uint32_t id : HeldIdsNewestFirst(menu)) {
        const MenuEntry* entry = menu.EntryById(id);
        if (!wanted || wanted(entry->window))
            ids.insert(ids.begin(), id);
    }
    std::vector<HWND> shown;
    for (uint32_t id : ids) {
        if (ProgramEnding())
            break;
        if (HWND window = menu.Unhide(id))
            shown.push_back(window);
    }
    if (!shown.empty())
        BringToFrontWithoutWaiting(shown.back());
    return shown;
}

HWND RestoreLastHeld(HiddenMenu& menu)
{
    const std::vector<uint32_t> ids = HeldIdsNewestFirst(menu);
    HWND window = ids.empty() ? nullptr : menu.Unhide(ids.front());
    if (window)
        BringToFrontWithoutWaiting(window);
    return window;
}

void UncoverHeldWindows(const HiddenMenu& menu)
{
    std::vector<HWND> windows;
    for (const MenuEntry* entry : menu.Entries()) {
        windows.insert(windows.end(), entry->owned.rbegin(), entry->owned.rend());
        windows.push_back(entry->window);
    }
    SilentThreads silent;
    for (auto window = windows.rbegin(); window != windows.rend(); ++window)
        ShowForeignWindow(*window, SW_SHOW, &silent);
}

BatchHide HideIntoMenu(const std::vector<HWND>& frontToBack, HiddenMenu& menu)
{
    BatchHide outcome;
    for (auto window = frontToBack.rbegin(); window != frontToBack.rend(); ++window) {
        if (ProgramEnding())
            break;
        bool refused = false;
        if (HideWindowIntoMenu(*window, menu, [&refused](HWND) { refused = true; }))
            outcome.hidden.push_back(*window);
        else if (refused)
            ++outcome.refused;
    }
    return outcome;
}

ToggleOutcome ToggleMatching(HiddenMenu& menu, const WindowCriteria& criteria, HWND foreground, bool frontShown)
{
    ToggleOutcome outcome;
    if (criteria.IsEmpty())
        return outcome;
    // A held window its program has shown again, or that is gone, is held no more.
    menu.Prune();
    const std::vector<HWND> visible = VisibleMatchingWindows(criteria);
    const bool held = HoldsMatching(menu, criteria);
    if (!visible.empty() && (InFront(visible, foreground) || (!held && !frontShown))) {
        BatchHide hidden = HideIntoMenu(visible, menu);
        outcome.act = hidden.hidden.empty() && hidden.refused == 0 ? ToggleAct::Nothing : ToggleAct::Hidden;
        outcome.windows = std::move(hidden.hidden);
        outcome.refused = hidden.refused;
        if (!outcome.windows.empty() && InFront(outcome.windows, foreground))
            ActivateNextBelow(foreground);
    } else if (held) {
        outcome.windows = ShowHeldWindows(menu, [&criteria](HWND window) {
            WindowFacts facts(window);
            return Matches(criteria, facts);
        });
        outcome.act = outcome.windows.empty() ? ToggleAct::Nothing : ToggleAct::Shown;
    } else if (!visible.empty()) {
        BringMatchingToFront(visible.front());
        outcome.act = ToggleAct::Fronted;
        outcome.windows = {visible.front()};
    }
    return outcome;
}

bool HideForegroundProgram(HiddenMenu& menu, BatchHide& outcome)
{
    HWND active = GetForegroundWindow();
    if (!active)
        return true;
    WindowFacts facts(active);
    if (facts.ProcessId() == GetCurrentProcessId())
        return false;
    WindowCriteria program;
    program.exe = facts.ExeName();
    if (program.exe.IsEmpty())
        program.processId = facts.ProcessId();
    // Empty criteria would take every window.
    if (facts.Title().EqualsNoCase(kDesktopTitle) || program.IsEmpty())
        return true;
    const DWORD process = facts.ProcessId();
    outcome = HideIntoMenu(SameProgramOnly(VisibleMatchingWindows(program), ProgramPath(process), process), menu);
    if (!outcome.hidden.empty())
        ActivateNextBelow(active);
    return true;
}
