#include "app/list/ListBox.h"

#include <algorithm>

namespace {

int AsIndex(LRESULT value)
{
    return static_cast<int>(value);
}

} // namespace

QF_LISTBOX::QF_LISTBOX(HWND listBox) noexcept
    : m_listBox(listBox), m_lastResult(listBox ? 0 : LB_ERR)
{
}

LRESULT QF_LISTBOX::Send(UINT message, WPARAM wParam, LPARAM lParam)
{
    m_lastResult = SendMessageA(m_listBox, message, wParam, lParam);
    return m_lastResult;
}

bool QF_LISTBOX::SendOk(UINT message, WPARAM wParam, LPARAM lParam)
{
    return Send(message, wParam, lParam) != LB_ERR;
}

LRESULT QF_LISTBOX::SendText(UINT message, WPARAM wParam, const char* text)
{
    return Send(message, wParam, reinterpret_cast<LPARAM>(text ? text : ""));
}

bool QF_LISTBOX::Reset()
{
    return SendOk(LB_RESETCONTENT, 0, 0);
}

int QF_LISTBOX::Count()
{
    return AsIndex(Send(LB_GETCOUNT, 0, 0));
}

int QF_LISTBOX::SelectedIndex()
{
    return AsIndex(Send(LB_GETCURSEL, 0, 0));
}

bool QF_LISTBOX::SelectByText(const char* text)
{
    int index = FindText(text, 0);
    if (index == LB_ERR) {
        return false;
    }
    return SelectIndex(index);
}

bool QF_LISTBOX::SelectIndex(int index)
{
    return SendOk(LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

bool QF_LISTBOX::HasSelection()
{
    int count = 0;
    if (SelectionCount(count)) {
        return count != 0;
    }
    return SelectedIndex() != LB_ERR;
}

bool QF_LISTBOX::SelectedTexts(std::vector<NString>& out)
{
    int count = 0;
    if (!SelectionCount(count)) {
        return false;
    }
    if (count <= 0) {
        out.clear();
        return true;
    }
    std::vector<int> indexes(static_cast<size_t>(count));
    if (Send(LB_GETSELITEMS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(indexes.data())) ==
        LB_ERR) {
        return false;
    }
    for (int index : indexes) {
        NString text = Text(index);
        if (text.IsNull()) {
            return false;
        }
        out.push_back(text);
    }
    return true;
}

NString QF_LISTBOX::SelectedText()
{
    int index = SelectedIndex();
    if (index == LB_ERR) {
        return NString();
    }
    return Text(index);
}

bool QF_LISTBOX::ClearSelection()
{
    Send(LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    return true;
}

int QF_LISTBOX::SelectText(const char* text)
{
    return AsIndex(SendText(LB_SELECTSTRING, static_cast<WPARAM>(-1), text));
}

int QF_LISTBOX::FindText(const char* text, int start)
{
    return AsIndex(SendText(LB_FINDSTRING, static_cast<WPARAM>(start - 1), text));
}

bool QF_LISTBOX::IsSelected(int index)
{
    return Send(LB_GETSEL, static_cast<WPARAM>(index), 0) > 0;
}

bool QF_LISTBOX::Select(int index)
{
    return SendOk(LB_SETSEL, TRUE, static_cast<LPARAM>(index));
}

bool QF_LISTBOX::Deselect(int index)
{
    return SendOk(LB_SETSEL, FALSE, static_cast<LPARAM>(index));
}

int QF_LISTBOX::Add(const char* text)
{
    return AsIndex(SendText(LB_ADDSTRING, 0, text));
}

void QF_LISTBOX::AppendAll(const std::vector<NString>& texts)
{
    for (const NString& text : texts) {
        Append(text.Text());
    }
}

int QF_LISTBOX::Append(const char* text)
{
    return AsIndex(SendText(LB_INSERTSTRING, static_cast<WPARAM>(-1), text));
}

int QF_LISTBOX::AppendLines(const char* text)
{
    NString rest(text);
    if (!rest.Contains('\n')) {
        return Append(text);
    }
    int result = LB_ERR;
    do {
        NString line = rest.PopField('\n');
        result = Append(line.Text());
    } while (!rest.IsEmpty());
    return result;
}

int QF_LISTBOX::Insert(const char* text, int index)
{
    return AsIndex(SendText(LB_INSERTSTRING, static_cast<WPARAM>(index), text));
}

int QF_LISTBOX::Delete(int index)
{
    int top = TopIndex();
    int left = AsIndex(Send(LB_DELETESTRING, static_cast<WPARAM>(index), 0));
    if (top > 0 && left > 0) {
        SetTopIndex(top - 1);
    }
    return left;
}

LRESULT QF_LISTBOX::ItemData(int index)
{
    return Send(LB_GETITEMDATA, static_cast<WPARAM>(index), 0);
}

bool QF_LISTBOX::SetItemData(int index, LRESULT value)
{
    return SendOk(LB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(value));
}

LRESULT QF_LISTBOX::SelectedItemData()
{
    int index = SelectedIndex();
    return Send(LB_GETITEMDATA, static_cast<WPARAM>(index), 0);
}

LRESULT QF_LISTBOX::SetTabStops(int count, const int* stops)
{
    return Send(LB_SETTABSTOPS, static_cast<WPARAM>(count & 0xFFFF), reinterpret_cast<LPARAM>(stops));
}

int QF_LISTBOX::ItemHeight()
{
    return AsIndex(Send(LB_GETITEMHEIGHT, 0, 0));
}

bool QF_LISTBOX::SetTopIndex(int index)
{
    return SendOk(LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
}

int QF_LISTBOX::TopIndex()
{
    return AsIndex(Send(LB_GETTOPINDEX, 0, 0));
}

int QF_LISTBOX::LastVisibleIndex()
{
    int count = Count();
    int visible = VisibleCount();
    int top = TopIndex();
    int lastEntry = count == 0 ? count : count - 1;
    int lastInView = visible == 0 ? top : top + visible - 1;
    return std::min(lastEntry, lastInView);
}

int QF_LISTBOX::VisibleCount()
{
    int height = ItemHeight();
    if (m_lastResult == LB_ERR || height == 0) {
        return 0;
    }
    RECT client = {};
    GetClientRect(m_listBox, &client);
    return client.bottom / height;
}

NString QF_LISTBOX::Text(int index)
{
    LRESULT length = Send(LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR || length < 0) {
        return NString();
    }
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    if (Send(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data())) == LB_ERR) {
        return NString();
    }
    return NString(buffer.data(), static_cast<uint32_t>(length));
}

void QF_LISTBOX::ShowTail(const std::vector<NString>& texts)
{
    Reset();
    size_t visible = static_cast<size_t>(std::max(VisibleCount(), 0));
    size_t first = texts.size() <= visible ? 0 : texts.size() - visible;
    for (size_t i = first; i < texts.size(); ++i) {
        Append(texts[i].Text());
    }
}

int QF_LISTBOX::CopyFrom(QF_LISTBOX& other)
{
    Reset();
    int i = 0;
    int count = other.Count();
    while (i < count) {
        Append(other.Text(i).Text());
        ++i;
        count = other.Count();
    }
    return count;
}

LRESULT QF_LISTBOX::SetFont(HFONT font)
{
    return Send(WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

bool QF_LISTBOX::SelectionCount(int& count)
{
    LRESULT result = Send(LB_GETSELCOUNT, 0, 0);
    if (result == LB_ERR) {
        return false;
    }
    count = static_cast<int>(result);
    return true;
}

bool QF_LISTBOX::SelectRange(bool select, int first, int last)
{
    return SendOk(LB_SELITEMRANGE, select ? TRUE : FALSE,
                  MAKELPARAM(static_cast<WORD>(first), static_cast<WORD>(last)));
}

bool QF_LISTBOX::SelectAll(bool select)
{
    return SendOk(LB_SETSEL, select ? TRUE : FALSE, static_cast<LPARAM>(-1));
}
