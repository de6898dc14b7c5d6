// Texts a dialog does not show whole, as its controls lay them out: a static's text as it wraps
// it; a button's and check box's against the size the control asks for (BCM_GETIDEALSIZE); an edit
// box's beside its margins; each row of a list or combo box (in the combo box's own item
// rectangle); each heading and cell of a list view against its column (LVSCW_AUTOSIZE), and the
// columns together against the list.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "winbase/Dpi.h"

namespace cliptest {

inline std::wstring Text(HWND window)
{
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

// What text needs in window's font (format: DT_SINGLELINE, or DT_WORDBREAK at width).
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

inline bool Is(HWND window, const wchar_t* cls, LONG type = -1, LONG mask = 0)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return _wcsicmp(name, cls) == 0 && (type < 0 || (GetWindowLongW(window, GWL_STYLE) & mask) <= type);
}

// The texts of the child it does not show whole.
inline std::vector<std::wstring> ClippedOf(HWND child, UINT dpi)
{
    std::vector<std::wstring> cut, rows;
    const std::wstring text = Text(child);
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    RECT room = {}, window = {};
    GetClientRect(child, &room);
    GetWindowRect(child, &window);
    SIZE ideal = {};
    COMBOBOXINFO combo = {sizeof combo};
    const bool list = Is(child, L"ListBox") && !(style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE));
    if (!(style & WS_VISIBLE))
        return cut;
    if (Is(child, L"Static", SS_RIGHT, SS_TYPEMASK) && !text.empty()) {
        const RECT need = Needed(child, text, DT_WORDBREAK, room.right);
        if (need.right > room.right || need.bottom > room.bottom)
            cut.push_back(text);
    } else if (Is(child, L"Button") && (style & BS_TYPEMASK) != BS_GROUPBOX && !text.empty() &&
               SendMessageW(child, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)) &&
               ideal.cx > window.right - window.left) {
        cut.push_back(text);
    } else if (Is(child, L"Edit") && Needed(child, text, DT_SINGLELINE | DT_NOPREFIX).right +
                                             LOWORD(SendMessageW(child, EM_GETMARGINS, 0, 0)) +
                                             HIWORD(SendMessageW(child, EM_GETMARGINS, 0, 0)) > room.right) {
        cut.push_back(text);
    } else if (list || (Is(child, L"ComboBox") && GetComboBoxInfo(child, &combo))) {
        const LRESULT count = SendMessageW(child, list ? LB_GETCOUNT : CB_GETCOUNT, 0, 0);
        const LONG width = list ? room.right : combo.rcItem.right - combo.rcItem.left;
        for (LRESULT i = 0; i < count; ++i) {
            wchar_t row[512] = {};
            SendMessageW(child, list ? LB_GETTEXT : CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(row));
            if (Needed(child, row, DT_SINGLELINE | DT_NOPREFIX).right + ScaleToDpi(2, dpi) > width)
                cut.push_back(row);
        }
    } else if (Is(child, WC_LISTVIEWW)) {
        HWND header = ListView_GetHeader(child);
        int total = 0;
        for (int column = 0; column < Header_GetItemCount(header); ++column) {
            const int width = ListView_GetColumnWidth(child, column);
            wchar_t heading[256] = {};
            HDITEMW item = {HDI_TEXT};
            item.pszText = heading;
            item.cchTextMax = 256;
            SendMessageW(header, HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&item));
            ListView_SetColumnWidth(child, column, LVSCW_AUTOSIZE);
            if (Needed(header, heading, DT_SINGLELINE).right + 6 * SystemMetricForDpi(SM_CXEDGE, dpi) > width ||
                ListView_GetColumnWidth(child, column) > width)
                cut.push_back(L"column " + std::to_wstring(column) + L" " + heading);
            ListView_SetColumnWidth(child, column, width);
            total += width;
        }
        if (total > room.right)
            cut.push_back(L"columns wider than the list");
    }
    return cut;
}

// "where/control: text" for each text of the dialog's controls that is not shown whole.
inline void CollectClipped(HWND dialog, const std::string& where, std::vector<std::string>& clipped)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        for (const std::wstring& text : ClippedOf(child, WindowDpi(dialog))) {
            char utf8[2048] = {};
            WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8, sizeof utf8, nullptr, nullptr);
            clipped.push_back(where + "/" + std::to_string(GetDlgCtrlID(child)) + ": " + utf8);
        }
}

}  // namespace cliptest
