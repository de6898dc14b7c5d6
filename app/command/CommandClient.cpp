#include "app/command/CommandClient.h"

#include "app/command/CommandLine.h"
#include "app/command/CommandOutput.h"
#include "app/command/ReplyWindow.h"
#include "app/SingleInstance.h"
#include "winbase/ScopedHandles.h"

namespace {

// A copy started for the command, or one still starting, has this long to show its window.
constexpr DWORD kStartTimeoutMs = 10000;
// Once the running copy has begun a request, its answer comes within this time.
constexpr DWORD kRunTimeoutMs = 30000;

// The running copy's main window, waiting while a copy is starting; null when none runs (or a
// copy runs whose window did not show in time).
HWND FindRunningCopy()
{
    HWND running = FindRunningInstanceWindow();
    const ULONGLONG deadline = GetTickCount64() + kStartTimeoutMs;
    while (!running && AnotherCopyRuns() && GetTickCount64() < deadline) {
        Sleep(20);
        running = FindRunningInstanceWindow();
    }
    return running;
}

// Starts this program in the notification area (its dialog hidden) and waits for its window. The
// new copy gets no handle of the command's, not even its standard ones: it must not keep a pipe
// of the command's open. It is started with the command copy's word: should another command have
// started a copy meanwhile, it ends quietly instead of bringing that one forward.
HWND StartCopyInTray()
{
    wchar_t path[MAX_PATH * 2] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    if (length == 0 || length >= MAX_PATH * 2)
        return nullptr;
    std::wstring commandLine = std::wstring(L"\"") + path + L"\" " +
                              std::wstring(kCommandCopyWord, kCommandCopyWord + sizeof kCommandCopyWord - 1);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(path, &commandLine[0], nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr, &startup,
                        &process))
        return nullptr;
    // The copy runs on alone: nothing here waits on it.
    const ProcessHandles started(process);
    HWND running = nullptr;
    const ULONGLONG deadline = GetTickCount64() + kStartTimeoutMs;
    while (!(running = FindRunningInstanceWindow()) && GetTickCount64() < deadline)
        Sleep(20);
    return running;
}

// Hands the request over: true when the running copy took it, else why not in why. Bounded by
// timeoutMs (at most kRunningCopyTimeoutMs) and SMTO_ABORTIFHUNG, which gives up at once on a
// copy the system finds hung. The system keeps a message from a lower integrity level
// from a window that does not accept it (access denied).
bool Hand(HWND running, const WireRequest& request, DWORD timeoutMs, Unanswered& why)
{
    std::vector<char> data = EncodeRequest(request);
    COPYDATASTRUCT message = {kCommandRequestKind, static_cast<DWORD>(data.size()), data.data()};
    DWORD_PTR taken = 0;
    const DWORD boundMs = timeoutMs < kRunningCopyTimeoutMs ? timeoutMs : kRunningCopyTimeoutMs;
    const ULONGLONG start = GetTickCount64();
    SetLastError(0);
    if (SendMessageTimeoutA(running, WM_COPYDATA, reinterpret_cast<WPARAM>(request.replyTo),
                            reinterpret_cast<LPARAM>(&message), SMTO_NORMAL | SMTO_ABORTIFHUNG, boundMs, &taken))
        why = Unanswered::Refused;
    else if (GetLastError() == ERROR_ACCESS_DENIED)
        why = Unanswered::Elevated;
    else if (!IsWindow(running))
        why = Unanswered::Ending;
    else
        why = GetTickCount64() - start < boundMs ? Unanswered::NotResponding : Unanswered::NoAnswer;
    return taken == TRUE;
}

WireVerb WireVerbOf(CommandVerb verb)
{
    switch (verb) {
    case CommandVerb::Hide: return WireVerb::Hide;
    case CommandVerb::Show: return WireVerb::Show;
    case CommandVerb::ShowAll: return WireVerb::ShowAll;
    case CommandVerb::Launch: return WireVerb::Watch;
    case CommandVerb::Toggle: return WireVerb::Toggle;
    default: return WireVerb::List;
    }
}

NString SystemMessage(DWORD error)
{
    OwnedLocalText text;
    // A failed call leaves no promise about what it wrote into the owner: given up, not freed.
    if (!FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                        nullptr, error, 0, reinterpret_cast<wchar_t*>(text.receive()), 0, nullptr))
        text.release();
    NString message = text ? NString::FromWide(text.get(), 0, CP_UTF8) : NString::Format("error %lu", error);
    message.TrimRight(" \r\n.");
    return message;
}

class Command {
public:
    explicit Command(const wchar_t* arguments) : m_request(ParseCommand(arguments)) {}

    int Run()
    {
        const CommandVerb verb = m_request.verb;
        if (!m_request.error.IsEmpty()) {
            m_streams.Err(NString("Veilbox: ") + m_request.error + "\r\n" + CommandUsage());
            return kExitUsage;
        }
        if (verb == CommandVerb::Help) {
            m_streams.Out(CommandUsage());
            return kExitActed;
        }
        // Read before anything of ours could take the foreground.
        m_foreground = GetForegroundWindow();
        if (verb == CommandVerb::Launch)
            return Launch();
        HWND running = FindRunningCopy();
        // Without a running copy nothing is held: a toggle can only hide.
        if (!running && (verb == CommandVerb::Hide || verb == CommandVerb::Toggle))
            running = StartCopyInTray();
        if (!running) {
            if (verb == CommandVerb::Show || verb == CommandVerb::ShowAll)
                m_streams.Err("Veilbox: Window Veilbox is not running; it holds no window.\r\n");
            if (verb == CommandVerb::List)
                return kExitActed;
            if (verb == CommandVerb::Show || verb == CommandVerb::ShowAll)
                return kExitNoMatch;
            return GaveUp(Unanswered::NotRunning, 0);
        }
        WireRequest request = Request();
        request.criteria = m_request.criteria;
        return Ask(running, request, m_request.timeoutSeconds * 1000);
    }

private:
    WireRequest Request() const
    {
        WireRequest request;
        request.verb = WireVerbOf(m_request.verb);
        request.serial = NewRequestSerial();
        request.foreground = m_foreground;
        return request;
    }

    // Hands the request over and waits waitMs, counted from the handing, for it to begin, then
    // for its answer; prints the answer and returns the exit code.
    int Ask(HWND running, WireRequest& request, DWORD waitMs)
    {
        ReplyWindow reply(request.serial, running);
        if (!reply.Window())
            return GaveUp(Unanswered::NoReplyWindow, 0);
        request.replyTo = reply.Window();
        request.waitMs = waitMs;
        const ULONGLONG began = GetTickCount64();
        Unanswered why = Unanswered::NoAnswer;
        if (!Hand(running, request, waitMs, why)) {
            // A request the copy takes late finds its "begun" refused.
            reply.GiveUp();
            return GaveUp(why, GetTickCount64() - began);
        }
        const ULONGLONG spent = GetTickCount64() - began;
        const ReplyWindow::Outcome outcome = reply.Wait(spent < waitMs ? static_cast<DWORD>(waitMs - spent) : 0,
                                                        kRunTimeoutMs);
        if (outcome == ReplyWindow::Outcome::NotBegun)
            return GaveUp(Unanswered::NotBegun, GetTickCount64() - began);
        if (outcome == ReplyWindow::Outcome::Unfinished)
            return GaveUp(Unanswered::Unfinished, kRunTimeoutMs);
        return Report(reply.Reply());
    }

    // The copy that is to watch runs (or is started) before the program starts, and the program
    // runs at once: nothing of a command that is killed or gives up can leave it suspended. The
    // running copy's poll finds a window that showed before the request arrived.
    int Launch()
    {
        HWND running = FindRunningCopy();
        const bool startedCopy = !running;
        if (startedCopy)
            running = StartCopyInTray();
        WireRequest request = Request();
        if (!StartProgram(request)) {
            // The copy started for this program alone is not left in the notification area.
            if (startedCopy && running)
                SendQuitRequest(running, "");
            return kExitLaunchFailed;
        }
        m_launched = Program();
        if (!running)
            return GaveUp(Unanswered::NotRunning, 0);
        request.timeoutMs = m_request.timeoutSeconds * 1000;
        const int code = Ask(running, request, request.timeoutMs + kLaunchAnswerSlackMs);
        return code == kExitNoMatch ? kExitLaunchFailed : code;
    }

    // Starts the program (running) and names it in the watch request; false, said on standard
    // error, when it cannot be started.
    bool StartProgram(WireRequest& request)
    {
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        std::wstring commandLine = m_request.program;
        if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr, nullptr,
                            &startup, &process)) {
            m_streams.Err(NString("Veilbox: could not start ") + Program() + ": " + SystemMessage(GetLastError()) +
                          "\r\n");
            return false;
        }
        FILETIME created = {}, exited = {}, kernel = {}, user = {};
        const ProcessHandles launched(process);
        GetProcessTimes(launched.process.get(), &created, &exited, &kernel, &user);
        request.launchedId = process.dwProcessId;
        request.launchedCreated = (static_cast<uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
        return true;
    }

    int Report(const WireReply& reply)
    {
        if (reply.status == ReplyStatus::Ending)
            return GaveUp(Unanswered::Ending, 0);
        const bool notHidden = reply.status == ReplyStatus::NotHidden;
        if ((notHidden || reply.status == ReplyStatus::NoWindow) && m_request.verb == CommandVerb::Launch) {
            m_streams.Err(NString::Format(notHidden ? "Veilbox: its window was not hidden within %u s (a menu of "
                                                      "Window Veilbox was open); the program is left running.\r\n"
                                                    : "Veilbox: no window appeared within %u s; the program is left "
                                                      "running.\r\n",
                                          m_request.timeoutSeconds));
            return kExitLaunchFailed;
        }
        if (m_request.verb == CommandVerb::List) {
            m_streams.Out(m_request.json ? WindowListJson(reply.windows) : WindowListText(reply.windows));
            return kExitActed;
        }
        m_streams.Out(WindowListText(reply.windows));
        if (reply.refused)
            m_streams.Err(NString::Format("Veilbox: %u window(s) stayed visible: programs running as administrator "
                                          "can only be hidden when Window Veilbox runs as administrator too.\r\n",
                                          reply.refused));
        if (!reply.windows.empty())
            return kExitActed;
        if (!reply.refused)
            m_streams.Err(m_request.verb == CommandVerb::Hide     ? "Veilbox: no visible window matched.\r\n"
                          : m_request.verb == CommandVerb::Toggle ? "Veilbox: no window matched, visible or held.\r\n"
                                                                  : "Veilbox: no held window matched.\r\n");
        return kExitNoMatch;
    }

    int GaveUp(Unanswered why, ULONGLONG waitedMs)
    {
        m_streams.Err(UnansweredText(why, waitedMs, m_launched));
        return kExitNoAnswer;
    }

    NString Program() const { return NString::FromWide(m_request.program.c_str(), 0, CP_UTF8); }

    CommandRequest m_request;
    CommandStreams m_streams;
    HWND m_foreground = nullptr;
    NString m_launched;  // launch: the program, once started
};

} // namespace

int RunCommandLine(const wchar_t* arguments)
{
    Command command(arguments);
    return command.Run();
}
