// The main dialog run for real in this process: its commands, help popups and finder tool, and
// every dialog at the display scalings a user may have.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/MainDialog.h"
#include "app/OwnerDraw.h"
#include "dialogs/Hyperlink.h"
#include "res/MainDialogIds.h"
#include "support/TestSupport.h"
#include "winbase/Dpi.h"

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

// What depends on the DPI in the main dialog: list entries, the finder's picture, the help
// popups' line width and font.
struct DpiSizes {
    LRESULT entryHeight;
    LONG finderWidth;
    LRESULT popupWidth;
    LONG popupFont;
};

DpiSizes SizesOf(ScriptedMainDialog& d)
{
    RECT finder = {};
    GetClientRect(d.Item(IDC_MAIN_FINDER), &finder);
    HWND tooltip = d.HelpPopups() ? d.HelpPopups()->Tooltip() : nullptr;
    LOGFONTW font = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageA(tooltip, WM_GETFONT, 0, 0)), sizeof font, &font);
    return DpiSizes{SendMessageA(d.Item(IDC_MAIN_LIST), LB_GETITEMHEIGHT, 0, 0), finder.right,
                    SendMessageA(tooltip, TTM_GETMAXTIPWIDTH, 0, 0), font.lfHeight};
}

// Texts of the dialog's static texts, buttons and boxes that do not fit their controls in the
// controls' own fonts, as "template id/control id: text".
void CollectClippedTexts(HWND dialog, int templateId, UINT dpi, std::vector<std::string>& clipped)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[32] = {}, text[512] = {};
        GetClassNameA(child, className, sizeof className);
        GetWindowTextA(child, text, sizeof text);
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        const bool isStatic = _stricmp(className, "Static") == 0 && (style & SS_TYPEMASK) <= SS_SIMPLE;
        const bool isButton = _stricmp(className, "Button") == 0;
        const LONG type = style & BS_TYPEMASK;
        if (!*text || !(isStatic || isButton) || !(style & WS_VISIBLE) || (isButton && type == BS_GROUPBOX))
            continue;
        RECT room = {};
        GetClientRect(child, &room);
        if (isButton)
            room.right -= (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) ? ScaleToDpi(4, dpi) : ScaleToDpi(17, dpi);
        HDC dc = GetDC(child);
        HGDIOBJ prior = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0)));
        RECT need = {0, 0, room.right, 0};
        const UINT wrap = isStatic && (style & SS_TYPEMASK) <= SS_RIGHT ? DT_WORDBREAK : DT_SINGLELINE;
        DrawTextA(dc, text, -1, &need, DT_CALCRECT | wrap);
        SelectObject(dc, prior);
        ReleaseDC(child, dc);
        if (need.right > room.right || need.bottom > room.bottom)
            clipped.push_back(std::to_string(templateId) + "/" + std::to_string(GetDlgCtrlID(child)) + ": " + text);
    }
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

BOOL CALLBACK CheckTemplate(HMODULE module, LPCSTR, LPSTR name, LONG_PTR clipped)
{
    HWND dialog = CreateDialogParamA(module, name, nullptr, PlainDialogProc, 0);
    if (!dialog) {
        reinterpret_cast<std::vector<std::string>*>(clipped)->push_back("no dialog " + std::to_string(
            reinterpret_cast<UINT_PTR>(name)));
        return TRUE;
    }
    CollectClippedTexts(dialog, static_cast<int>(reinterpret_cast<UINT_PTR>(name)), WindowDpi(dialog),
                        *reinterpret_cast<std::vector<std::string>*>(clipped));
    DestroyWindow(dialog);
    return TRUE;
}

// The DPI the parent test asks the AtDisplayScaling tests to find (0: they do not run).
UINT AskedDpi()
{
    char value[16] = {};
    return GetEnvironmentVariableA("VB_TEST_DPI", value, sizeof value) ? static_cast<UINT>(atoi(value)) : 0;
}

} // namespace

// A move to a monitor with twice the DPI while the dialog runs, and back.
TEST_F(MainDialogTest, ADpiChangeResizesEntriesFinderAndHelpPopupsAndBack)
{
    HWND target = MakeCandidate("Dpi Change Target", 0, 0, 120, 60);
    DpiSizes start = {}, doubled = {}, back = {};
    LRESULT addedHeight = 0;
    ScriptedMainDialog dialog([&](ScriptedMainDialog& d) {
        d.Candidates().Refresh();
        const UINT dpi = d.Dpi();
        RECT window = {};
        GetWindowRect(d.Window(), &window);
        start = SizesOf(d);
        SendMessageA(d.Window(), WM_DPICHANGED, MAKEWPARAM(2 * dpi, 2 * dpi), reinterpret_cast<LPARAM>(&window));
        doubled = SizesOf(d);
        HWND added = MakeCandidate("Dpi Change Added", 0, 0, 120, 60);
        d.Candidates().Refresh();
        addedHeight = SendMessageA(d.Item(IDC_MAIN_LIST), LB_GETITEMHEIGHT, d.Candidates().Find(added), 0);
        DestroyWindow(added);
        SendMessageA(d.Window(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&window));
        back = SizesOf(d);
    });
    dialog.Show();
    DestroyWindow(target);
    EXPECT_EQ(doubled.entryHeight, 2 * start.entryHeight);
    EXPECT_EQ(addedHeight, doubled.entryHeight) << "an entry added afterwards";
    EXPECT_EQ(doubled.finderWidth, 2 * start.finderWidth);
    EXPECT_EQ(doubled.popupWidth, 2 * start.popupWidth);
    EXPECT_NEAR(doubled.popupFont, 2 * start.popupFont, 1);
    EXPECT_TRUE(back.entryHeight == start.entryHeight && back.finderWidth == start.finderWidth &&
                back.popupWidth == start.popupWidth && back.popupFont == start.popupFont);
}

// Wine reads the display scaling (LogPixels) when a process starts: each scaling gets a new
// process of this program that runs the AtDisplayScaling tests.
TEST_F(MainDialogTest, DialogsFollowTheDisplayScalingAProcessStartsWith)
{
    constexpr char kDesktop[] = "Control Panel\\Desktop";
    DWORD kept = 0, size = sizeof kept;
    const bool hadValue = RegGetValueA(HKEY_CURRENT_USER, kDesktop, "LogPixels", RRF_RT_REG_DWORD, nullptr, &kept,
                                       &size) == ERROR_SUCCESS;
    for (DWORD dpi : {96u, 144u, 192u}) {
        RegSetKeyValueA(HKEY_CURRENT_USER, kDesktop, "LogPixels", REG_DWORD, &dpi, sizeof dpi);
        SetEnvironmentVariableA("VB_TEST_DPI", std::to_string(dpi).c_str());
        ChildProcess child;
        ASSERT_TRUE(child.Start("component_tests.exe", "--gtest_filter=AtDisplayScaling.*"));
        EXPECT_TRUE(child.WaitForExit(60000)) << dpi;
        EXPECT_EQ(child.ExitCode(), 0u) << "the AtDisplayScaling tests failed at " << dpi << " DPI";
    }
    SetEnvironmentVariableA("VB_TEST_DPI", nullptr);
    if (hadValue)
        RegSetKeyValueA(HKEY_CURRENT_USER, kDesktop, "LogPixels", REG_DWORD, &kept, sizeof kept);
    else
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kDesktop, "LogPixels");
}

// Every dialog of the program made from its template shows each of its texts whole.
TEST(AtDisplayScaling, EveryTemplateShowsItsTextsWhole)
{
    const UINT dpi = AskedDpi();
    if (dpi == 0)
        GTEST_SKIP() << "run by DialogsFollowTheDisplayScalingAProcessStartsWith";
    EXPECT_EQ(WindowDpi(nullptr), dpi);
    RegisterHyperlinkClass(GetModuleHandleA(nullptr));
    std::vector<std::string> clipped;
    EnumResourceNamesA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(5) /* RT_DIALOG */, CheckTemplate,
                       reinterpret_cast<LONG_PTR>(&clipped));
    for (const std::string& text : clipped)
        ADD_FAILURE() << "at " << dpi << " DPI: " << text;
}

// The list's entries, the icons drawn on them and the finder's picture follow the DPI, and a
// placement stored at 96 DPI by an earlier run keeps its place and grows with the DPI.
TEST(AtDisplayScaling, MainDialogSizesFollowTheDpi)
{
    const UINT dpi = AskedDpi();
    if (dpi == 0)
        GTEST_SKIP() << "run by DialogsFollowTheDisplayScalingAProcessStartsWith";
    RegistryKeyGuard settings;
    const RECT stored = {100, 60, 500, 360};
    SettingsKey placement(HKEY_CURRENT_USER, "Software\\Quillfen\\Veilbox\\MainWindow");
    for (const auto& [name, value] : {std::pair<const char*, LONG>{"WPLeft", stored.left}, {"WPTop", stored.top},
                                      {"WPRight", stored.right}, {"WPBottom", stored.bottom}, {"WinDpi", 96},
                                      {"WinState", 2}})
        placement.WriteInt(name, value);
    HWND target = MakeCandidate("Display Scaling Target", 0, 0, 120, 60);
    HICON icon = CreateIcon(GetModuleHandleA(nullptr), 16, 16, 1, 1, std::vector<BYTE>(32, 0).data(),
                            std::vector<BYTE>(32, 0).data());
    ScriptedMainDialog dialog([&](ScriptedMainDialog& d) {
        d.Candidates().Refresh();
        EXPECT_EQ(d.Dpi(), dpi);
        EXPECT_EQ(SizesOf(d).entryHeight, MulDiv(kEntryHeight, dpi, 96));
        ICONINFO finder = {};
        ASSERT_TRUE(GetIconInfo(reinterpret_cast<HICON>(SendMessageA(d.Item(IDC_MAIN_FINDER), STM_GETICON, 0, 0)),
                                &finder));
        BITMAP mask = {};
        GetObjectA(finder.hbmMask, sizeof mask, &mask);
        DeleteObject(finder.hbmMask);
        if (finder.hbmColor)
            DeleteObject(finder.hbmColor);
        EXPECT_EQ(mask.bmWidth, MulDiv(32, dpi, 96)) << "the finder's picture";
        RECT window = {};
        GetWindowRect(d.Window(), &window);
        EXPECT_EQ(window.left, stored.left);
        EXPECT_EQ(window.right - window.left, MulDiv(400, dpi, 96));
        EXPECT_EQ(window.bottom - window.top, MulDiv(300, dpi, 96));

        // The icon of an entry, drawn by the dialog: black on white, as wide as the DPI says.
        const int height = static_cast<int>(EntryHeight(dpi));
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP bitmap = CreateBitmap(200, height, 1, 32, nullptr);
        HGDIOBJ prior = SelectObject(dc, bitmap);
        RECT all = {0, 0, 200, height};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        CandidateRecord record;
        record.title = "";
        record.icon = icon;
        DRAWITEMSTRUCT item = {ODT_LISTBOX, IDC_MAIN_LIST, 0, ODA_DRAWENTIRE, 0, d.Item(IDC_MAIN_LIST), dc, all,
                               reinterpret_cast<ULONG_PTR>(&record)};
        SendMessageA(d.Window(), WM_DRAWITEM, IDC_MAIN_LIST, reinterpret_cast<LPARAM>(&item));
        int black = 0;
        for (int x = 0; x < 200; ++x)
            black += GetPixel(dc, x, 1) == RGB(0, 0, 0) ? 1 : 0;
        EXPECT_EQ(black, 16 * static_cast<int>(dpi) / 96) << "the icon's width";
        SelectObject(dc, prior);
        DeleteObject(bitmap);
        DeleteDC(dc);
    });
    dialog.Show();
    DestroyWindow(target);
    DestroyIcon(icon);
}

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
