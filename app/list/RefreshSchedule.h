// When the main dialog's candidate list is refreshed.
//
// While the dialog is shown, a timer refreshes the list: once a second where the system does
// not announce changes of top-level windows, and as a slow safety net where it does (see
// winbase/WindowEvents.h; which of the two is found out at run time). Where changes are
// announced, the windows they name are brought up to date a moment later, several
// announcements at once. While the dialog is hidden or minimised no timer runs and nothing is
// refreshed; the list catches up once when the dialog is shown again.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "app/list/CandidateList.h"
#include "winbase/WindowEvents.h"

class RefreshSchedule {
public:
    // The refresh timer; a WM_TIMER with this id refreshes the list at once.
    static constexpr UINT_PTR kRefreshTimer = 1;
    static constexpr UINT kRefreshIntervalMs = 1000;
    static constexpr UINT kSafetyNetIntervalMs = 5000;

    explicit RefreshSchedule(CandidateList& list) : m_list(list) {}
    RefreshSchedule(const RefreshSchedule&) = delete;
    RefreshSchedule& operator=(const RefreshSchedule&) = delete;

    // Starts following dialog's visibility and the system's announcements.
    void Start(HWND dialog);
    // Stops the timers and the announcements.
    void Stop();
    // Hands the dialog's messages over; true when the message was the schedule's own (its timers).
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // True once the system was found to announce the changes, and the timer runs as a safety net.
    bool FollowsEvents() const { return m_followsEvents; }

private:
    static constexpr UINT_PTR kSoonTimer = 4;

    void FollowVisibility();
    void OnRefreshTimer();
    void OnSoonTimer();
    void OnEvent(HWND window);
    void RefreshSoon();
    void DecideOnEvents();

    CandidateList& m_list;
    HWND m_dialog = nullptr;
    bool m_ticking = false;
    bool m_soonPending = false;
    bool m_refreshAllSoon = false;
    bool m_followsEvents = false;
    bool m_decided = false;
    std::vector<HWND> m_announced;
    std::unique_ptr<TopLevelEvents> m_events;
};
