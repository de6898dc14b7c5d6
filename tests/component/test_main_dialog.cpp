// The main dialog run for real in this process: its commands, help popups and finder tool.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/MainDialog.h"
#include "res/MainDialogIds.h"
#include "support/TestSupport.h"

using namespace vbtest;

namespace {

// The main dialog with a test script run once its modal loop is going.
class ScriptedMainDialog : public DIALOG {
public:
    static constexpr UINT kRunScript = WM_APP + 50;
    static constexpr UINT_PTR kSafetyTimer = 0x5AFE;
    static constexpr INT_PTR kScriptDone = 4711;

    explicit ScriptedMainDialog(std::function<void(ScriptedMainDialog&)> run)
        : DIALOG(GetModuleHandleA(nullptr)), m_run(std::move(run)) {}

    // The dialog manager shows a dialog once its loop first goes idle; the script starts after.
    void OnInitDone() override
    {
        ShowWindow(Window(), SW_SHOW);
        PostMessageA(Window(), kRunScript, 0, 0);
        SetTimer(Window(), kSafetyTimer, 20000, nullptr);
    }

    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == kRunScript) {
            m_run(*this);
            // EndDialog hides the dialog: a script that ended it is not overruled.
            if (IsWindowVisible(Window()))
                EndDialog(Window(), kScriptDone);
            return 0;
        }
        if (message == WM_TIMER && wParam == kSafetyTimer) {
            EndDialog(Window(), 0);
            return 0;
        }
        return DIALOG::OnMessage(message, wParam, lParam);
    }

private:
    std::function<void(ScriptedMainDialog&)> m_run;
};

// The wide message: Wine cuts the narrow one at 80 characters.
std::string TooltipText(HWND tooltip, HWND owner, int control)
{
    wchar_t text[1024] = {};
    TOOLINFOW info = {};
    info.cbSize = sizeof info;
    info.hwnd = owner;
    info.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(owner, control));
    info.lpszText = text;
    SendMessageW(tooltip, TTM_GETTEXTW, 1024, reinterpret_cast<LPARAM>(&info));
    char narrow[2048] = {};
    WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

// A titled top-level window of this process: a candidate for the list.
HWND MakeCandidate(const char* title, int x, int y, int width, int height)
{
    static const ATOM windowClass = [] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VbMainDialogTestTarget";
        return RegisterClassA(&wc);
    }();
    HWND window = CreateWindowExA(0, MAKEINTATOM(windowClass), title, WS_POPUP | WS_VISIBLE | WS_BORDER, x, y, width,
                                  height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    return window;
}

class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override { m_settings.Clear(); }
    RegistryKeyGuard m_settings;
};

} // namespace

TEST_F(MainDialogTest, ListNotificationsOtherThanADoubleClickDoNothing)
{
    HWND target = MakeCandidate("Selection Change Target", 0, 0, 120, 60);
    INT_PTR result = 0;
    ScriptedMainDialog dialog([&](ScriptedMainDialog& d) {
        d.Candidates().Refresh();
        ASSERT_TRUE(d.Candidates().SelectWindow(target));
        // LBN_SELCHANGE in the high word makes 66536: above the entry ids, yet no entry.
        SendMessageA(d.Window(), WM_COMMAND, MAKEWPARAM(IDC_MAIN_LIST, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(d.Item(IDC_MAIN_LIST)));
        EXPECT_TRUE(IsWindowVisible(target));
        // A double click reported by some other window is not the list's.
        SendMessageA(d.Window(), WM_COMMAND, MAKEWPARAM(IDC_MAIN_LIST, LBN_DBLCLK), 0);
        EXPECT_TRUE(IsWindowVisible(target));
        EXPECT_EQ(d.Menu().EntryCount(), 0u);
    });
    result = dialog.Show();
    EXPECT_EQ(result, ScriptedMainDialog::kScriptDone);
    DestroyWindow(target);
}

TEST_F(MainDialogTest, EndsWithTheResultOfEachWayOut)
{
    struct Case {
        UINT message;
        WPARAM wParam;
        INT_PTR result;
    } cases[] = {{WM_COMMAND, IDCANCEL, 2}, {WM_COMMAND, 1004, 1004}};
    for (const Case& c : cases) {
        ScriptedMainDialog dialog([&](ScriptedMainDialog& d) { SendMessageA(d.Window(), c.message, c.wParam, 0); });
        EXPECT_EQ(dialog.Show(), c.result) << c.wParam;
    }

    char text[] = "update";
    COPYDATASTRUCT quit = {1, sizeof text, text};
    COPYDATASTRUCT other = {2, sizeof text, text};
    ScriptedMainDialog dialog([&](ScriptedMainDialog& d) {
        SendMessageA(d.Window(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&other));
        ASSERT_TRUE(IsWindow(d.Window()));
        SendMessageA(d.Window(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&quit));
    });
    EXPECT_EQ(dialog.Show(), 1);
}

TEST_F(MainDialogTest, HelpPopupsFollowTheSwitchesAndListTheHotkeys)
{
    std::string options;
    ScriptedMainDialog withPopups([&](ScriptedMainDialog& d) {
        ASSERT_NE(d.HelpPopups(), nullptr);
        options = TooltipText(d.HelpPopups()->Tooltip(), d.Window(), IDC_MAIN_OPTIONS);
        EXPECT_EQ(TooltipText(d.HelpPopups()->Tooltip(), d.Window(), IDC_MAIN_EXIT),
                  "Exit Veilbox and release all hidden windows from the menu");
    });
    withPopups.Show();
    EXPECT_EQ(options, "Change the hotkeys used for controling documents or disable these help popups."
                       "\nCurrent hotkeys are\nHide Active Ctrl+Shft+H\nPopup Menu Ctrl+Shft+M");

    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Quillfen\\Veilbox", 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &key, nullptr);
    DWORD zero = 0;
    RegSetValueExA(key, "UseHotkey", 0, REG_DWORD, reinterpret_cast<BYTE*>(&zero), sizeof zero);
    ScriptedMainDialog withoutHotkeys([&](ScriptedMainDialog& d) {
        ASSERT_NE(d.HelpPopups(), nullptr);
        options = TooltipText(d.HelpPopups()->Tooltip(), d.Window(), IDC_MAIN_OPTIONS);
    });
    withoutHotkeys.Show();
    EXPECT_EQ(options, "Change the hotkeys used for controling documents or disable these help popups.");

    RegSetValueExA(key, "UseHelpPopups", 0, REG_DWORD, reinterpret_cast<BYTE*>(&zero), sizeof zero);
    RegCloseKey(key);
    ScriptedMainDialog withoutPopups([&](ScriptedMainDialog& d) { EXPECT_EQ(d.HelpPopups(), nullptr); });
    withoutPopups.Show();
}

// The drop point is where the pointer really is, so a window just below another one is picked
// even a few pixels from their common edge.
TEST_F(MainDialogTest, FinderSelectsTheWindowUnderThePointer)
{
    HWND upper = MakeCandidate("Finder Upper", 0, 0, 200, 100);
    HWND lower = MakeCandidate("Finder Lower", 0, 100, 200, 100);
    ScriptedMainDialog dialog([&](ScriptedMainDialog& d) {
        d.Candidates().Refresh();
        // Move the dialog clear of the two windows so the finder box is not covered.
        SetWindowPos(d.Window(), HWND_TOP, 300, 200, 0, 0, SWP_NOSIZE);
        UpdateWindow(d.Window());
        const struct {
            POINT screen;
            HWND expected;
        } drops[] = {{{50, 97}, upper}, {{50, 103}, lower}, {{150, 10}, upper}, {{150, 190}, lower}};
        for (const auto& drop : drops) {
            SendMessageA(d.Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(45, 15));
            EXPECT_FALSE(IsWindowVisible(d.Window())) << "a press on the finder hides the dialog";
            POINT client = drop.screen;
            ScreenToClient(d.Window(), &client);
            SendMessageA(d.Window(), WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
            EXPECT_TRUE(IsWindowVisible(d.Window()));
            CandidateRecord* selected = d.Candidates().Selected();
            ASSERT_NE(selected, nullptr);
            EXPECT_EQ(selected->window, drop.expected) << drop.screen.x << "," << drop.screen.y;
        }
    });
    dialog.Show();
    DestroyWindow(upper);
    DestroyWindow(lower);
}

TEST_F(MainDialogTest, APressOffTheFinderStartsNoDrag)
{
    HWND target = MakeCandidate("Finder Miss", 0, 0, 200, 100);
    ScriptedMainDialog dialog([&](ScriptedMainDialog& d) {
        d.Candidates().Refresh();
        SetWindowPos(d.Window(), HWND_TOP, 300, 200, 0, 0, SWP_NOSIZE);
        for (POINT press : {POINT{10, 15}, POINT{45, 40}, POINT{70, 15}}) {
            SendMessageA(d.Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(press.x, press.y));
            EXPECT_TRUE(IsWindowVisible(d.Window()));
            POINT client = {100, 50};
            ScreenToClient(d.Window(), &client);
            SendMessageA(d.Window(), WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
            EXPECT_EQ(d.Candidates().Selected(), nullptr);
        }
    });
    dialog.Show();
    DestroyWindow(target);
}

// A drag that loses the mouse capture or is cancelled with Esc ends at once: the dialog and the
// arrow are back, a later release over a window selects nothing, and Esc does not end the program.
TEST_F(MainDialogTest, LosingTheCaptureEndsTheFinderDrag)
{
    HWND target = MakeCandidate("Finder Lost", 0, 0, 200, 100);
    const std::pair<const char*, std::function<void(HWND)>> losses[] = {
        {"released", [](HWND) { ReleaseCapture(); }},
        {"taken", [target](HWND) { SetCapture(target); }},
        {"escape", [](HWND dialog) { SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0); }},
    };
    ScriptedMainDialog dialog([&](ScriptedMainDialog& d) {
        d.Candidates().Refresh();
        SetWindowPos(d.Window(), HWND_TOP, 300, 200, 0, 0, SWP_NOSIZE);
        for (const auto& loss : losses) {
            SendMessageA(d.Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(45, 15));
            ASSERT_FALSE(IsWindowVisible(d.Window())) << loss.first;
            loss.second(d.Window());
            EXPECT_TRUE(IsWindowVisible(d.Window())) << loss.first;
            EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, MAKEINTRESOURCEA(32512))) << loss.first;
            ReleaseCapture();
            POINT client = {100, 50};
            ScreenToClient(d.Window(), &client);
            SendMessageA(d.Window(), WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
            EXPECT_EQ(d.Candidates().Selected(), nullptr) << loss.first;
        }
    });
    EXPECT_EQ(dialog.Show(), ScriptedMainDialog::kScriptDone);
    DestroyWindow(target);
}
