// The hyperlink control: configuration commands, mouse and keyboard activation.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "dialogs/Hyperlink.h"
#include "support/TestSupport.h"

namespace {

std::vector<std::pair<HWND, std::wstring>> g_opened;

bool RecordOpen(HWND owner, const wchar_t* target)
{
    g_opened.emplace_back(owner, target);
    return true;
}

class HyperlinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(RegisterHyperlinkClass(GetModuleHandleA(nullptr)));
        m_previous = SetLinkOpener(RecordOpen);
        g_opened.clear();
        m_host = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 100, nullptr,
                                 nullptr, nullptr, nullptr);
        m_link = CreateWindowExA(0, kHyperlinkClassName, "Quillfen", WS_CHILD | WS_VISIBLE, 5, 5, 250, 20, m_host,
                                 nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, m_link);
    }
    void TearDown() override
    {
        DestroyWindow(m_host);
        SetLinkOpener(m_previous);
    }

    void Send(WPARAM command, const wchar_t* text) { SendHyperlinkText(m_link, command, text); }
    void Click(int x)
    {
        SendMessageW(m_link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 2));
        SendMessageW(m_link, WM_LBUTTONUP, 0, MAKELPARAM(x, 2));
    }

    LinkOpener m_previous = nullptr;
    HWND m_host = nullptr;
    HWND m_link = nullptr;
};

TEST_F(HyperlinkTest, TakesTheConfigurationCommands)
{
    EXPECT_STREQ(L"Quillfen", QueryHyperlink(m_link).text.Text());
    Send(kHyperlinkSetText, L"support@quillfen.com");
    Send(kHyperlinkSetTarget, L"support@quillfen.com?subject=x");
    SendMessageW(m_link, WM_COMMAND, kHyperlinkSetColour, RGB(0, 0, 255));
    EXPECT_EQ(RGB(0, 0, 255), QueryHyperlink(m_link).hotColour);
    SendMessageW(m_link, WM_COMMAND, kHyperlinkSetHotColour, RGB(1, 2, 3));
    SendMessageW(m_link, WM_COMMAND, kHyperlinkSetUnderline, 1);
    const HyperlinkState state = QueryHyperlink(m_link);
    EXPECT_STREQ(L"support@quillfen.com", state.text.Text());
    EXPECT_STREQ(L"support@quillfen.com?subject=x", state.target.Text());
    EXPECT_EQ(RGB(0, 0, 255), state.colour);
    EXPECT_EQ(RGB(1, 2, 3), state.hotColour);
    EXPECT_TRUE(state.underlined);
    UpdateWindow(m_host);

    // Text commands that do not come through SendHyperlinkText carry no pointer of ours.
    SendMessageW(m_link, WM_COMMAND, kHyperlinkSetText, (LPARAM)L"sent around it");
    PostMessageW(m_link, WM_COMMAND, kHyperlinkSetTarget, 0x10);
    // Nor does a second WM_NCCREATE, which any program can send: the link is set up once.
    CREATESTRUCTW create = {};
    create.lpszName = L"forged";
    SendMessageW(m_link, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create));
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
    EXPECT_STREQ(L"support@quillfen.com", QueryHyperlink(m_link).text.Text());
    EXPECT_STREQ(L"support@quillfen.com?subject=x", QueryHyperlink(m_link).target.Text());
}

// Its properties, user data and extra bytes are any program's to set: none is taken for the link.
TEST_F(HyperlinkTest, WindowDataSetByOthersIsNotTakenForTheLink)
{
    const LONG_PTR junk[] = {0x10, -1, 0x7FFF00001230};
    for (LONG_PTR value : junk) {
        vbtest::ScribbleOnWindow(m_link, value);
        SetWindowLongPtrW(m_link, 0, value);
        InvalidateRect(m_link, nullptr, TRUE);
        UpdateWindow(m_host);
        SendMessageW(m_link, WM_SETFOCUS, 0, 0);
        EXPECT_STREQ(L"Quillfen", QueryHyperlink(m_link).text.Text()) << value;
        Click(5);
        ASSERT_EQ(g_opened.size(), 1u) << value;
        EXPECT_EQ(g_opened.back().second, L"Quillfen") << value;
        g_opened.clear();
    }
}

TEST_F(HyperlinkTest, ClickOnTheTextOpensTheTargetOrElseTheText)
{
    Click(2);
    Send(kHyperlinkSetTarget, L"http://www.quillfen.com/");
    Click(2);
    Click(240); // right of the short text, inside the control
    ASSERT_EQ(2u, g_opened.size());
    EXPECT_EQ(L"Quillfen", g_opened[0].second);
    EXPECT_EQ(L"http://www.quillfen.com/", g_opened[1].second);
    EXPECT_EQ(m_host, g_opened[1].first);
}

TEST_F(HyperlinkTest, IsATabStopActivatedByEnterAndSpace)
{
    EXPECT_TRUE(GetWindowLongPtrA(m_link, GWL_STYLE) & WS_TABSTOP);
    MSG enter = {m_link, WM_KEYDOWN, VK_RETURN, 1};
    EXPECT_TRUE(SendMessageW(m_link, WM_GETDLGCODE, VK_RETURN, (LPARAM)&enter) & DLGC_WANTMESSAGE);
    MSG tab = {m_link, WM_KEYDOWN, VK_TAB, 1};
    EXPECT_FALSE(SendMessageW(m_link, WM_GETDLGCODE, VK_TAB, (LPARAM)&tab) & DLGC_WANTMESSAGE);
    SendMessageW(m_link, WM_KEYDOWN, VK_RETURN, 1);
    SendMessageW(m_link, WM_KEYDOWN, VK_SPACE, 1);
    SendMessageW(m_link, WM_KEYDOWN, VK_SPACE, 0x40000001); // auto-repeat
    SendMessageW(m_link, WM_KEYDOWN, 'A', 1);
    EXPECT_EQ(2u, g_opened.size());
    EXPECT_FALSE(ActivateHyperlink(m_host));
}

}  // namespace
