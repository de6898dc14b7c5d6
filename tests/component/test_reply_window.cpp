// The command's reply window, fed in-process: which replies it takes, and how its wait ends.
#include <gtest/gtest.h>

#include "app/command/ReplyWindow.h"

namespace {

constexpr uint64_t kSerial = 0xA5A5000012345678ull;

// A message-only window standing in for the running copy's main window, or for another one.
struct StandIn {
    StandIn() : window(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)) {}
    ~StandIn() { DestroyWindow(window); }
    HWND window;
};

// One reply sent to the window, and whether it must be taken.
struct Send {
    bool fromCopy;
    uint64_t serial;
    ReplyStatus status;
    bool older;
    bool taken;
};

bool SendReply(HWND to, HWND from, const Send& send)
{
    WireReply reply;
    reply.serial = send.serial;
    reply.status = send.status;
    reply.older = send.older;
    std::vector<char> data = EncodeReply(reply);
    COPYDATASTRUCT message = {kCommandReplyKind, static_cast<DWORD>(data.size()), data.data()};
    return SendMessageW(to, WM_COPYDATA, reinterpret_cast<WPARAM>(from), reinterpret_cast<LPARAM>(&message)) == TRUE;
}

TEST(ReplyWindow, TakesOnlyTheCopysRepliesToItsRequestWhileItWaits)
{
    const Send begun = {true, kSerial, ReplyStatus::Begun, false, true};
    const Send done = {true, kSerial, ReplyStatus::Done, false, true};
    const Send lateBegun = {true, kSerial, ReplyStatus::Begun, false, false};
    const Send lateDone = {true, kSerial, ReplyStatus::Done, false, false};
    const struct {
        const char* what;
        std::vector<Send> before;  // sent before the wait
        ReplyWindow::Outcome outcome;
        std::vector<Send> after;   // sent once the wait is over
    } cases[] = {
        {"begun, then the answer", {begun, done}, ReplyWindow::Outcome::Answered, {}},
        {"the answer alone", {done}, ReplyWindow::Outcome::Answered, {lateBegun}},
        {"begun, no answer", {begun}, ReplyWindow::Outcome::Unfinished, {lateDone}},
        {"after the wait gave up, begun is refused", {}, ReplyWindow::Outcome::NotBegun, {lateBegun, lateDone}},
        {"a wrong serial", {{true, kSerial ^ 1, ReplyStatus::Done, false, false}}, ReplyWindow::Outcome::NotBegun, {}},
        {"only the low half of the serial", {{true, kSerial & 0xFFFFFFFFu, ReplyStatus::Done, false, false}},
         ReplyWindow::Outcome::NotBegun, {}},
        {"a forged sender",
         {{false, kSerial, ReplyStatus::Begun, false, false}, {false, kSerial, ReplyStatus::Done, false, false}},
         ReplyWindow::Outcome::NotBegun, {}},
        {"the older layout", {{true, kSerial, ReplyStatus::Done, true, false}}, ReplyWindow::Outcome::NotBegun, {}},
        {"begun withdrawn by dropped", {begun, {true, kSerial, ReplyStatus::Dropped, false, true}, lateDone},
         ReplyWindow::Outcome::NotBegun, {}},
        {"dropped before begun", {{true, kSerial, ReplyStatus::Dropped, false, true}, lateBegun},
         ReplyWindow::Outcome::NotBegun, {}},
    };
    StandIn copy, other;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ReplyWindow reply(kSerial, copy.window);
        ASSERT_NE(reply.Window(), nullptr);
        for (const Send& send : c.before)
            EXPECT_EQ(SendReply(reply.Window(), send.fromCopy ? copy.window : other.window, send), send.taken);
        EXPECT_EQ(reply.Wait(0, 0), c.outcome);
        for (const Send& send : c.after)
            EXPECT_EQ(SendReply(reply.Window(), send.fromCopy ? copy.window : other.window, send), send.taken);
    }
}

// A "begun" never shortens the wait the command was going to make for it anyway.
TEST(ReplyWindow, BegunKeepsTheWaitForTheRequestToBegin)
{
    StandIn copy;
    ReplyWindow reply(kSerial, copy.window);
    ASSERT_TRUE(SendReply(reply.Window(), copy.window, {true, kSerial, ReplyStatus::Begun, false, true}));
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(reply.Wait(300, 0), ReplyWindow::Outcome::Unfinished);
    EXPECT_GE(GetTickCount64() - start, 250u);
}

TEST(ReplyWindow, SerialsAreNotRepeated)
{
    const uint64_t first = NewRequestSerial();
    const uint64_t second = NewRequestSerial();
    EXPECT_NE(first, second);
    EXPECT_NE(first >> 32, 0u) << "all 64 bits are drawn";
}

} // namespace
