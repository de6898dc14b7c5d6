// RULES: the Rules dialog. Lists the stored rules in their order with a check box each (the rule
// acts while it is ticked), and adds, edits, removes and reorders them. Nothing is stored before
// OK, and OK stores only what changed (see RuleStore::Save). A damaged rule is listed as such: it
// can be edited into a sound one or removed, but not ticked.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "app/rules/RuleEditDialog.h"
#include "app/rules/Rules.h"
#include "hotkeys/HelpPopup.h"
#include "winbase/ModalDialog.h"

class RULES : public QF_MODALDIALOG {
public:
    // programKeyPath: the program's key below HKEY_CURRENT_USER, which holds the rules.
    RULES(HWND parent, HMODULE module, const char* programKeyPath);
    ~RULES() override;

    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The popups and the list's columns follow the new DPI.
    void OnDpiChanged(UINT oldDpi, UINT newDpi) override;

    // The rules as the dialog shows them now.
    const std::vector<StoredRule>& Rules() const { return m_rules; }
    const HelpPopup* HelpPopups() const { return m_helpPopups.get(); }

private:
    void OnInit();
    void OnCommand(WPARAM wParam);
    void OnNotify(const NMHDR& header);
    void OnCheckChanged(int index);
    void AddColumns();
    // Shares the list's width out among the columns.
    void SizeColumns();
    // Rebuilds the list and selects the rule at index (none when out of range).
    void FillList(int select);
    int SelectedIndex() const;
    void UpdateButtons();
    // Who holds a hotkey besides the rule at index (-1: a new rule).
    RuleKeyHolder HolderBesides(int index) const;
    void AddRule();
    void EditSelected();
    void RemoveSelected();
    void MoveSelected(int by);
    void SaveAndClose();
    void SetUpHelpPopups();

    RuleStore m_store;
    std::vector<StoredRule> m_rules;
    bool m_filling = false;
    std::unique_ptr<HelpPopup> m_helpPopups;
};

// Runs the dialog over parent; true when OK stored the rules.
bool ShowRulesDialog(HWND parent, HMODULE module, const char* programKeyPath);
