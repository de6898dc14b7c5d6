// A real modal dialog for the window framework's tests: it records every
// message that reaches OnMessage, runs a test script once its modal loop is
// running, and ends itself afterwards or at a safety deadline.
#pragma once

#include <windows.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "res/HiddenDialogIds.h"
#include "winbase/TrayDialog.h"

namespace winbase_test {

class ProbeDialog : public QF_TRAYDIALOG {
public:
    static constexpr UINT kRunScript = WM_APP + 40;
    static constexpr UINT_PTR kSafetyTimer = 77;
    static constexpr INT_PTR kScriptDone = 4711;
    static constexpr UINT kInitDoneMark = 0xFFFF0001u;  // recorded when OnInitDone runs
    static constexpr INT_PTR kProbeAnswer = 0x5A5A;     // OnMessage's answer while probing

    explicit ProbeDialog(int templateId = IDD_HIDDEN, HWND parent = nullptr, const char* keyName = nullptr)
        : QF_TRAYDIALOG(keyName, templateId, parent, GetModuleHandleA(nullptr))
    {
    }

    // Runs inside the modal loop; the dialog then ends with kScriptDone
    // unless the script called End() or destroyed the window.
    std::function<void(ProbeDialog&)> script;
    // Called for every message OnMessage gets; may throw.
    std::function<void(UINT)> onMessage;
    bool usesTray = false;
    // Answers the tray prompts as the bare base does (no dialog) instead of with the layer's dialogs.
    bool basePrompts = false;
    bool probing = false;
    bool timedOut = false;
    std::vector<UINT> seen;

    int Seen(UINT message) const { return static_cast<int>(std::count(seen.begin(), seen.end(), message)); }
    void End(INT_PTR result)
    {
        m_ended = true;
        EndDialog(Window(), result);
    }
    // The dialog procedure's own answer, as the dialog manager gets it.
    INT_PTR Call(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return QF_WINBASE::DialogProc(Window(), message, wParam, lParam);
    }

    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM) override
    {
        seen.push_back(message);
        if (message == WM_INITDIALOG) {
            SetTimer(Window(), kSafetyTimer, 15000, nullptr);
            PostMessageA(Window(), kRunScript, 0, 0);
        } else if (message == WM_TIMER && wParam == kSafetyTimer) {
            timedOut = true;
            End(0);
        } else if (message == kRunScript) {
            if (script) {
                script(*this);
            }
            probing = false;
            if (!m_ended && IsWindow(Window())) {
                End(kScriptDone);
            }
            return TRUE;
        }
        if (onMessage) {
            onMessage(message);
        }
        return probing ? kProbeAnswer : 0;
    }
    void OnInitDone() override { seen.push_back(kInitDoneMark); }
    // Owner drawing comes here, never to OnMessage: recorded as the message it came with.
    INT_PTR OnDrawItem(WPARAM, const DRAWITEMSTRUCT&) override { return OwnerDraw(WM_DRAWITEM); }
    INT_PTR OnMeasureItem(WPARAM, MEASUREITEMSTRUCT&) override { return OwnerDraw(WM_MEASUREITEM); }
    INT_PTR OwnerDraw(UINT message)
    {
        seen.push_back(message);
        return probing ? kProbeAnswer : 0;
    }
    bool UsesTray() const override { return usesTray; }
    bool AskRestorePassword(NString& stored) override
    {
        return basePrompts ? QF_WINBASE::AskRestorePassword(stored) : QF_TRAYDIALOG::AskRestorePassword(stored);
    }
    bool AskGoToTray(const char* actionName) override
    {
        return basePrompts ? QF_WINBASE::AskGoToTray(actionName) : QF_TRAYDIALOG::AskGoToTray(actionName);
    }
    void TellGoneToTray(const char* actionName) override
    {
        basePrompts ? QF_WINBASE::TellGoneToTray(actionName) : QF_TRAYDIALOG::TellGoneToTray(actionName);
    }

private:
    bool m_ended = false;
};

// A window of this thread, destroyed with the object.
struct TestWindow {
    TestWindow(const char* className, DWORD style, RECT place, HWND parent = nullptr, int id = 0,
               const char* title = "")
        : handle(CreateWindowExA(0, className, title, style, place.left, place.top, place.right - place.left,
                                 place.bottom - place.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleA(nullptr), nullptr))
    {
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    ~TestWindow()
    {
        if (IsWindow(handle)) {
            DestroyWindow(handle);
        }
    }
    HWND handle;
};

inline RECT WindowRect(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

inline SIZE DesktopSize()
{
    const RECT desktop = WindowRect(GetDesktopWindow());
    return SIZE{desktop.right - desktop.left, desktop.bottom - desktop.top};
}

}  // namespace winbase_test
