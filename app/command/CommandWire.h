// The messages between a command and the running copy. Both travel as WM_COPYDATA with kinds of
// their own (the quit request keeps kind 1): the request goes to the running copy's main window
// with the command's reply window in wParam, and the reply comes back to that message-only
// window. Each is a flat record of fixed fields and counted, terminated UTF-8 texts; decoding
// checks every size, count, terminator and value, and refuses the whole message on the first
// fault, so a malformed message from any program makes nothing happen.
//
// A request says how long the command waits for it to begin (waitMs). The running copy drops it
// once that time has passed or the reply window is gone, and before it acts it sends the reply
// window a "begun" reply: only a command that still waits accepts that, so a request is carried
// out exactly when its command will hear the answer. When the command does not take "begun" in
// time, a "dropped" reply follows, so a "begun" that arrives late is not taken for one carried
// out. A request of an older command has no wait and a 32-bit serial (its own, shorter layout,
// which is still read): it gets no "begun" reply, and its answer comes in the older reply layout.
// The current layouts carry a 64-bit serial drawn at random, which the reply must echo.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "app/rules/WindowMatch.h"
#include "text/NString.h"

constexpr ULONG_PTR kCommandRequestKind = 0x56425251;  // "VBRQ"
constexpr ULONG_PTR kCommandReplyKind = 0x56425250;    // "VBRP"

// Longest text a message carries, in bytes; longest launch wait and longest wait for a request
// to begin.
constexpr uint32_t kMaxWireText = 32768;
constexpr uint32_t kMaxWatchMs = 86400u * 1000u;
// A launch waits this much longer than its window wait: the running copy answers "no window" when
// its own wait is over, on the next tick of its poll.
constexpr uint32_t kLaunchAnswerSlackMs = 2000;
constexpr uint32_t kMaxWaitMs = kMaxWatchMs + kLaunchAnswerSlackMs;
// Most windows a reply lists: many times the menu's entries.
constexpr uint32_t kMaxReplyWindows = 10000;

// Toggle came after the others: a running copy older than it refuses the whole request, and the
// command says the running copy did not take it.
enum class WireVerb : uint32_t { Hide = 1, Show, ShowAll, List, Watch, Toggle };
// Begun: the request is about to be carried out; its answer follows. Dropped: the command did not
// take "begun" in time; the request is not carried out. NotHidden: a launch's window showed but
// was not hidden before its time was up (a menu was open).
enum class ReplyStatus : uint32_t { Done = 0, NoWindow, Ending, Begun, Dropped, NotHidden };

struct WireRequest {
    WireVerb verb = WireVerb::List;
    uint64_t serial = 0;        // echoed by the reply; at most 32 bits in the older layout
    HWND replyTo = nullptr;     // the command's message-only window
    WindowCriteria criteria;    // hide, show, toggle; texts in UTF-8
    HWND foreground = nullptr;  // with criteria.active: the window in front when the command began
    DWORD launchedId = 0;       // watch: the started program's process and its creation time
    uint64_t launchedCreated = 0;
    uint32_t timeoutMs = 0;     // watch: how long to wait for its window
    uint32_t waitMs = 0;        // how long the command waits for the request to begin; 0: an
                                // older command, which waits for the answer alone
};

// One window a reply names; texts in UTF-8.
struct WindowReport {
    HWND window = nullptr;
    DWORD processId = 0;
    NString exe, className, title;
};

struct WireReply {
    uint64_t serial = 0;
    bool older = false;                  // in the older layout, for an older command's request
    ReplyStatus status = ReplyStatus::Done;
    uint32_t refused = 0;                // windows that stayed visible
    std::vector<WindowReport> windows;  // acted on (list: held, newest first)
};

std::vector<char> EncodeRequest(const WireRequest& request);
std::vector<char> EncodeReply(const WireReply& reply);

// A request with a wait is written in the current layout, one without in the older one (its
// serial cut to 32 bits); a reply marked older in the older layout, with the same cut.
// False, with out unspecified, for anything but a well-formed message of the kind: wrong size,
// text without its terminator or with a zero inside or not UTF-8, unknown verb or status, a
// selector on a verb that takes none, hide, show or toggle without a selector, a watch without its
// process or with a wait beyond kMaxWatchMs, a current request whose wait is 0 or beyond
// kMaxWaitMs. An older reply decodes with older set, and only with the statuses up to Begun.
bool DecodeRequest(const void* data, DWORD size, WireRequest& out);
bool DecodeReply(const void* data, DWORD size, WireReply& out);
