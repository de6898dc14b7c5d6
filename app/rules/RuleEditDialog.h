// RULE_EDIT: the dialog that edits one rule: the program file name, the class and the title
// pattern, the rule's own hotkey (the system's hotkey control) and the command that key starts,
// the trigger, and a count of the open windows the rule would hide, kept up to date as the user
// types and as windows come and go. OK is only offered while a field is filled in (and a hotkey
// given for a rule only by its hotkey); a hotkey another action or rule of Veilbox holds is
// refused on OK, naming its holder.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "app/rules/Rules.h"
#include "hotkeys/HelpPopup.h"
#include "winbase/ModalDialog.h"

// Who in Veilbox holds a hotkey word besides the rule being edited: "Hide Active", "the rule
// ..."; empty when nobody does.
using RuleKeyHolder = std::function<NString(uint16_t hotkey)>;

class RULE_EDIT : public QF_MODALDIALOG {
public:
    RULE_EDIT(HWND parent, HMODULE module, const Rule& rule, RuleKeyHolder holder = nullptr);
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

    void OnOk();

    Rule m_rule;
    RuleKeyHolder m_holder;
    std::unique_ptr<HelpPopup> m_helpPopups;
};

// Runs the dialog over parent; true, with rule replaced by the user's, after OK.
bool EditRule(HWND parent, HMODULE module, Rule& rule, RuleKeyHolder holder = nullptr);

// The holder of a hotkey among the actions' hotkeys stored under the program's key and the other
// rules given (damaged ones hold nothing).
NString HotkeyHolderAmong(uint16_t hotkey, const std::vector<Rule>& otherRules);
