#include "winbase/ModalDialog.h"

#include "winbase/DialogTables.h"
#include "winbase/ProgramEnd.h"

QF_MODALDIALOG::QF_MODALDIALOG(const char* keyName, int templateId, HWND parent, HMODULE module)
    : QF_WINBASE(keyName, parent, module), m_templateId(templateId)
{
}

INT_PTR QF_MODALDIALOG::Show(HWND parent)
{
    if (m_templateId == 0 || ProgramEnding()) {
        return 0;
    }
    SetLastError(0);
    if (!parent) {
        parent = Parent();
    }
    StoreParent(parent);
    QF_WINBASE* self = this;
    const DialogInMaking making(self);
    const std::vector<BYTE> withoutControls = TemplateWithoutControls(m_templateId);
    if (withoutControls.empty()) {
        m_result = DialogBoxParamA(reinterpret_cast<HINSTANCE>(Module()), MAKEINTRESOURCEA(m_templateId), parent,
                                   &QF_WINBASE::DialogProc, reinterpret_cast<LPARAM>(self));
    } else {
        m_result = DialogBoxIndirectParamA(reinterpret_cast<HINSTANCE>(Module()),
                                           reinterpret_cast<LPCDLGTEMPLATEA>(withoutControls.data()), parent,
                                           &QF_WINBASE::DialogProc, reinterpret_cast<LPARAM>(self));
    }
    ForgetEarlyTrayAdd();
    return m_result == -1 ? 0 : m_result;
}

void QF_MODALDIALOG::SetItemFont(int id, HFONT font)
{
    SendMessageA(Item(id), WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
}
