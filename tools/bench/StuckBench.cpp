// The refresh with three windows whose threads stopped answering, against the same refresh
// without them, while another thread of this process keeps posting the dialog a message and
// times how long each waits for its turn (as the user's input would wait).
//
// Two kinds of stuck windows are timed. Three helper programs: under Wine the icon query is not
// passed to another process's window at all, so they cannot hold the refresh up here; they are
// timed while silent for under 5 s and again once the system reports them hung. Three threads of
// this process: the icon query reaches them and waits out its bound, as it does for stuck
// programs on Windows; the first refresh after they stopped pays that, the following ones do not.
#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "BenchDialog.h"
#include "BenchWindows.h"
#include "Measure.h"
#include "Sections.h"
#include "support/TestSupport.h"

using vbtest::WaitFor;

namespace {

constexpr int kStuckCount = 3;
// Long enough for the windows to be made and listed while they still answer.
constexpr DWORD kAnswerForMs = 1500;
// Stuck windows are timed as freshly silent only while they have been silent for less than this.
constexpr double kFreshHangLimitMs = 4500;

// Posts the dialog a message again and again from a thread of its own and keeps the longest wait
// for an answer among the messages posted and answered while measuring is on; the benchmark's
// own set-up, which holds the dialog's thread, is left out that way.
class AnswerProbe {
public:
    explicit AnswerProbe(HWND dialog) : m_thread([this, dialog] { Run(dialog); }) {}
    ~AnswerProbe() { Stop(); }

    void Measure(bool on) { m_measuring = on; }

    double Stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        return m_slowestMs;
    }

private:
    void Run(HWND dialog)
    {
        while (!m_stop) {
            bool counts = m_measuring;
            m_answered = false;
            double start = NowMs();
            if (!PostMessageA(dialog, kAnswerMessage, 0, reinterpret_cast<LPARAM>(&m_answered)))
                return;
            while (!m_answered && !m_stop)
                Sleep(1);
            if (m_answered && counts && m_measuring)
                m_slowestMs = std::max(m_slowestMs.load(), NowMs() - start);
            Sleep(5);
        }
    }

    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_measuring{false};
    std::atomic<bool> m_answered{false};
    std::atomic<double> m_slowestMs{0};
    std::thread m_thread;
};

bool Answers(HWND window)
{
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 20, &ignored) != 0;
}

// Windows whose threads answer for kAnswerForMs after they exist and then stop answering.
class StuckWindows {
public:
    virtual ~StuckWindows() = default;
    // False when they could not be made.
    virtual bool Make() = 0;
    // The windows go; waits until they are gone.
    virtual void Remove() = 0;
    const std::vector<HWND>& Windows() const { return m_windows; }

protected:
    std::vector<HWND> m_windows;
};

class StuckPrograms : public StuckWindows {
public:
    bool Make() override
    {
        for (int i = 0; i < kStuckCount; ++i) {
            m_programs.push_back(std::make_unique<BenchWindows>("Stuck Program " + std::to_string(i), 1,
                                                                "--hang-after-ms " + std::to_string(kAnswerForMs)));
            if (!m_programs.back()->Ready())
                return false;
            m_windows.push_back((*m_programs.back())[0]);
        }
        return true;
    }

    void Remove() override
    {
        m_programs.clear();
        m_windows.clear();
    }

private:
    std::vector<std::unique_ptr<BenchWindows>> m_programs;
};

class StuckThreads : public StuckWindows {
public:
    ~StuckThreads() override { Remove(); }

    void Remove() override
    {
        m_release = true;
        for (std::thread& thread : m_threads) {
            if (thread.joinable())
                thread.join();
        }
        m_windows.clear();
    }

    bool Make() override
    {
        for (int i = 0; i < kStuckCount; ++i)
            m_threads.emplace_back([this, i] { Run(i); });
        return WaitFor([this] { return m_made == kStuckCount; }, 5000) &&
               std::none_of(m_windows.begin(), m_windows.end(), [](HWND w) { return w == nullptr; });
    }

private:
    void Run(int index)
    {
        std::string title = "Stuck Thread " + std::to_string(index);
        HWND window = CreateWindowExA(0, "STATIC", title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 200, 80,
                                      nullptr, nullptr, nullptr, nullptr);
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_windows.push_back(window);
        }
        ++m_made;
        double start = NowMs();
        MSG msg;
        while (NowMs() - start < kAnswerForMs) {
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
            Sleep(5);
        }
        while (!m_release)
            Sleep(10);
        DestroyWindow(window);
    }

    std::vector<std::thread> m_threads;
    std::mutex m_lock;
    std::atomic<int> m_made{0};
    std::atomic<bool> m_release{false};
};

// Refreshes without the stuck windows; then makes them, lists them and waits until none
// answers; refreshes while they are freshly silent (the first apart); with waitForHung, waits
// until the system reports them hung and refreshes again.
class StuckRun {
public:
    StuckRun(int reps, StuckWindows& stuck, bool waitForHung) : m_reps(reps), m_stuck(stuck), m_waitForHung(waitForHung) {}

    bool Step(BenchDialog& dialog)
    {
        if (!m_probe) {
            m_probe = std::make_unique<AnswerProbe>(dialog.Window());
            m_probe->Measure(true);
        }
        if (m_phase == 0 && TimedRefresh(dialog, m_without))
            return true;
        if (m_phase == 0) {
            m_probe->Measure(false);
            if (!MakeStuck(dialog))
                return Finish();
            m_probe->Measure(true);
            m_phase = 1;
            return true;
        }
        if (m_phase == 1 && m_first.empty())
            return TimedRefresh(dialog, m_first);
        if (m_phase == 1) {
            double silentFor = NowMs() - m_silentSince;
            double last = m_fresh.empty() ? m_first.back() : m_fresh.back();
            if (silentFor + 1.5 * last < kFreshHangLimitMs && TimedRefresh(dialog, m_fresh))
                return true;
            if (!m_waitForHung)
                return RemoveStuck(dialog);
            m_phase = 2;
            m_probe->Measure(false);
            m_reportedHung = WaitFor([&] {
                const std::vector<HWND>& windows = m_stuck.Windows();
                return std::all_of(windows.begin(), windows.end(), [](HWND w) { return IsHungAppWindow(w) != FALSE; });
            }, 10000);
            m_probe->Measure(true);
            return true;
        }
        if (m_phase == 2 && m_reportedHung && TimedRefresh(dialog, m_hung))
            return true;
        if (m_phase == 2)
            return RemoveStuck(dialog);
        if (TimedRefresh(dialog, m_withoutAfter))
            return true;
        return Finish();
    }

    // The refreshes without the stuck windows, timed before and after them, so that a change in
    // the machine's load meanwhile falls on both sides alike.
    std::vector<double> Without() const
    {
        std::vector<double> all = m_without;
        all.insert(all.end(), m_withoutAfter.begin(), m_withoutAfter.end());
        return all;
    }

    void StopProbe()
    {
        if (m_probe)
            m_slowestAnswerMs = std::max(m_slowestAnswerMs, m_probe->Stop());
    }

    std::vector<double> m_without, m_withoutAfter, m_first, m_fresh, m_hung;
    double m_slowestAnswerMs = 0;
    bool m_reportedHung = false;

private:
    bool Finish()
    {
        StopProbe();
        return false;
    }

    // Removes the stuck windows; the first refresh without them (which drops their entries) is
    // not timed.
    bool RemoveStuck(BenchDialog& dialog)
    {
        m_stuck.Remove();
        dialog.Candidates().Refresh();
        m_phase = 3;
        return true;
    }

    bool TimedRefresh(BenchDialog& dialog, std::vector<double>& times)
    {
        if (static_cast<int>(times.size()) >= m_reps)
            return false;
        double start = NowMs();
        dialog.Candidates().Refresh();
        times.push_back(NowMs() - start);
        return true;
    }

    // The stuck windows are listed by a refresh while they still answer, so that the timed
    // refreshes find the list as it was and differ from those without them only by the waits.
    bool MakeStuck(BenchDialog& dialog)
    {
        if (!m_stuck.Make())
            return false;
        dialog.Candidates().Refresh();
        const std::vector<HWND>& windows = m_stuck.Windows();
        bool silent = WaitFor([&] { return std::none_of(windows.begin(), windows.end(), Answers); }, 5000);
        m_silentSince = NowMs();
        return silent;
    }

    int m_reps;
    StuckWindows& m_stuck;
    bool m_waitForHung;
    int m_phase = 0;
    double m_silentSince = 0;
    std::unique_ptr<AnswerProbe> m_probe;
};

// Runs the refreshes of one kind of stuck windows in the real dialog; false when they could not
// be measured.
bool Run(StuckRun& run, const BenchOptions& options)
{
    BenchWindows steady("Steady Window", options.hungBaseWindows);
    BenchDialog dialog([&run](BenchDialog& d) { return run.Step(d); });
    bool shown = steady.Ready() && dialog.Show() >= 0;
    run.StopProbe();
    return shown && !run.m_first.empty() && !run.m_without.empty();
}

} // namespace

void BenchStuckPrograms(const BenchOptions& options, Report& report)
{
    const std::string windows = std::to_string(options.hungBaseWindows) + " helper windows";
    auto add = [&](const StuckRun& run, const std::string& what, const std::vector<double>& times) {
        std::vector<double> withoutTimes = run.Without();
        double without = Median(withoutTimes), with = Median(times);
        std::string reps = times.size() == 1 ? "" : " (median of " + std::to_string(times.size()) + ")";
        report.Add({"one refresh, " + windows + " and " + what + reps, FormatMs(with),
                    FormatMs(without) + " without them (median of " + std::to_string(withoutTimes.size()) +
                        ", before and after)",
                    FormatDeltaMs(with - without), "≤ +250 ms", Met(with - without <= 250)});
    };

    StuckPrograms programs;
    StuckRun programRun(options.hungReps, programs, true);
    if (!Run(programRun, options)) {
        report.Add({"one refresh with 3 programs that stopped answering", "could not be measured", "", "", "≤ +250 ms", "no"});
        return;
    }
    std::vector<double> fresh = programRun.m_first;
    fresh.insert(fresh.end(), programRun.m_fresh.begin(), programRun.m_fresh.end());
    add(programRun, "3 programs silent for under 5 s", fresh);
    if (programRun.m_reportedHung)
        add(programRun, "3 programs silent for over 5 s (reported hung)", programRun.m_hung);
    else
        report.Note("the stuck programs were never reported hung within 10 s");

    StuckThreads threads;
    StuckRun threadRun(options.hungReps, threads, false);
    double slowest = programRun.m_slowestAnswerMs;
    if (Run(threadRun, options)) {
        add(threadRun, "3 threads of the benchmark that stopped answering: the first refresh", threadRun.m_first);
        if (!threadRun.m_fresh.empty())
            add(threadRun, "the same 3 threads: the following refreshes", threadRun.m_fresh);
        slowest = std::max(slowest, threadRun.m_slowestAnswerMs);
    } else {
        report.Add({"one refresh with 3 threads that stopped answering", "could not be measured", "", "", "≤ +250 ms", "no"});
    }
    report.Add({"longest wait of a message posted to the dialog during those refreshes", FormatMs(slowest), "", "",
                "≤ 300 ms", Met(slowest <= 300)});
    report.Note("stuck windows: under Wine the icon query is never passed to another process's window, so stuck "
                "programs cannot hold the refresh up here; the threads of the benchmark's own process stand in for "
                "them, as the query reaches them and waits out its bound");
}
