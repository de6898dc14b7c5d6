// Small owners for the handles this program releases itself: each closes its handle once, when it
// goes or is reset, on every path out of a function. A handle that another owns (a foreign window's
// icon, a shell icon, an icon or menu handed to a window) is held as a bare handle, not here.
// (settings/ lies below this layer and keeps its own registry-key owner.)
#pragma once

#include <windows.h>

// Owns one handle of the kind Traits describes: Traits::Handle, Traits::Empty() (the value that
// owns nothing), Traits::IsValid(handle) and Traits::Close(handle). Move-only, so no two owners
// ever close the same handle.
template <typename Traits>
class Owned {
public:
    using Handle = typename Traits::Handle;

    Owned() = default;
    explicit Owned(Handle handle) : m_handle(handle) {}
    Owned(Owned&& other) noexcept : m_handle(other.release()) {}
    Owned& operator=(Owned&& other) noexcept
    {
        reset(other.release());
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() { reset(); }

    Handle get() const { return m_handle; }
    explicit operator bool() const { return Traits::IsValid(m_handle); }

    // Gives the handle up without closing it; the owner then holds nothing.
    Handle release()
    {
        const Handle handle = m_handle;
        m_handle = Traits::Empty();
        return handle;
    }

    // Closes what is held (unless it is handle itself) and takes handle.
    void reset(Handle handle = Traits::Empty())
    {
        const Handle old = m_handle;
        m_handle = handle;
        if (Traits::IsValid(old) && old != handle) {
            Traits::Close(old);
        }
    }

    // Closes what is held and returns where a function may write a new handle to own.
    Handle* receive()
    {
        reset();
        return &m_handle;
    }

private:
    Handle m_handle = Traits::Empty();
};

// The empty value and validity of handles whose empty value is null; a traits type adds Close.
template <typename H>
struct NullEmpty {
    using Handle = H;
    static Handle Empty() { return nullptr; }
    static bool IsValid(Handle handle) { return handle != nullptr; }
};

// Kernel handles: both null (OpenProcess) and INVALID_HANDLE_VALUE (CreateFile, snapshots) own nothing.
struct KernelHandleTraits : NullEmpty<HANDLE> {
    static bool IsValid(Handle handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) { CloseHandle(handle); }
};
struct RegKeyTraits : NullEmpty<HKEY> {
    static void Close(Handle handle) { RegCloseKey(handle); }
};
struct IconTraits : NullEmpty<HICON> {
    static void Close(Handle handle) { DestroyIcon(handle); }
};
struct CursorTraits : NullEmpty<HCURSOR> {
    static void Close(Handle handle) { DestroyCursor(handle); }
};
struct MenuTraits : NullEmpty<HMENU> {
    static void Close(Handle handle) { DestroyMenu(handle); }
};
// A device context this program created (CreateCompatibleDC), deleted with DeleteDC.
struct MemoryDcTraits : NullEmpty<HDC> {
    static void Close(Handle handle) { DeleteDC(handle); }
};
struct WinEventHookTraits : NullEmpty<HWINEVENTHOOK> {
    static void Close(Handle handle) { UnhookWinEvent(handle); }
};
// A windows hook (SetWindowsHookEx), removed by the thread that set it.
struct WindowsHookTraits : NullEmpty<HHOOK> {
    static void Close(Handle handle) { UnhookWindowsHookEx(handle); }
};
// A wide text the system allocated with LocalAlloc (FormatMessageW with FORMAT_MESSAGE_ALLOCATE_BUFFER).
struct LocalTextTraits : NullEmpty<wchar_t*> {
    static void Close(Handle text) { LocalFree(text); }
};
// GDI objects of one type (HFONT, HBITMAP, HBRUSH, ...), deleted with DeleteObject.
template <typename H>
struct GdiObjectTraits : NullEmpty<H> {
    static void Close(H handle) { DeleteObject(handle); }
};

using OwnedHandle = Owned<KernelHandleTraits>;
using OwnedKey = Owned<RegKeyTraits>;
using OwnedIcon = Owned<IconTraits>;
using OwnedCursor = Owned<CursorTraits>;
using OwnedMenu = Owned<MenuTraits>;
using OwnedMemoryDc = Owned<MemoryDcTraits>;
using OwnedWinEventHook = Owned<WinEventHookTraits>;
using OwnedWindowsHook = Owned<WindowsHookTraits>;
using OwnedLocalText = Owned<LocalTextTraits>;
using OwnedFont = Owned<GdiObjectTraits<HFONT>>;
using OwnedBitmap = Owned<GdiObjectTraits<HBITMAP>>;
using OwnedBrush = Owned<GdiObjectTraits<HBRUSH>>;

// The process and thread handles CreateProcess gives back, closed when it goes.
struct ProcessHandles {
    explicit ProcessHandles(const PROCESS_INFORMATION& info) : process(info.hProcess), thread(info.hThread) {}
    OwnedHandle process;
    OwnedHandle thread;
};

// A window's (or, for a null window, the screen's) device context from GetDC, released when it goes.
class WindowDc {
public:
    explicit WindowDc(HWND window) : m_window(window), m_dc(GetDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc()
    {
        if (m_dc) {
            ReleaseDC(m_window, m_dc);
        }
    }
    HDC get() const { return m_dc; }
    explicit operator bool() const { return m_dc != nullptr; }

private:
    HWND m_window;
    HDC m_dc;
};

// Selects object into dc and puts the prior object back when it goes; does nothing when either is
// null. Declare it after the owners of dc and object, so it goes first.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_prior(dc && object ? SelectObject(dc, object) : nullptr) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject()
    {
        if (m_prior) {
            SelectObject(m_dc, m_prior);
        }
    }
    // The object that was selected before, or null.
    HGDIOBJ prior() const { return m_prior; }

private:
    HDC m_dc;
    HGDIOBJ m_prior;
};
