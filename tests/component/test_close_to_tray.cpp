// Closing and minimising to the tray through every state of the stored
// decision, with the Query and Close to Systray dialogs answered as a user
// answers them.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "component/DialogAnswerer.h"
#include "component/TrayProbe.h"
#include "res/TrayDialogIds.h"
#include "winbase/TrayDialogs.h"

using winbase_test::DialogAnswerer;
using winbase_test::ProbeDialog;
using winbase_test::TrayProbe;

namespace {

constexpr int32_t kAbsent = -1;
constexpr char kQuestion[] = "Would you like to hide the application and run it in the system tray?";

struct Answer {
    const char* title;  // "Query" or "Close to Systray"
    bool tick;          // the dialog's check box 1018
    WPARAM button;      // clicked; IDCANCEL is sent as the Esc key sends it
};

enum class Outcome { Tray, Closed, Minimised };

struct Case {
    const char* label;
    bool minimise;
    std::vector<std::pair<const char*, int32_t>> stored;  // suffix of the action name, value
    std::vector<Answer> answers;
    Outcome outcome;
    int32_t decision, reminder, runReminder;  // afterwards; kAbsent: no value
};

struct TrayRun {
    Outcome outcome = Outcome::Closed;
    size_t answered = 0;
    bool ownerVisibleDuringNotice = false;
    std::string questionText;
    bool secondTextBox = true;
};

std::string RichText(HWND dialog, int id)
{
    wchar_t text[512] = {};
    GetWindowTextW(GetDlgItem(dialog, id), text, 512);
    char narrow[1024] = {};
    WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

// basePrompts: the probe answers as the bare base does, so c.answers are never asked for.
TrayRun CloseOrMinimise(const Case& c, bool basePrompts = false)
{
    const char* action = c.minimise ? "MinimizeToTray" : "CloseToTray";
    SettingsKey key = winbase_test::TestKey(action);
    for (const auto& value : c.stored) {
        key.WriteInt((std::string(action) + value.first).c_str(), value.second);
    }
    TrayRun run;
    TrayProbe dialog;
    dialog.basePrompts = basePrompts;
    DialogAnswerer answerer(basePrompts ? 1000 : 8000);
    for (const Answer& a : c.answers) {
        answerer.Then(a.title, [&run, &dialog, a](HWND window) {
            if (std::string(a.title) == "Query") {
                run.questionText = RichText(window, IDC_QUERY_TEXT);
                run.secondTextBox = GetDlgItem(window, IDC_QUERY_SECOND_TEXT) != nullptr;
            } else {
                run.ownerVisibleDuringNotice = IsWindowVisible(dialog.Window()) != FALSE;
            }
            DialogAnswerer::SetCheck(window, IDC_QUERY_DONT_REMIND, a.tick);
            if (a.button == IDCANCEL) {
                SendMessageA(window, WM_COMMAND, IDCANCEL, 0);
            } else {
                DialogAnswerer::Click(window, static_cast<int>(a.button));
            }
        });
    }
    dialog.script = [&](ProbeDialog& d) {
        ShowWindow(d.Window(), SW_SHOW);
        if (c.minimise) {
            SendMessageA(d.Window(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
            run.outcome = IsIconic(d.Window()) ? Outcome::Minimised : Outcome::Tray;
            EXPECT_TRUE(run.outcome == Outcome::Minimised || !IsWindowVisible(d.Window())) << c.label;
        } else {
            SendMessageA(d.Window(), WM_CLOSE, 0, 0);
            run.outcome = !IsWindow(d.Window()) ? Outcome::Closed : Outcome::Tray;
            EXPECT_TRUE(run.outcome == Outcome::Closed || !IsWindowVisible(d.Window())) << c.label;
        }
    };
    dialog.Show();
    run.answered = answerer.Answered();
    if (!basePrompts) {
        EXPECT_FALSE(answerer.TimedOut()) << c.label;
    }
    return run;
}

int32_t Stored(bool minimise, const char* suffix)
{
    const std::string action = minimise ? "MinimizeToTray" : "CloseToTray";
    return winbase_test::ReadTestValue(action.c_str(), (action + suffix).c_str());
}

class CloseToTray : public ::testing::Test {
protected:
    void SetUp() override { m_settings.Clear(); }
    vbtest::RegistryKeyGuard m_settings{winbase_test::kTrayTestKeyPath};
};

TEST_F(CloseToTray, EveryStoredStateGivesItsOutcomeAndWrites)
{
    const Case cases[] = {
        {"first close, No unticked: asks, closes, remembers to ask", false, {},
         {{"Query", false, IDNO}}, Outcome::Closed, kAbsent, 1, kAbsent},
        {"asked before, No unticked: asks again", false, {{"Reminder", 1}},
         {{"Query", false, IDNO}}, Outcome::Closed, kAbsent, 1, kAbsent},
        {"Yes unticked: to the tray this time only", false, {},
         {{"Query", false, IDYES}}, Outcome::Tray, kAbsent, 1, kAbsent},
        {"Yes ticked: to the tray for good, without the notice yet", false, {},
         {{"Query", true, IDYES}}, Outcome::Tray, 1, 0, kAbsent},
        {"No ticked: closes for good", false, {},
         {{"Query", true, IDNO}}, Outcome::Closed, 0, 0, kAbsent},
        {"Esc on the query counts as No", false, {},
         {{"Query", false, IDCANCEL}}, Outcome::Closed, kAbsent, 1, kAbsent},
        {"stored yes: the notice, then the tray; OK ticked turns it off", false,
         {{"", 1}, {"Reminder", 0}}, {{"Close to Systray", true, IDOK}}, Outcome::Tray, 1, 0, 0},
        {"stored yes: OK unticked keeps the notice", false,
         {{"", 1}, {"Reminder", 0}}, {{"Close to Systray", false, IDOK}}, Outcome::Tray, 1, 0, 1},
        {"stored yes: Esc on the notice writes nothing", false,
         {{"", 1}, {"Reminder", 0}}, {{"Close to Systray", true, IDCANCEL}}, Outcome::Tray, 1, 0, kAbsent},
        {"stored yes, notice turned off: straight to the tray", false,
         {{"", 1}, {"RunReminder", 0}}, {}, Outcome::Tray, 1, kAbsent, 0},
        {"stored yes without a reminder flag: no query", false, {{"", 1}},
         {{"Close to Systray", false, IDOK}}, Outcome::Tray, 1, kAbsent, 1},
        {"stored no: closes without asking", false, {{"", 0}, {"Reminder", 0}}, {}, Outcome::Closed, 0, 0, kAbsent},
        {"do not ask with the decision absent: closes without asking", false, {{"Reminder", 0}}, {},
         Outcome::Closed, kAbsent, 0, kAbsent},
        {"minimise, first time, Yes ticked", true, {},
         {{"Query", true, IDYES}}, Outcome::Tray, 1, 0, kAbsent},
        {"minimise, No unticked: minimised as usual", true, {},
         {{"Query", false, IDNO}}, Outcome::Minimised, kAbsent, 1, kAbsent},
        {"minimise, stored yes: the notice, then the tray", true, {{"", 1}},
         {{"Close to Systray", true, IDOK}}, Outcome::Tray, 1, kAbsent, 0},
        {"minimise, stored no", true, {{"", 0}, {"Reminder", 0}}, {}, Outcome::Minimised, 0, 0, kAbsent},
    };
    for (const Case& c : cases) {
        m_settings.Clear();
        const TrayRun run = CloseOrMinimise(c);
        EXPECT_EQ(run.answered, c.answers.size()) << c.label;
        EXPECT_EQ(static_cast<int>(run.outcome), static_cast<int>(c.outcome)) << c.label;
        EXPECT_EQ(Stored(c.minimise, ""), c.decision) << c.label;
        EXPECT_EQ(Stored(c.minimise, "Reminder"), c.reminder) << c.label;
        EXPECT_EQ(Stored(c.minimise, "RunReminder"), c.runReminder) << c.label;
        const char* other = c.minimise ? "CloseToTray" : "MinimizeToTray";
        EXPECT_EQ(winbase_test::ReadTestValue(other, (std::string(other) + "Reminder").c_str()), kAbsent) << c.label;
        if (!c.answers.empty() && std::string(c.answers[0].title) == "Query") {
            EXPECT_EQ(run.questionText, kQuestion) << c.label;
            EXPECT_FALSE(run.secondTextBox) << c.label;
        }
        if (!c.answers.empty() && std::string(c.answers.back().title) == "Close to Systray") {
            EXPECT_TRUE(run.ownerVisibleDuringNotice) << c.label << ": the notice comes before the hide";
        }
    }
}

// A dialog that uses the tray without QF_TRAYDIALOG's prompts never asks: without a stored
// decision the action proceeds, with one the window goes to the tray without the notice.
TEST_F(CloseToTray, TheBareBaseAsksNothingAndTellsNothing)
{
    const Case cases[] = {
        {"close, no decision: closes", false, {}, {{"Query", true, IDYES}}, Outcome::Closed, kAbsent, kAbsent, kAbsent},
        {"close, stored yes: the tray without the notice", false, {{"", 1}},
         {{"Close to Systray", true, IDOK}}, Outcome::Tray, 1, kAbsent, kAbsent},
        {"minimise, no decision: minimised", true, {}, {{"Query", true, IDYES}}, Outcome::Minimised, kAbsent,
         kAbsent, kAbsent},
    };
    for (const Case& c : cases) {
        m_settings.Clear();
        const TrayRun run = CloseOrMinimise(c, true);
        EXPECT_EQ(run.answered, 0u) << c.label;
        EXPECT_EQ(static_cast<int>(run.outcome), static_cast<int>(c.outcome)) << c.label;
        EXPECT_EQ(Stored(c.minimise, ""), c.decision) << c.label;
        EXPECT_EQ(Stored(c.minimise, "Reminder"), c.reminder) << c.label;
        EXPECT_EQ(Stored(c.minimise, "RunReminder"), c.runReminder) << c.label;
    }
}

TEST_F(CloseToTray, TheTrayTripMakesTheIconCompleteAndTheStateMinimised)
{
    winbase_test::TestKey("CloseToTray").WriteInt("CloseToTray", 1);
    winbase_test::TestKey("CloseToTray").WriteInt("CloseToTrayRunReminder", 0);
    TrayProbe dialog;
    int32_t state = -1;
    dialog.script = [&](ProbeDialog& d) {
        ShowWindow(d.Window(), SW_SHOW);
        SendMessageA(d.Window(), WM_CLOSE, 0, 0);
        state = d.WindowState();
    };
    dialog.Show();
    EXPECT_EQ(state, QF_WINBASE::kStateMinimised);
    EXPECT_FALSE(dialog.IsTrayUnavailable());
}

// The query with two texts and the notice's picture are exercised outside the
// close flow, as other dialogs may use them.
TEST_F(CloseToTray, TheQueryShowsBothTextsAndItsAnswerCanBeMadePermanent)
{
    QueryRequest request;
    request.keyPath = winbase_test::kTrayTestKeyPath;
    request.name = "Sample";
    request.text = L"First \x03A9";
    request.secondText = L"Second";
    std::string first, second;
    DialogAnswerer answerer;
    answerer.Then("Query", [&](HWND query) {
        first = RichText(query, IDC_QUERY_TEXT);
        second = RichText(query, IDC_QUERY_SECOND_TEXT);
        DialogAnswerer::SetCheck(query, IDC_QUERY_DONT_REMIND, true);
        DialogAnswerer::Click(query, IDYES);
    });
    EXPECT_TRUE(AskQuery(request));
    EXPECT_EQ(first, "First \xCE\xA9");
    EXPECT_EQ(second, "Second");
    EXPECT_EQ(winbase_test::ReadTestValue("Sample", "SampleReminder"), 0);
    EXPECT_EQ(winbase_test::ReadTestValue("Sample", "Sample"), 1);
    // Permanent now: answered from the settings without a dialog.
    DialogAnswerer none(800);
    none.Then("Query", [](HWND query) { DialogAnswerer::Click(query, IDNO); });
    EXPECT_TRUE(AskQuery(request));
    EXPECT_EQ(none.Answered(), 0u);
}

TEST_F(CloseToTray, TheNoticeDrawsTheOwnersIconOnTheFramedPicture)
{
    HICON icon = LoadIconA(nullptr, MAKEINTRESOURCEA(32516));  // IDI_INFORMATION
    // The bare picture, to tell what the notice drew over it.
    HBITMAP bare = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_TRAY_PICTURE));
    ASSERT_NE(bare, nullptr);
    HDC bareDc = CreateCompatibleDC(nullptr);
    HGDIOBJ prior = SelectObject(bareDc, bare);
    COLORREF frameCorner = CLR_INVALID, frameEdge = CLR_INVALID;
    int iconChanged = 0, elsewhereChanged = 0;
    CLOSE_TRAY notice(nullptr);
    notice.SetPictureIcon(icon);
    DialogAnswerer answerer;
    answerer.Then("Close to Systray", [&](HWND window) {
        // With the 13-pixel rows the template's font gives on Windows, the check box lies 11
        // pixels lower than under Wine: the picture keeps its place whatever the controls'.
        HWND check = GetDlgItem(window, IDC_CLOSE_TRAY_DONT_SHOW);
        RECT place = {};
        GetWindowRect(check, &place);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
        SetWindowPos(check, nullptr, place.left, place.top + 11, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        InvalidateRect(window, nullptr, TRUE);
        UpdateWindow(window);
        HDC dc = GetDC(window);
        frameCorner = GetPixel(dc, 93, 65);
        frameEdge = GetPixel(dc, 93 + 85, 65 + 30);
        for (int y = 1; y < 55; ++y) {
            for (int x = 1; x < 85; ++x) {
                const bool changed = GetPixel(dc, 93 + x, 65 + y) != GetPixel(bareDc, x, y);
                const bool onIcon = x >= 15 && x < 47 && y >= 12 && y < 44;
                (onIcon ? iconChanged : elsewhereChanged) += changed ? 1 : 0;
            }
        }
        ReleaseDC(window, dc);
        EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_BIG, 0)), icon);
        DialogAnswerer::Click(window, IDOK);
    });
    EXPECT_EQ(notice.Show(), IDOK);
    SelectObject(bareDc, prior);
    DeleteDC(bareDc);
    DeleteObject(bare);
    EXPECT_TRUE(notice.ShowAgain());
    EXPECT_EQ(frameCorner, RGB(0, 0, 0));
    EXPECT_EQ(frameEdge, RGB(0, 0, 0));
    EXPECT_GT(iconChanged, 50) << "the icon is drawn over the picture";
    EXPECT_EQ(elsewhereChanged, 0) << "the rest of the picture is shown as it is";
}

}  // namespace
