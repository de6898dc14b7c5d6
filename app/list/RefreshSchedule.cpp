#include "app/list/RefreshSchedule.h"

#include <algorithm>

namespace {

// How long announcements are gathered before the windows they name are looked at.
constexpr UINT kSoonMs = 50;
// Announcements of more windows than this are answered with one refresh of the whole list.
constexpr size_t kMostAnnounced = 16;
// An activation this soon after a refresh asks for none.
constexpr ULONGLONG kFreshMs = 500;

} // namespace

void RefreshSchedule::Start(HWND dialog)
{
    m_dialog = dialog;
    m_events = std::make_unique<TopLevelEvents>(TopLevelChangeEvents(),
                                                [this](DWORD, HWND window) { OnEvent(window); });
    FollowVisibility();
}

void RefreshSchedule::Stop()
{
    if (m_dialog) {
        KillTimer(m_dialog, kRefreshTimer);
        KillTimer(m_dialog, kSoonTimer);
    }
    m_events.reset();
    m_ticking = m_soonPending = false;
    m_dialog = nullptr;
}

bool RefreshSchedule::OnMessage(UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_WINDOWPOSCHANGED:
    case WM_SIZE:
        FollowVisibility();
        return false;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && m_ticking && GetTickCount64() - m_list.LastRefresh() > kFreshMs) {
            m_refreshAllSoon = true;
            RefreshSoon();
        }
        return false;
    case WM_TIMER:
        if (wParam == kRefreshTimer) {
            OnRefreshTimer();
            return true;
        }
        if (wParam == kSoonTimer) {
            OnSoonTimer();
            return true;
        }
        return false;
    default:
        return false;
    }
}

// Shown: the timer runs and the list is refreshed at once, since nothing was refreshed while
// the dialog was away. Hidden or minimised: no timer, nothing pending.
void RefreshSchedule::FollowVisibility()
{
    if (!m_dialog) {
        return;
    }
    bool shown = IsWindowVisible(m_dialog) && !IsIconic(m_dialog);
    if (shown == m_ticking) {
        return;
    }
    m_ticking = shown;
    if (shown) {
        SetTimer(m_dialog, kRefreshTimer, m_followsEvents ? kSafetyNetIntervalMs : kRefreshIntervalMs, nullptr);
        m_list.Refresh();
    } else {
        KillTimer(m_dialog, kRefreshTimer);
        KillTimer(m_dialog, kSoonTimer);
        m_soonPending = m_refreshAllSoon = false;
        m_announced.clear();
    }
}

void RefreshSchedule::OnRefreshTimer()
{
    DecideOnEvents();
    m_list.Refresh();
}

// The windows announced so far are taken first: looking at them may let further
// announcements in.
void RefreshSchedule::OnSoonTimer()
{
    KillTimer(m_dialog, kSoonTimer);
    m_soonPending = false;
    std::vector<HWND> announced;
    announced.swap(m_announced);
    bool all = m_refreshAllSoon || announced.size() > kMostAnnounced;
    m_refreshAllSoon = false;
    if (all) {
        m_list.Refresh();
        return;
    }
    for (HWND window : announced) {
        m_list.Update(window);
    }
}

// While the dialog is away announcements are dropped: it refreshes the whole list on its return.
void RefreshSchedule::OnEvent(HWND window)
{
    if (!m_ticking || std::find(m_announced.begin(), m_announced.end(), window) != m_announced.end() ||
        !m_list.Concerns(window)) {
        return;
    }
    m_announced.push_back(window);
    RefreshSoon();
}

void RefreshSchedule::RefreshSoon()
{
    if (!m_soonPending && m_dialog) {
        m_soonPending = SetTimer(m_dialog, kSoonTimer, kSoonMs, nullptr) != 0;
    }
}

// The probe starts with the first tick, so that it costs the start nothing. Until it decides,
// the timer runs once a second and announcements are followed as well; then either the timer
// slows down to a safety net or the announcements are no longer hooked.
void RefreshSchedule::DecideOnEvents()
{
    if (m_decided) {
        return;
    }
    StartEventDeliveryProbe();
    EventDelivery delivery = TopLevelEventDelivery();
    if (delivery == EventDelivery::Unknown) {
        return;
    }
    m_decided = true;
    m_followsEvents = delivery == EventDelivery::Delivered;
    if (!m_followsEvents) {
        m_events.reset();
    } else if (m_ticking) {
        SetTimer(m_dialog, kRefreshTimer, kSafetyNetIntervalMs, nullptr);
    }
}
