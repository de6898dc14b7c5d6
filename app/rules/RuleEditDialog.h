// RULE_EDIT: the dialog that edits one rule: the program file name, the class and the title
// pattern, the trigger, and a count of the open windows the rule would hide, kept up to date as
// the user types and as windows come and go. OK is only offered while a field is filled in.
#pragma once

#include <windows.h>

#include <memory>

#include "app/rules/Rules.h"
#include "hotkeys/HelpPopup.h"
#include "winbase/ModalDialog.h"

class RULE_EDIT : public QF_MODALDIALOG {
public:
    RULE_EDIT(HWND parent, HMODULE module, const Rule& rule);
    ~RULE_EDIT() override;

    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDpiChanged(UINT oldDpi, UINT newDpi) override;

    // The rule as the fields say; after OK, the rule the user made (never damaged).
    Rule FromFields() const;
    const Rule& Edited() const { return m_rule; }
    const HelpPopup* HelpPopups() const { return m_helpPopups.get(); }

private:
    void OnInit();
    void OnCommand(WPARAM wParam);
    void UpdateCount();
    void SetUpHelpPopups();

    Rule m_rule;
    std::unique_ptr<HelpPopup> m_helpPopups;
};

// Runs the dialog over parent; true, with rule replaced by the user's, after OK.
bool EditRule(HWND parent, HMODULE module, Rule& rule);
