// Drives the hotkey dialogs in-process: the dialog runs modally on the test's
// thread while a script runs on a second thread, finds the dialog window,
// sends it messages and real key presses, and reads what it shows. Whatever
// the script does, the dialog is cancelled afterwards, so no test hangs.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/TestSupport.h"

namespace hkdrive {

// A visible dialog of this process with the title (and, when given, the owner).
inline HWND FindDialog(const char* title, HWND owner = nullptr, DWORD timeoutMs = 10000)
{
    HWND found = nullptr;
    vbtest::WaitFor([&] {
        found = vbtest::FindTopWindow({GetCurrentProcessId(), title, "#32770", true});
        return found && (!owner || GetWindow(found, GW_OWNER) == owner);
    }, timeoutMs);
    return found && (!owner || GetWindow(found, GW_OWNER) == owner) ? found : nullptr;
}

// Cancels the dialog until its window is gone (IDCANCEL, then WM_CLOSE).
inline void CloseDialog(HWND dialog)
{
    for (int i = 0; i < 3 && IsWindow(dialog); ++i) {
        PostMessageA(dialog, WM_COMMAND, i == 0 ? IDCANCEL : IDOK, 0);
        vbtest::WaitFor([&] { return !IsWindow(dialog); }, 3000);
    }
}

// Runs show() here; script(dialog) runs on another thread once the dialog titled title is up.
template <class Show>
auto RunDriven(const char* title, Show show, const std::function<void(HWND)>& script)
{
    HWND dialog = nullptr;
    std::thread driver([&] {
        dialog = FindDialog(title);
        if (!dialog) {
            ADD_FAILURE() << "no dialog \"" << title << "\"";
            return;
        }
        script(dialog);
        CloseDialog(dialog);
    });
    auto result = show();
    driver.join();
    return result;
}

// Gives the dialog's control the keyboard focus and waits until the dialog is in front.
inline bool FocusItem(HWND dialog, int id)
{
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, id)), TRUE);
    return vbtest::WaitFor([&] { return GetForegroundWindow() == dialog; });
}

inline std::string ItemText(HWND dialog, int id)
{
    char text[512] = {};
    GetWindowTextA(GetDlgItem(dialog, id), text, sizeof text);
    return text;
}

inline bool WaitItemText(HWND dialog, int id, const std::string& want, DWORD timeoutMs = 3000)
{
    return vbtest::WaitFor([&] { return ItemText(dialog, id) == want; }, timeoutMs);
}

// Clicks a button that opens no further dialog.
inline void Click(HWND dialog, int id)
{
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// The tooltip owned by dialog: its help popups; null when it has none.
inline HWND PopupTooltip(HWND dialog)
{
    struct Search { HWND owner; HWND found; } search{dialog, nullptr};
    EnumThreadWindows(GetWindowThreadProcessId(dialog, nullptr), [](HWND w, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        char cls[64] = {};
        GetClassNameA(w, cls, sizeof cls);
        if (lstrcmpiA(cls, TOOLTIPS_CLASSA) == 0 && GetWindow(w, GW_OWNER) == s->owner) {
            s->found = w;
            return FALSE;
        }
        return TRUE;
    }, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The popups' wrapping width and font height in pixels; {0, 0} without popups.
inline std::pair<LRESULT, LONG> PopupSizes(HWND dialog)
{
    HWND tooltip = PopupTooltip(dialog);
    if (!tooltip)
        return {0, 0};
    LOGFONTW font = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageA(tooltip, WM_GETFONT, 0, 0)), sizeof font, &font);
    return {SendMessageA(tooltip, TTM_GETMAXTIPWIDTH, 0, 0), font.lfHeight < 0 ? -font.lfHeight : font.lfHeight};
}

// Popup texts by control id of the tooltip owned by dialog; empty when it has none.
inline std::map<int, std::string> PopupTexts(HWND dialog)
{
    std::map<int, std::string> texts;
    HWND tooltip = PopupTooltip(dialog);
    if (!tooltip)
        return texts;
    // The wide form copies the whole text; the narrow one stops at 80 characters.
    const int count = static_cast<int>(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t wide[1100] = {};
        TOOLINFOW info = {};
        info.cbSize = sizeof info;
        info.lpszText = wide;
        if (!SendMessageW(tooltip, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(&info)))
            continue;
        char text[2200] = {};
        WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, sizeof text, nullptr, nullptr);
        texts[GetDlgCtrlID(reinterpret_cast<HWND>(info.uId))] = text;
    }
    return texts;
}

// Waits until the dialog's popups are these (they follow other windows closing).
inline bool WaitPopupTexts(HWND dialog, const std::map<int, std::string>& want)
{
    return vbtest::WaitFor([&] { return PopupTexts(dialog) == want; }, 3000);
}

// Installed on the dialog's thread before the dialog runs: counts the key-ups that thread has
// taken from its queue, so a script knows when its key presses have been handled.
class KeyTracker {
public:
    KeyTracker() { m_hook = SetWindowsHookExA(WH_GETMESSAGE, &Hook, nullptr, GetCurrentThreadId()); }
    ~KeyTracker() { UnhookWindowsHookEx(m_hook); }
    KeyTracker(const KeyTracker&) = delete;
    KeyTracker& operator=(const KeyTracker&) = delete;

    // Presses keys in order and releases them in reverse order. The releases follow only when
    // the dialog's thread has handled every press, since the dialog reads the modifiers' state
    // at the moment it handles a key. Unless the presses end the dialog, also waits until the
    // thread has taken every release.
    static bool Press(HWND dialog, const std::vector<WORD>& keys, bool waitHandled = true)
    {
        const long downsBefore = Count(Downs());
        const long upsBefore = Count(Ups());
        Send(keys, 0);
        bool pressed = vbtest::WaitFor([&] { return Count(Downs()) >= downsBefore + Size(keys); });
        // A sent message is handled only once the thread is done with the last press.
        DWORD_PTR ignored = 0;
        pressed = pressed && SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
        std::vector<WORD> reversed(keys.rbegin(), keys.rend());
        Send(reversed, KEYEVENTF_KEYUP);
        return !waitHandled ||
               (pressed && vbtest::WaitFor([&] { return Count(Ups()) >= upsBefore + Size(keys); }));
    }

private:
    static long Size(const std::vector<WORD>& keys) { return static_cast<long>(keys.size()); }
    static long Count(const std::atomic<long>& counter) { return counter.load(); }
    static std::atomic<long>& Downs()
    {
        static std::atomic<long> counter{0};
        return counter;
    }
    static std::atomic<long>& Ups()
    {
        static std::atomic<long> counter{0};
        return counter;
    }
    static void Send(const std::vector<WORD>& keys, DWORD flags)
    {
        std::vector<INPUT> inputs;
        for (WORD key : keys) {
            INPUT in = {};
            in.type = INPUT_KEYBOARD;
            in.ki.wVk = key;
            in.ki.dwFlags = flags;
            inputs.push_back(in);
        }
        SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    }
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        const MSG* msg = reinterpret_cast<const MSG*>(lParam);
        if (code == HC_ACTION && wParam == PM_REMOVE) {
            if (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN)
                ++Downs();
            else if (msg->message == WM_KEYUP || msg->message == WM_SYSKEYUP)
                ++Ups();
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    HHOOK m_hook = nullptr;
};

} // namespace hkdrive
