// The real Veilbox.exe in another process, for end-to-end tests: started with the program's
// settings key guarded, found by its main window, and ended by the test or when the object goes.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace vbtest {

constexpr char kMainTitle[] = "Window Veilbox";
constexpr UINT kTrayCallbackMessage = WM_APP + 1;

// Presses (down) or releases (up) a key for the whole desktop.
inline void SendKey(WORD key, bool down)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof input);
}

// Presses and releases a key for whichever window has the keyboard.
inline void TapKey(WORD key)
{
    SendKey(key, true);
    SendKey(key, false);
}

class VeilboxApp {
public:
    // exe: the program in BinDir() or a copy of it elsewhere (a full path).
    // Unless the test stored a language, the program speaks English: the texts the tests look
    // for are English whatever the display language of the session.
    explicit VeilboxApp(const std::string& args = "", const std::string& exe = "Veilbox.exe")
    {
        constexpr char kInterface[] = "Software\\Quillfen\\Veilbox\\Interface";
        if (RegGetValueA(HKEY_CURRENT_USER, kInterface, "Language", RRF_RT_ANY, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            RegSetKeyValueA(HKEY_CURRENT_USER, kInterface, "Language", REG_SZ, "en-US", 6);
        m_started = m_process.Start(exe, args);
    }
    VeilboxApp(const VeilboxApp&) = delete;
    VeilboxApp& operator=(const VeilboxApp&) = delete;
    ~VeilboxApp() { Quit(); }

    // The main dialog of this process, once it is visible; null after timeoutMs.
    HWND MainWindow(DWORD timeoutMs = 15000)
    {
        if (!m_main)
            m_main = WaitForTopWindow({m_process.Id(), kMainTitle, "#32770", true}, timeoutMs);
        return m_main;
    }
    HWND List() { return GetDlgItem(MainWindow(), 1000); }

    // Sends a message to one of the program's windows and waits at most kSendTimeoutMs for the
    // answer, so that a stuck program fails the test instead of hanging it. A send that gets no
    // answer returns false, is printed on stderr and is kept in Failure().
    bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr)
    {
        if (!SendWithin(window, message, wParam, lParam, result, kSendTimeoutMs)) {
            const DWORD error = GetLastError();
            char text[160];
            snprintf(text, sizeof text, "Veilbox gave no answer to message 0x%04X (wParam %llu) within %lu ms, error %lu",
                     message, static_cast<unsigned long long>(wParam), kSendTimeoutMs, error);
            m_failure = text;
            fprintf(stderr, "%s\n", text);
            return false;
        }
        return true;
    }
    // Sends the main dialog a command as its buttons and hotkeys do.
    bool Command(WPARAM wParam, LPARAM lParam = 0) { return Send(MainWindow(), WM_COMMAND, wParam, lParam); }
    // The last send that got no answer, or empty.
    const std::string& Failure() const { return m_failure; }

    // Index of the list entry with exactly this title, or LB_ERR (also when the program does
    // not answer).
    int IndexOf(const char* title)
    {
        LRESULT index = LB_ERR;
        if (!Send(List(), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(title), &index))
            return LB_ERR;
        return static_cast<int>(index);
    }
    bool Lists(const char* title) { return IndexOf(title) >= 0; }
    // A visible dialog or message box of the program other than its main dialog; null when none.
    HWND OtherDialog()
    {
        struct Search {
            DWORD processId;
            HWND main, found;
        } search{m_process.Id(), MainWindow(), nullptr};
        EnumWindows(
            [](HWND window, LPARAM param) -> BOOL {
                auto* s = reinterpret_cast<Search*>(param);
                DWORD pid = 0;
                GetWindowThreadProcessId(window, &pid);
                char name[16] = {};
                GetClassNameA(window, name, sizeof name);
                if (pid == s->processId && window != s->main && IsWindowVisible(window) &&
                    strcmp(name, "#32770") == 0)
                    s->found = window;
                return s->found == nullptr;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    // Waits for the once-a-second refresh to list (or drop) the title.
    bool WaitListed(const char* title, bool listed = true, DWORD timeoutMs = 5000)
    {
        return WaitFor([&] { return Lists(title) == listed; }, timeoutMs);
    }

    // Selects the entry at index as a click on it does.
    bool Select(int index)
    {
        LRESULT result = LB_ERR;
        return Send(List(), LB_SETCURSEL, index, 0, &result) && result != LB_ERR;
    }

    // Selects the entry and double-clicks it as the list box reports it; false when there is no
    // such entry or the program did not answer.
    bool DoubleClick(const char* title)
    {
        const int index = IndexOf(title);
        return index >= 0 && Select(index) &&
               Command(MAKEWPARAM(1000, LBN_DBLCLK), reinterpret_cast<LPARAM>(List()));
    }

    // Opens the hidden-window menu as a right click on the tray icon opens it, and chooses its top
    // entry, the newest hidden window, with Down and Enter. False when the menu did not open or
    // did not get the keyboard.
    bool ChooseTopMenuEntry()
    {
        if (!OpenMenu())
            return false;
        TapKey(VK_DOWN);
        TapKey(VK_RETURN);
        return true;
    }

    // Opens the hidden-window menu as a right click on the tray icon opens it, and waits until
    // it has the keyboard. False when the menu did not open or did not get the keyboard.
    bool OpenMenu()
    {
        HWND main = MainWindow();
        PostMessageA(main, kTrayCallbackMessage, 0, WM_RBUTTONUP);
        if (!WaitForTopWindow({m_process.Id(), nullptr, "#32768", true}, 5000))
            return false;
        // The keys go to the thread that has the foreground: the menu's only once its owner, the
        // main dialog (hidden or not), has taken it. The menu shows before that.
        const DWORD menuThread = GetWindowThreadProcessId(main, nullptr);
        return WaitFor([&] { return GetWindowThreadProcessId(GetForegroundWindow(), nullptr) == menuThread; }, 5000);
    }

    // Closes the open menu with Esc; true once it is gone.
    bool CloseMenu()
    {
        TapKey(VK_ESCAPE);
        return WaitFor([&] { return !FindTopWindow({m_process.Id(), nullptr, "#32768", true}); }, 5000);
    }

    // Ends the program with the Exit button; true when the process ended.
    bool Exit()
    {
        if (!m_process.Running())
            return true;
        PostMessageA(MainWindow(1000), WM_COMMAND, IDCANCEL, 0);
        return m_process.WaitForExit(10000);
    }

    // Ends the program as an installer does; kills it if that fails.
    void Quit()
    {
        if (!m_process.Running())
            return;
        ChildProcess second;
        if (second.Start("Veilbox.exe", "uninstall"))
            second.WaitForExit(10000);
        if (!m_process.WaitForExit(10000))
            m_process.Kill();
    }

    ChildProcess& Process() { return m_process; }
    bool Started() const { return m_started; }

private:
    static constexpr DWORD kSendTimeoutMs = 10000;

    ChildProcess m_process;
    HWND m_main = nullptr;
    bool m_started = false;
    std::string m_failure;
};

// True when the window keeps the foreground for heldMs without a break.
inline bool KeepsForeground(HWND window, DWORD heldMs)
{
    return !WaitFor([&] { return GetForegroundWindow() != window; }, heldMs);
}

// Gives the window the foreground the way a user does, with a click on it: without a window
// manager Wine lets a program take the foreground only for its own windows, or by a click.
// Under Wine a window that was activated just before (a dialog that has just opened, the window
// that Hide Active brought to the front) takes the foreground back when its program reads the
// X server's late report of its focus, a few milliseconds on: so the window must keep the
// foreground for a while, or it is given it again.
inline bool ClickToFront(HWND window, DWORD timeoutMs = 5000)
{
    constexpr DWORD kSettledMs = 300;
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (GetTickCount64() < deadline) {
        // Raised first, so that no other window takes the click.
        SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        SetForegroundWindow(window);
        if (GetForegroundWindow() != window)
            ClickCentreOf(window);
        if (WaitFor([&] { return GetForegroundWindow() == window; }, 500) && KeepsForeground(window, kSettledMs))
            return true;
    }
    return false;
}

inline bool RunningUnderWine()
{
    return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

// Starts xdotool with args under Wine. A Unix program started by Wine reports no exit, so the
// caller waits on the effect. Started the ordinary way, it gets a console window of its own
// for a moment, which takes the foreground away from the window that had it (it ends with the
// desktop window): without a window it leaves the foreground alone.
inline bool StartXdotool(const std::string& args)
{
    std::string commandLine = "Z:\\usr\\bin\\xdotool " + args;
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!StartProcessRetried([&] {
            return CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                                  &si, &pi);
        }))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

// Presses or releases a modifier as the keyboard does. Under Wine a key injected with SendInput
// is dropped from the key state as soon as one of Wine's own windows has the X keyboard focus,
// so there the X server gets the key through xdotool, and every program sees it.
inline void SendModifier(WORD key, bool down)
{
    if (!RunningUnderWine()) {
        SendKey(key, down);
        return;
    }
    const char* name = key == VK_SHIFT ? "shift" : key == VK_CONTROL ? "ctrl" : "alt";
    StartXdotool(std::string(down ? "keydown " : "keyup ") + name);
}

// xdotool's name of a key: modifiers, letters, digits, F1-F24 and a few named keys; empty for
// any other key, which xdotool then refuses.
inline std::string XKeyName(WORD key)
{
    if (key >= 'A' && key <= 'Z')
        return std::string(1, static_cast<char>(key - 'A' + 'a'));
    if (key >= '0' && key <= '9')
        return std::string(1, static_cast<char>(key));
    if (key >= VK_F1 && key <= VK_F24)
        return "F" + std::to_string(key - VK_F1 + 1);
    switch (key) {
    case VK_CONTROL: return "ctrl";
    case VK_SHIFT: return "shift";
    case VK_MENU: return "alt";
    case VK_ESCAPE: return "Escape";
    case VK_RETURN: return "Return";
    case VK_DOWN: return "Down";
    case VK_UP: return "Up";
    case VK_SPACE: return "space";
    default: return "";
    }
}

using KeyCombination = std::vector<WORD>;

// Presses each combination in turn as the keyboard does: its keys go down in the order given
// and come up in reverse. Under Wine the whole sequence goes to the X server through one
// xdotool run (see SendModifier), so the combinations arrive in order. Nothing tells when
// xdotool is done: the caller waits on the effect.
inline void PressCombinations(const std::vector<KeyCombination>& combinations)
{
    if (!RunningUnderWine()) {
        for (const KeyCombination& keys : combinations) {
            for (WORD key : keys)
                SendKey(key, true);
            for (auto key = keys.rbegin(); key != keys.rend(); ++key)
                SendKey(*key, false);
        }
        return;
    }
    std::string args = "key --delay 30";
    for (const KeyCombination& keys : combinations) {
        std::string chord;
        for (WORD key : keys)
            chord += (chord.empty() ? "" : "+") + XKeyName(key);
        args += " " + chord;
    }
    StartXdotool(args);
}

inline void PressCombination(const KeyCombination& keys) { PressCombinations({keys}); }

// Holds the modifiers down for the object's lifetime; each change is waited for until this
// process sees it.
class HeldKeys {
public:
    HeldKeys(std::initializer_list<WORD> keys) : m_keys(keys) { Change(true); }
    ~HeldKeys() { Change(false); }

private:
    // Under Wine the keys go through xdotool, started anew for each; a start that never reached
    // the X server is made once more, and keys that still did not change are reported, so the
    // wrong outcome that follows names its cause.
    void Change(bool down)
    {
        for (int attempt = 0; attempt < 2; ++attempt) {
            for (WORD key : m_keys)
                SendModifier(key, down);
            if (WaitFor([&] { return InState(down); }, 3000))
                return;
        }
        fprintf(stderr, "HeldKeys: the modifier keys did not go %s\n", down ? "down" : "up");
    }

    bool InState(bool down) const
    {
        for (WORD key : m_keys)
            if (((GetAsyncKeyState(key) & 0x8000) != 0) != down)
                return false;
        return true;
    }

    std::vector<WORD> m_keys;
};

} // namespace vbtest
