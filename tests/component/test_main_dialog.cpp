// The main dialog run for real in this process: its commands, help popups and finder tool, its
// languages, and every dialog in every language at the display scalings a user may have.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/hidden/HiddenDialog.h"
#include "app/main/MainDialog.h"
#include "app/OwnerDraw.h"
#include "component/FakeShell.h"
#include "dialogs/Hyperlink.h"
#include "res/HiddenDialogIds.h"
#include "res/MainDialogIds.h"
#include "support/ScriptedDialog.h"
#include "support/TestSupport.h"
#include "res/KeyBindingsDialogIds.h"
#include "res/TrayDialogIds.h"
#include "res/UiDialogIds.h"
#include "text/Texts.h"
#include "winbase/DialogTexts.h"
#include "winbase/Dpi.h"
#include "winbase/LateLibraries.h"
#include "ClippedTexts.h"
#include "DialogAnswerer.h"

using namespace vbtest;

namespace {

// The main dialog with a test script run once its modal loop is going.
class ScriptedMainDialog : public DIALOG {
public:
    static constexpr UINT kRunScript = WM_APP + 50;
    static constexpr UINT_PTR kSafetyTimer = 0x5AFE;
    static constexpr INT_PTR kScriptDone = 4711;

    explicit ScriptedMainDialog(std::function<void(ScriptedMainDialog&)> run, bool startInTray = false)
        : DIALOG(GetModuleHandleA(nullptr), startInTray), m_run(std::move(run)) {}

    // The dialog manager shows a dialog once its loop first goes idle; the script starts after,
    // once the start has finished.
    void OnInitDone() override
    {
        atInit = {StartFinished(), HelpPopups() != nullptr, TitleBar().IsRunning()};
        ShowWindow(Window(), SW_SHOW);
        PostMessageA(Window(), kRunScript, 0, 0);
        SetTimer(Window(), kSafetyTimer, 20000, nullptr);
    }

    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == kRunScript) {
            EXPECT_TRUE(WaitFor([this] { return StartFinished(); }, 2000)) << "the start never finished";
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

    // What the start had done as the dialog's initialisation ended: finished, help popups, hook.
    std::vector<bool> atInit;

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

// The title-bar hook is off: none of these tests is about it, and a hook would see every pointer
// event on the desktop while they run.
void StoreTitleBarHookOff()
{
    const DWORD off = 0;
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Quillfen\\Veilbox\\Interface", "MinButtonHide", REG_DWORD, &off,
                    sizeof off);
}

class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_settings.Clear();
        StoreTitleBarHookOff();
    }
    RegistryKeyGuard m_settings;
};

// What depends on the DPI in the main dialog: list entries, the finder's picture, the help
// popups' line width and font height.
std::vector<LONG_PTR> DpiSizes(ScriptedMainDialog& d)
{
    RECT finder = {};
    GetClientRect(d.Item(IDC_MAIN_FINDER), &finder);
    HWND tooltip = d.HelpPopups()->Tooltip();
    LOGFONTW font = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageA(tooltip, WM_GETFONT, 0, 0)), sizeof font, &font);
    return {SendMessageA(d.Item(IDC_MAIN_LIST), LB_GETITEMHEIGHT, 0, 0), finder.right,
            SendMessageA(tooltip, TTM_GETMAXTIPWIDTH, 0, 0), -font.lfHeight};
}

// What the pass over every template finds: texts cut off, and the catalogue keys of the controls
// that exist (to compare with the English catalogue's dialog keys).
struct TemplateFindings {
    std::vector<std::string> clipped;
    std::set<std::string> keys;
};

// Makes the template's dialog, gives it its texts in the language in use and grows it to fit as
// the program does, then adds "locale template/control: text" for each text of a static, button
// or check box that does not fit its control in the control's own font, and the keys of the
// controls (and of the title) that the catalogues name.
BOOL CALLBACK CollectClippedTexts(HMODULE module, LPCSTR, LPSTR name, LONG_PTR found)
{
    auto& findings = *reinterpret_cast<TemplateFindings*>(found);
    const int templateId = static_cast<int>(reinterpret_cast<UINT_PTR>(name));
    HWND dialog =
        CreateDialogParamA(module, name, nullptr, [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return 0; }, 0);
    ApplyDialogTexts(dialog, templateId);
    // Placed in the work area's bottom right corner, the grown dialog must stay on the screen.
    RECT work = {}, placed = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(dialog, &placed);
    SetWindowPos(dialog, nullptr, work.right - (placed.right - placed.left), work.bottom - (placed.bottom - placed.top),
                 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    std::vector<std::pair<HWND, LONG>> heights;  // each control's height before the fit
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect = {};
        GetClientRect(child, &rect);
        heights.emplace_back(child, rect.bottom);
    }
    FitDialogTexts(dialog);
    if (DialogText(templateId, 0))
        findings.keys.insert(DialogTextKey(templateId, 0));
    const std::string where = LanguageInUse() + " " + std::to_string(templateId);
    cliptest::CollectClipped(dialog, where, findings.clipped);
    RECT client = {};
    GetClientRect(dialog, &client);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (DialogText(templateId, GetDlgCtrlID(child)))
            findings.keys.insert(DialogTextKey(templateId, GetDlgCtrlID(child)));
        RECT rect = {}, inDialog = {};
        GetClientRect(child, &rect);
        // A label lengthened for its text is no taller than the text in UTF-16 (a measure of the
        // UTF-8 bytes would add blank lines under Cyrillic and Japanese labels).
        for (const auto& [window, height] : heights)
            if (window == child && rect.bottom > height && cliptest::Is(child, L"Static", SS_RIGHT, SS_TYPEMASK) &&
                rect.bottom > cliptest::Needed(child, cliptest::Text(child), DT_WORDBREAK, rect.right).bottom)
                findings.clipped.push_back(where + "/" + std::to_string(GetDlgCtrlID(child)) + " grew past its text");
        GetWindowRect(child, &inDialog);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&inDialog), 2);
        // A pixel past the edge is the rounding of dialog units at some scalings.
        if (inDialog.right > client.right + 1 || inDialog.bottom > client.bottom + 1)
            findings.clipped.push_back(where + "/" + std::to_string(GetDlgCtrlID(child)) + " outside the dialog");
    }
    GetWindowRect(dialog, &placed);
    if (placed.right > work.right || placed.bottom > work.bottom || placed.left < work.left || placed.top < work.top)
        findings.clipped.push_back(LanguageInUse() + " " + std::to_string(templateId) + " grew off the screen");
    DestroyWindow(dialog);
    return TRUE;
}

// Adds a failure for each tab stop of the template's dialog that lies wholly above the one before
// it, or left of it on the same row. User Interface takes its options before the buttons beside
// them, Change Key Bindings its capture box before the Assign button above it (the order they are
// used in); the test's own template is left out.
BOOL CALLBACK CheckTabOrder(HMODULE module, LPCSTR, LPSTR name, LONG_PTR)
{
    const auto id = reinterpret_cast<UINT_PTR>(name);
    if (id == IDD_UI || id == IDD_KEY_BINDINGS || id >= 9900)
        return TRUE;
    HWND dialog =
        CreateDialogParamA(module, name, nullptr, [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return 0; }, 0);
    HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
    RECT before = {}, place = {};
    GetWindowRect(first, &before);
    for (HWND next = GetNextDlgTabItem(dialog, first, FALSE); next && next != first;
         next = GetNextDlgTabItem(dialog, next, FALSE), before = place) {
        GetWindowRect(next, &place);
        const bool sameRow = place.top < before.bottom && place.bottom > before.top;
        EXPECT_FALSE(place.bottom <= before.top || (sameRow && place.left < before.left))
            << "template " << id << ", control " << GetDlgCtrlID(next);
    }
    DestroyWindow(dialog);
    return TRUE;
}

// The main dialog's text as UTF-8, whatever the code page.
std::string Utf8Text(HWND window)
{
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    char narrow[3072] = {};
    WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

} // namespace

// A move to a monitor with twice the DPI while the dialog runs, and back.
TEST_F(MainDialogTest, ADpiChangeResizesEntriesFinderAndHelpPopupsAndBack)
{
    HWND target = MakeCandidate("Dpi Change Target", 0, 0, 120, 60);
    std::vector<LONG_PTR> start, doubled, back;
    ScriptedMainDialog dialog([&](ScriptedMainDialog& d) {
        d.Candidates().Refresh();
        const UINT dpi = d.Dpi();
        RECT window = {};
        GetWindowRect(d.Window(), &window);
        start = DpiSizes(d);
        SendMessageA(d.Window(), WM_DPICHANGED, MAKEWPARAM(2 * dpi, 2 * dpi), reinterpret_cast<LPARAM>(&window));
        doubled = DpiSizes(d);
        SendMessageA(d.Window(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&window));
        back = DpiSizes(d);
    });
    dialog.Show();
    DestroyWindow(target);
    ASSERT_EQ(doubled.size(), start.size());
    for (size_t i = 0; i < start.size(); ++i)
        EXPECT_NEAR(doubled[i], 2 * start[i], 1) << "size " << i;
    EXPECT_EQ(back, start);
}

// Wine reads the display scaling (LogPixels) when a process starts: each scaling gets a new
// process of this program that runs the AtDisplayScaling tests.
// One scaling and one of its tests a process: the texts of every language take a good part of a
// minute on a busy machine.
class DisplayScalingTest : public MainDialogTest, public ::testing::WithParamInterface<std::tuple<DWORD, const char*>> {};

TEST_P(DisplayScalingTest, DialogsFollowTheDisplayScalingAProcessStartsWith)
{
    constexpr char kDesktop[] = "Control Panel\\Desktop";
    DWORD kept = 0, size = sizeof kept;
    const bool hadValue = RegGetValueA(HKEY_CURRENT_USER, kDesktop, "LogPixels", RRF_RT_REG_DWORD, nullptr, &kept,
                                       &size) == ERROR_SUCCESS;
    const DWORD dpi = std::get<0>(GetParam());
    RegSetKeyValueA(HKEY_CURRENT_USER, kDesktop, "LogPixels", REG_DWORD, &dpi, sizeof dpi);
    SetEnvironmentVariableA("VB_TEST_DPI", std::to_string(dpi).c_str());
    ChildProcess child;
    ASSERT_TRUE(child.Start("component_tests.exe", (std::string("--gtest_filter=AtDisplayScaling.") + std::get<1>(GetParam())).c_str()));
    EXPECT_TRUE(child.WaitForExit(110000)) << dpi;
    EXPECT_EQ(child.ExitCode(), 0u) << "the AtDisplayScaling tests failed at " << dpi << " DPI";
    SetEnvironmentVariableA("VB_TEST_DPI", nullptr);
    if (hadValue)
        RegSetKeyValueA(HKEY_CURRENT_USER, kDesktop, "LogPixels", REG_DWORD, &kept, sizeof kept);
    else
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kDesktop, "LogPixels");
}

INSTANTIATE_TEST_SUITE_P(Dpi, DisplayScalingTest,
                         ::testing::Combine(::testing::Values(96u, 144u, 192u),
                                            ::testing::Values("TextsWholeAndSizesFollowTheDpi", "RowsColumnsAndRunTimeTextsWhole")));

// At the DPI the parent test asks for: every dialog made from its template shows each of its
// texts whole; a placement stored at 96 DPI keeps its place and grows with the DPI; the main
// dialog's list entries and finder picture follow the DPI.
TEST(AtDisplayScaling, TextsWholeAndSizesFollowTheDpi)
{
    char asked[16] = {};
    GetEnvironmentVariableA("VB_TEST_DPI", asked, sizeof asked);
    const UINT dpi = static_cast<UINT>(atoi(asked));
    if (dpi == 0)
        GTEST_SKIP() << "run by DialogsFollowTheDisplayScalingAProcessStartsWith";
    EXPECT_EQ(WindowDpi(nullptr), dpi);
    RegisterHyperlinkClass(GetModuleHandleA(nullptr));
    // The program loads these on the first use of the dialogs that need them; here every template
    // is made at once.
    ASSERT_TRUE(EnsureRichEditClass());
    const INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ASSERT_TRUE(LateInitCommonControlsEx(&classes));
    for (const std::string& locale : AvailableLocales()) {
        SelectLanguage(locale);
        TemplateFindings findings;
        EnumResourceNamesA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(5) /* RT_DIALOG */, CollectClippedTexts,
                           reinterpret_cast<LONG_PTR>(&findings));
        EXPECT_TRUE(findings.clipped.empty()) << "at " << dpi << " DPI: " << ::testing::PrintToString(findings.clipped);
        if (locale != "en-US")
            continue;
        std::set<std::string> englishKeys;
        for (const auto& [key, text] : EmbeddedCatalogue(locale)->Entries())
            if (key.rfind("Dlg", 0) == 0)
                englishKeys.insert(key);
        EXPECT_EQ(findings.keys, englishKeys) << "every dialog text of English names a control, and back";
    }
    SelectLanguage("en-US");

    RegistryKeyGuard settings;
    StoreTitleBarHookOff();
    const RECT stored = {100, 60, 500, 360};
    SettingsKey placement(HKEY_CURRENT_USER, "Software\\Quillfen\\Veilbox\\MainWindow");
    for (const auto& [name, value] : {std::pair<const char*, LONG>{"WPLeft", stored.left}, {"WPTop", stored.top},
                                      {"WPRight", stored.right}, {"WPBottom", stored.bottom}, {"WinDpi", 96},
                                      {"WinState", 2}})
        placement.WriteInt(name, value);
    ScriptedMainDialog dialog([&](ScriptedMainDialog& d) {
        EXPECT_EQ(d.Dpi(), dpi);
        RECT window = {};
        GetWindowRect(d.Window(), &window);
        EXPECT_TRUE(window.left == stored.left && window.right - window.left == MulDiv(400, dpi, 96) &&
                    window.bottom - window.top == MulDiv(300, dpi, 96)) << "the stored placement";
        ICONINFO finder = {};
        GetIconInfo(reinterpret_cast<HICON>(SendMessageA(d.Item(IDC_MAIN_FINDER), STM_GETICON, 0, 0)), &finder);
        BITMAP mask = {};
        GetObjectA(finder.hbmMask, sizeof mask, &mask);
        DeleteObject(finder.hbmMask);
        DeleteObject(finder.hbmColor);
        EXPECT_EQ(mask.bmWidth, MulDiv(32, dpi, 96)) << "the finder's picture";

        MEASUREITEMSTRUCT entry = {ODT_LISTBOX, IDC_MAIN_LIST};
        SendMessageA(d.Window(), WM_MEASUREITEM, IDC_MAIN_LIST, reinterpret_cast<LPARAM>(&entry));
        EXPECT_EQ(entry.itemHeight, static_cast<UINT>(MulDiv(kEntryHeight, dpi, 96))) << "a list entry";
    });
    dialog.Show();

    ScriptedDialog<HIDDEN> hidden([&](ScriptedDialog<HIDDEN>& d) -> WPARAM {
        MEASUREITEMSTRUCT entry = {ODT_LISTBOX, IDC_HIDDEN_LIST};
        SendMessageA(d.Window(), WM_MEASUREITEM, IDC_HIDDEN_LIST, reinterpret_cast<LPARAM>(&entry));
        EXPECT_EQ(entry.itemHeight, static_cast<UINT>(MulDiv(kEntryHeight, dpi, 96))) << "a hidden window's entry";
        return IDOK;
    }, GetDesktopWindow(), GetModuleHandleA(nullptr));
    hidden.Show();
}

// Per language, stored as the User Interface dialog stores it: the main dialog comes up in it
// with its title unchanged, and the first close asks its question in it.
TEST_F(MainDialogTest, ComesUpInTheStoredLanguageAndAsksInIt)
{
    for (const std::string& locale : AvailableLocales()) {
        const Catalogue& texts = *EmbeddedCatalogue(locale);
        m_settings.Clear();
        StoreTitleBarHookOff();
        RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Quillfen\\Veilbox\\Interface", "Language", REG_SZ,
                        locale.c_str(), static_cast<DWORD>(locale.size() + 1));
        std::string hideMe, title, question;
        ScriptedMainDialog dialog([&](ScriptedMainDialog& d) {
            hideMe = Utf8Text(d.Item(IDC_MAIN_HIDE_ME));
            title = Utf8Text(d.Window());
            winbase_test::DialogAnswerer answerer;
            answerer.Then(texts.Find("Dlg136.Caption"), [&](HWND query) {
                question = Utf8Text(GetDlgItem(query, IDC_QUERY_TEXT));
                winbase_test::DialogAnswerer::Click(query, IDNO);
            });
            SendMessageA(d.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
        });
        dialog.Show();
        EXPECT_EQ(LanguageInUse(), locale);
        EXPECT_EQ(hideMe, texts.Find("Dlg101.1")) << locale;
        EXPECT_EQ(title, kMainDialogTitle) << locale;
        EXPECT_EQ(question, texts.Find("MsgGoToTray")) << locale;
    }
    SelectLanguage("en-US");
}

// A change of language while the dialog runs: its texts, grown to fit, and the menu's fixed items
// follow at once.
TEST_F(MainDialogTest, FollowsAChangeOfLanguageAtOnce)
{
    std::string before, after, menuItem;
    ScriptedMainDialog dialog([&](ScriptedMainDialog& d) {
        before = Utf8Text(d.Item(IDC_MAIN_VIEW_HIDDEN));
        SelectLanguage("ru-RU");
        d.ShowTextsInLanguage();
        after = Utf8Text(d.Item(IDC_MAIN_VIEW_HIDDEN));
        char item[128] = {};
        GetMenuStringA(d.Menu().Handle(), kCmdExitFromMenu, item, sizeof item, MF_BYCOMMAND);
        menuItem = item;
    });
    dialog.Show();
    SelectLanguage("en-US");
    EXPECT_EQ(before, "Vie&w Hidden Windows");
    EXPECT_EQ(after, EmbeddedCatalogue("ru-RU")->Find("Dlg101.1006"));
    EXPECT_EQ(menuItem, EmbeddedCatalogue("ru-RU")->Find("MenuExit"));
}

namespace {

ThemeFacts g_facts;
ThemeFacts TestFacts()
{
    return g_facts;
}

COLORREF BrushColour(LPARAM brush)
{
    LOGBRUSH description = {};
    GetObjectA(reinterpret_cast<HBRUSH>(brush), sizeof description, &description);
    return description.lbColor;
}

// The colours the dialog gives its surfaces: the background and labels it answers, a list row and
// a menu entry it draws (the fill at the row's end, and whether its text colour is drawn), the
// menu's background as it is about to open.
std::vector<COLORREF> SurfaceColours(ScriptedMainDialog& d, int row)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 200, kEntryHeight);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    std::vector<COLORREF> colours;
    colours.push_back(BrushColour(SendMessageA(d.Window(), WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), 0)));
    SendMessageA(d.Window(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(d.Item(IDC_MAIN_LABEL1)));
    colours.push_back(GetTextColor(dc));
    HWND list = d.Item(IDC_MAIN_LIST);
    const auto listData = static_cast<ULONG_PTR>(SendMessageA(list, LB_GETITEMDATA, row, 0));
    MENUITEMINFOA exit = {sizeof exit};
    exit.fMask = MIIM_DATA;
    GetMenuItemInfoA(d.Menu().Handle(), kCmdExitFromMenu, FALSE, &exit);
    for (const auto& [type, state] : {std::pair<UINT, UINT>{ODT_LISTBOX, 0}, {ODT_LISTBOX, ODS_SELECTED}, {ODT_MENU, 0}}) {
        const bool menu = type == ODT_MENU;
        DRAWITEMSTRUCT item = {type, menu ? 0u : UINT{IDC_MAIN_LIST}, menu ? kCmdExitFromMenu : UINT(row),
                               ODA_SELECT, state, menu ? nullptr : list, dc, {0, 0, 200, LONG{kEntryHeight}},
                               menu ? exit.dwItemData : listData};
        SendMessageA(d.Window(), WM_DRAWITEM, menu ? 0 : IDC_MAIN_LIST, reinterpret_cast<LPARAM>(&item));
        colours.push_back(GetPixel(dc, 195, 2));
    }
    bool menuText = false;
    for (int x = 21; x < 60 && !menuText; ++x)
        for (int y = 0; y < int{kEntryHeight} && !menuText; ++y)
            menuText = GetPixel(dc, x, y) == CurrentTheme().Colours().menuText;
    colours.push_back(menuText ? CurrentTheme().Colours().menuText : CLR_INVALID);
    SendMessageA(d.Window(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(d.Menu().Handle()), 0);
    MENUINFO info = {sizeof info};
    info.fMask = MIM_BACKGROUND;
    GetMenuInfo(d.Menu().Handle(), &info);
    colours.push_back(info.hbrBack ? BrushColour(reinterpret_cast<LPARAM>(info.hbrBack)) : GetSysColor(COLOR_MENU));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return colours;
}

} // namespace

// Light, Dark and "Windows default" with Windows' apps light and dark, with and without high
// contrast: each surface takes the dark palette exactly when the look is dark, and the system's
// colours otherwise (high contrast whatever the option says); a change reaches the open dialog
// at once, and back.
TEST_F(MainDialogTest, EverySurfaceTakesTheColoursOfTheLookInUse)
{
    HWND target = MakeCandidate("Theme Target", 0, 0, 120, 60);
    const ThemeFactsReader before = SetThemeFactsReader(TestFacts);
    const ThemeColours d = ColoursFor(ThemeLook::Dark);
    const std::vector<COLORREF> dark = {d.dialog, d.dialogText, d.window, d.highlight, d.menu, d.menuText, d.menu};
    const std::vector<COLORREF> system = {
        GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW),
        GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_MENU), GetSysColor(COLOR_MENUTEXT), GetSysColor(COLOR_MENU)};
    const struct {
        ThemeChoice choice;
        bool appsLight, highContrast, dark;
    } cases[] = {
        {ThemeChoice::Dark, true, false, true},           {ThemeChoice::Light, false, false, false},
        {ThemeChoice::WindowsDefault, false, false, true}, {ThemeChoice::WindowsDefault, true, false, false},
        {ThemeChoice::Dark, false, true, false},          {ThemeChoice::WindowsDefault, false, true, false},
        {ThemeChoice::Dark, false, false, true},          {ThemeChoice::Light, true, true, false},
    };
    ScriptedMainDialog dialog([&](ScriptedMainDialog& main) {
        main.Candidates().Refresh();
        ASSERT_TRUE(main.Candidates().SelectWindow(target));
        const int row = static_cast<int>(SendMessageA(main.Item(IDC_MAIN_LIST), LB_GETCURSEL, 0, 0));
        // A menu open across every change keeps the dark background it opened with: a brush.
        HBRUSH openedDark = nullptr;
        for (const auto& c : cases) {
            g_facts = ThemeFacts{c.appsLight, c.highContrast};
            QF_WINBASE::FollowThemeChoice(c.choice);
            EXPECT_EQ(SurfaceColours(main, row), c.dark ? dark : system)
                << static_cast<int>(c.choice) << " apps light " << c.appsLight << " contrast " << c.highContrast;
            openedDark = openedDark ? openedDark : c.dark ? CurrentTheme().MenuBrush() : nullptr;
            EXPECT_TRUE(!openedDark || GetObjectType(openedDark) == OBJ_BRUSH) << static_cast<int>(c.choice);
        }
    });
    dialog.Show();
    SetThemeFactsReader(before);
    QF_WINBASE::FollowThemeChoice(ThemeChoice::WindowsDefault);
    DestroyWindow(target);
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

TEST(DialogTemplates, TabFollowsReadingOrder)
{
    EnumResourceNamesA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(5) /* RT_DIALOG */, CheckTabOrder, 0);
}

// The dialog starts with the focus in the list. Enter there hides the selected window as a double
// click does; with no row selected it presses Hide Me, as elsewhere (Hide Me posts WM_CLOSE).
TEST_F(MainDialogTest, EnterInTheListHidesTheSelectedWindow)
{
    HWND target = MakeCandidate("Enter Key Target", 0, 0, 120, 60);
    ScriptedMainDialog dialog([&](ScriptedMainDialog& d) {
        HWND list = d.Item(IDC_MAIN_LIST);
        EXPECT_EQ(GetFocus(), list);
        d.Candidates().Refresh();
        for (const bool selected : {true, false}) {
            if (selected)
                ASSERT_TRUE(d.Candidates().SelectWindow(target));
            else
                SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
            MSG enter = {list, WM_KEYDOWN, VK_RETURN, 1}, close = {};
            EXPECT_TRUE(IsDialogMessageA(d.Window(), &enter));
            EXPECT_EQ(PeekMessageA(&close, d.Window(), WM_CLOSE, WM_CLOSE, PM_REMOVE), !selected) << selected;
        }
        EXPECT_FALSE(IsWindowVisible(target));
        EXPECT_EQ(d.Menu().EntryCount(), 1u);
    });
    EXPECT_EQ(dialog.Show(), ScriptedMainDialog::kScriptDone);
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
                       "\nCurrent hotkeys are\nHide Active Ctrl+Shft+H\nPopup Menu Ctrl+Shft+M"
                       "\nRestore Last Ctrl+Shft+U\nRestore All Ctrl+Alt+Shft+U\nHide Program Ctrl+Alt+Shft+H");

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

// The help popups and the title-bar hook come once the dialog has shown; after a start in the tray
// that shows nothing the hook comes soon and the popups with the dialog's first show. A start in the tray whose shell does
// not answer the first add shows the dialog: no icon could bring it back.
TEST_F(MainDialogTest, TheStartFinishesAfterTheFirstShowAndInTheTray)
{
    const DWORD on = 1;
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Quillfen\\Veilbox\\Interface", "MinButtonHide", REG_DWORD, &on,
                    sizeof on);
    const struct {
        const char* name;
        bool inTray;
        bool shellHangs;
        bool visible;
    } rows[] = {
        {"shown start", false, false, true},
        {"start in the tray", true, false, false},
        {"start in the tray, the shell hangs", true, true, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::unique_ptr<winbase_test::FakeShell> shell(
            row.shellHangs ? new winbase_test::FakeShell(winbase_test::FakeShell::kHangs) : nullptr);
        bool visible = !row.visible;
        ScriptedMainDialog dialog([&](ScriptedMainDialog& d) {
            if (shell)
                shell->Release();
            visible = IsWindowVisible(d.Window()) != FALSE;
            EXPECT_EQ(d.HelpPopups() != nullptr, visible) << "help popups only for a dialog shown";
            EXPECT_TRUE(d.TitleBar().IsRunning());
            if (!visible) {
                SendMessageA(d.Window(), kTrayCallback, 0, WM_LBUTTONUP);
                EXPECT_TRUE(IsWindowVisible(d.Window()));
                EXPECT_NE(d.HelpPopups(), nullptr) << "made as the dialog first shows";
            }
            EndDialog(d.Window(), 1);
        }, row.inTray);
        dialog.Show();
        EXPECT_EQ(dialog.atInit, (std::vector<bool>{false, false, false}));
        EXPECT_EQ(visible, row.visible);
    }
}

// The drop point is where the pointer really is, so a window just below another one is picked
// even a few pixels from their common edge.
TEST_F(MainDialogTest, FinderSelectsTheWindowUnderThePointer)
{
    // Away from the screen's top left corner, where the shell's tray window grows with its icons.
    HWND upper = MakeCandidate("Finder Upper", 700, 300, 200, 100);
    HWND lower = MakeCandidate("Finder Lower", 700, 400, 200, 100);
    ScriptedMainDialog dialog([&](ScriptedMainDialog& d) {
        d.Candidates().Refresh();
        // Move the dialog clear of the two windows so the finder box is not covered.
        SetWindowPos(d.Window(), HWND_TOP, 300, 200, 0, 0, SWP_NOSIZE);
        UpdateWindow(d.Window());
        const struct {
            POINT screen;
            HWND expected;
        } drops[] = {{{750, 397}, upper}, {{750, 403}, lower}, {{850, 310}, upper}, {{850, 490}, lower}};
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
