// Texts a dialog does not show whole, found as its controls lay them out: each static's text as it
// wraps it; each button's and check box's against the size the control itself asks for
// (BCM_GETIDEALSIZE); an edit box's text beside its margins; each row of a list box and of a combo
// box (in the combo box's own item rectangle); and each heading and cell of a list view, against
// the width the list view itself gives the column (LVSCW_AUTOSIZE) and the header's margins.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "winbase/Dpi.h"

namespace cliptest {

inline std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

inline std::string Utf8(const std::wstring& text)
{
    char narrow[2048] = {};
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
}

// What text needs in window's font: on one line, or wrapped at width (format DT_WORDBREAK).
inline RECT Needed(HWND window, const std::wstring& text, UINT format, LONG width = 0)
{
    HDC dc = GetDC(window);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
    RECT need = {0, 0, width, 0};
    DrawTextW(dc, text.c_str(), -1, &need, DT_CALCRECT | format);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return need;
}

// The width of text on one line in window's font ('&' shown as typed when prefix is false).
inline LONG TextWidth(HWND window, const std::wstring& text, bool prefix = true)
{
    return Needed(window, text, DT_SINGLELINE | (prefix ? 0 : DT_NOPREFIX)).right;
}

inline std::wstring WindowText(HWND window)
{
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

// A static that draws its text wrapped at its width.
inline bool IsTextStatic(HWND window)
{
    return _wcsicmp(ClassOf(window).c_str(), L"Static") == 0 && (GetWindowLongW(window, GWL_STYLE) & SS_TYPEMASK) <= SS_RIGHT;
}

// The rows of a list box (combo false) or combo box.
inline std::vector<std::wstring> Rows(HWND list, bool combo)
{
    std::vector<std::wstring> rows;
    const LRESULT count = SendMessageW(list, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t row[512] = {};
        SendMessageW(list, combo ? CB_GETLBTEXT : LB_GETTEXT, i, reinterpret_cast<LPARAM>(row));
        rows.emplace_back(row);
    }
    return rows;
}

// Each heading and cell of the list view that its column cuts.
inline void ClippedColumns(HWND list, UINT dpi, std::vector<std::wstring>& cut)
{
    HWND header = ListView_GetHeader(list);
    const int columns = Header_GetItemCount(header);
    RECT room = {};
    GetClientRect(list, &room);
    int total = 0;
    for (int column = 0; column < columns; ++column)
        total += ListView_GetColumnWidth(list, column);
    if (total > room.right)
        cut.push_back(L"columns wider than the list");
    for (int column = 0; column < columns; ++column) {
        const int width = ListView_GetColumnWidth(list, column);
        wchar_t heading[256] = {};
        HDITEMW item = {};
        item.mask = HDI_TEXT;
        item.pszText = heading;
        item.cchTextMax = 256;
        SendMessageW(header, HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&item));
        if (TextWidth(header, heading) + 6 * SystemMetricForDpi(SM_CXEDGE, dpi) > width)
            cut.push_back(std::wstring(L"heading ") + heading);
        if (ListView_GetItemCount(list) == 0)
            continue;
        ListView_SetColumnWidth(list, column, LVSCW_AUTOSIZE);
        if (ListView_GetColumnWidth(list, column) > width)
            cut.push_back(L"column " + std::to_wstring(column));
        ListView_SetColumnWidth(list, column, width);
    }
}

// Each text of the child that it does not show whole: the control's own text, or its rows.
inline std::vector<std::wstring> ClippedOf(HWND child, UINT dpi)
{
    std::vector<std::wstring> cut;
    const std::wstring cls = ClassOf(child), text = WindowText(child);
    const LONG style = GetWindowLongW(child, GWL_STYLE), type = style & BS_TYPEMASK;
    RECT room = {}, window = {};
    GetClientRect(child, &room);
    GetWindowRect(child, &window);
    if (!(style & WS_VISIBLE))
        return cut;
    if (_wcsicmp(cls.c_str(), L"Static") == 0 && (style & SS_TYPEMASK) <= SS_SIMPLE && !text.empty()) {
        const RECT need = Needed(child, text, (style & SS_TYPEMASK) <= SS_RIGHT ? DT_WORDBREAK : DT_SINGLELINE, room.right);
        if (need.right > room.right || need.bottom > room.bottom)
            cut.push_back(text);
    } else if (_wcsicmp(cls.c_str(), L"Button") == 0 && type != BS_GROUPBOX && !text.empty()) {
        SIZE ideal = {};
        if (SendMessageW(child, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)) &&
            ideal.cx > window.right - window.left)
            cut.push_back(text);
    } else if (_wcsicmp(cls.c_str(), L"Edit") == 0 && !(style & ES_MULTILINE) && !text.empty()) {
        const LRESULT margins = SendMessageW(child, EM_GETMARGINS, 0, 0);
        if (TextWidth(child, text, false) + LOWORD(margins) + HIWORD(margins) > room.right)
            cut.push_back(text);
    } else if (_wcsicmp(cls.c_str(), L"ListBox") == 0 && !(style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE))) {
        for (const std::wstring& row : Rows(child, false))
            if (TextWidth(child, row, false) + ScaleToDpi(2, dpi) > room.right)
                cut.push_back(row);
    } else if (_wcsicmp(cls.c_str(), L"ComboBox") == 0) {
        COMBOBOXINFO info = {sizeof info};
        GetComboBoxInfo(child, &info);
        for (const std::wstring& row : Rows(child, true))
            if (TextWidth(child, row, false) + ScaleToDpi(2, dpi) > info.rcItem.right - info.rcItem.left)
                cut.push_back(row);
    } else if (_wcsicmp(cls.c_str(), WC_LISTVIEWW) == 0) {
        ClippedColumns(child, dpi, cut);
    }
    return cut;
}

// "where/control: text" for each text of the dialog's controls that is not shown whole.
inline void CollectClipped(HWND dialog, const std::string& where, std::vector<std::string>& clipped)
{
    const UINT dpi = WindowDpi(dialog);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        for (const std::wstring& text : ClippedOf(child, dpi))
            clipped.push_back(where + "/" + std::to_string(GetDlgCtrlID(child)) + ": " + Utf8(text));
}

}  // namespace cliptest
