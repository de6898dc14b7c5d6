// Memory and objects of Veilbox.exe over a long run: after start, after a warm-up, after many
// refreshes and after many hide/unhide cycles. GDI objects, USER objects and handles must come
// back exactly to their warm-up figures; private bytes may move within a small margin (the
// heap keeps what it once grew to, and its free lists move by a page now and then).
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "BenchWindows.h"
#include "Measure.h"
#include "ProcessProbe.h"
#include "Sections.h"
#include "app/held/HiddenMenu.h"
#include "res/MainDialogIds.h"
#include "support/VeilboxApp.h"

using namespace vbtest;

namespace {

constexpr UINT_PTR kRefreshTimer = 1;
constexpr DWORD kSettleMs = 1500;
constexpr int64_t kPrivateBytesMargin = 256 * 1024;

// Drives the program from outside with the messages a user's actions give it.
class SoakDriver {
public:
    SoakDriver(VeilboxApp& app, HWND toggled, std::string toggledTitle)
        : m_app(app), m_toggled(toggled), m_toggledTitle(std::move(toggledTitle))
    {
    }

    // One refresh as the once-a-second timer makes it, then the repaint of the list. Every
    // second refresh follows a change of the desktop (one window hidden or shown again in
    // turns), so that half the refreshes change the list and half find it unchanged; false
    // when the list does not show the change afterwards.
    bool Refresh()
    {
        bool change = m_refreshes++ % 2 == 0;
        if (change) {
            m_toggledShown = !m_toggledShown;
            ShowWindow(m_toggled, m_toggledShown ? SW_SHOWNOACTIVATE : SW_HIDE);
        }
        Send(WM_TIMER, kRefreshTimer);
        WaitPainted();
        return m_app.Lists(m_toggledTitle.c_str()) == m_toggledShown;
    }

    // Double-clicks a listed helper window, which hides it with a menu entry, then chooses that
    // entry's command, which shows it again. Entries take command ids in turn from the first.
    bool HideAndUnhide(const BenchWindows& targets)
    {
        size_t index = static_cast<size_t>(m_cycles) % targets.Count();
        HWND window = targets[index];
        bool hidden = m_app.DoubleClick(targets.Title(index).c_str()) && !IsWindowVisible(window);
        if (hidden) {
            uint32_t id = kFirstEntryId + static_cast<uint32_t>(m_entries++) % (kLastEntryId - kFirstEntryId + 1);
            Send(WM_COMMAND, id);
        }
        bool shown = IsWindowVisible(window) != FALSE;
        if (!shown)
            ShowWindow(window, SW_SHOWNOACTIVATE);
        WaitPainted();
        ++m_cycles;
        return hidden && shown;
    }

private:
    void Send(UINT message, WPARAM wParam)
    {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(m_app.MainWindow(), message, wParam, 0, SMTO_NORMAL, 10000, &ignored);
    }

    // The list is drawn when the program's loop next goes idle; the next message waits for it, so
    // every refresh is also drawn.
    void WaitPainted()
    {
        HWND list = m_app.List();
        double start = NowMs();
        while (GetUpdateRect(list, nullptr, FALSE) && NowMs() - start < 1000)
            Sleep(1);
    }

    VeilboxApp& m_app;
    HWND m_toggled;
    std::string m_toggledTitle;
    bool m_toggledShown = true;
    int m_refreshes = 0;
    int m_cycles = 0;
    int m_entries = 0;
};

// A modifier held down (by another test's key presses that never came up) would turn the
// double-click into a hide without menu entry, or close the dialog.
void ReleaseModifiers()
{
    for (WORD key : {WORD(VK_SHIFT), WORD(VK_CONTROL), WORD(VK_MENU)}) {
        if (GetAsyncKeyState(key) & 0x8000)
            SendModifier(key, false);
    }
    WaitFor([] {
        return !(GetAsyncKeyState(VK_SHIFT) & 0x8000) && !(GetAsyncKeyState(VK_CONTROL) & 0x8000) &&
               !(GetAsyncKeyState(VK_MENU) & 0x8000);
    }, 3000);
}

std::string Series(const std::vector<ProcessFigures>& taken, int64_t ProcessFigures::*field, bool bytes)
{
    std::string text;
    for (const ProcessFigures& figures : taken) {
        int64_t value = figures.*field;
        if (!text.empty())
            text += " / ";
        if (bytes && value >= 0) {
            char kb[32];
            snprintf(kb, sizeof kb, "%lld KB", static_cast<long long>(value / 1024));
            text += kb;
        } else {
            text += FormatCount(value);
        }
    }
    return text;
}

// Growth of the later figures over the warm-up one (index 1); the largest of them.
int64_t Growth(const std::vector<ProcessFigures>& taken, int64_t ProcessFigures::*field)
{
    int64_t growth = 0;
    for (size_t i = 2; i < taken.size(); ++i)
        growth = std::max(growth, taken[i].*field - taken[1].*field);
    return growth;
}

// "BITMAP +2, REGION +1": the GDI types whose counts changed between two breakdowns.
std::string TypeChanges(const std::vector<int64_t>& before, const std::vector<int64_t>& after)
{
    static const char* const kNames[] = {"", "PEN", "BRUSH", "DC", "METADC", "PAL", "FONT", "BITMAP",
                                         "REGION", "METAFILE", "MEMDC", "EXTPEN", "ENHMETADC",
                                         "ENHMETAFILE", "COLORSPACE"};
    std::string text;
    for (size_t type = 1; type < before.size() && type < after.size() && type < 15; ++type) {
        if (before[type] == after[type])
            continue;
        char change[48];
        snprintf(change, sizeof change, "%s%s %+lld", text.empty() ? "" : ", ", kNames[type],
                 static_cast<long long>(after[type] - before[type]));
        text += change;
    }
    return text;
}

bool Unchanged(const std::vector<ProcessFigures>& taken, int64_t ProcessFigures::*field)
{
    for (size_t i = 2; i < taken.size(); ++i) {
        if (taken[i].*field < 0 || taken[i].*field != taken[1].*field)
            return false;
    }
    return taken[1].*field >= 0;
}

// The probe, turned on this process, must see exactly the objects made here on purpose: three
// brushes (GDI), a menu and a window (USER), an event (a handle), and about a megabyte of
// committed, written memory. Otherwise its figures of Veilbox.exe would prove nothing.
bool ProbeSeesObjects(Report& report)
{
    // The first window of a thread brings a window of the system's along (an input method
    // window, which goes with the thread's last window), and the first allocations of their
    // kind grow the heap: one of each is made before counting, and the window kept till the end.
    HWND first = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyMenu(CreateMenu());
    DeleteObject(CreateSolidBrush(RGB(9, 9, 9)));
    ProcessProbe probe(GetCurrentProcess());
    probe.TakeSettled();
    ProcessFigures before = probe.TakeSettled();
    HBRUSH brushes[3];
    for (int i = 0; i < 3; ++i)
        brushes[i] = CreateSolidBrush(RGB(i, 0, 0));
    HMENU menu = CreateMenu();
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const size_t megabyte = 1024 * 1024;
    auto* memory = static_cast<char*>(VirtualAlloc(nullptr, megabyte, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (memory)
        memset(memory, 1, megabyte);
    ProcessFigures after = probe.TakeSettled();
    VirtualFree(memory, 0, MEM_RELEASE);
    CloseHandle(event);
    DestroyWindow(window);
    DestroyWindow(first);
    DestroyMenu(menu);
    for (HBRUSH brush : brushes)
        DeleteObject(brush);

    int64_t privateGrowth = after.privateBytes - before.privateBytes;
    bool seen = after.gdiObjects - before.gdiObjects == 3 && after.userObjects - before.userObjects == 2 &&
                after.handles - before.handles == 1 && privateGrowth >= static_cast<int64_t>(megabyte) &&
                privateGrowth < static_cast<int64_t>(megabyte) + kPrivateBytesMargin;
    char text[240];
    snprintf(text, sizeof text,
             "memory and objects: for 3 brushes, a menu, a window, an event and 1024 KB made on purpose in the "
             "benchmark's own process the probe saw GDI %+lld, USER %+lld, handles %+lld, private bytes %+lld KB%s",
             static_cast<long long>(after.gdiObjects - before.gdiObjects),
             static_cast<long long>(after.userObjects - before.userObjects),
             static_cast<long long>(after.handles - before.handles), static_cast<long long>(privateGrowth / 1024),
             seen ? "" : ": the probe is not to be trusted");
    report.Note(text);
    return seen;
}

} // namespace

bool BenchSoak(const BenchOptions& options, Report& report)
{
    bool probeWorks = ProbeSeesObjects(report);
    ReleaseModifiers();
    BenchWindows targets("Soak Window", options.soakWindows);
    BenchWindows toggled("Soak Toggled Window", 1);
    VeilboxApp app;
    if (!targets.Ready() || !toggled.Ready() || !app.MainWindow() ||
        !app.WaitListed(targets.Title(targets.Count() - 1).c_str()) || !app.WaitListed(toggled.Title(0).c_str())) {
        report.Add({"memory and objects", "could not be measured", "", "", "no growth", "no"});
        return false;
    }
    WaitForSingleObject(app.Process().Handle(), kSettleMs);
    ProcessProbe probe(app.Process().Handle());
    SoakDriver driver(app, toggled[0], toggled.Title(0));
    int failedCycles = 0, failedRefreshes = 0;
    auto cycles = [&](int count) {
        for (int i = 0; i < count; ++i)
            failedCycles += driver.HideAndUnhide(targets) ? 0 : 1;
    };
    auto refreshes = [&](int count) {
        for (int i = 0; i < count; ++i)
            failedRefreshes += driver.Refresh() ? 0 : 1;
    };

    std::vector<ProcessFigures> taken;
    taken.push_back(probe.TakeSettled());
    refreshes(options.soakWarmRefreshes);
    cycles(options.soakWarmCycles);
    taken.push_back(probe.TakeSettled());
    std::vector<int64_t> typesAfterWarmUp = probe.GdiObjectsByType();
    double start = NowMs();
    refreshes(options.soakRefreshes);
    double refreshMs = NowMs() - start;
    taken.push_back(probe.TakeSettled());
    start = NowMs();
    cycles(options.soakCycles);
    double cycleMs = NowMs() - start;
    taken.push_back(probe.TakeSettled());
    std::vector<int64_t> typesAtEnd = probe.GdiObjectsByType();
    bool ended = app.Exit();

    std::string stages = " — after start / after warm-up (" + std::to_string(options.soakWarmRefreshes) +
                         " refreshes, " + std::to_string(options.soakWarmCycles) + " cycles) / after " +
                         FormatCount(options.soakRefreshes) + " refreshes / after " +
                         FormatCount(options.soakCycles) + " hide/unhide cycles, " +
                         std::to_string(options.soakWindows + 1) + " helper windows";
    int64_t privateGrowth = Growth(taken, &ProcessFigures::privateBytes);
    bool privateFlat = taken[1].privateBytes >= 0 && privateGrowth <= kPrivateBytesMargin;
    report.Add({"private bytes" + stages, Series(taken, &ProcessFigures::privateBytes, true), "",
                "growth " + std::to_string(privateGrowth / 1024) + " KB", "≤ +256 KB over warm-up", Met(privateFlat)});
    bool exact = true;
    struct Exact {
        const char* name;
        int64_t ProcessFigures::*field;
    };
    for (const Exact& row : {Exact{"GDI objects", &ProcessFigures::gdiObjects},
                             Exact{"USER objects", &ProcessFigures::userObjects},
                             Exact{"handles", &ProcessFigures::handles}}) {
        bool unchanged = Unchanged(taken, row.field);
        exact = exact && unchanged;
        report.Add({row.name + stages, Series(taken, row.field, false), "",
                    "growth " + std::to_string(Growth(taken, row.field)), "equal to warm-up", Met(unchanged)});
    }
    report.Note("memory and objects: " + probe.Sources());
    std::string changes = TypeChanges(typesAfterWarmUp, typesAtEnd);
    if (!changes.empty())
        report.Note("memory and objects: GDI objects by type, end against warm-up: " + changes);
    char pace[200];
    snprintf(pace, sizeof pace,
             "memory and objects: a refresh with its repaint took %.2f ms (every second one after a change of "
             "the desktop, so half of them change the list), a hide/unhide cycle %.2f ms",
             refreshMs / std::max(1, options.soakRefreshes), cycleMs / std::max(1, options.soakCycles));
    report.Note(pace);
    if (failedCycles > 0)
        report.Note("memory and objects: " + std::to_string(failedCycles) + " hide/unhide cycles failed");
    if (failedRefreshes > 0)
        report.Note("memory and objects: after " + std::to_string(failedRefreshes) +
                    " refreshes the list did not show the change made before them");
    if (!ended)
        report.Note("memory and objects: Veilbox.exe did not end by its Exit button");
    return probeWorks && exact && privateFlat && failedCycles == 0 && failedRefreshes == 0 && ended;
}
