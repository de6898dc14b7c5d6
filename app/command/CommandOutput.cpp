#include "app/command/CommandOutput.h"

#include "text/WString.h"

namespace {

NString HandleText(HWND window)
{
    return NString::Format("0x%08llX", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
}

NString OneLine(const NString& text)
{
    NString line("");
    for (uint32_t i = 0; i < text.Length(); ++i) {
        const char c = text.Text()[i];
        line.Append(static_cast<unsigned char>(c) < 0x20 ? ' ' : c);
    }
    return line;
}

NString JsonText(const NString& text)
{
    NString json("\"");
    for (uint32_t i = 0; i < text.Length(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text.Text()[i]);
        if (c == '"' || c == '\\') {
            json.Append('\\');
            json.Append(static_cast<char>(c));
        } else if (c < 0x20) {
            json.Append(NString::Format("\\u%04x", c));
        } else {
            json.Append(static_cast<char>(c));
        }
    }
    json.Append('"');
    return json;
}

// Whole seconds, rounded: a wait cut short by a second is not called a second longer.
unsigned Seconds(ULONGLONG ms)
{
    return static_cast<unsigned>((ms + 500) / 1000);
}

bool IsUsable(HANDLE handle)
{
    return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

} // namespace

NString WindowListText(const std::vector<WindowReport>& windows)
{
    NString text("");
    for (const WindowReport& window : windows) {
        text.Append(HandleText(window.window));
        text.Append(NString::Format("\t%lu\t", static_cast<unsigned long>(window.processId)));
        text.Append(OneLine(window.exe));
        text.Append('\t');
        text.Append(OneLine(window.title));
        text.Append("\r\n");
    }
    return text;
}

NString WindowListJson(const std::vector<WindowReport>& windows)
{
    NString json("[");
    for (size_t i = 0; i < windows.size(); ++i) {
        const WindowReport& window = windows[i];
        json.Append(i == 0 ? "\r\n" : ",\r\n");
        json.Append(NString::Format("{\"hwnd\":\"%s\",\"pid\":%lu,\"exe\":", HandleText(window.window).Text(),
                                    static_cast<unsigned long>(window.processId)));
        json.Append(JsonText(window.exe));
        json.Append(",\"class\":");
        json.Append(JsonText(window.className));
        json.Append(",\"title\":");
        json.Append(JsonText(window.title));
        json.Append('}');
    }
    json.Append(windows.empty() ? "]\r\n" : "\r\n]\r\n");
    return json;
}

CommandStreams::~CommandStreams() = default;

HANDLE CommandStreams::Handle(DWORD stream)
{
    HANDLE given = GetStdHandle(stream);
    if (IsUsable(given))
        return given;
    if (!m_consoleTried) {
        m_consoleTried = true;
        if (AttachConsole(ATTACH_PARENT_PROCESS))
            m_console.reset(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    }
    return m_console ? m_console.get() : INVALID_HANDLE_VALUE;
}

void CommandStreams::Write(DWORD stream, const NString& utf8)
{
    HANDLE handle = Handle(stream);
    if (handle == INVALID_HANDLE_VALUE || utf8.IsEmpty())
        return;
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(handle, &mode)) {
        const WString wide = WString::FromNarrow(utf8.Text(), CP_UTF8);
        if (!wide.IsNull())
            WriteConsoleW(handle, wide.Text(), wide.Length(), &written, nullptr);
    } else {
        WriteFile(handle, utf8.Text(), utf8.Length(), &written, nullptr);
    }
}

namespace {

// What happened, with %u for the seconds waited where the wait matters.
const char* UnansweredFormat(Unanswered why)
{
    switch (why) {
    case Unanswered::NotRunning:
        return "Window Veilbox is not running and could not be started";
    case Unanswered::Elevated:
        return "Window Veilbox runs as administrator, and the system keeps requests from programs that do not from "
               "it; run this command as administrator too (or start Window Veilbox without)";
    case Unanswered::NoAnswer:
        return "Window Veilbox did not take the request within %u s; nothing was done";
    case Unanswered::NotResponding:
        return "Window Veilbox is not responding; nothing was done";
    case Unanswered::NoReplyWindow:
        return "could not wait for the answer of Window Veilbox (no window for it); nothing was done";
    case Unanswered::Refused:
        return "Window Veilbox turned the request down (it is ending, has too many requests, or is an older "
               "version); nothing was done";
    case Unanswered::NotBegun:
        return "Window Veilbox did not take up the request within %u s (a menu or message of it may be open); it "
               "is dropped, nothing was done";
    case Unanswered::Unfinished:
        return "Window Veilbox began the request but did not finish it within %u s; it may still act on it";
    case Unanswered::Ending:
        break;
    }
    return "Window Veilbox is ending; nothing was done";
}

} // namespace

NString UnansweredText(Unanswered why, ULONGLONG waitedMs, const NString& launched)
{
    NString text = NString("Veilbox: ") + NString::Format(UnansweredFormat(why), Seconds(waitedMs));
    if (!launched.IsEmpty())
        text += NString("; ") + launched + (why == Unanswered::Unfinished ? " was started" : " runs without being hidden");
    text += ".\r\n";
    return text;
}
