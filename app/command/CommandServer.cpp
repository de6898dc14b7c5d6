#include "app/command/CommandServer.h"

#include "app/command/CommandReports.h"
#include "app/held/HeldBatch.h"
#include "winbase/ProgramEnd.h"

namespace {

// A flood of requests costs at most this many queued requests and launches, and a flood of
// window reports this many remembered windows (the poll finds any that were dropped).
constexpr size_t kMaxQueued = 64;
constexpr size_t kMaxShown = 256;
constexpr UINT kReplyTimeoutMs = 1000;
// The "begun" reply and the "dropped" one that withdraws it: the reply window takes them at once.
constexpr UINT kBegunTimeoutMs = 1000;
constexpr UINT kLaunchPollMs = 100;
// An older command, whose request says nothing of its wait, waits this long for the answer once
// its request was taken.
constexpr ULONGLONG kOlderCommandWaitMs = 10000;

// True while the command waits: its reply window still exists in the process it was in.
bool CommandWaits(HWND replyTo, DWORD replyProcess)
{
    DWORD process = 0;
    return IsWindow(replyTo) && GetWindowThreadProcessId(replyTo, &process) && process == replyProcess;
}

bool IsVisibleTitledWindow(HWND window)
{
    WindowFacts facts(window);
    return IsWindowVisible(window) && MayActOn(facts);
}

// True when a visible titled top-level window belongs to the launch: it showed, and was not
// hidden (a menu was open, or the launch was dropped and asked again).
bool LaunchShowedAWindow(LaunchWatch& launch)
{
    for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT))
        if (IsVisibleTitledWindow(window) && launch.Owns(WindowFacts(window).ProcessId()))
            return true;
    return false;
}

WireReply ReplyFor(uint64_t serial, bool confirms, ReplyStatus status = ReplyStatus::Done)
{
    WireReply reply;
    reply.serial = serial;
    reply.older = !confirms;
    reply.status = status;
    return reply;
}

} // namespace

CommandServer::CommandServer(HiddenMenu& menu, std::function<void()> changed)
    : m_menu(menu), m_changed(std::move(changed))
{
}

CommandServer::~CommandServer() = default;

bool CommandServer::Take(const COPYDATASTRUCT& data, HWND sender)
{
    WireRequest request;
    if (data.dwData != kCommandRequestKind || !DecodeRequest(data.lpData, data.cbData, request))
        return false;
    DWORD senderProcess = 0;
    GetWindowThreadProcessId(request.replyTo, &senderProcess);
    if (request.replyTo != sender || !IsWindow(sender) || senderProcess == GetCurrentProcessId() ||
        m_queue.size() + m_launches.size() >= kMaxQueued || m_stopped || ProgramEnding())
        return false;
    if (request.verb == WireVerb::Watch) {
        Watch(request, senderProcess);
        return true;
    }
    QueuedRequest queued;
    queued.request = request;
    queued.deadline = GetTickCount64() + (request.waitMs ? request.waitMs : kOlderCommandWaitMs);
    queued.replyProcess = senderProcess;
    m_queue.push_back(queued);
    Post();
    return true;
}

void CommandServer::Attach(HWND dialog)
{
    m_dialog = dialog;
    if (!m_queue.empty())
        Post();
    if (!m_launches.empty())
        SetTimer(m_dialog, kLaunchTimer, kLaunchPollMs, nullptr);
}

void CommandServer::Post()
{
    if (m_dialog)
        PostMessageA(m_dialog, kRunCommandsMessage, 0, 0);
}

void CommandServer::SetMenuOpen(bool open)
{
    m_menuOpen = open;
    if (!open && (!m_queue.empty() || !m_shown.empty()))
        Post();
}

// Requests are taken from the queue before they run: one that arrives meanwhile waits its turn.
void CommandServer::RunQueued()
{
    if (m_running || m_menuOpen)
        return;
    m_running = true;
    while (!m_queue.empty() && !ProgramEnding()) {
        const QueuedRequest queued = m_queue.front();
        m_queue.pop_front();
        const WireRequest& request = queued.request;
        if (GetTickCount64() > queued.deadline || !CommandWaits(request.replyTo, queued.replyProcess) ||
            !Begin(request.replyTo, request.serial, request.waitMs != 0))
            continue;
        if (!ProgramEnding())
            Run(request);
        else
            Reply(request.replyTo, ReplyFor(request.serial, request.waitMs != 0, ReplyStatus::Ending));
    }
    std::vector<HWND> shown;
    shown.swap(m_shown);
    if (!ProgramEnding())
        CheckLaunches(shown);
    m_running = false;
}

void CommandServer::Run(const WireRequest& request)
{
    WireReply reply = ReplyFor(request.serial, request.waitMs != 0);
    WindowCriteria criteria;
    const bool mayMatch = CriteriaOf(request, criteria);
    switch (request.verb) {
    case WireVerb::Hide: {
        const BatchHide outcome = HideIntoMenu(mayMatch ? VisibleMatchingWindows(criteria) : std::vector<HWND>(), m_menu);
        reply.windows = Reports(outcome.hidden);
        reply.refused = static_cast<uint32_t>(outcome.refused);
        break;
    }
    case WireVerb::Show:
        reply.windows = Reports(ShowHeldWindows(m_menu, [&](HWND window) {
            WindowFacts facts(window);
            return mayMatch && Matches(criteria, facts);
        }));
        break;
    case WireVerb::ShowAll:
        reply.windows = Reports(ShowHeldWindows(m_menu));
        break;
    case WireVerb::Toggle: {
        const ToggleOutcome outcome =
            mayMatch ? ToggleMatching(m_menu, criteria, request.foreground, false) : ToggleOutcome();
        reply.windows = Reports(outcome.windows);
        reply.refused = static_cast<uint32_t>(outcome.refused);
        break;
    }
    case WireVerb::List:
        for (uint32_t id : HeldIdsNewestFirst(m_menu))
            if (const MenuEntry* entry = m_menu.EntryById(id))
                reply.windows.push_back(Report(entry->window, entry->title));
        break;
    case WireVerb::Watch:
        return;
    }
    if (request.verb != WireVerb::List && m_changed)
        m_changed();
    Reply(request.replyTo, reply);
}

void CommandServer::Watch(const WireRequest& request, DWORD replyProcess)
{
    LaunchWatch launch;
    launch.serial = request.serial;
    launch.replyTo = request.replyTo;
    launch.replyProcess = replyProcess;
    launch.confirms = request.waitMs != 0;
    launch.processId = request.launchedId;
    launch.created = request.launchedCreated;
    launch.deadline = GetTickCount64() + request.timeoutMs;
    m_launches.push_back(launch);
    // Hooks that could not all be set are not tried again for this launch: the poll finds the
    // window instead.
    if (!m_hook)
        m_hook = std::make_unique<TopLevelEvents>(std::vector<DWORD>{EVENT_OBJECT_SHOW, EVENT_OBJECT_NAMECHANGE},
                                                  [this](DWORD, HWND window) {
                                                      if (m_shown.size() >= kMaxShown)
                                                          return;
                                                      m_shown.push_back(window);
                                                      if (m_shown.size() == 1)
                                                          Post();
                                                  });
    if (m_dialog)
        SetTimer(m_dialog, kLaunchTimer, kLaunchPollMs, nullptr);
}

// Nothing is hidden while a menu is open, as for the queued requests: an entry added then would
// change the menu under the user's pointer. The timer looks again once the menu has closed; a
// launch whose time is up is answered meanwhile all the same.
void CommandServer::OnTimer()
{
    if (m_running)
        return;
    m_running = true;
    std::vector<HWND> windows;
    for (HWND window = GetTopWindow(nullptr); window && !m_menuOpen; window = GetWindow(window, GW_HWNDNEXT))
        if (IsWindowVisible(window))
            windows.push_back(window);
    CheckLaunches(windows);
    m_running = false;
    if (!m_queue.empty() || !m_shown.empty())
        Post();
}

// A launch is looked up again after every send (the "begun" reply, the hide): whatever arrives
// meanwhile may have ended launches.
void CommandServer::CheckLaunches(const std::vector<HWND>& windows)
{
    EndOverdueLaunches();
    for (HWND window : windows) {
        if (m_launches.empty() || !IsVisibleTitledWindow(window))
            continue;
        const DWORD process = WindowFacts(window).ProcessId();
        for (size_t i = 0; i < m_launches.size(); ++i) {
            if (m_launches[i].Owns(process)) {
                HideLaunched(i, window);
                break;
            }
        }
    }
}

// The window is hidden only while the launch's time is not up, once its command took "begun",
// and while it still is a visible titled window of the program: the send lets the program act
// meanwhile. A window that stopped being one leaves the launch waiting for the next.
void CommandServer::HideLaunched(size_t index, HWND window)
{
    const LaunchWatch launch = m_launches[index];
    if (launch.deadline <= GetTickCount64())
        return;
    if (!Begin(launch.replyTo, launch.serial, launch.confirms)) {
        DropLaunch(LaunchIndex(launch.serial));
        return;
    }
    index = LaunchIndex(launch.serial);
    if (index == m_launches.size() || ProgramEnding() || !IsVisibleTitledWindow(window) ||
        !m_launches[index].Owns(WindowFacts(window).ProcessId()))
        return;
    const BatchHide outcome = HideIntoMenu({window}, m_menu);
    if (m_changed)
        m_changed();
    WireReply reply;
    reply.windows = Reports(outcome.hidden);
    reply.refused = static_cast<uint32_t>(outcome.refused);
    index = LaunchIndex(launch.serial);
    if (index < m_launches.size())
        EndLaunch(index, reply);
}

// A launch whose time is up is answered "no window"; one whose command is gone is dropped. No
// window is hidden for either.
void CommandServer::EndOverdueLaunches()
{
    const ULONGLONG now = GetTickCount64();
    for (size_t i = m_launches.size(); i-- > 0;) {
        if (i >= m_launches.size())
            continue;
        if (!CommandWaits(m_launches[i].replyTo, m_launches[i].replyProcess)) {
            DropLaunch(i);
        } else if (m_launches[i].deadline <= now) {
            // An older command knows "no window" only.
            const bool showed = m_launches[i].confirms && LaunchShowedAWindow(m_launches[i]);
            WireReply reply;
            reply.status = showed ? ReplyStatus::NotHidden : ReplyStatus::NoWindow;
            EndLaunch(i, reply);
        }
    }
}

size_t CommandServer::LaunchIndex(uint64_t serial) const
{
    for (size_t i = 0; i < m_launches.size(); ++i)
        if (m_launches[i].serial == serial)
            return i;
    return m_launches.size();
}

void CommandServer::EndLaunch(size_t index, const WireReply& answer)
{
    WireReply reply = answer;
    reply.serial = m_launches[index].serial;
    reply.older = !m_launches[index].confirms;
    const HWND replyTo = m_launches[index].replyTo;
    DropLaunch(index);
    Reply(replyTo, reply);
}

void CommandServer::DropLaunch(size_t index)
{
    if (index >= m_launches.size())
        return;
    m_launches.erase(m_launches.begin() + static_cast<std::ptrdiff_t>(index));
    if (m_launches.empty()) {
        m_hook.reset();
        if (m_dialog)
            KillTimer(m_dialog, kLaunchTimer);
    }
}

void CommandServer::Stop()
{
    m_stopped = true;
    while (!m_queue.empty()) {
        const WireRequest request = m_queue.front().request;
        m_queue.pop_front();
        Reply(request.replyTo, ReplyFor(request.serial, request.waitMs != 0, ReplyStatus::Ending));
    }
    WireReply ending;
    ending.status = ReplyStatus::Ending;
    while (!m_launches.empty())
        EndLaunch(m_launches.size() - 1, ending);
    m_hook.reset();
}

// SMTO_BLOCK: nothing sent to this copy meanwhile (a second start's restore request) runs inside
// the wait. A "begun" that was not taken in time may still reach the window later: the "dropped"
// reply withdraws it, so the command never waits on a request that will not run.
bool CommandServer::Begin(HWND replyTo, uint64_t serial, bool confirms)
{
    if (!confirms)
        return true;
    const ULONGLONG start = GetTickCount64();
    const bool taken = Reply(replyTo, ReplyFor(serial, true, ReplyStatus::Begun), SMTO_BLOCK, kBegunTimeoutMs) &&
                       GetTickCount64() - start <= kBegunTimeoutMs;
    if (!taken)
        Reply(replyTo, ReplyFor(serial, true, ReplyStatus::Dropped), SMTO_BLOCK, kBegunTimeoutMs);
    return taken;
}

bool CommandServer::Reply(HWND replyTo, const WireReply& reply, UINT flags, UINT timeoutMs)
{
    std::vector<char> data = EncodeReply(reply);
    COPYDATASTRUCT message = {kCommandReplyKind, static_cast<DWORD>(data.size()), data.data()};
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(replyTo, WM_COPYDATA, reinterpret_cast<WPARAM>(m_dialog),
                               reinterpret_cast<LPARAM>(&message), flags | SMTO_ABORTIFHUNG,
                               timeoutMs ? timeoutMs : kReplyTimeoutMs, &result) &&
           result == TRUE;
}
