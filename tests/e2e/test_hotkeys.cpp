// The desktop-wide hotkeys of the real Veilbox.exe, pressed as a user presses them, and the
// conflict question when another program already holds a combination.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "support/TargetWindows.h"
#include "support/TempFolder.h"
#include "support/ThreadWindows.h"
#include "support/VeilboxApp.h"

using namespace vbtest;

namespace {

struct Combination {
    UINT modifiers;
    UINT key;
};
constexpr Combination kHide = {MOD_CONTROL | MOD_SHIFT, 'H'};
constexpr Combination kPopup = {MOD_CONTROL | MOD_SHIFT, 'M'};
// Pressed after a combination that must do nothing: once it has arrived, so has the first.
constexpr Combination kSentinel = {MOD_CONTROL | MOD_SHIFT, VK_F12};

const KeyCombination kHideKeys = {VK_CONTROL, VK_SHIFT, 'H'};
const KeyCombination kPopupKeys = {VK_CONTROL, VK_SHIFT, 'M'};
const KeyCombination kSentinelKeys = {VK_CONTROL, VK_SHIFT, VK_F12};

std::string ConflictText(const char* combination, const char* action)
{
    return std::string("The hotkey ") + combination + " for " + action +
           "\nis already in use by another application\nand will only work for the application\n"
           "that registered it for on this desktop.\n\nWould you like to stop key registration?";
}

bool WaitVisible(HWND window, bool visible, DWORD timeoutMs = 5000)
{
    return WaitFor([&] { return IsWindowVisible(window) == (visible ? TRUE : FALSE); }, timeoutMs);
}

HWND MakeHotkeyWindow()
{
    return CreateWindowExA(0, "STATIC", "hotkey holder", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// True when nobody holds the combination: a probe window of this thread takes it and gives it back.
bool IsFree(Combination combination)
{
    HWND probe = MakeHotkeyWindow();
    const bool free = RegisterHotKey(probe, 1, combination.modifiers, combination.key) != FALSE;
    if (free)
        UnregisterHotKey(probe, 1);
    DestroyWindow(probe);
    return free;
}

bool Holds(const std::vector<Combination>& held, Combination combination)
{
    for (const Combination& c : held)
        if (c.modifiers == combination.modifiers && c.key == combination.key)
            return true;
    return false;
}

// A window of another thread of this test holding combinations desktop-wide as another program
// would, for the object's lifetime. It counts the presses of each one.
class HotkeyHolder {
public:
    explicit HotkeyHolder(const std::vector<Combination>& combinations)
        : m_presses(combinations.size()),
          m_thread([this, combinations] { return std::vector<HWND>{Hold(combinations)}; },
                   [this](const MSG& msg) {
                       if (msg.message == WM_HOTKEY && msg.wParam >= 1 && msg.wParam <= m_presses.size())
                           ++m_presses[msg.wParam - 1];
                   })
    {
    }

    bool HoldsAll() const { return m_held == m_presses.size(); }
    int Presses(size_t index) const { return m_presses[index]; }

private:
    HWND Hold(const std::vector<Combination>& combinations)
    {
        HWND window = MakeHotkeyWindow();
        for (size_t i = 0; i < combinations.size(); ++i)
            if (RegisterHotKey(window, static_cast<int>(i + 1), combinations[i].modifiers, combinations[i].key))
                ++m_held;
        return window; // destroying it releases every combination it holds
    }

    std::vector<std::atomic<int>> m_presses;
    std::atomic<size_t> m_held{0};
    WindowThread m_thread; // last: it counts into the members above
};

// The visible message box of process pid owned by its main dialog. The hotkeys are registered
// while the dialog initialises, so the dialog is not shown yet: its title identifies it.
HWND FindConflictBox(DWORD pid)
{
    struct Search { DWORD pid; HWND found; } search{pid, nullptr};
    EnumWindows([](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        char name[64] = {};
        GetClassNameA(window, name, sizeof name);
        if (owner != s->pid || strcmp(name, "#32770") != 0 || !IsWindowVisible(window))
            return TRUE;
        HWND main = GetWindow(window, GW_OWNER);
        WCHAR title[64] = {};
        if (!main || !InternalGetWindowText(main, title, 64) || wcscmp(title, L"Window Veilbox") != 0)
            return TRUE;
        s->found = window;
        return FALSE;
    }, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The message of a message box: the text of its static control that has one (the icon's has none).
std::string BoxText(HWND box)
{
    std::string text;
    for (HWND child = GetWindow(box, GW_CHILD); child && text.empty(); child = GetWindow(child, GW_HWNDNEXT)) {
        char name[32] = {};
        GetClassNameA(child, name, sizeof name);
        if (_stricmp(name, "Static") != 0)
            continue;
        char buffer[1024] = {};
        DWORD_PTR length = 0;
        if (SendMessageTimeoutA(child, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                                SMTO_ABORTIFHUNG, 2000, &length))
            text = buffer;
    }
    return text;
}

// Answers every conflict question of a starting Veilbox with answer until its main dialog shows,
// and returns the questions in the order they came; the main dialog ends up in main.
std::vector<std::string> AnswerConflicts(VeilboxApp& app, WPARAM answer, HWND& main)
{
    std::vector<std::string> questions;
    const DWORD pid = app.Process().Id();
    const ULONGLONG deadline = GetTickCount64() + 20000;
    main = nullptr;
    while (!main && GetTickCount64() < deadline) {
        HWND box = nullptr;
        WaitFor([&] {
            box = FindConflictBox(pid);
            main = box ? nullptr : FindTopWindow({pid, kMainTitle, "#32770", true});
            return box || main;
        }, 1000);
        if (!box)
            continue;
        questions.push_back(BoxText(box));
        PostMessageA(box, WM_COMMAND, answer, 0);
        if (!WaitFor([&] { return !IsWindow(box); }, 5000))
            break;
    }
    return questions;
}

// The first visible window below window in the Z order: the one that Hide Active brings to the
// front after hiding window.
HWND VisibleWindowBelow(HWND window)
{
    for (HWND below = GetWindow(window, GW_HWNDNEXT); below; below = GetWindow(below, GW_HWNDNEXT))
        if (IsWindowVisible(below))
            return below;
    return nullptr;
}

// Gives target the foreground and presses keys; succeeds once target is hidden and the window
// below it has the foreground, which is when Veilbox is done with the key.
::testing::AssertionResult HidesWith(const KeyCombination& keys, HWND target)
{
    if (!ClickToFront(target))
        return ::testing::AssertionFailure() << "the target did not get the foreground";
    HWND below = VisibleWindowBelow(target);
    PressCombination(keys);
    if (!WaitVisible(target, false))
        return ::testing::AssertionFailure() << "the foreground window was not hidden";
    if (!WaitFor([&] { return GetForegroundWindow() == below; }))
        return ::testing::AssertionFailure() << "the window below, " << below << ", did not come to the front; "
                                             << GetForegroundWindow() << " has the foreground";
    return ::testing::AssertionSuccess();
}

WindowQuery MenuOf(VeilboxApp& app)
{
    return {app.Process().Id(), nullptr, "#32768", true};
}

// Closes the open hidden-window menu with Esc as a user does. The key goes to the thread with
// the foreground, which is the menu's once its owner, the main dialog, has it.
::testing::AssertionResult EscapeClosesMenu(VeilboxApp& app)
{
    if (!WaitFor([&] { return GetForegroundWindow() == app.MainWindow(); }))
        return ::testing::AssertionFailure() << "the main dialog did not get the foreground with its menu";
    TapKey(VK_ESCAPE);
    if (!WaitFor([&] { return FindTopWindow(MenuOf(app)) == nullptr; }))
        return ::testing::AssertionFailure() << "the menu stayed open";
    return ::testing::AssertionSuccess();
}

void Store(const char* name, const char* text)
{
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Quillfen\\Veilbox", name, REG_SZ, text,
                    static_cast<DWORD>(strlen(text) + 1));
}

} // namespace

class Hotkeys : public ::testing::Test {
protected:
    Hotkeys() { m_settings.Clear(); }

    RegistryKeyGuard m_settings;
};

TEST_F(Hotkeys, CtrlShiftHHidesTheForegroundWindowOfAnotherProgram)
{
    TargetWindows targets("--window --title \"Hotkey Target\"");
    ASSERT_TRUE(targets.Ready());
    VeilboxApp app;
    ASSERT_TRUE(app.WaitListed("Hotkey Target"));
    EXPECT_FALSE(IsFree(kHide));
    EXPECT_FALSE(IsFree(kPopup));

    ASSERT_TRUE(HidesWith(kHideKeys, targets[0]));
    EXPECT_TRUE(app.WaitListed("Hotkey Target", false));

    // It went into the menu, so ending the program shows it again.
    ASSERT_TRUE(app.Exit());
    EXPECT_TRUE(IsWindowVisible(targets[0]));
}

TEST_F(Hotkeys, CtrlShiftMOpensTheMenuAtThePointerAndGivesTheForegroundBack)
{
    TargetWindows targets("--window --title \"Menu Entry\"");
    ASSERT_TRUE(targets.Ready());
    VeilboxApp app;
    ASSERT_TRUE(app.WaitListed("Menu Entry"));
    ASSERT_TRUE(HidesWith(kHideKeys, targets[0]));

    CountingWindow front("Front Window");
    ASSERT_TRUE(ClickToFront(front.Window()));
    const POINT pointer = {150, 120};
    ASSERT_TRUE(SetCursorPos(pointer.x, pointer.y));
    PressCombination(kPopupKeys);
    HWND menu = WaitForTopWindow(MenuOf(app), 5000);
    ASSERT_NE(menu, nullptr);
    RECT rect = {};
    GetWindowRect(menu, &rect);
    EXPECT_EQ(rect.left, pointer.x);
    EXPECT_EQ(rect.top, pointer.y);

    const int activations = front.Activations();
    ASSERT_TRUE(EscapeClosesMenu(app));
    EXPECT_TRUE(WaitFor([&] { return front.Activations() > activations; }))
        << "the window that had the foreground did not get it back";
    // Without a window manager, Wine may hand the foreground to the dialog once more when the
    // X server reports the focus it had asked for while the menu was open.
    if (!RunningUnderWine()) {
        EXPECT_EQ(GetForegroundWindow(), front.Window());
    }
    EXPECT_FALSE(IsWindowVisible(targets[0])) << "Esc chose no entry";
}

TEST_F(Hotkeys, StoredCombinationsDecideWhichKeysDoWhat)
{
    // The exchange of the Change Key Bindings example: each action keeps its id, so Ctrl+Shift+M
    // now hides and Ctrl+Shift+H opens the menu.
    Store("Hide Active", "1,1,0,77,1009");
    Store("Popup Menu", "1,1,0,72,1010");
    TargetWindows targets("--window --title \"Swapped Keys\"");
    ASSERT_TRUE(targets.Ready());
    VeilboxApp app;
    ASSERT_TRUE(app.WaitListed("Swapped Keys"));

    ASSERT_TRUE(HidesWith(kPopupKeys, targets[0]));
    EXPECT_EQ(FindTopWindow(MenuOf(app)), nullptr);
    PressCombination(kHideKeys);
    EXPECT_NE(WaitForTopWindow(MenuOf(app), 5000), nullptr);
    EXPECT_TRUE(EscapeClosesMenu(app));
}

TEST_F(Hotkeys, TheHotKeyDialogFreesTheCombinationsWhichWorkAgainAfterCancel)
{
    TargetWindows targets("--window --title \"After Options\"");
    ASSERT_TRUE(targets.Ready());
    VeilboxApp app;
    ASSERT_TRUE(app.WaitListed("After Options"));

    // Posted: the dialog runs its own message loop inside Veilbox.
    PostMessageA(app.MainWindow(), WM_COMMAND, 1003, 0);
    HWND dialog = WaitForTopWindow({app.Process().Id(), "Hot Key", "#32770", true}, 5000);
    ASSERT_NE(dialog, nullptr);
    // Free while it is open, so that the user can press them in Change Key Bindings.
    EXPECT_TRUE(IsFree(kHide));
    EXPECT_TRUE(IsFree(kPopup));
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
    // Answered once the command that ran the dialog has registered the hotkeys again; probing
    // before that could take a combination from under Veilbox.
    ASSERT_TRUE(app.Send(app.MainWindow(), WM_NULL, 0, 0)) << app.Failure();
    EXPECT_FALSE(IsFree(kHide));
    EXPECT_FALSE(IsFree(kPopup));

    EXPECT_TRUE(HidesWith(kHideKeys, targets[0]));
}

TEST_F(Hotkeys, UseHotkeyZeroRegistersNothingAndTheKeysDoNothing)
{
    DWORD off = 0;
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Quillfen\\Veilbox", "UseHotkey", REG_DWORD,
                              &off, sizeof off), ERROR_SUCCESS);
    TargetWindows targets("--window --title \"Stays Visible\"");
    ASSERT_TRUE(targets.Ready());
    VeilboxApp app;
    ASSERT_TRUE(app.WaitListed("Stays Visible"));
    EXPECT_TRUE(IsFree(kHide));
    EXPECT_TRUE(IsFree(kPopup));

    HotkeyHolder sentinel({kSentinel});
    ASSERT_TRUE(sentinel.HoldsAll());
    ASSERT_TRUE(ClickToFront(targets[0]));
    PressCombinations({kHideKeys, kSentinelKeys});
    ASSERT_TRUE(WaitFor([&] { return sentinel.Presses(0) > 0; }, 5000));
    EXPECT_FALSE(WaitVisible(targets[0], false, 1000));
    EXPECT_TRUE(app.Lists("Stays Visible"));
}

TEST_F(Hotkeys, ACombinationHeldElsewhereIsReportedOnceAndTheAnswerDecides)
{
    const std::string hideQuestion = ConflictText("Ctrl+Shft+H", "Hide Active");
    const std::string popupQuestion = ConflictText("Ctrl+Shft+M", "Popup Menu");
    struct Case {
        const char* name;
        std::vector<Combination> held;
        WPARAM answer;
        std::vector<std::string> questions;
        bool hideTaken, popupTaken; // registered by Veilbox afterwards, unless held
    };
    const Case cases[] = {
        {"Hide held, No goes on", {kHide}, IDNO, {hideQuestion}, false, true},
        {"Hide held, Yes stops", {kHide}, IDYES, {hideQuestion}, false, false},
        {"Popup held, No", {kPopup}, IDNO, {popupQuestion}, true, false},
        {"both held", {kHide, kPopup}, IDNO, {hideQuestion, popupQuestion}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HotkeyHolder holder(c.held);
        ASSERT_TRUE(holder.HoldsAll());
        {
            VeilboxApp app;
            HWND main = nullptr;
            EXPECT_EQ(AnswerConflicts(app, c.answer, main), c.questions);
            ASSERT_NE(main, nullptr);
            if (!Holds(c.held, kHide)) {
                EXPECT_EQ(!IsFree(kHide), c.hideTaken);
            }
            if (!Holds(c.held, kPopup)) {
                EXPECT_EQ(!IsFree(kPopup), c.popupTaken);
            }
            ASSERT_TRUE(app.Exit());
        }
        m_settings.Clear();
    }
}

TEST_F(Hotkeys, HideProgramRestoreLastAndRestoreAllActOnManyWindows)
{
    const KeyCombination hideProgram = {VK_CONTROL, VK_MENU, VK_SHIFT, 'H'};
    const KeyCombination restoreLast = {VK_CONTROL, VK_SHIFT, 'U'};
    const KeyCombination restoreAll = {VK_CONTROL, VK_MENU, VK_SHIFT, 'U'};
    TargetWindows program("--window --title \"Program One\" --window --title \"Program Two\"");
    ASSERT_TRUE(program.Ready());
    // The same program file in another process is the same program; a file of the same name in
    // another folder is another program.
    TargetWindows sameFile("--window --title \"Same Program Elsewhere\"");
    TempFolder folder("program");
    ASSERT_TRUE(CopyFileA((BinDir() + "vb_testwin.exe").c_str(), (folder / "vb_testwin.exe").c_str(), FALSE));
    TargetWindows sameName("--window --title \"Same Name Other Folder\"", folder / "vb_testwin.exe");
    ASSERT_TRUE(sameFile.Ready() && sameName.Ready()) << sameFile.Error() << sameName.Error();
    CountingWindow other("Another Program");
    VeilboxApp app;
    ASSERT_TRUE(app.WaitListed("Program Two"));
    // xdotool releases the keys of a combination after Veilbox has acted on it: the next one
    // waits for that, or its keys would mix with the last ones.
    const auto press = [](const KeyCombination& keys) {
        WaitFor([] {
            for (WORD modifier : {VK_CONTROL, VK_MENU, VK_SHIFT})
                if (GetAsyncKeyState(modifier) & 0x8000)
                    return false;
            return true;
        }, 3000);
        PressCombination(keys);
    };

    // Every window of the foreground window's program goes, each into the menu; the front one
    // last, so it is the newest entry.
    ASSERT_TRUE(ClickToFront(program[0]));
    press(hideProgram);
    ASSERT_TRUE(WaitVisible(program[0], false));
    ASSERT_TRUE(WaitVisible(program[1], false));
    ASSERT_TRUE(WaitVisible(sameFile[0], false));
    EXPECT_TRUE(IsWindowVisible(other.Window()));
    EXPECT_TRUE(IsWindowVisible(sameName[0])) << "only the program's own file counts";

    // Under Wine a key reaches the hotkeys only while a window of Wine's has the X focus, which
    // the hidden window had: a click gives it to another.
    ASSERT_TRUE(ClickToFront(other.Window()));
    press(restoreLast);
    ASSERT_TRUE(WaitVisible(program[0], true));
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == program[0]; }));
    EXPECT_FALSE(IsWindowVisible(program[1]));

    press(restoreAll);
    EXPECT_TRUE(WaitVisible(program[1], true));
    EXPECT_TRUE(WaitVisible(sameFile[0], true));
    EXPECT_TRUE(app.Exit());
}

// While the hidden-window menu is open, a hotkey and a click on a hidden window's own tray icon
// change nothing under it: each acts once the menu has closed.
TEST_F(Hotkeys, HotkeysAndIconClicksWhileTheMenuIsOpenWaitUntilItCloses)
{
    DWORD on = 1;
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Quillfen\\Veilbox\\Interface", "IconPerWindow", REG_DWORD, &on,
                    sizeof on);
    const KeyCombination restoreLast = {VK_CONTROL, VK_SHIFT, 'U'};
    struct Case {
        const char* name;
        std::function<void(VeilboxApp&)> act;
        size_t shownAfter; // the window the action brings back
    };
    const Case cases[] = {
        {"Restore Last",
         [&](VeilboxApp&) {
             HotkeyHolder sentinel({kSentinel});
             ASSERT_TRUE(sentinel.HoldsAll());
             PressCombinations({restoreLast, kSentinelKeys});
             ASSERT_TRUE(WaitFor([&] { return sentinel.Presses(0) > 0; }, 5000)) << "the keys were pressed";
         },
         1},
        // Sent as the shell reports a click (a new copy hands out the entries' ids from 4000 on).
        {"a click on the first window's icon",
         [](VeilboxApp& app) { ASSERT_TRUE(app.Send(app.MainWindow(), WM_APP + 16, 0x10000 + 4000, WM_LBUTTONUP)); },
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TargetWindows targets("--window --title \"Under Menu\" --count 2");
        ASSERT_TRUE(targets.Ready());
        VeilboxApp app;
        ASSERT_TRUE(app.WaitListed("Under Menu 001"));
        for (const char* title : {"Under Menu 000", "Under Menu 001"})
            ASSERT_TRUE(app.DoubleClick(title)) << title;
        ASSERT_TRUE(WaitVisible(targets[0], false) && WaitVisible(targets[1], false));
        ASSERT_TRUE(app.OpenMenu());

        c.act(app);
        if (HasFatalFailure())
            return;
        EXPECT_FALSE(WaitFor([&] { return IsWindowVisible(targets[0]) || IsWindowVisible(targets[1]); }, 1000))
            << "a window came back under the open menu";
        EXPECT_NE(FindTopWindow(MenuOf(app)), nullptr) << "the menu stays open";

        EXPECT_TRUE(app.CloseMenu());
        EXPECT_TRUE(WaitVisible(targets[c.shownAfter], true)) << "the action came once the menu closed";
        EXPECT_FALSE(IsWindowVisible(targets[1 - c.shownAfter]));
        EXPECT_TRUE(app.Exit());
    }
}
