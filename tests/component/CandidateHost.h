// A stand-in for the main dialog in the test process: a visible top-level
// window titled "Window Veilbox" holding a candidate list box (id 1000, the
// program's style) with 21-pixel entries, bound to a CandidateList. It
// counts the WM_CLOSE messages it receives instead of closing.
#pragma once

#include <windows.h>

#include "app/list/CandidateList.h"

class CandidateHost {
public:
    // listHeight: the list box's height in pixels.
    explicit CandidateHost(int listHeight = 300);
    ~CandidateHost();
    CandidateHost(const CandidateHost&) = delete;
    CandidateHost& operator=(const CandidateHost&) = delete;

    HWND Window() const { return m_window; }
    HWND List() const { return m_list; }
    CandidateList& Candidates() { return m_candidates; }
    int CloseCount() const { return m_closeCount; }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_window = nullptr;
    HWND m_list = nullptr;
    int m_closeCount = 0;
    CandidateList m_candidates;
};
