// QF_LISTBOX on real list-box controls of a window made by the test.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/list/ListBox.h"

namespace {

constexpr int kListHeight = 120;
UINT g_measuredHeight = 0;

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_MEASUREITEM) {
        reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = g_measuredHeight;
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class ListBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VbListBoxTestHost";
        RegisterClassA(&wc);
        m_host = CreateWindowExA(0, wc.lpszClassName, "list box test", WS_OVERLAPPEDWINDOW, 0, 0, 300, 300,
                                 nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(m_host, nullptr);
    }
    void TearDown() override { DestroyWindow(m_host); }

    HWND MakeList(DWORD style)
    {
        return CreateWindowExA(0, "ListBox", "", WS_CHILD | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | style, 0, 0,
                               200, kListHeight, m_host, nullptr, GetModuleHandleA(nullptr), nullptr);
    }

    static std::vector<std::string> Texts(QF_LISTBOX& list)
    {
        std::vector<std::string> texts;
        for (int i = 0; i < list.Count(); ++i) {
            NString text = list.Text(i);
            texts.push_back(text.IsNull() ? "<null>" : text.Text());
        }
        return texts;
    }

    static void Fill(QF_LISTBOX& list, int count)
    {
        for (int i = 0; i < count; ++i) {
            list.Append(("row " + std::to_string(100 + i)).c_str());
        }
    }

    HWND m_host = nullptr;
};

// Records which operations the composites call, to prove that they go
// through the object (a derived wrapper's changes must reach them).
class RecordingListBox : public QF_LISTBOX {
public:
    using QF_LISTBOX::QF_LISTBOX;
    std::vector<std::string> calls;
    int Count() override { calls.push_back("Count"); return QF_LISTBOX::Count(); }
    int SelectedIndex() override { calls.push_back("SelectedIndex"); return QF_LISTBOX::SelectedIndex(); }
    int FindText(const char* t, int s) override { calls.push_back("FindText"); return QF_LISTBOX::FindText(t, s); }
    bool SelectIndex(int i) override { calls.push_back("SelectIndex"); return QF_LISTBOX::SelectIndex(i); }
    int Append(const char* t) override { calls.push_back("Append"); return QF_LISTBOX::Append(t); }
    NString Text(int i) override { calls.push_back("Text"); return QF_LISTBOX::Text(i); }
    bool Reset() override { calls.push_back("Reset"); return QF_LISTBOX::Reset(); }
    int TopIndex() override { calls.push_back("TopIndex"); return QF_LISTBOX::TopIndex(); }
    bool SetTopIndex(int i) override { calls.push_back("SetTopIndex"); return QF_LISTBOX::SetTopIndex(i); }
    int ItemHeight() override { calls.push_back("ItemHeight"); return QF_LISTBOX::ItemHeight(); }
    int VisibleCount() override { calls.push_back("VisibleCount"); return QF_LISTBOX::VisibleCount(); }
    bool SelectionCount(int& c) override { calls.push_back("SelectionCount"); return QF_LISTBOX::SelectionCount(c); }
    bool Contains(const std::string& name) const
    {
        return std::find(calls.begin(), calls.end(), name) != calls.end();
    }
};

} // namespace

TEST_F(ListBoxTest, ANullHandleStartsAtErrorAndThenReportsWhatZeroMeans)
{
    EXPECT_EQ(QF_LISTBOX(MakeList(0)).LastResult(), 0);
    QF_LISTBOX list(nullptr);
    EXPECT_EQ(list.LastResult(), LB_ERR);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(list.Reset());
    EXPECT_EQ(list.VisibleCount(), 0);
    EXPECT_FALSE(list.IsSelected(0));
    EXPECT_EQ(list.LastResult(), 0);
}

TEST_F(ListBoxTest, SelectionQueriesAndSelectByText)
{
    QF_LISTBOX list(MakeList(LBS_HASSTRINGS));
    for (const char* text : {"Alpha", "Beta", "Gamma"}) {
        list.Append(text);
    }
    EXPECT_TRUE(list.SelectedText().IsNull());
    EXPECT_FALSE(list.HasSelection());
    EXPECT_EQ(list.SelectedItemData(), LB_ERR);
    ASSERT_TRUE(list.SelectIndex(2));
    EXPECT_STREQ(list.SelectedText().Text(), "Gamma");
    EXPECT_FALSE(list.SelectByText("Delta"));
    EXPECT_EQ(list.SelectedIndex(), 2);
    EXPECT_TRUE(list.SelectByText("alp"));
    EXPECT_EQ(list.SelectedIndex(), 0);

    const LRESULT wide = static_cast<LRESULT>(0x123456789ABCLL);
    ASSERT_TRUE(list.SetItemData(0, wide));
    EXPECT_EQ(list.SelectedItemData(), wide);
}

TEST_F(ListBoxTest, AppendLinesMakesOneEntryPerLine)
{
    struct Case {
        const char* text;
        std::vector<std::string> entries;
    };
    const Case cases[] = {
        {"one\ntwo", {"one", "two"}},
        {"single", {"single"}},
        {"one\n\ntwo", {"one", "", "two"}},
        {"one\n", {"one"}},
        {"", {""}},
        {nullptr, {""}},
    };
    for (const Case& c : cases) {
        QF_LISTBOX list(MakeList(LBS_HASSTRINGS));
        int last = list.AppendLines(c.text);
        EXPECT_EQ(Texts(list), c.entries) << (c.text ? c.text : "<null>");
        EXPECT_EQ(last, static_cast<int>(c.entries.size()) - 1);
    }
}

TEST_F(ListBoxTest, DeleteWhileScrolledMovesTheViewUpByOne)
{
    struct Case {
        int top, remove, topAfter;
    };
    const Case cases[] = {{20, 20, 19}, {20, 25, 19}, {0, 0, 0}, {0, 3, 0}};
    for (const Case& c : cases) {
        QF_LISTBOX list(MakeList(LBS_HASSTRINGS));
        Fill(list, 50);
        ASSERT_TRUE(list.SetTopIndex(c.top));
        ASSERT_EQ(list.TopIndex(), c.top);
        EXPECT_EQ(list.Delete(c.remove), 49);
        EXPECT_EQ(list.TopIndex(), c.topAfter) << "top " << c.top << " delete " << c.remove;
    }
}

// The system keeps owner-drawn heights of at least 1 pixel, so a height of 0
// comes from a derived wrapper; the count must not divide by it.
TEST_F(ListBoxTest, VisibleCountIsZeroWithoutAnItemHeight)
{
    struct ZeroHeight : QF_LISTBOX {
        using QF_LISTBOX::QF_LISTBOX;
        int ItemHeight() override { return 0; }
    };
    g_measuredHeight = 0;
    ZeroHeight empty(MakeList(LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS));
    EXPECT_EQ(empty.VisibleCount(), 0);
    EXPECT_EQ(empty.LastVisibleIndex(), 0);

    g_measuredHeight = 21;
    QF_LISTBOX measured(MakeList(LBS_OWNERDRAWFIXED | LBS_HASSTRINGS));
    RECT client = {};
    GetClientRect(measured.Handle(), &client);
    EXPECT_EQ(measured.ItemHeight(), 21);
    EXPECT_EQ(measured.VisibleCount(), client.bottom / 21);
}

TEST_F(ListBoxTest, CopyFromAndShowTailReplaceTheContents)
{
    QF_LISTBOX source(MakeList(LBS_HASSTRINGS | LBS_SORT));
    for (const char* text : {"pear", "apple", "fig"}) {
        source.Add(text);
    }
    QF_LISTBOX target(MakeList(LBS_HASSTRINGS));
    target.Append("old");
    EXPECT_EQ(target.CopyFrom(source), 3);
    EXPECT_EQ(Texts(target), (std::vector<std::string>{"apple", "fig", "pear"}));

    QF_LISTBOX& list = target;
    int visible = list.VisibleCount();
    ASSERT_GT(visible, 0);
    list.ShowTail({NString("a"), NString("b")});
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"a", "b"}));
    std::vector<NString> many;
    for (int i = 0; i < visible + 5; ++i) {
        many.push_back(NString::Format("line %d", i));
    }
    list.ShowTail(many);
    ASSERT_EQ(list.Count(), visible);
    EXPECT_STREQ(list.Text(0).Text(), many[5].Text());
    EXPECT_STREQ(list.Text(visible - 1).Text(), many.back().Text());
}

TEST_F(ListBoxTest, CompositesCallThroughTheObject)
{
    struct Case {
        const char* name;
        void (*run)(RecordingListBox&);
        std::vector<std::string> expected;
    };
    static RecordingListBox* other = nullptr;
    const Case cases[] = {
        {"SelectByText", [](RecordingListBox& l) { l.SelectByText("row"); }, {"FindText", "SelectIndex"}},
        {"HasSelection", [](RecordingListBox& l) { l.HasSelection(); }, {"SelectionCount", "SelectedIndex"}},
        {"SelectedText", [](RecordingListBox& l) { l.SelectedText(); }, {"SelectedIndex", "Text"}},
        {"AppendLines", [](RecordingListBox& l) { l.AppendLines("a\nb"); }, {"Append"}},
        {"Delete", [](RecordingListBox& l) { l.SetTopIndex(3); l.calls.clear(); l.Delete(3); },
         {"TopIndex", "SetTopIndex"}},
        {"LastVisibleIndex", [](RecordingListBox& l) { l.LastVisibleIndex(); },
         {"Count", "VisibleCount", "TopIndex", "ItemHeight"}},
        {"ShowTail", [](RecordingListBox& l) { l.ShowTail({NString("a")}); }, {"Reset", "VisibleCount", "Append"}},
        {"CopyFrom", [](RecordingListBox& l) { l.CopyFrom(*other); }, {"Reset", "Append"}},
    };
    for (const Case& c : cases) {
        RecordingListBox list(MakeList(LBS_HASSTRINGS));
        RecordingListBox source(MakeList(LBS_HASSTRINGS));
        other = &source;
        Fill(list, 30);
        Fill(source, 2);
        list.SelectIndex(0);
        list.calls.clear();
        c.run(list);
        for (const std::string& call : c.expected) {
            EXPECT_TRUE(list.Contains(call)) << c.name << " does not call " << call;
        }
        if (std::string(c.name) == "CopyFrom") {
            EXPECT_TRUE(source.Contains("Count") && source.Contains("Text"));
        }
    }
}
