// Runs a test script inside a dialog's modal loop. The script runs once the
// dialog is up (posted at the end of its initialisation); it returns the
// command that closes the dialog (IDOK, IDCANCEL), so a failing check never
// leaves the dialog open.
#pragma once

#include <windows.h>

#include <functional>
#include <utility>

template <class Dialog>
class ScriptedDialog : public Dialog {
public:
    using Script = std::function<WPARAM(ScriptedDialog&)>;
    // Called for every message before the dialog's own handler.
    using Observer = std::function<void(ScriptedDialog&, UINT, WPARAM, LPARAM)>;

    template <class... Args>
    explicit ScriptedDialog(Script script, Args&&... args)
        : Dialog(std::forward<Args>(args)...), m_script(std::move(script))
    {
    }

    void Observe(Observer observer) { m_observer = std::move(observer); }

    void OnInitDone() override
    {
        Dialog::OnInitDone();
        PostMessageA(this->Window(), kRunScript, 0, 0);
    }

    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (m_observer) {
            m_observer(*this, message, wParam, lParam);
        }
        if (message == kRunScript) {
            const WPARAM close = m_script ? m_script(*this) : IDCANCEL;
            SendMessageA(this->Window(), WM_COMMAND, close, 0);
            return 0;
        }
        return Dialog::OnMessage(message, wParam, lParam);
    }

private:
    static constexpr UINT kRunScript = WM_APP + 0x3A;
    Script m_script;
    Observer m_observer;
};
