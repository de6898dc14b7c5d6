// What the title-bar hook's object and its thread share (see TitleBarHook.h). The thread holds
// the state by a shared pointer of its own, so a thread that has not ended by the time its
// object goes still finds it alive; it never touches the object.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <vector>

#include "app/titlebar/TitleBarHook.h"

// The owner's options as the thread works from them; replaced whole, never changed.
struct TitleBarOptions {
    bool minimiseButtonHides = false;
    std::vector<WindowCriteria> closeRules;
};

// A window the hook handed on, waiting for the owner to take it.
struct HandedOn {
    HWND window;
    TitleBarButton button;
};

// The owner's requests to the thread (see TitleBarHook::CheckHook and SetHookAgain), posted to
// it: a look at the hook, with the tick (GetTickCount) it was asked at in wParam; and a set again.
constexpr UINT kCheckHookMessage = WM_APP + 1;
constexpr UINT kSetHookAgainMessage = WM_APP + 2;

struct TitleBarHook::Shared {
    Shared(HWND ownerWindow, UINT ownerMessage) : owner(ownerWindow), message(ownerMessage) {}

    // The options now, copied under the lock.
    std::shared_ptr<const TitleBarOptions> Options() const;
    void SetOptions(std::shared_ptr<const TitleBarOptions> options);
    // Remembers the window and posts the owner; a window the post could not reach is not kept.
    void HandOn(HWND window, TitleBarButton button);
    bool TakeHandedOn(HWND window, TitleBarButton button);

    const HWND owner;
    const UINT message;
    // Set by the thread once its message queue exists.
    OwnedHandle ready{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    DWORD threadId = 0;
    std::atomic<bool> hookSet{false};

private:
    mutable SRWLOCK m_lock = SRWLOCK_INIT;
    std::shared_ptr<const TitleBarOptions> m_options = std::make_shared<TitleBarOptions>();
    std::vector<HandedOn> m_handedOn;
};

// The thread's procedure; parameter: a new std::shared_ptr<TitleBarHook::Shared>, which it owns.
DWORD WINAPI RunTitleBarHook(LPVOID parameter);
