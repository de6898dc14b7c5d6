// Telling our own objects and structures from values another program chose.
//
// Any program can send this program's windows messages whose parameters it picks, set the item
// data of our list boxes (LB_SETITEMDATA), and set our windows' properties (SetProp) and window
// longs (SetWindowLongPtr with an index other than GWLP_WNDPROC). None of these values is ever
// taken for a pointer of ours: a structure a message points to is read only when it lies on this
// thread's stack, where the system and this thread's own controls put theirs, and an object
// behind a window is found in a table that only this program writes.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <mutex>
#include <utility>
#include <vector>

// True when the size bytes at address lie whole in committed, readable memory of this thread's
// stack. A message's structure that the system made (WM_DPICHANGED's rectangle) or that a
// control of this thread sent (WM_DRAWITEM's, WM_MEASUREITEM's) lies there.
bool OnThisThreadStack(const void* address, size_t size);

// The structure lParam points to, when it lies on this thread's stack (see OnThisThreadStack) at
// an address aligned for it; null otherwise.
template <typename T>
T* StructOnThisStack(LPARAM lParam)
{
    if (static_cast<uintptr_t>(lParam) % alignof(T) != 0)
        return nullptr;
    T* structure = reinterpret_cast<T*>(lParam);
    return OnThisThreadStack(structure, sizeof(T)) ? structure : nullptr;
}

// The objects of one kind bound to their windows, for the window procedures that need the object
// of a window. Thread-safe; each window has at most one object.
template <typename T>
class WindowTable {
public:
    // Binds the window to the object, replacing any object it had.
    void Bind(HWND window, T* object)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        Drop(window);
        m_bound.emplace_back(window, object);
    }
    void Unbind(HWND window)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        Drop(window);
    }
    // Unbinds every window bound to the object (its destructor calls this).
    void Forget(const T* object)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bound.erase(std::remove_if(m_bound.begin(), m_bound.end(),
                                     [object](const Binding& b) { return b.second == object; }),
                      m_bound.end());
    }
    // The window's object, or null when none is bound to it.
    T* Find(HWND window) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const Binding& binding : m_bound) {
            if (binding.first == window) {
                return binding.second;
            }
        }
        return nullptr;
    }
    // The windows bound now: a copy, so that a caller may run code that binds or unbinds.
    std::vector<HWND> Windows() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<HWND> windows;
        for (const Binding& binding : m_bound) {
            windows.push_back(binding.first);
        }
        return windows;
    }

private:
    using Binding = std::pair<HWND, T*>;
    void Drop(HWND window)
    {
        m_bound.erase(std::remove_if(m_bound.begin(), m_bound.end(),
                                     [window](const Binding& b) { return b.first == window; }),
                      m_bound.end());
    }

    mutable std::mutex m_mutex;
    std::vector<Binding> m_bound;
};
