// The About dialog from the program's real templates and version resource
// (linked into this test program).
#include <gtest/gtest.h>

#include <windows.h>

#include <richedit.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "dialogs/AboutDialog.h"
#include "dialogs/AboutText.h"
#include "dialogs/Hyperlink.h"
#include "res/AboutDialogIds.h"
#include "shell/Links.h"
#include "tests/support/ScriptedDialog.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestSupport.h"
#include "vb_version.h"

namespace {

using About = ScriptedDialog<MODAL_ABOUT>;

constexpr char kLicence[] =
    "Window Veilbox licence\r\nRead more at http://www.quillfen.com/licence and write to us.\r\n";

// The version resource's product version as the dialog shows it.
const std::string kVersion = NormaliseVersion(NString(VB_VERSION_COMMA_STR)).Text();
const std::string kTitle = "Window Veilbox " + kVersion;

std::wstring Wide(const std::string& ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}

std::vector<std::wstring> g_opened;

bool RecordOpen(HWND, const wchar_t* target)
{
    g_opened.push_back(target ? target : L"");
    return true;
}

std::string TextOf(HWND control)
{
    char text[256] = {};
    GetWindowTextA(control, text, sizeof(text));
    return text;
}

class AboutDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(RegisterHyperlinkClass(GetModuleHandleA(nullptr)));
        m_previous = SetLinkOpener(RecordOpen);
        g_opened.clear();
        m_licence = m_temp.MakeFile("license.txt", kLicence);
    }
    void TearDown() override { SetLinkOpener(m_previous); }

    static AboutOwner Owner() { return AboutOwner{GetModuleHandleA(nullptr), nullptr, nullptr}; }

    TempFolder m_temp{"about"};
    std::string m_licence;
    LinkOpener m_previous = nullptr;
};

TEST_F(AboutDialogTest, TemplateFollowsTheLicenceFile)
{
    MODAL_ABOUT with(Owner(), NString(m_licence.c_str()));
    EXPECT_EQ(IDD_ABOUT_LICENCE, with.TemplateId());
    EXPECT_TRUE(with.HasLicenceText());
    MODAL_ABOUT without(Owner(), NString((m_temp / "missing.txt").c_str()));
    EXPECT_EQ(IDD_ABOUT, without.TemplateId());
    EXPECT_FALSE(without.HasLicenceText());
}

TEST_F(AboutDialogTest, ShowsVersionTextsFiguresAndLinks)
{
    bool ran = false;
    About about(
        [&](About& dialog) {
            ran = true;
            const HWND w = dialog.Window();
            EXPECT_EQ(kTitle, TextOf(GetDlgItem(w, IDC_ABOUT_TITLE)));
            EXPECT_EQ("Quillfen", TextOf(GetDlgItem(w, IDC_ABOUT_COMPANY)));
            EXPECT_EQ("Copyright (C) 2026 Quillfen", TextOf(GetDlgItem(w, IDC_ABOUT_COPYRIGHT)));
            for (int id : {IDC_ABOUT_TOTAL_MEMORY, IDC_ABOUT_AVAILABLE_MEMORY, IDC_ABOUT_PAGEFILE}) {
                const std::string figure = TextOf(GetDlgItem(w, id));
                EXPECT_GE(figure.size(), 3u);
                EXPECT_EQ("MB", figure.substr(figure.size() - 2)) << id;
            }
            EXPECT_NE(std::string::npos, TextOf(GetDlgItem(w, IDC_ABOUT_RUN_TIME)).find("d:"));

            const HyperlinkState maker = QueryHyperlink(GetDlgItem(w, IDC_ABOUT_WEB_LINK));
            EXPECT_STREQ(L"Quillfen", maker.text.Text());
            EXPECT_EQ(L"http://www.quillfen.com/?Window%20Veilbox%20" + Wide(kVersion), maker.target.Text());
            EXPECT_EQ(RGB(0, 0, 255), maker.colour);
            EXPECT_TRUE(maker.underlined);
            const HyperlinkState support = QueryHyperlink(GetDlgItem(w, IDC_ABOUT_EMAIL_LINK));
            EXPECT_STREQ(L"support@quillfen.com", support.text.Text());
            EXPECT_STREQ(L"support@quillfen.com?subject=Window Veilbox", support.target.Text());
            const HyperlinkState project = QueryHyperlink(GetDlgItem(w, IDC_ABOUT_PROJECT_LINK));
            EXPECT_STREQ(kProjectPage, project.target.Text());
            EXPECT_EQ(GetSysColor(COLOR_BTNTEXT), project.hotColour);
            EXPECT_EQ(nullptr, GetDlgItem(w, IDC_ABOUT_LICENCE_TEXT));
            return static_cast<WPARAM>(IDOK);
        },
        Owner(), NString((m_temp / "missing.txt").c_str()));
    about.Show(nullptr);
    EXPECT_TRUE(ran);
    EXPECT_EQ(0, about.Result());
}

TEST_F(AboutDialogTest, LinksAreReachedWithTabAndOpenedWithEnter)
{
    About about(
        [&](About& dialog) {
            const HWND w = dialog.Window();
            const HWND support = GetDlgItem(w, IDC_ABOUT_EMAIL_LINK);
            EXPECT_EQ(support, GetNextDlgTabItem(w, GetDlgItem(w, IDOK), FALSE));
            SetFocus(support);
            MSG enter = {support, WM_KEYDOWN, VK_RETURN, 1};
            EXPECT_TRUE(IsDialogMessageW(w, &enter));
            return static_cast<WPARAM>(IDCANCEL);
        },
        Owner(), NString());
    // Enter on the link must not reach the default button.
    bool okPressed = false;
    about.Observe([&](About&, UINT message, WPARAM wParam, LPARAM) {
        okPressed = okPressed || (message == WM_COMMAND && LOWORD(wParam) == IDOK);
    });
    about.Show(nullptr);
    EXPECT_FALSE(okPressed);
    ASSERT_EQ(1u, g_opened.size());
    EXPECT_EQ(L"support@quillfen.com?subject=Window Veilbox", g_opened[0]);
}

TEST_F(AboutDialogTest, ClickOnAWebAddressInTheLicenceOpensItAndKeepsTheSelection)
{
    About about(
        [&](About& dialog) {
            const HWND text = GetDlgItem(dialog.Window(), IDC_ABOUT_LICENCE_TEXT);
            wchar_t shown[256] = {};
            GETTEXTEX get = {sizeof(shown), GT_USECRLF, 1200, nullptr, nullptr};
            SendMessageW(text, EM_GETTEXTEX, (WPARAM)&get, (LPARAM)shown);
            EXPECT_EQ(0u, std::wstring(shown).find(L"Window Veilbox licence"));
            // A link notification sent by another thread is no notification of the text's.
            ENLINK forged = {{text, IDC_ABOUT_LICENCE_TEXT, EN_LINK}, WM_LBUTTONUP, 0, 0, {0, 6}};
            std::atomic<bool> sent{false};
            std::thread sender([&] {
                DWORD_PTR result = 0;
                SendMessageTimeoutW(dialog.Window(), WM_NOTIFY, IDC_ABOUT_LICENCE_TEXT,
                                    reinterpret_cast<LPARAM>(&forged), SMTO_NORMAL, 5000, &result);
                sent = true;
            });
            vbtest::WaitFor([&] { return sent.load(); }, 6000);
            sender.join();
            const LONG inside = static_cast<LONG>(std::string(kLicence).find("quillfen.com/licence"));
            POINTL at = {};
            SendMessageW(text, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), inside);
            const LPARAM point = MAKELPARAM(at.x + 2, at.y + 2);
            // The button going down places the caret; opening the link on its
            // release must not leave the link's text selected.
            SendMessageW(text, WM_LBUTTONDOWN, MK_LBUTTON, point);
            CHARRANGE kept = {};
            SendMessageW(text, EM_EXGETSEL, 0, (LPARAM)&kept);
            SendMessageW(text, WM_LBUTTONUP, 0, point);
            CHARRANGE now = {};
            SendMessageW(text, EM_EXGETSEL, 0, (LPARAM)&now);
            EXPECT_EQ(kept.cpMin, now.cpMin);
            EXPECT_EQ(kept.cpMax, now.cpMax);
            EXPECT_EQ(text, GetFocus());
            return static_cast<WPARAM>(IDOK);
        },
        Owner(), NString(m_licence.c_str()));
    about.Show(nullptr);
    ASSERT_EQ(1u, g_opened.size());
    EXPECT_EQ(L"http://www.quillfen.com/licence", g_opened[0]);
}

TEST_F(AboutDialogTest, FiguresRefreshEverySecondAndTheTimerEndsWithTheDialog)
{
    int ticks = 0;
    std::vector<std::string> runTimes;
    BOOL timerLeftAtDestroy = TRUE;
    About about(
        [&](About& dialog) {
            runTimes.push_back(TextOf(GetDlgItem(dialog.Window(), IDC_ABOUT_RUN_TIME)));
            EXPECT_TRUE(vbtest::WaitFor([&] { return ticks >= 2; }, 5000));
            runTimes.push_back(TextOf(GetDlgItem(dialog.Window(), IDC_ABOUT_RUN_TIME)));
            return static_cast<WPARAM>(IDOK);
        },
        Owner(), NString());
    about.Observe([&](About& dialog, UINT message, WPARAM wParam, LPARAM) {
        if (message == WM_TIMER && wParam == MODAL_ABOUT::kRefreshTimer) {
            ++ticks;
        } else if (message == WM_DESTROY) {
            // The observer runs before the dialog's own handler: the timer is
            // still there; put it back and let the handler end it.
            EXPECT_TRUE(KillTimer(dialog.Window(), MODAL_ABOUT::kRefreshTimer));
            SetTimer(dialog.Window(), MODAL_ABOUT::kRefreshTimer, 1000, nullptr);
            dialog.MODAL_ABOUT::OnMessage(message, wParam, 0);
            timerLeftAtDestroy = KillTimer(dialog.Window(), MODAL_ABOUT::kRefreshTimer);
        }
    });
    about.Show(nullptr);
    EXPECT_GE(ticks, 2);
    ASSERT_EQ(2u, runTimes.size());
    EXPECT_NE(runTimes[0], runTimes[1]);
    EXPECT_FALSE(timerLeftAtDestroy);
}

}  // namespace
