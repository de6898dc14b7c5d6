// The windows this running copy hid without a menu entry (Shift with the double click). Nothing
// else remembers them, so the Hidden Windows dialog always offers them, whatever they look like
// (its list is sorted by title): they are the windows the user most likely looks for there.
// They are kept only while the program runs and their windows live; one shown again meanwhile
// stays kept (a hide still queued for a program that does not answer shows it a while) and is
// simply not offered while it is visible.
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

class UnlistedHides {
public:
    // At most this many are kept; the oldest goes first.
    static constexpr size_t kMaxKept = 64;

    UnlistedHides() = default;
    UnlistedHides(const UnlistedHides&) = delete;
    UnlistedHides& operator=(const UnlistedHides&) = delete;

    // Remembers a window just hidden without an entry (again: it moves to the newest place).
    void Add(HWND window);
    void Remove(HWND window);
    // True when the window was hidden here and is the same window still: a handle that a new
    // window of another thread took over does not count.
    bool Contains(HWND window) const;
    // Forgets the windows that are gone or taken over.
    void Prune();
    size_t Count() const { return m_kept.size(); }

private:
    struct Kept {
        HWND window;
        DWORD thread;
    };
    static bool StillThere(const Kept& kept);

    std::vector<Kept> m_kept;
};
