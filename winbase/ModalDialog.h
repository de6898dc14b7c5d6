// QF_MODALDIALOG: a dialog run modally from a template by the dialog manager.
#pragma once

#include "winbase/WinBase.h"

class QF_MODALDIALOG : public QF_WINBASE {
public:
    // templateId 0 makes Show do nothing. The result is -1 until the dialog
    // has run.
    QF_MODALDIALOG(const char* keyName, int templateId, HWND parent, HMODULE module);

    // Runs the dialog until it ends and returns the value it passed to
    // EndDialog, which is also kept as Result(). A null parent means the one
    // given at construction; the parent used is kept. Returns 0 at once for
    // template 0 and once the program is ending (see ProgramEnd.h), and 0
    // with Result() -1 when the dialog cannot be created.
    INT_PTR Show(HWND parent = nullptr);

    INT_PTR Result() const { return m_result; }
    int TemplateId() const { return m_templateId; }
    int TextTemplateId() const override { return m_templateId; }

    // Sends WM_SETFONT with font to the control id.
    virtual void SetItemFont(int id, HFONT font);

private:
    int m_templateId;
    INT_PTR m_result = -1;
};
