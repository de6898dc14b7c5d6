// The lists whose Enter chooses a row: each keeps the procedure it had, in a table only this
// program writes (a window property could be set by any program).
#include "winbase/ListEnterKey.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "winbase/OwnRecords.h"
#include "winbase/WindowHelpers.h"

namespace {

// The window procedures run on the lists' thread only: the table needs no lock.
std::vector<std::pair<HWND, WNDPROC>>& EnterLists()
{
    static std::vector<std::pair<HWND, WNDPROC>> lists;
    return lists;
}

WNDPROC PreviousProcedure(HWND list)
{
    for (const auto& held : EnterLists()) {
        if (held.first == list)
            return held.second;
    }
    return nullptr;
}

LRESULT CallPrevious(WNDPROC procedure, HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    return IsWindowUnicode(list) ? CallWindowProcW(procedure, list, message, wParam, lParam)
                                 : CallWindowProcA(procedure, list, message, wParam, lParam);
}

bool RowSelected(HWND list)
{
    return SendMessageW(list, LB_GETCURSEL, 0, 0) != LB_ERR;
}

// Bit 30 of a key message: the key was down already (a repeat).
bool IsRepeat(LPARAM keyData)
{
    return (keyData & 0x40000000) != 0;
}

// The dialog manager of this thread asks with the message it is about to handle; a send from
// elsewhere carries no message of ours.
bool ClaimsEnter(HWND list, LPARAM lParam)
{
    const MSG* pending = FromThisThread() ? StructOnThisStack<const MSG>(lParam) : nullptr;
    return pending && pending->hwnd == list && pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN &&
           (IsRepeat(pending->lParam) || RowSelected(list));
}

LRESULT CALLBACK EnterListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    const WNDPROC previous = PreviousProcedure(list);
    if (!previous)
        return DefWindowProcW(list, message, wParam, lParam);
    switch (message) {
    case WM_GETDLGCODE: {
        const LRESULT code = CallPrevious(previous, list, message, wParam, lParam);
        return code | (ClaimsEnter(list, lParam) ? DLGC_WANTMESSAGE : 0);
    }
    case WM_KEYDOWN:
        if (wParam != VK_RETURN)
            break;
        // Nothing of the list is used after the send: the parent's command may pump messages.
        if (!IsRepeat(lParam) && RowSelected(list))
            SendMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_DBLCLK),
                         reinterpret_cast<LPARAM>(list));
        return 0;
    case WM_CHAR:
        // The character of an Enter the list took starts no search among its rows.
        if (wParam == '\r')
            return 0;
        break;
    case WM_NCDESTROY: {
        const auto setter = IsWindowUnicode(list) ? SetWindowLongPtrW : SetWindowLongPtrA;
        setter(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        std::vector<std::pair<HWND, WNDPROC>>& lists = EnterLists();
        lists.erase(std::remove_if(lists.begin(), lists.end(), [list](const auto& held) { return held.first == list; }),
                    lists.end());
        break;
    }
    default:
        break;
    }
    return CallPrevious(previous, list, message, wParam, lParam);
}

} // namespace

void EnterChoosesListRow(HWND list)
{
    if (!IsWindow(list) || PreviousProcedure(list))
        return;
    const bool wide = IsWindowUnicode(list) != FALSE;
    const auto procedure =
        reinterpret_cast<WNDPROC>(wide ? GetWindowLongPtrW(list, GWLP_WNDPROC) : GetWindowLongPtrA(list, GWLP_WNDPROC));
    if (!procedure)
        return;
    EnterLists().emplace_back(list, procedure);
    const auto setter = wide ? SetWindowLongPtrW : SetWindowLongPtrA;
    if (!setter(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EnterListProc)))
        EnterLists().pop_back();
}
