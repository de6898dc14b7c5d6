// The command line's words and options, the messages between a command and the running copy,
// and what a command prints.
#include <gtest/gtest.h>

#include <string>

#include "app/command/CommandLine.h"
#include "app/command/CommandOutput.h"
#include "app/command/CommandWire.h"

namespace {

HWND Handle(UINT_PTR value)
{
    return reinterpret_cast<HWND>(value);
}

TEST(CommandLine, WordsSplitAsTheRuntimeSplitsThem)
{
    const struct {
        const wchar_t* line;
        std::vector<std::wstring> words;
    } cases[] = {
        {L"  hide   --title  \"a b\" ", {L"hide", L"--title", L"a b"}},
        {L"a\"b c\"d", {L"ab cd"}},
        {L"\"say \"\"hi\"\"\"", {L"say \"hi\""}},
        {L"C:\\dir\\ \\\\\\\"q", {L"C:\\dir\\", L"\\\"q"}},
        {L"\"C:\\dir\\\\\" next", {L"C:\\dir\\", L"next"}},
        {L"\"\"", {L""}},
    };
    for (const auto& c : cases) {
        std::vector<std::wstring> words;
        for (const CommandWord& word : SplitWords(c.line))
            words.push_back(word.text);
        EXPECT_EQ(words, c.words) << std::wstring(c.line).size();
    }
    EXPECT_STREQ(SkipProgramName(L"\"C:\\a b\\Veilbox.exe\"  list"), L"list");
    EXPECT_STREQ(SkipProgramName(L"Veilbox.exe\thide --active"), L"hide --active");
}

TEST(CommandLine, OnlyTheVerbsMakeACommandAndWrongUsageHasAReason)
{
    EXPECT_TRUE(IsCommandLine(L"LIST"));
    EXPECT_TRUE(IsCommandLine(L"/?"));
    for (const wchar_t* ordinary : {L"", L"update", L"uninstall", L"hidden", L"--tray", L"\"\" hide"})
        EXPECT_FALSE(IsCommandLine(ordinary)) << ordinary;

    const struct {
        const wchar_t* line;
        const char* error;  // empty: valid
    } cases[] = {
        {L"hide --title x --class Notepad --exe notepad.exe --pid 12 --hwnd 0x1A2b --active", ""},
        {L"Show --Title-Like \"*Notepad\"", ""},
        {L"list --json", ""},
        {L"hide", "give at least one selector"},
        {L"hide --title \"\"", "--title needs a value"},
        {L"hide --exe a --exe b", "--exe is given twice"},
        {L"hide --pid 4294967296", "--pid needs a positive number, not 4294967296"},
        {L"hide --hwnd 1234", "--hwnd needs a handle such as 0x1A2B, not 1234"},
        {L"hide --json --title x", "unknown option --json"},
        {L"hide --title x extra", "unexpected extra"},
        {L"show-all --title x", "unknown option --title"},
        {L"launch", "launch needs a program"},
        {L"launch --timeout 86401 -- a.exe", "--timeout needs a positive number, not 86401"},
        {L"list --json --timeout 3", ""},
        {L"show-all --timeout 0", "--timeout needs a positive number, not 0"},
        {L"hide --timeout 2 --title x --timeout 3", "--timeout is given twice"},
        {L"--help --timeout 2", "unknown option --timeout"},
        {L"TOGGLE --exe notepad.exe --title-like \"* - Notepad\" --timeout 3", ""},
        {L"toggle", "give at least one selector"},
        {L"toggle --json --active", "unknown option --json"},
    };
    for (const auto& c : cases) {
        const CommandRequest request = ParseCommand(c.line);
        EXPECT_STREQ(request.error.IsNull() ? "" : request.error.Text(), c.error) << c.error;
    }

    const CommandRequest hide = ParseCommand(L"hide --title-like \"Καλη*\" --hwnd 0xFFFF");
    EXPECT_STREQ(hide.criteria.titleLike.Text(), "Καλη*");
    EXPECT_EQ(hide.criteria.window, Handle(0xFFFF));
    // The program's command line is kept as typed, quotes and all.
    EXPECT_EQ(ParseCommand(L"launch -- \"C:\\My Apps\\a.exe\" \"x y\"  ").program, L"\"C:\\My Apps\\a.exe\" \"x y\"");
    EXPECT_EQ(ParseCommand(L"launch notepad.exe --flag").program, L"notepad.exe --flag");
    EXPECT_EQ(ParseCommand(L"launch --timeout 7 -- -- x").program, L"-- x");

    // launch waits for the program's window, every other verb for the running copy.
    const struct {
        const wchar_t* line;
        uint32_t seconds;
    } timeouts[] = {
        {L"launch a.exe", kDefaultLaunchTimeoutSeconds}, {L"list", kDefaultAnswerTimeoutSeconds},
        {L"hide --active", kDefaultAnswerTimeoutSeconds}, {L"show --timeout 4 --active", 4},
        {L"launch --timeout 7 a.exe", 7},
    };
    for (const auto& t : timeouts)
        EXPECT_EQ(ParseCommand(t.line).timeoutSeconds, t.seconds) << t.seconds;
    // Found by the command-line fuzz target: trailing blanks inside a quote never closed are part
    // of the last argument, and the program must get them.
    EXPECT_EQ(ParseCommand(L"launch a.exe \"x y  ").program, L"a.exe \"x y  ");
    EXPECT_EQ(ParseCommand(L"launch a.exe \"x\" y  \t").program, L"a.exe \"x\" y");
}

WireRequest SampleRequest()
{
    WireRequest request;
    request.verb = WireVerb::Hide;
    request.serial = 0x8877665544332211ull;  // all 64 bits travel in the current layout
    request.replyTo = Handle(0x10);
    request.foreground = Handle(0x20);
    request.criteria.title = "Καλημέρα";
    request.criteria.exe = "notepad.exe";
    request.criteria.processId = 9;
    request.criteria.window = Handle(0x30);
    request.criteria.active = true;
    request.waitMs = 0x100;  // one byte of it is not zero
    return request;
}

TEST(CommandWire, RequestsAndRepliesSurviveTheTrip)
{
    const std::vector<char> data = EncodeRequest(SampleRequest());
    WireRequest decoded;
    ASSERT_TRUE(DecodeRequest(data.data(), static_cast<DWORD>(data.size()), decoded));
    EXPECT_EQ(EncodeRequest(decoded), data);
    EXPECT_EQ(decoded.serial, 0x8877665544332211ull);
    EXPECT_STREQ(decoded.criteria.title.Text(), "Καλημέρα");
    EXPECT_EQ(decoded.criteria.window, Handle(0x30));
    EXPECT_TRUE(decoded.criteria.active);

    WireReply reply;
    reply.serial = 0xF00000007ull;
    reply.refused = 2;
    reply.windows.push_back({Handle(0xABC), 321, "a.exe", "Cls", "Tab\there"});
    reply.windows.push_back({Handle(0xDEF), 1, "", "", ""});
    const std::vector<char> answer = EncodeReply(reply);
    WireReply back;
    ASSERT_TRUE(DecodeReply(answer.data(), static_cast<DWORD>(answer.size()), back));
    EXPECT_EQ(EncodeReply(back), answer);
    EXPECT_EQ(back.serial, 0xF00000007ull);
    EXPECT_FALSE(back.older);
    ASSERT_EQ(back.windows.size(), 2u);
    EXPECT_STREQ(back.windows[0].title.Text(), "Tab\there");
}

// An older command's request has no wait, a 32-bit serial and a layout of its own, which is still
// read; it keeps that layout through a decode and an encode, and its answer goes in the older
// reply layout, which knows no status after "begun". A "begun" reply is a reply as any other.
TEST(CommandWire, AnOlderCommandsRequestAndTheBegunReplyAreUnderstood)
{
    WireRequest older = SampleRequest();
    older.waitMs = 0;
    const std::vector<char> data = EncodeRequest(older);
    EXPECT_EQ(data.size() + 8, EncodeRequest(SampleRequest()).size());
    EXPECT_EQ(data[0], 'B');
    EXPECT_EQ(data[2], 'q');
    EXPECT_EQ(data[3], '1');
    WireRequest decoded;
    ASSERT_TRUE(DecodeRequest(data.data(), static_cast<DWORD>(data.size()), decoded));
    EXPECT_EQ(decoded.waitMs, 0u);
    EXPECT_EQ(decoded.serial, 0x44332211u);
    EXPECT_EQ(EncodeRequest(decoded), data);

    // {older layout, status, valid}
    const struct {
        bool older;
        uint32_t status;
        bool valid;
    } replies[] = {
        {true, 3, true}, {true, 4, false}, {false, 3, true}, {false, 4, true}, {false, 5, true}, {false, 6, false},
    };
    for (const auto& r : replies) {
        WireReply reply;
        reply.serial = 0x1200000009ull;
        reply.older = r.older;
        reply.status = static_cast<ReplyStatus>(r.status);
        const std::vector<char> answer = EncodeReply(reply);
        EXPECT_EQ(answer[3], r.older ? '1' : '2');
        WireReply back;
        const bool valid = DecodeReply(answer.data(), static_cast<DWORD>(answer.size()), back);
        EXPECT_EQ(valid, r.valid) << r.older << r.status;
        if (valid) {
            EXPECT_EQ(back.older, r.older);
            EXPECT_EQ(back.serial, r.older ? 9u : 0x1200000009ull);
        }
    }
}

TEST(CommandWire, MalformedMessagesAreRefusedWhole)
{
    const std::vector<char> good = EncodeRequest(SampleRequest());
    WireRequest out;
    // Every shorter message, and one with a byte too many.
    for (size_t size = 0; size < good.size(); ++size)
        EXPECT_FALSE(DecodeRequest(good.data(), static_cast<DWORD>(size), out)) << size;
    std::vector<char> longer = good;
    longer.push_back('\0');
    EXPECT_FALSE(DecodeRequest(longer.data(), static_cast<DWORD>(longer.size()), out));
    EXPECT_FALSE(DecodeRequest(nullptr, static_cast<DWORD>(good.size()), out));

    // The title's text starts after the fixed fields: 2 words, the serial, a word, 3 handles, 2
    // words, a time, the launch's wait and the command's.
    const size_t wait = 2 * 4 + 8 + 4 + 3 * 8 + 2 * 4 + 8 + 4;
    const size_t title = wait + 4;
    const struct {
        const char* what;
        size_t offset;
        char value;
    } corruptions[] = {
        {"magic", 0, 'x'},
        {"unknown verb", 4, 9},
        {"unknown flag", 16, 2},
        {"title longer than the message", title + 1, 0x7F},
        {"zero inside the title", title + 4, '\0'},
        {"title without its terminator", title + 4 + 16, 'x'},
        {"title that is not UTF-8", title + 4, static_cast<char>(0xFF)},
        {"no wait in the current layout", wait + 1, 0},
        {"a wait beyond the longest", wait + 3, 0x7F},
    };
    for (const auto& c : corruptions) {
        std::vector<char> bad = good;
        bad[c.offset] = c.value;
        EXPECT_FALSE(DecodeRequest(bad.data(), static_cast<DWORD>(bad.size()), out)) << c.what;
    }

    // Fields the verb does not take, or lacks: {verb, a selector, launched process, launch wait,
    // command wait (0: older layout), valid}. The longest launch (--timeout 86400) is sent with
    // the command's wait of its timeout and the answer's slack.
    const struct {
        WireVerb verb;
        bool selector;
        DWORD launched;
        uint32_t timeoutMs, waitMs;
        bool valid;
    } verbs[] = {
        {WireVerb::Hide, false, 0, 0, 0, false}, {WireVerb::List, true, 0, 0, 0, false},
        {WireVerb::Watch, false, 5, 1000, 0, true}, {WireVerb::Watch, false, 0, 1000, 0, false},
        {WireVerb::Watch, false, 5, kMaxWatchMs + 1, 0, false}, {WireVerb::Watch, true, 5, 1000, 0, false},
        {WireVerb::Watch, false, 5, 86400u * 1000u, 86400u * 1000u + kLaunchAnswerSlackMs, true},
        {WireVerb::Watch, false, 5, 86400u * 1000u, 86400u * 1000u + kLaunchAnswerSlackMs + 1, false},
        {WireVerb::List, false, 0, 0, 1, true},
        {WireVerb::Toggle, true, 0, 0, 1, true}, {WireVerb::Toggle, false, 0, 0, 1, false},
        {WireVerb::Toggle, true, 5, 1000, 1, false},
    };
    for (const auto& v : verbs) {
        WireRequest request;
        request.verb = v.verb;
        request.replyTo = Handle(0x10);
        request.criteria.className = v.selector ? "Notepad" : "";
        request.launchedId = v.launched;
        request.launchedCreated = 1;
        request.timeoutMs = v.timeoutMs;
        request.waitMs = v.waitMs;
        const std::vector<char> data = EncodeRequest(request);
        EXPECT_EQ(DecodeRequest(data.data(), static_cast<DWORD>(data.size()), out), v.valid) << int(v.verb);
    }

    WireReply reply;
    reply.windows.push_back({Handle(1), 1, "a", "b", "c"});
    std::vector<char> answer = EncodeReply(reply);
    WireReply back;
    for (size_t size = 0; size < answer.size(); ++size)
        EXPECT_FALSE(DecodeReply(answer.data(), static_cast<DWORD>(size), back)) << size;
    answer[20] = 2;  // two windows announced, one sent
    EXPECT_FALSE(DecodeReply(answer.data(), static_cast<DWORD>(answer.size()), back));
}

// What a command that got no answer says: the wait it really made, whether anything was done,
// and what to do about a copy that runs as administrator.
TEST(CommandOutput, AnUnansweredCommandSaysHowLongItWaitedAndWhatWasDone)
{
    const struct {
        Unanswered why;
        ULONGLONG waitedMs;
        const char* launched;
        std::vector<const char*> says;
    } cases[] = {
        {Unanswered::NoAnswer, 4999, "", {"within 5 s", "nothing was done"}},
        {Unanswered::NotBegun, 10020, "", {"within 10 s", "dropped"}},
        {Unanswered::NotBegun, 1400, "", {"within 1 s"}},
        {Unanswered::Elevated, 3, "", {"runs as administrator", "run this command as administrator"}},
        {Unanswered::NoAnswer, 5000, "a.exe /x", {"nothing was done; a.exe /x runs without being hidden.\r\n"}},
        {Unanswered::Unfinished, 30000, "a.exe", {"may still act on it; a.exe was started.\r\n"}},
        {Unanswered::NotResponding, 0, "", {"is not responding; nothing was done"}},
        {Unanswered::NoReplyWindow, 0, "", {"nothing was done"}},
        {Unanswered::Refused, 10, "", {"older version", "nothing was done"}},
    };
    for (const auto& c : cases) {
        const NString text = UnansweredText(c.why, c.waitedMs, NString(c.launched));
        EXPECT_EQ(std::string(text.Text()).rfind("Veilbox: ", 0), 0u) << text.Text();
        for (const char* part : c.says)
            EXPECT_NE(std::string(text.Text()).find(part), std::string::npos) << text.Text();
        // A wait cut short says so, not "within 0 s"; only a refusal names an older version.
        EXPECT_EQ(std::string(text.Text()).find("within 0 s"), std::string::npos) << text.Text();
        EXPECT_EQ(std::string(text.Text()).find("older") != std::string::npos, c.why == Unanswered::Refused)
            << text.Text();
    }
}

TEST(CommandOutput, ListsKeepOneWindowALineAndJsonEscapesItsTexts)
{
    const std::vector<WindowReport> windows = {
        {Handle(0x1A2B), 77, "note pad.exe", "Notepad", "Line\r\nbreak\tand \"quotes\" \\ Καλημέρα"},
        {Handle(0x5), 8, "", "", ""},
    };
    EXPECT_STREQ(WindowListText(windows).Text(),
                 "0x00001A2B\t77\tnote pad.exe\tLine  break and \"quotes\" \\ Καλημέρα\r\n"
                 "0x00000005\t8\t\t\r\n");
    EXPECT_STREQ(WindowListJson(windows).Text(),
                 "[\r\n{\"hwnd\":\"0x00001A2B\",\"pid\":77,\"exe\":\"note pad.exe\",\"class\":\"Notepad\","
                 "\"title\":\"Line\\u000d\\u000abreak\\u0009and \\\"quotes\\\" \\\\ Καλημέρα\"},\r\n"
                 "{\"hwnd\":\"0x00000005\",\"pid\":8,\"exe\":\"\",\"class\":\"\",\"title\":\"\"}\r\n]\r\n");
    EXPECT_STREQ(WindowListJson({}).Text(), "[]\r\n");
}

} // namespace
