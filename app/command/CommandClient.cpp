#include "app/command/CommandClient.h"

#include "app/command/CommandLine.h"
#include "app/command/CommandOutput.h"
#include "app/SingleInstance.h"
#include "winbase/OwnRecords.h"

namespace {

constexpr wchar_t kReplyClass[] = L"VeilboxCommandReply";
// A copy started for the command, or one still starting, has this long to show its window.
constexpr DWORD kStartTimeoutMs = 10000;
// The answer to a request comes this long after the running copy took it, at most; a launch
// adds its own wait.
constexpr DWORD kAnswerTimeoutMs = 10000;

// The message-only window the running copy answers to; it keeps the first valid answer.
class ReplyWindow {
public:
    explicit ReplyWindow(uint32_t serial) : m_serial(serial)
    {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kReplyClass;
        RegisterClassW(&windowClass);
        m_window = CreateWindowExW(0, kReplyClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   windowClass.hInstance, nullptr);
        Bound().Bind(m_window, this);
    }
    ReplyWindow(const ReplyWindow&) = delete;
    ReplyWindow& operator=(const ReplyWindow&) = delete;
    ~ReplyWindow()
    {
        Bound().Forget(this);
        DestroyWindow(m_window);
    }

    HWND Window() const { return m_window; }
    const WireReply& Reply() const { return m_reply; }

    // Reads this thread's messages until the answer came (true) or timeoutMs have passed.
    bool Wait(DWORD timeoutMs)
    {
        const ULONGLONG deadline = GetTickCount64() + timeoutMs;
        for (;;) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
            const ULONGLONG now = GetTickCount64();
            if (m_answered || now >= deadline)
                return m_answered;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
        }
    }

private:
    // The object is found by its window here, not through the window's user data, which any
    // program can set.
    static WindowTable<ReplyWindow>& Bound()
    {
        static WindowTable<ReplyWindow> bound;
        return bound;
    }

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        ReplyWindow* self = Bound().Find(window);
        if (message != WM_COPYDATA || !self)
            return DefWindowProcW(window, message, wParam, lParam);
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        WireReply reply;
        if (self->m_answered || !data || data->dwData != kCommandReplyKind ||
            !DecodeReply(data->lpData, data->cbData, reply) || reply.serial != self->m_serial)
            return FALSE;
        self->m_reply = reply;
        self->m_answered = true;
        return TRUE;
    }

    uint32_t m_serial;
    HWND m_window = nullptr;
    WireReply m_reply;
    bool m_answered = false;
};

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
// of the command's open.
HWND StartCopyInTray()
{
    wchar_t path[MAX_PATH * 2] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    if (length == 0 || length >= MAX_PATH * 2)
        return nullptr;
    std::wstring commandLine = std::wstring(L"\"") + path + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(path, &commandLine[0], nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr, &startup,
                        &process))
        return nullptr;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    HWND running = nullptr;
    const ULONGLONG deadline = GetTickCount64() + kStartTimeoutMs;
    while (!(running = FindRunningInstanceWindow()) && GetTickCount64() < deadline)
        Sleep(20);
    return running;
}

// True when the running copy took the request.
bool Hand(HWND running, const WireRequest& request)
{
    std::vector<char> data = EncodeRequest(request);
    COPYDATASTRUCT message = {kCommandRequestKind, static_cast<DWORD>(data.size()), data.data()};
    LRESULT taken = 0;
    return SendToRunningCopy(running, WM_COPYDATA, reinterpret_cast<WPARAM>(request.replyTo),
                             reinterpret_cast<LPARAM>(&message), &taken) && taken == TRUE;
}

WireVerb WireVerbOf(CommandVerb verb)
{
    switch (verb) {
    case CommandVerb::Hide: return WireVerb::Hide;
    case CommandVerb::Show: return WireVerb::Show;
    case CommandVerb::ShowAll: return WireVerb::ShowAll;
    case CommandVerb::Launch: return WireVerb::Watch;
    default: return WireVerb::List;
    }
}

NString SystemMessage(DWORD error)
{
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    NString message = text ? NString::FromWide(text, 0, CP_UTF8) : NString::Format("error %lu", error);
    LocalFree(text);
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
        if (!running && verb == CommandVerb::Hide)
            running = StartCopyInTray();
        if (!running) {
            if (verb == CommandVerb::Show || verb == CommandVerb::ShowAll)
                m_streams.Err("Veilbox: Window Veilbox is not running; it holds no window.\r\n");
            if (verb == CommandVerb::List)
                return kExitActed;
            return verb == CommandVerb::Show || verb == CommandVerb::ShowAll ? kExitNoMatch : NoAnswer();
        }
        return Ask(running);
    }

private:
    WireRequest Request(HWND replyTo) const
    {
        WireRequest request;
        request.verb = WireVerbOf(m_request.verb);
        request.serial = GetCurrentProcessId() ^ static_cast<uint32_t>(GetTickCount64());
        request.replyTo = replyTo;
        request.criteria = m_request.criteria;
        request.foreground = m_foreground;
        return request;
    }

    int Ask(HWND running)
    {
        WireRequest request = Request(nullptr);
        ReplyWindow reply(request.serial);
        request.replyTo = reply.Window();
        if (!Hand(running, request) || !reply.Wait(kAnswerTimeoutMs))
            return NoAnswer();
        return Report(reply.Reply());
    }

    // The program starts suspended and runs once the running copy watches for its window (or,
    // when no copy answers, without being hidden).
    int Launch()
    {
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        std::wstring commandLine = m_request.program;
        if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED | CREATE_NEW_CONSOLE,
                            nullptr, nullptr, &startup, &process)) {
            m_streams.Err(NString("Veilbox: could not start ") + NString::FromWide(m_request.program.c_str(), 0, CP_UTF8) +
                          ": " + SystemMessage(GetLastError()) + "\r\n");
            return kExitLaunchFailed;
        }
        HWND running = FindRunningCopy();
        if (!running)
            running = StartCopyInTray();
        FILETIME created = {}, exited = {}, kernel = {}, user = {};
        GetProcessTimes(process.hProcess, &created, &exited, &kernel, &user);
        WireRequest request = Request(nullptr);
        request.criteria = WindowCriteria();
        request.launchedId = process.dwProcessId;
        request.launchedCreated = (static_cast<uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
        request.timeoutMs = m_request.timeoutSeconds * 1000;
        ReplyWindow reply(request.serial);
        request.replyTo = reply.Window();
        const bool taken = running && Hand(running, request);
        ResumeThread(process.hThread);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        if (!taken || !reply.Wait(request.timeoutMs + kAnswerTimeoutMs))
            return NoAnswer();
        if (reply.Reply().status == ReplyStatus::NoWindow) {
            m_streams.Err(NString::Format("Veilbox: no window appeared within %u s; the program is left running.\r\n",
                                          m_request.timeoutSeconds));
            return kExitLaunchFailed;
        }
        const int code = Report(reply.Reply());
        return code == kExitNoMatch ? kExitLaunchFailed : code;
    }

    int Report(const WireReply& reply)
    {
        if (reply.status == ReplyStatus::Ending)
            return NoAnswer();
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
            m_streams.Err(m_request.verb == CommandVerb::Hide ? "Veilbox: no visible window matched.\r\n"
                                                              : "Veilbox: no held window matched.\r\n");
        return kExitNoMatch;
    }

    int NoAnswer()
    {
        m_streams.Err(NString::Format("Veilbox: Window Veilbox did not answer within %u s.\r\n",
                                      kRunningCopyTimeoutMs / 1000));
        return kExitNoAnswer;
    }

    CommandRequest m_request;
    CommandStreams m_streams;
    HWND m_foreground = nullptr;
};

} // namespace

int RunCommandLine(const wchar_t* arguments)
{
    Command command(arguments);
    return command.Run();
}
