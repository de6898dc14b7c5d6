// The timed message box: the dialog fits its own box (its icon, centred over
// the dialog) and never touches a dialog-class window it does not own.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <utility>

#include "component/WinbaseProbe.h"
#include "winbase/WindowHelpers.h"

using namespace winbase_test;

namespace {

const HICON kDialogIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32515));
const HICON kForeignIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32516));
constexpr char kSharedCaption[] = "Veilbox shared caption";

HICON BigIcon(HWND window)
{
    DWORD_PTR icon = 0;
    SendMessageTimeoutA(window, WM_GETICON, ICON_BIG, 0, SMTO_ABORTIFHUNG, 1000, &icon);
    return reinterpret_cast<HICON>(icon);
}

// The "#32770" window of the thread that owner owns, or null.
HWND OwnedBox(DWORD thread, HWND owner)
{
    std::pair<HWND, HWND> search{owner, nullptr};
    EnumThreadWindows(
        thread,
        [](HWND window, LPARAM param) -> BOOL {
            auto& s = *reinterpret_cast<std::pair<HWND, HWND>*>(param);
            char name[16] = {};
            GetClassNameA(window, name, sizeof(name));
            if (GetWindow(window, GW_OWNER) != s.first || std::strcmp(name, "#32770") != 0) {
                return TRUE;
            }
            s.second = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
}

// From a thread of its own, waits up to 5 s for the dialog's box to be fitted
// (centred over reference, by default the dialog), then closes the box with OK,
// fitted or not.
bool WatchAndCloseBox(HWND dialog, HWND reference = nullptr)
{
    const DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
    const ULONGLONG deadline = GetTickCount64() + 5000;
    bool fitted = false;
    HWND box = nullptr;
    while (!fitted && GetTickCount64() < deadline) {
        Sleep(5);
        if ((box = OwnedBox(thread, dialog)) == nullptr) {
            continue;
        }
        const RECT now = WindowRect(box);
        const SIZE desktop = DesktopSize();
        const RECT centred = CenteredRect(now, WindowRect(reference ? reference : dialog), desktop.cx, desktop.cy);
        fitted = BigIcon(box) == kDialogIcon && EqualRect(&now, &centred);
    }
    if (box) {
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    return fitted;
}

// A topmost dialog-class window that nobody owns, so that a lookup by class
// and title alone meets it first; on a thread of its own or on this one.
class ForeignDialog {
public:
    explicit ForeignDialog(bool ownThread)
    {
        if (!ownThread) {
            Create();
            return;
        }
        m_thread = std::thread([this] {
            Create();
            while (!m_stop) {
                MSG msg;
                while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                    DispatchMessageA(&msg);
                }
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            }
            DestroyWindow(m_window);
        });
        const ULONGLONG deadline = GetTickCount64() + 5000;
        while (!m_created && GetTickCount64() < deadline) {
            Sleep(2);
        }
    }
    ~ForeignDialog()
    {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        } else {
            DestroyWindow(m_window);
        }
    }
    HWND Get() const { return m_window; }

private:
    void Create()
    {
        m_window = CreateWindowExA(WS_EX_TOPMOST, "#32770", kSharedCaption, WS_POPUP | WS_CAPTION | WS_VISIBLE, 17,
                                   23, 333, 177, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        SendMessageA(m_window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(kForeignIcon));
        m_created = true;
    }

    HWND m_window = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_created{false}, m_stop{false};
};

TEST(WinBaseTimedMessageBox, FitsItsOwnBoxAndNeverTouchesADialogItDoesNotOwn)
{
    const struct {
        const char* label;
        const char* caption;
        bool foreignOnOwnThread;
        // Asked while the dialog is made, before it stands where it starts: the box is centred
        // where it will stand (the desktop, for a dialog without a parent).
        bool whileMade;
    } cases[] = {
        {"same caption, foreign dialog on another thread", kSharedCaption, true, false},
        {"null caption, foreign dialog on another thread", nullptr, true, false},
        {"same caption, unowned dialog on the same thread", kSharedCaption, false, false},
        {"null caption, unowned dialog on the same thread", nullptr, false, false},
        {"asked while the dialog is made", nullptr, true, true},
    };
    for (const auto& c : cases) {
        ForeignDialog foreign(c.foreignOnOwnThread);
        ASSERT_NE(foreign.Get(), nullptr) << c.label;
        const RECT foreignBefore = WindowRect(foreign.Get());
        ProbeDialog dialog;
        bool fitted = false;
        int answer = 0;
        const auto ask = [&](ProbeDialog& d, HWND reference) {
            d.SetIcon(kDialogIcon);
            std::thread watcher([&] { fitted = WatchAndCloseBox(d.Window(), reference); });
            answer = d.TimedMessageBox("Only mine is fitted", c.caption, MB_OK, 0);
            watcher.join();
        };
        dialog.onMessage = [&](UINT message) {
            if (message == WM_INITDIALOG && c.whileMade)
                ask(dialog, GetDesktopWindow());
        };
        dialog.script = [&](ProbeDialog& d) {
            if (c.whileMade)
                return;
            MoveWindow(d.Window(), 400, 300, 420, 300, TRUE);
            ask(d, nullptr);
        };
        dialog.Show();
        EXPECT_FALSE(dialog.timedOut) << c.label;
        EXPECT_TRUE(fitted) << c.label;
        EXPECT_EQ(answer, IDOK) << c.label;
        const RECT foreignAfter = WindowRect(foreign.Get());
        EXPECT_TRUE(EqualRect(&foreignBefore, &foreignAfter) != FALSE) << c.label << ": the foreign dialog moved";
        EXPECT_EQ(BigIcon(foreign.Get()), kForeignIcon) << c.label << ": the foreign dialog lost its icon";
    }
}

}  // namespace
