// The lists whose Enter chooses a row, each with the procedure it had (winbase/Subclasses).
#include "winbase/ListEnterKey.h"

#include "winbase/OwnRecords.h"
#include "winbase/Subclasses.h"
#include "winbase/WindowHelpers.h"

namespace {

Subclasses& EnterLists()
{
    static Subclasses lists;
    return lists;
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
    const WNDPROC previous = EnterLists().Previous(list);
    if (!previous)
        return DefWindowProcW(list, message, wParam, lParam);
    switch (message) {
    case WM_GETDLGCODE: {
        const LRESULT code = Subclasses::CallPrevious(previous, list, message, wParam, lParam);
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
    case WM_NCDESTROY:
        EnterLists().Restore(list, previous);
        break;
    default:
        break;
    }
    return Subclasses::CallPrevious(previous, list, message, wParam, lParam);
}

} // namespace

void EnterChoosesListRow(HWND list)
{
    EnterLists().Install(list, EnterListProc);
}
