// The program's real main dialog run in this process, driven by a benchmark script: each step
// runs from a posted message inside the dialog's own modal loop, so the loop paints and
// answers between steps as it does in the program.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <utility>

#include "app/main/MainDialog.h"

// Posted to a BenchDialog with a std::atomic<bool>* as lParam, which the dialog sets when the
// message gets its turn.
constexpr UINT kAnswerMessage = WM_APP + 78;

class BenchDialog : public DIALOG {
public:
    // Returns true to be called again from the next posted message, false to end the dialog.
    using Step = std::function<bool(BenchDialog&)>;

    explicit BenchDialog(Step step) : DIALOG(GetModuleHandleA(nullptr)), m_step(std::move(step)) {}

    void OnInitDone() override
    {
        ShowWindow(Window(), SW_SHOW);
        PostMessageA(Window(), kStepMessage, 0, 0);
    }

    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == kAnswerMessage) {
            reinterpret_cast<std::atomic<bool>*>(lParam)->store(true);
            return 0;
        }
        if (message != kStepMessage)
            return DIALOG::OnMessage(message, wParam, lParam);
        if (m_step(*this))
            PostMessageA(Window(), kStepMessage, 0, 0);
        else
            EndDialog(Window(), 0);
        return 0;
    }

private:
    static constexpr UINT kStepMessage = WM_APP + 77;
    Step m_step;
};

// The calls no refresh can avoid, once over all top-level windows: enumerate them, skip own
// window, the invisible ones and those with a parent or owner (GetParent), read the stored title
// and, for each titled window, make the icon query by the list's rules (own small and big icon,
// bounded as the program bounds them; class icons; styles). Returns the number of candidates.
int FloorPass(HWND own);
