// Answers this thread's modal dialogs from a thread timer while some code
// under test runs their loops: each step waits for a visible window of this
// thread with its exact title, then acts on it (ticks a box, types, clicks).
// Past the deadline every still-open window of a pending step is cancelled,
// so a failing test never hangs in a nested dialog.
#pragma once

#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace winbase_test {

class DialogAnswerer {
public:
    using Action = std::function<void(HWND)>;

    explicit DialogAnswerer(DWORD timeoutMs = 8000) : m_deadline(GetTickCount64() + timeoutMs)
    {
        s_current = this;
        m_timer = SetTimer(nullptr, 0, 15, &DialogAnswerer::Tick);
    }
    DialogAnswerer(const DialogAnswerer&) = delete;
    DialogAnswerer& operator=(const DialogAnswerer&) = delete;
    ~DialogAnswerer()
    {
        KillTimer(nullptr, m_timer);
        s_current = nullptr;
    }

    DialogAnswerer& Then(const char* title, Action act)
    {
        m_steps.push_back({title, false, std::move(act)});
        return *this;
    }
    // A step that waits for a visible window of this thread of the class,
    // for example "#32768", an open pop-up menu.
    DialogAnswerer& ThenClass(const char* className, Action act)
    {
        m_steps.push_back({className, true, std::move(act)});
        return *this;
    }

    size_t Answered() const { return m_next; }
    bool TimedOut() const { return m_timedOut; }
    // Titles of the dialogs that were answered, in order.
    const std::vector<std::string>& Titles() const { return m_answered; }

    // A visible, top-level window of this thread with exactly this title (or
    // class name).
    static HWND FindOwnWindow(const char* name, bool byClass = false)
    {
        struct Search {
            const char* name;
            bool byClass;
            HWND found;
        } search = {name, byClass, nullptr};
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND window, LPARAM param) -> BOOL {
                auto* s = reinterpret_cast<Search*>(param);
                char text[256] = {};
                if (s->byClass) {
                    GetClassNameA(window, text, sizeof text);
                } else {
                    GetWindowTextA(window, text, sizeof text);
                }
                if (IsWindowVisible(window) && strcmp(text, s->name) == 0) {
                    s->found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    // Ready-made actions.
    static void SetCheck(HWND dialog, int id, bool checked)
    {
        SendMessageA(GetDlgItem(dialog, id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    static void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
    static void Type(HWND dialog, int id, const char* text)
    {
        SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    }

private:
    struct Step {
        std::string title;
        bool byClass;
        Action act;
    };

    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        DialogAnswerer* self = s_current;
        if (!self || self->m_busy) {
            return;
        }
        self->m_busy = true;
        self->Advance();
        self->m_busy = false;
    }

    // The step counts as answered before it acts: acting may run a nested
    // loop in which this timer fires again.
    void Advance()
    {
        if (m_next >= m_steps.size()) {
            return;
        }
        if (GetTickCount64() > m_deadline) {
            m_timedOut = true;
            for (size_t i = m_next; i < m_steps.size(); ++i) {
                if (m_steps[i].byClass) {
                    EndMenu();
                } else if (HWND open = FindOwnWindow(m_steps[i].title.c_str())) {
                    EndDialog(open, IDCANCEL);
                }
            }
            m_next = m_steps.size();
            return;
        }
        HWND window = FindOwnWindow(m_steps[m_next].title.c_str(), m_steps[m_next].byClass);
        if (!window) {
            return;
        }
        Step& step = m_steps[m_next++];
        m_answered.push_back(step.title);
        m_busy = false;
        step.act(window);
    }

    static inline DialogAnswerer* s_current = nullptr;
    ULONGLONG m_deadline;
    UINT_PTR m_timer = 0;
    std::vector<Step> m_steps;
    std::vector<std::string> m_answered;
    size_t m_next = 0;
    bool m_busy = false;
    bool m_timedOut = false;
};

}  // namespace winbase_test
