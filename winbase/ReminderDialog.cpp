// The yes/no query asked before the first close or minimise to the tray, and
// the settings that make its answer permanent.
#include "winbase/TrayDialogs.h"

#include <richedit.h>

#include "res/TrayDialogIds.h"
#include "settings/SettingsStore.h"
#include "winbase/LateLibraries.h"
#include "winbase/ModuleInfo.h"

namespace {

// Replaces the whole contents of the dialog's rich edit control with text.
// The control's class is a wide one, so the text goes in as UTF-16.
void PutRichText(HWND dialog, int controlId, const wchar_t* text)
{
    HWND control = GetDlgItem(dialog, controlId);
    if (!control) {
        return;
    }
    CHARRANGE all = {0, -1};
    SendMessageW(control, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
    SendMessageW(control, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text));
}

int QueryTemplate(const QueryRequest& request)
{
    return request.secondText.IsEmpty() ? IDD_QUERY : IDD_QUERY_TWO_TEXTS;
}

}  // namespace

REMINDER::REMINDER(const QueryRequest& request)
    : QF_MODALDIALOG(nullptr, QueryTemplate(request), request.owner, ModuleOfCaller()), m_request(&request)
{
    // The templates' text areas are rich edit controls.
    EnsureRichEditClass();
}

void REMINDER::OnInit()
{
    SetIcon(m_request->icon);
    MessageBeep(MB_ICONEXCLAMATION);
    CheckDlgButton(Window(), IDC_QUERY_DONT_REMIND, BST_UNCHECKED);
    if (!m_request->text.IsEmpty()) {
        PutRichText(Window(), IDC_QUERY_TEXT, m_request->text.Text());
    }
    if (!m_request->secondText.IsEmpty()) {
        PutRichText(Window(), IDC_QUERY_SECOND_TEXT, m_request->secondText.Text());
    }
}

INT_PTR REMINDER::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInit();
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == EN_UPDATE && LOWORD(wParam) == IDC_QUERY_TEXT) {
            return 1;
        }
        if (HIWORD(wParam) != BN_CLICKED) {
            return 0;
        }
        switch (LOWORD(wParam)) {
        case IDYES:
        case IDNO:
        case IDOK:
        case IDCANCEL:
            m_dontRemind = IsDlgButtonChecked(Window(), IDC_QUERY_DONT_REMIND) == BST_CHECKED ? 1 : 0;
            EndDialog(Window(), LOWORD(wParam));
            break;
        default:
            break;
        }
        return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        return static_cast<INT_PTR>(SendMessageA(GetParent(Window()), message, wParam, lParam));
    default:
        return 0;
    }
}

bool AskQuery(const QueryRequest& request)
{
    SettingsKey key(SettingsKey(HKEY_CURRENT_USER, request.keyPath.Text()), request.name.Text());
    const NString reminderName = request.name + "Reminder";
    int32_t remind = 1;
    if (key.ReadInt(reminderName.Text(), remind) && remind == 0) {
        int32_t answer = 0;
        key.ReadInt(request.name.Text(), answer);
        return answer != 0;
    }
    REMINDER dialog(request);
    const INT_PTR result = dialog.Show(request.owner);
    const bool yes = result == IDYES || result == IDOK;
    const bool dontRemind = dialog.DontRemind();
    const SettingsBatch batch;
    key.WriteInt(reminderName.Text(), dontRemind ? 0 : 1);
    if (dontRemind) {
        key.WriteInt(request.name.Text(), yes ? 1 : 0);
    }
    return yes;
}
