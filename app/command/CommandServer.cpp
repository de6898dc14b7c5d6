#include "app/command/CommandServer.h"

#include "app/held/HeldBatch.h"
#include "text/WString.h"
#include "winbase/ProgramEnd.h"

namespace {

// A flood of requests costs at most this many queued requests and launches, and a flood of
// window reports this many remembered windows (the poll finds any that were dropped).
constexpr size_t kMaxQueued = 64;
constexpr size_t kMaxShown = 256;
constexpr UINT kReplyTimeoutMs = 1000;
constexpr UINT kLaunchPollMs = 100;

NString Convert(const NString& text, UINT from, UINT to)
{
    if (text.IsEmpty() || from == to)
        return text.IsNull() ? NString("") : text;
    const WString wide = WString::FromNarrow(text.Text(), from);
    const NString converted = wide.IsNull() ? NString() : NString::FromWide(wide.Text(), 0, to);
    return converted.IsNull() ? NString("") : converted;
}

// The program's texts are in its code page (UTF-8 under its manifest, not on older systems);
// messages carry UTF-8.
NString FromWire(const NString& text) { return Convert(text, CP_UTF8, GetACP()); }
NString ToWire(const NString& text) { return Convert(text, GetACP(), CP_UTF8); }

WindowReport Report(HWND window, const NString& heldTitle = NString())
{
    WindowFacts facts(window);
    WindowReport report;
    report.window = window;
    report.processId = facts.ProcessId();
    report.exe = ToWire(facts.ExeName());
    report.className = ToWire(facts.ClassName());
    report.title = ToWire(facts.Title().IsEmpty() && !heldTitle.IsNull() ? heldTitle : facts.Title());
    return report;
}

std::vector<WindowReport> Reports(const std::vector<HWND>& windows)
{
    std::vector<WindowReport> reports;
    for (HWND window : windows)
        reports.push_back(Report(window));
    return reports;
}

// The request's selectors in the program's code page, with --active standing for the window
// that was in front when the command began. False when nothing can match.
bool CriteriaOf(const WireRequest& request, WindowCriteria& criteria)
{
    criteria = request.criteria;
    for (NString* text : {&criteria.title, &criteria.titleLike, &criteria.className, &criteria.exe})
        *text = FromWire(*text);
    if (!criteria.active)
        return true;
    criteria.active = false;
    if (!request.foreground || (criteria.window && criteria.window != request.foreground))
        return false;
    criteria.window = request.foreground;
    return true;
}

bool IsVisibleTitledWindow(HWND window)
{
    WindowFacts facts(window);
    return IsWindowVisible(window) && MayActOn(facts);
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
    // Watched from now on: the command lets its program run once this returns.
    if (request.verb == WireVerb::Watch) {
        Watch(request);
        return true;
    }
    m_queue.push_back(request);
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
        const WireRequest request = m_queue.front();
        m_queue.pop_front();
        Run(request);
    }
    std::vector<HWND> shown;
    shown.swap(m_shown);
    if (!ProgramEnding())
        CheckLaunches(shown);
    m_running = false;
}

void CommandServer::Run(const WireRequest& request)
{
    WireReply reply;
    reply.serial = request.serial;
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

void CommandServer::Watch(const WireRequest& request)
{
    LaunchWatch launch;
    launch.serial = request.serial;
    launch.replyTo = request.replyTo;
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
// change the menu under the user's pointer. The timer looks again once the menu has closed.
void CommandServer::OnTimer()
{
    if (m_running || m_menuOpen)
        return;
    m_running = true;
    std::vector<HWND> windows;
    for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT))
        if (IsWindowVisible(window))
            windows.push_back(window);
    CheckLaunches(windows);
    const ULONGLONG now = GetTickCount64();
    for (size_t i = m_launches.size(); i-- > 0;) {
        if (m_launches[i].deadline <= now) {
            WireReply reply;
            reply.status = ReplyStatus::NoWindow;
            EndLaunch(i, reply);
        }
    }
    m_running = false;
    if (!m_queue.empty() || !m_shown.empty())
        Post();
}

// Each launch is looked up again after every hide: the hide sends messages, and whatever
// arrives meanwhile may have ended launches.
void CommandServer::CheckLaunches(const std::vector<HWND>& windows)
{
    for (HWND window : windows) {
        if (m_launches.empty() || !IsVisibleTitledWindow(window))
            continue;
        const DWORD process = WindowFacts(window).ProcessId();
        for (size_t i = 0; i < m_launches.size(); ++i) {
            if (!m_launches[i].Owns(process))
                continue;
            const uint32_t serial = m_launches[i].serial;
            const BatchHide outcome = HideIntoMenu({window}, m_menu);
            if (m_changed)
                m_changed();
            WireReply reply;
            reply.windows = Reports(outcome.hidden);
            reply.refused = static_cast<uint32_t>(outcome.refused);
            for (size_t j = 0; j < m_launches.size(); ++j) {
                if (m_launches[j].serial == serial) {
                    EndLaunch(j, reply);
                    break;
                }
            }
            break;
        }
    }
}

void CommandServer::EndLaunch(size_t index, const WireReply& answer)
{
    WireReply reply = answer;
    reply.serial = m_launches[index].serial;
    const HWND replyTo = m_launches[index].replyTo;
    m_launches.erase(m_launches.begin() + static_cast<std::ptrdiff_t>(index));
    if (m_launches.empty()) {
        m_hook.reset();
        if (m_dialog)
            KillTimer(m_dialog, kLaunchTimer);
    }
    Reply(replyTo, reply);
}

void CommandServer::Stop()
{
    m_stopped = true;
    WireReply ending;
    ending.status = ReplyStatus::Ending;
    while (!m_queue.empty()) {
        const WireRequest request = m_queue.front();
        m_queue.pop_front();
        ending.serial = request.serial;
        Reply(request.replyTo, ending);
    }
    while (!m_launches.empty())
        EndLaunch(m_launches.size() - 1, ending);
    m_hook.reset();
}

void CommandServer::Reply(HWND replyTo, const WireReply& reply)
{
    std::vector<char> data = EncodeReply(reply);
    COPYDATASTRUCT message = {kCommandReplyKind, static_cast<DWORD>(data.size()), data.data()};
    DWORD_PTR result = 0;
    SendMessageTimeoutA(replyTo, WM_COPYDATA, reinterpret_cast<WPARAM>(m_dialog), reinterpret_cast<LPARAM>(&message),
                        SMTO_NORMAL | SMTO_ABORTIFHUNG, kReplyTimeoutMs, &result);
}
