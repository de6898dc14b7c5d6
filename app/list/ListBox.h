// QF_LISTBOX: a thin stack object around an existing list-box control.
//
// Every operation is one list-box message, or a short combination of them,
// sent with SendMessageA. The object does not own the control and holds no
// resources. Each message's raw return value is kept as the last result
// before the operation returns, whatever the operation itself reports, so a
// caller can always look at what the control last answered.
//
// All operations are virtual and sit in a fixed order. The composite ones
// (SelectByText, HasSelection, SelectedTexts, SelectedText, AppendAll,
// AppendLines, Delete, SelectedItemData, LastVisibleIndex, VisibleCount,
// ShowTail, CopyFrom) call the other operations through the object, so a
// derived wrapper that changes one operation changes them too.
//
// A wrapper around a null or dead handle is harmless: SendMessageA returns 0
// and each operation reports what 0 means for it.
#pragma once

#include <windows.h>

#include <vector>

#include "text/NString.h"

class QF_LISTBOX {
public:
    // The last result starts at LB_ERR for a null handle and at 0 otherwise.
    explicit QF_LISTBOX(HWND listBox) noexcept;
    QF_LISTBOX(const QF_LISTBOX&) = default;
    QF_LISTBOX& operator=(const QF_LISTBOX&) = default;
    virtual ~QF_LISTBOX() = default;

    HWND Handle() const noexcept { return m_listBox; }
    LRESULT LastResult() const noexcept { return m_lastResult; }

    // Index arguments are zero-based. Text arguments are raw narrow text; a
    // null pointer is sent as the empty text.

    virtual bool Reset();
    // The number of entries, or LB_ERR.
    virtual int Count();
    // LB_ERR when nothing is selected.
    virtual int SelectedIndex();
    // Finds the first entry beginning with text (case-insensitive) and
    // selects it; false, with the selection unchanged, when none matches.
    virtual bool SelectByText(const char* text);
    virtual bool SelectIndex(int index);
    // Multiple-selection list: any entry selected. Single-selection list:
    // an entry is selected.
    virtual bool HasSelection();
    // Appends the texts of the selected entries of a multiple-selection list
    // to out (emptied first only when nothing is selected). False for a
    // single-selection list (out untouched) or when a read fails (the texts
    // read so far stay in out).
    virtual bool SelectedTexts(std::vector<NString>& out);
    // The selected entry's text; the null string when nothing is selected.
    virtual NString SelectedText();
    virtual bool ClearSelection();
    // LB_SELECTSTRING from the top: the index selected, or LB_ERR.
    virtual int SelectText(const char* text);
    // The first entry at or after start whose text begins with text
    // (case-insensitive), or LB_ERR.
    virtual int FindText(const char* text, int start);
    virtual bool IsSelected(int index);
    virtual bool Select(int index);
    virtual bool Deselect(int index);
    // Adds at the sorted position of a sorted list; the position or LB_ERR.
    virtual int Add(const char* text);
    virtual void AppendAll(const std::vector<NString>& texts);
    // Always inserts at the end, also in a sorted list; the position or LB_ERR.
    virtual int Append(const char* text);
    // One entry per line-feed separated line; an empty line between two line
    // feeds is an empty entry, a final line feed adds none. Returns the
    // result of the last append.
    virtual int AppendLines(const char* text);
    virtual int Insert(const char* text, int index);
    // Deletes the entry; when the list was scrolled, the view moves up by one
    // entry. The number of entries left, or LB_ERR.
    virtual int Delete(int index);
    // The item data, or LB_ERR.
    virtual LRESULT ItemData(int index);
    virtual bool SetItemData(int index, LRESULT value);
    // LB_ERR when nothing is selected.
    virtual LRESULT SelectedItemData();
    // Only the low 16 bits of count are sent.
    virtual LRESULT SetTabStops(int count, const int* stops);
    // Height of entry 0 in pixels, or LB_ERR.
    virtual int ItemHeight();
    virtual bool SetTopIndex(int index);
    virtual int TopIndex();
    // The last entry in view, never beyond the last entry of the list.
    virtual int LastVisibleIndex();
    // Whole entries that fit the client area; 0 when the item height is
    // unknown or 0.
    virtual int VisibleCount();
    // The null string when the entry cannot be read.
    virtual NString Text(int index);
    // Empties the list and appends only as many of the last texts as fit
    // the view, so the tail shows without scrolling.
    virtual void ShowTail(const std::vector<NString>& texts);
    // Empties this list and appends the other's texts; the other's count
    // at the end.
    virtual int CopyFrom(QF_LISTBOX& other);
    // Redraws the control with the font.
    virtual LRESULT SetFont(HFONT font);
    // False for a single-selection list (count untouched).
    virtual bool SelectionCount(int& count);
    virtual bool SelectRange(bool select, int first, int last);
    virtual bool SelectAll(bool select);

protected:
    // Sends one message and keeps its result as the last result.
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam);
    bool SendOk(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT SendText(UINT message, WPARAM wParam, const char* text);

private:
    HWND m_listBox;
    LRESULT m_lastResult;
};
