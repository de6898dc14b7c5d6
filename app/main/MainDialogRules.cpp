// The main dialog's rules: the scan and the event watch that apply them, the Rules dialog, and
// the list's context menu that makes a rule from a listed window.
#include "app/main/MainDialog.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "app/held/HeldBatch.h"
#include "app/held/HideOps.h"
#include "app/SingleInstance.h"
#include "app/rules/RuleEditDialog.h"
#include "app/rules/RulesDialog.h"
#include "res/MainDialogIds.h"
#include "winbase/ProgramEnd.h"
#include "winbase/ScopedHandles.h"
#include "text/Texts.h"

namespace {

constexpr UINT kScanIntervalMs = 1000;
constexpr UINT kNewRuleCommand = 1;


bool WatchAllows(const char* way)
{
    const char* watch = std::getenv(DIALOG::kRuleWatchVariable);
    return !watch || !*watch || std::strcmp(watch, way) == 0;
}

} // namespace

// The keys come last: telling of a key another program holds runs a message box.
void DIALOG::StartRules(bool lookNow)
{
    m_ruleScan = WatchAllows("scan");
    m_ruleEvents = WatchAllows("events");
    m_actingRules = RuleStore(kProgramKeyPath).LoadActing();
    const std::vector<Rule> acting = m_actingRules;
    m_rules.SetRules(acting);
    m_closeRules.clear();
    for (const Rule& rule : acting)
        if (rule.trigger == RuleTrigger::CloseBox)
            m_closeRules.push_back(rule.Criteria());
    ConfigureTitleBar();
    if (!m_rules.HasRules()) {
        StopRules();
    } else {
        if (m_ruleScan) {
            SetTimer(Window(), kRuleScanTimer, kScanIntervalMs, nullptr);
            if (lookNow)
                PostMessageA(Window(), kRulesWake, kRulesWakeScan, 0);
        }
        if (m_ruleEvents && !m_ruleWatch.Running())
            m_ruleWatch.Start(Window(), kRulesWake);
    }
    if (m_startFinished)
        RegisterRuleKeys();
}

void DIALOG::StopRules()
{
    KillTimer(Window(), kRuleScanTimer);
    m_ruleWatch.Stop();
}

RuleHideResult DIALOG::HideByRule(HWND window)
{
    bool refused = false;
    if (HideWindowIntoMenu(window, m_hiddenMenu, [&refused](HWND) { refused = true; }))
        return RuleHideResult::Hidden;
    return refused ? RuleHideResult::Refused : RuleHideResult::NotHidden;
}

// A second copy of Veilbox registers what the first leaves free and says nothing of the rest: the
// first copy holds those keys. The message box runs a loop: nothing found before it is used after.
void DIALOG::RegisterRuleKeys()
{
    const std::vector<NString> held =
        m_ruleKeys.Register(m_actingRules, Window(), AnotherCopyRanAtStart());
    for (const NString& line : held) {
        if (!IsWindow(Window()) || ProgramEnding())
            return;
        TimedMessageBox(line.Text(), T(Tx::MsgRulesCaption), MB_OK | MB_ICONWARNING, 0);
    }
}

// The rule is copied before anything is hidden or shown: a send may run code that changes the rules.
void DIALOG::OnRuleKey(uint32_t id)
{
    const Rule* found = m_ruleKeys.RuleOf(id);
    if (!found || ProgramEnding())
        return;
    const Rule rule = *found;
    const ToggleOutcome outcome = ToggleMatching(m_hiddenMenu, rule.Criteria(), GetForegroundWindow(), true);
    if (outcome.act == ToggleAct::Hidden || outcome.act == ToggleAct::Shown)
        m_candidates.Refresh();
    if (outcome.refused > 0)
        TellHideRefused();
    if (outcome.act == ToggleAct::Nothing && !rule.run.IsEmpty() && !StartRuleCommand(rule.run))
        TimedMessageBox(NString::Format(T(Tx::MsgRuleRunFailed), rule.run.Text()).Text(), T(Tx::MsgRulesCaption),
                        MB_OK | MB_ICONWARNING, 0);
}

// Nothing acts while a menu of the dialog is open: an entry added then would change the menu
// under the user's pointer. The queued events wait for the next look.
void DIALOG::RunRules(bool scan)
{
    if (m_inMenuLoop || !m_rules.HasRules())
        return;
    for (const WindowEvent& event : m_ruleWatch.Take())
        m_rules.Notice(event.window, event.what, HeldWindows());
    if (scan && m_ruleScan)
        m_rules.Scan(HeldWindows());
    RuleOutcome outcome = m_rules.TakeOutcome();
    if (outcome.hidden > 0) {
        if (IsWindowVisible(Window()) && !IsIconic(Window()))
            m_candidates.Refresh();
        EntriesMayHaveChanged();
    }
    // The caption is not the main dialog's title: a second start looks for the running copy by it.
    for (const NString& rule : outcome.refusedRules)
        TimedMessageBox(NString::Format(T(Tx::MsgRuleRefused), rule.Text()).Text(), T(Tx::MsgRulesCaption),
                        MB_OK | MB_ICONWARNING, 0);
}

// The rules' keys are released while the dialogs are open, so that the hotkey control can take
// them; they come back whatever the user chose.
void DIALOG::RunRulesDialog()
{
    m_ruleKeys.Release();
    const bool stored = ShowRulesDialog(Window(), Module(), kProgramKeyPath);
    if (IsWindow(Window()))
        StartRules(stored);
}

// The entry under the pointer is selected first, as a right click selects in lists; from the
// keyboard the selected entry is meant, and the menu opens at its place.
void DIALOG::OnListContextMenu(LPARAM screen)
{
    HWND list = Item(IDC_MAIN_LIST);
    POINT at = {GET_X_LPARAM(screen), GET_Y_LPARAM(screen)};
    int index = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
    if (at.x == -1 && at.y == -1) {
        RECT item = {};
        if (index < 0 || SendMessageA(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item)) == LB_ERR)
            return;
        at = {item.left + 8, item.bottom};
        ClientToScreen(list, &at);
    } else {
        POINT client = at;
        ScreenToClient(list, &client);
        const LRESULT hit = SendMessageA(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(client.x, client.y));
        if (HIWORD(hit))
            return;
        index = LOWORD(hit);
        SendMessageA(list, LB_SETCURSEL, index, 0);
    }
    const CandidateRecord* record = m_candidates.RecordAt(index);
    if (!record)
        return;
    HWND window = record->window;
    const OwnedMenu menu(CreatePopupMenu());
    if (!menu)
        return;
    AppendMenuA(menu.get(), MF_STRING, kNewRuleCommand, T(Tx::MenuNewRule));
    const MenuTextItems texts(menu.get());
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, Window(), nullptr));
    m_inMenuLoop = false;
    if (chosen == kNewRuleCommand)
        NewRuleLike(window);
}

// The rule starts from the window's program and class; the window may be gone by now, and then
// the fields start empty.
void DIALOG::NewRuleLike(HWND window)
{
    WindowFacts facts(window);
    Rule rule;
    if (IsWindow(window)) {
        rule.exe = facts.ExeName();
        rule.className = facts.ClassName();
    }
    std::vector<Rule> stored;
    for (const StoredRule& other : RuleStore(kProgramKeyPath).Load())
        stored.push_back(other.rule);
    m_ruleKeys.Release();
    const bool made = EditRule(Window(), Module(), rule, [stored](uint16_t key) { return HotkeyHolderAmong(key, stored); });
    if (!IsWindow(Window()))
        return;
    if (made && !RuleStore(kProgramKeyPath).Append(rule))
        TimedMessageBox(T(Tx::MsgRuleNotStored), T(Tx::MsgRulesCaption), MB_OK | MB_ICONWARNING, 0);
    StartRules(made);
}
