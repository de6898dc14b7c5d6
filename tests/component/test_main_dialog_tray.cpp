// A start into the tray makes the main dialog's window only: its controls come as it first shows,
// or as Hide Active first needs the list, and are then what a shown start has.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/main/MainDialog.h"
#include "res/MainDialogIds.h"
#include "res/PasswordDialogIds.h"
#include "support/ScriptedDialog.h"
#include "support/TestSupport.h"
#include "text/Texts.h"
#include "winbase/DialogTemplate.h"
#include "DialogAnswerer.h"

using namespace vbtest;

namespace {

using TrayStartDialog = ScriptedDialog<DIALOG>;

constexpr char kInterfaceKey[] = "Software\\Quillfen\\Veilbox\\Interface";

// One line per control: id, class, text, styles, whether it is a wide window, its place in the
// client area and its font's height; the window's size last.
std::vector<std::string> Controls(HWND dialog)
{
    std::vector<std::string> lines;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[32] = {}, text[256] = {};
        GetClassNameA(child, className, sizeof className);
        GetWindowTextA(child, text, sizeof text);
        RECT place = {};
        GetWindowRect(child, &place);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
        LOGFONTW font = {};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0)), sizeof font, &font);
        lines.push_back(std::to_string(GetDlgCtrlID(child)) + " " + className + " \"" + text + "\" style " +
                        std::to_string(GetWindowLongA(child, GWL_STYLE)) + " " +
                        std::to_string(GetWindowLongA(child, GWL_EXSTYLE)) + (IsWindowUnicode(child) ? " wide" : "") +
                        " at " + std::to_string(place.left) + "," + std::to_string(place.top) + "-" +
                        std::to_string(place.right) + "," + std::to_string(place.bottom) + " font " +
                        std::to_string(font.lfHeight));
    }
    RECT window = {};
    GetWindowRect(dialog, &window);
    lines.push_back("window " + std::to_string(window.right - window.left) + "x" +
                    std::to_string(window.bottom - window.top));
    return lines;
}

class MainDialogTrayTest : public ::testing::Test {
protected:
    void SetUp() override { StartAfresh(""); }
    void TearDown() override { SelectLanguage("en-US"); }

    // No stored placement or options; the title-bar hook off, the language given (or English).
    void StartAfresh(const std::string& locale)
    {
        m_settings.Clear();
        const DWORD off = 0;
        RegSetKeyValueA(HKEY_CURRENT_USER, kInterfaceKey, "MinButtonHide", REG_DWORD, &off, sizeof off);
        const std::string language = locale.empty() ? "en-US" : locale;
        RegSetKeyValueA(HKEY_CURRENT_USER, kInterfaceKey, "Language", REG_SZ, language.c_str(),
                        static_cast<DWORD>(language.size() + 1));
    }

    // Runs the main dialog started shown or into the tray; script runs once its start finished.
    static void Run(bool intoTray, const std::function<void(TrayStartDialog&)>& script)
    {
        TrayStartDialog dialog(
            [&](TrayStartDialog& d) {
                EXPECT_TRUE(WaitFor([&] { return d.StartFinished(); }, 3000));
                script(d);
                return static_cast<WPARAM>(IDC_MAIN_EXIT);
            },
            GetModuleHandleA(nullptr), intoTray);
        dialog.Show();
    }

    RegistryKeyGuard m_settings;
};

} // namespace

// Each row starts into the tray with nothing stored and compares the controls, once made, with
// those of a shown start in the same language after the same DPI change; the next shown start then
// comes up where a first one does (a start never shown stores no placement before its controls
// give the dialog its size; one shown from the tray stores where it was).
TEST_F(MainDialogTrayTest, AStartIntoTheTrayMakesItsControlsAsItFirstShowsAsAShownStartHasThem)
{
    const struct {
        const char* what;
        const char* locale;
        bool restored, dpiDoubled;
    } rows[] = {
        {"English", "en-US", true, false},
        {"German, whose texts grow the dialog", "de-DE", true, false},
        {"German, never shown", "de-DE", false, false},
        {"the DPI doubled while in the tray", "en-US", true, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        // The system suggests the window's rectangle scaled to the new DPI.
        const auto doubleDpi = [&](TrayStartDialog& d) {
            RECT window = {};
            GetWindowRect(d.Window(), &window);
            window.right += window.right - window.left;
            window.bottom += window.bottom - window.top;
            const UINT dpi = 2 * d.Dpi();
            SendMessageA(d.Window(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&window));
        };
        std::vector<std::string> shown, fromTray, next;
        const auto look = [&](std::vector<std::string>& controls) {
            return [&](TrayStartDialog& d) {
                ShowWindow(d.Window(), SW_SHOW);
                if (row.dpiDoubled && &controls == &shown)
                    doubleDpi(d);
                controls = Controls(d.Window());
            };
        };
        StartAfresh(row.locale);
        Run(false, look(shown));
        StartAfresh(row.locale);
        Run(true, [&](TrayStartDialog& d) {
            // The dialog manager's own first show, and a show by another hand, leave it hidden.
            ShowWindow(d.Window(), SW_SHOWNORMAL);
            SetWindowPos(d.Window(), nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
            EXPECT_FALSE(IsWindowVisible(d.Window()));
            EXPECT_EQ(GetWindow(d.Window(), GW_CHILD), nullptr) << "no control before the first show";
            if (!row.restored)
                return;
            if (row.dpiDoubled)
                doubleDpi(d);
            SendMessageA(d.Window(), kTrayCallback, 0, WM_LBUTTONUP);
            EXPECT_TRUE(IsWindowVisible(d.Window()));
            fromTray = Controls(d.Window());
            EXPECT_NE(d.HelpPopups(), nullptr);
        });
        EXPECT_EQ(shown.size(), 13u);
        if (row.restored) {
            EXPECT_EQ(fromTray, shown);
        }
        if (row.dpiDoubled)
            continue;
        Run(false, look(next));
        EXPECT_EQ(next, shown) << "the next start";
    }
}

// A DPI the system announces while the controls are being made (the window's own resizing can
// cross monitors) is taken once they are made, and stays.
TEST_F(MainDialogTrayTest, ADpiChangeAnnouncedWhileTheControlsAreMadeIsTakenAfter)
{
    bool armed = false, announced = false;
    UINT before = 0, after = 0;
    TrayStartDialog dialog(
        [&](TrayStartDialog& d) {
            EXPECT_TRUE(WaitFor([&] { return d.StartFinished(); }, 3000));
            before = d.Dpi();
            armed = true;
            SendMessageA(d.Window(), kTrayCallback, 0, WM_LBUTTONUP);
            after = d.Dpi();
            return static_cast<WPARAM>(IDC_MAIN_EXIT);
        },
        GetModuleHandleA(nullptr), true);
    dialog.Observe([&](TrayStartDialog& d, UINT message, WPARAM, LPARAM) {
        if (armed && !announced && message == WM_WINDOWPOSCHANGING && !GetWindow(d.Window(), GW_CHILD)) {
            announced = true;
            SendMessageA(d.Window(), WM_DPICHANGED, MAKEWPARAM(2 * before, 2 * before), 0);
        }
    });
    dialog.Show();
    EXPECT_TRUE(announced);
    EXPECT_EQ(after, 2 * before);
}

// With a restore password, a restore cancelled or refused leaves a start into the tray kept
// hidden: neither the dialog manager nor another program shows it, or makes its controls; the
// right password shows it whole.
TEST_F(MainDialogTrayTest, ARefusedRestoreKeepsAStartIntoTheTrayHiddenAndWithoutControls)
{
    const DWORD on = 1;
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Quillfen\\Veilbox\\Password", "UseSystrayPassword", REG_DWORD, &on,
                    sizeof on);
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Quillfen\\Veilbox\\Password", "Password", REG_SZ, "Secret", 7);
    const char* const typed[] = {nullptr, "Guess", "Secret"};
    std::vector<std::string> outcomes;
    Run(true, [&](TrayStartDialog& d) {
        for (const char* text : typed) {
            winbase_test::DialogAnswerer answerer(8000);
            answerer.Then("Enter Password", [&](HWND window) {
                if (!text) {
                    winbase_test::DialogAnswerer::Click(window, IDC_PASSWORD_CANCEL);
                    return;
                }
                winbase_test::DialogAnswerer::Type(window, IDC_PASSWORD_EDIT, text);
                winbase_test::DialogAnswerer::Click(window, IDC_PASSWORD_OK);
            });
            SendMessageA(d.Window(), kTrayCallback, 0, WM_LBUTTONUP);
            if (!IsWindowVisible(d.Window())) {
                ShowWindow(d.Window(), SW_SHOWNORMAL);
                SetWindowPos(d.Window(), nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
            }
            outcomes.push_back(std::string(text ? text : "Cancel") + (IsWindowVisible(d.Window()) ? " shown" : " hidden") +
                               (GetWindow(d.Window(), GW_CHILD) ? " with controls" : ""));
        }
    });
    EXPECT_EQ(outcomes, (std::vector<std::string>{"Cancel hidden", "Guess hidden", "Secret shown with controls"}));
}

// Hide Active from the tray finds the foreground window among the list's entries: the controls
// are made for it, and the window is hidden, while the dialog stays in the tray.
TEST_F(MainDialogTrayTest, HideActiveBeforeTheFirstShowMakesTheControlsAndHides)
{
    HWND target = CreateWindowExA(0, "STATIC", "Tray Start Hide Target", WS_POPUP | WS_VISIBLE | WS_CAPTION, 40, 40,
                                  200, 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(target, nullptr);
    bool hidden = false, listed = false, held = false;
    Run(true, [&](TrayStartDialog& d) {
        SetForegroundWindow(target);
        ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == target; }, 2000));
        SendMessageA(d.Window(), WM_HOTKEY, IDC_MAIN_HOTKEY_HIDE_ACTIVE, 0);
        hidden = !IsWindowVisible(target);
        listed = GetWindow(d.Window(), GW_CHILD) != nullptr && d.Candidates().ListBox() != nullptr;
        for (const MenuEntry* entry : d.Menu().Entries())
            held = held || entry->window == target;
        EXPECT_FALSE(IsWindowVisible(d.Window()));
    });
    EXPECT_TRUE(hidden);
    EXPECT_TRUE(listed);
    EXPECT_TRUE(held);
    EXPECT_TRUE(IsWindowVisible(target)) << "shown again as the program ends";
    DestroyWindow(target);
}

// Past it, the menu a row opened is closed (a row that waits for a selection that never comes).
static ULONGLONG g_rowEnd = 0;

// The shell's reports on the tray icons of a start into the tray, sent as a version-4 shell sends
// them (lParam: the event and the icon id's low 16 bits; wParam: the anchor point): Enter or
// Space does what a click does, the context-menu key opens the menu at the icon with its first
// entry selected, and the shell's two reports of one click act once. The first layout acts as ever.
TEST_F(MainDialogTrayTest, TheIconsReportsOfAKeyOrAClickActOnce)
{
    const DWORD on = 1;
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Quillfen\\Veilbox\\Interface", "IconPerWindow", REG_DWORD, &on,
                    sizeof on);
    HWND target = CreateWindowExA(0, "STATIC", "Tray Keys Target", WS_POPUP | WS_VISIBLE | WS_CAPTION, 40, 40, 200,
                                  100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    constexpr UINT kFlush = WM_APP + 0x3B;
    const POINT anchor = {60, 70};
    const struct Row {
        const char* what;
        bool ownIcon, firstLayout;
        std::vector<UINT> events;
        int chosen, menus;
        bool firstSelected;
    } rows[] = {
        {"a click on a window's icon: its release, then its selection", false, false, {WM_LBUTTONUP, NIN_SELECT}, 1, 0},
        {"Enter or Space on a window's icon", false, false, {NIN_KEYSELECT}, 1, 0},
        {"a right click on a window's icon", false, false, {WM_RBUTTONUP, WM_CONTEXTMENU}, 0, 1},
        {"the context-menu key on a window's icon", false, false, {WM_CONTEXTMENU}, 0, 1, true},
        {"a click in the first layout", false, true, {WM_LBUTTONUP}, 1, 0},
        {"a selection in the first layout, which no shell sends", false, true, {NIN_SELECT, NIN_KEYSELECT}, 0, 0},
        {"the context-menu key on Veilbox's icon", true, false, {WM_CONTEXTMENU}, 0, 1, true},
        {"a right click on Veilbox's icon", true, false, {WM_RBUTTONUP, WM_CONTEXTMENU}, 0, 1},
        {"Enter on Veilbox's icon", true, false, {NIN_KEYSELECT}, 0, 0},
    };
    const Row* row = nullptr;
    UINT entry = 0, selected = 0;
    int chosen = 0, menus = 0;
    bool flushed = false;
    POINT menuAt = {};
    TrayStartDialog dialog(
        [&](TrayStartDialog& d) {
            EXPECT_TRUE(WaitFor([&] { return d.StartFinished(); }, 3000));
            for (const Row& each : rows) {
                SCOPED_TRACE(each.what);
                if (IsWindowVisible(target)) {
                    SetForegroundWindow(target);
                    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == target; }, 2000));
                    SendMessageA(d.Window(), WM_HOTKEY, IDC_MAIN_HOTKEY_HIDE_ACTIVE, 0);
                }
                ShowWindow(d.Window(), SW_HIDE);
                if (IsWindowVisible(target) || d.WindowIcons().Count() != 1) {
                    ADD_FAILURE() << "the window is not held with its icon";
                    break;
                }
                row = &each;
                g_rowEnd = GetTickCount64() + 3000;
                entry = GetMenuItemID(d.Menu().Handle(), 0);
                chosen = menus = selected = 0;
                flushed = false;
                for (UINT event : each.events) {
                    const LPARAM report = each.ownIcon || each.firstLayout ? event : MAKELPARAM(event, entry);
                    const WPARAM where = each.firstLayout ? kFirstWindowIconId + entry : MAKEWPARAM(anchor.x, anchor.y);
                    SendMessageA(d.Window(), each.ownIcon ? kTrayCallback : kWindowIconCallback, where, report);
                }
                PostMessageA(d.Window(), kFlush, 0, 0);
                EXPECT_TRUE(WaitFor([&] { return flushed; }));
                EXPECT_EQ(chosen, each.chosen);
                EXPECT_EQ(menus, each.menus);
                if (each.firstSelected) {
                    EXPECT_EQ(selected, entry) << "the first entry";
                    EXPECT_TRUE(menuAt.x == anchor.x && menuAt.y == anchor.y) << menuAt.x << "," << menuAt.y;
                }
                EXPECT_EQ(IsWindowVisible(d.Window()) != FALSE, each.ownIcon && each.menus == 0) << "Veilbox shown";
            }
            return static_cast<WPARAM>(IDC_MAIN_EXIT);
        },
        GetModuleHandleA(nullptr), true);
    // A menu shows its selection, if any, by its second wait for input; it is closed then.
    dialog.Observe([&](TrayStartDialog& d, UINT message, WPARAM wParam, LPARAM lParam) {
        chosen += message == WM_COMMAND && wParam == entry;
        menus += message == WM_ENTERMENULOOP;
        flushed = flushed || message == kFlush;
        if (message == WM_MENUSELECT && reinterpret_cast<HMENU>(lParam) == d.Menu().Handle())
            selected = LOWORD(wParam);
        if (message == WM_ENTERIDLE && wParam == MSGF_MENU) {
            RECT rect = {};
            GetWindowRect(reinterpret_cast<HWND>(lParam), &rect);
            menuAt = {rect.left, rect.top};
            if (!row || !row->firstSelected || selected)
                EndMenu();
        }
    });
    const UINT_PTR ticker = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) {
        if (GetTickCount64() > g_rowEnd)
            EndMenu();
    });
    dialog.Show();
    KillTimer(nullptr, ticker);
    DestroyWindow(target);
}

// Every template of the program reads whole, and a copy without its controls makes a dialog
// with none; a template cut anywhere short does not read.
TEST(DialogTemplate, EveryTemplateReadsWholeAndCutShortNever)
{
    struct Found {
        int templates = 0;
        std::vector<std::string> faults;
    } found;
    EnumResourceNamesA(
        GetModuleHandleA(nullptr), MAKEINTRESOURCEA(5),
        [](HMODULE module, LPCSTR type, LPSTR name, LONG_PTR param) -> BOOL {
            auto& found = *reinterpret_cast<Found*>(param);
            const std::string which = IS_INTRESOURCE(name) ? std::to_string(reinterpret_cast<UINT_PTR>(name)) : name;
            HRSRC resource = FindResourceA(module, name, type);
            const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module, resource)));
            const size_t size = SizeofResource(module, resource);
            ++found.templates;
            DialogTemplateItems read;
            if (!ReadDialogItems(bytes, size, read)) {
                found.faults.push_back(which + " does not read");
                return TRUE;
            }
            HWND whole = CreateDialogIndirectParamA(module, reinterpret_cast<LPCDLGTEMPLATEA>(bytes), nullptr,
                                                    [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return 0; }, 0);
            int controls = 0;
            for (HWND child = GetWindow(whole, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
                ++controls;
            DestroyWindow(whole);
            // A template with a class this process has not registered is not made here.
            if (whole && controls != static_cast<int>(read.items.size()))
                found.faults.push_back(which + " has " + std::to_string(controls) + " controls, read " +
                                       std::to_string(read.items.size()));
            const std::vector<BYTE> without = TemplateWithoutItems(bytes, size, read);
            HWND bare = CreateDialogIndirectParamA(module, reinterpret_cast<LPCDLGTEMPLATEA>(without.data()), nullptr,
                                                   [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return 0; }, 0);
            if (!bare || GetWindow(bare, GW_CHILD))
                found.faults.push_back(which + " without its controls still has some");
            DestroyWindow(bare);
            for (size_t cut = 0; cut < size; ++cut) {
                const std::vector<BYTE> part(bytes, bytes + cut);
                DialogTemplateItems partRead;
                if (ReadDialogItems(part.data(), part.size(), partRead) || !partRead.items.empty())
                    found.faults.push_back(which + " reads cut to " + std::to_string(cut) + " bytes");
            }
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&found));
    EXPECT_GT(found.templates, 5);
    EXPECT_EQ(found.faults, std::vector<std::string>{});
}
