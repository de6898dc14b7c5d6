// The running copy's side of the command line. A request arrives as WM_COPYDATA; it is checked
// and queued at once (the sender waits only for that) and run from a message the dialog posts to
// itself, so it never runs inside another operation's send. A request waits while a menu is open
// and is dropped once the program is ending, once its command's wait is over or its reply window
// is gone, or when the command no longer takes the "begun" reply sent just before it is carried
// out (see CommandWire.h). The answer goes to the command's reply window with a bounded send.
// Launches are watched until their window shows or their time is up, with the same checks before
// the window is hidden.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "app/command/CommandWire.h"
#include "app/held/HiddenMenu.h"
#include "app/command/LaunchWatch.h"
#include "winbase/WindowEvents.h"

// Posted to the dialog: run the queued requests. Its timer polls the launches.
constexpr UINT kRunCommandsMessage = WM_APP + 3;
constexpr UINT_PTR kLaunchTimer = 2;

// A request in the queue, with what tells whether its command still waits for it.
struct QueuedRequest {
    WireRequest request;
    ULONGLONG deadline = 0;  // the command's wait is over
    DWORD replyProcess = 0;  // the reply window's process when the request came
};

class CommandServer {
public:
    // changed is called after a request added or removed menu entries.
    CommandServer(HiddenMenu& menu, std::function<void()> changed);
    CommandServer(const CommandServer&) = delete;
    CommandServer& operator=(const CommandServer&) = delete;
    ~CommandServer();

    // The dialog that runs the requests; the ones taken before it was ready run from now on.
    void Attach(HWND dialog);
    // A WM_COPYDATA from sender: true when it is a well-formed request of another process and was
    // queued; anything else does nothing.
    bool Take(const COPYDATASTRUCT& data, HWND sender);
    // Runs the queued requests and the windows the hook reported.
    void RunQueued();
    void SetMenuOpen(bool open);
    // The launch timer: looks for the launches' windows and ends the ones whose time is up.
    void OnTimer();
    // Answers every request and launch still waiting as ending, stops watching and takes no
    // request any more.
    void Stop();

private:
    void Run(const WireRequest& request);
    void Watch(const WireRequest& request, DWORD replyProcess);
    // Ends the launches whose time is up and drops those whose command is gone, then hides the
    // first of the windows that belongs to a waited-for launch, and answers it.
    void CheckLaunches(const std::vector<HWND>& windows);
    void HideLaunched(size_t index, HWND window);
    void EndOverdueLaunches();
    // The launch with this serial, or m_launches.size().
    size_t LaunchIndex(uint64_t serial) const;
    void EndLaunch(size_t index, const WireReply& reply);
    // Stops watching the launch at index (if there is one), without an answer.
    void DropLaunch(size_t index);
    // True when the command still waits and took the "begun" reply within its bound (at once for
    // an older command, which takes none); otherwise the command is told the request is dropped.
    // Sends without handling what others send meanwhile; the reply window runs no code of ours,
    // yet the queue and launches are looked up again after it all the same.
    bool Begin(HWND replyTo, uint64_t serial, bool confirms);
    // True when the reply window took the reply; timeoutMs 0: kReplyTimeoutMs.
    bool Reply(HWND replyTo, const WireReply& reply, UINT flags = SMTO_NORMAL, UINT timeoutMs = 0);
    void Post();

    HiddenMenu& m_menu;
    std::function<void()> m_changed;
    HWND m_dialog = nullptr;
    std::deque<QueuedRequest> m_queue;
    std::vector<LaunchWatch> m_launches;
    std::vector<HWND> m_shown;
    // Windows shown or renamed, while any launch is waited for.
    std::unique_ptr<TopLevelEvents> m_hook;
    bool m_menuOpen = false;
    bool m_running = false;
    bool m_stopped = false;
};
