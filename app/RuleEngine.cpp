#include "app/RuleEngine.h"

#include <algorithm>

namespace {

// Windows remembered at most between scans (when only events arrive, nothing else forgets).
constexpr size_t kMaxKnownWindows = 8192;

bool IsHeld(const std::vector<HWND>& held, HWND window)
{
    return std::binary_search(held.begin(), held.end(), window);
}

// The window's visibility, asked once per look.
class Visibility {
public:
    explicit Visibility(HWND window) : m_window(window) {}
    bool operator()()
    {
        if (!m_known) {
            m_visible = IsWindowVisible(m_window) != FALSE;
            m_known = true;
        }
        return m_visible;
    }

private:
    HWND m_window;
    bool m_visible = false, m_known = false;
};

} // namespace

void RuleEngine::SetRules(const std::vector<Rule>& rules)
{
    m_rules.clear();
    for (const Rule& rule : rules) {
        if (!rule.Acts())
            continue;
        ActingRule acting{rule, {}, rule.Criteria()};
        acting.fixed.className = rule.className;
        acting.fixed.exe = rule.exe;
        m_rules.push_back(acting);
    }
}

void RuleEngine::Scan(const std::vector<HWND>& held)
{
    if (m_busy || m_rules.empty())
        return;
    m_busy = true;
    ++m_pass;
    std::vector<HWND> windows;
    EnumWindows(
        [](HWND window, LPARAM list) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    for (HWND window : windows) {
        m_known.try_emplace(window, window).first->second.pass = m_pass;
        Consider(window, Event::Scan, held);
    }
    for (auto it = m_known.begin(); it != m_known.end();)
        it = it->second.pass == m_pass ? std::next(it) : m_known.erase(it);
    m_busy = false;
}

void RuleEngine::Notice(HWND window, RuleTrigger event, const std::vector<HWND>& held)
{
    if (m_busy || m_rules.empty() || !window || GetAncestor(window, GA_ROOT) != window)
        return;
    m_busy = true;
    if (m_known.size() >= kMaxKnownWindows)
        ForgetGoneWindows();
    m_known.try_emplace(window, window).first->second.pass = m_pass;
    Consider(window, event == RuleTrigger::Minimised ? Event::Minimised : Event::Shown, held);
    m_busy = false;
}

void RuleEngine::NoteHeld(const std::vector<HWND>& held)
{
    if (m_rules.empty())
        return;
    for (HWND window : held) {
        auto entry = m_known.try_emplace(window, window);
        entry.first->second.memory = Memory::InMenu;
        if (entry.second)
            entry.first->second.pass = m_pass;
    }
}

RuleOutcome RuleEngine::TakeOutcome()
{
    RuleOutcome outcome = std::move(m_outcome);
    m_outcome = RuleOutcome();
    return outcome;
}

void RuleEngine::ForgetGoneWindows()
{
    for (auto it = m_known.begin(); it != m_known.end();)
        it = IsWindow(it->first) ? std::next(it) : m_known.erase(it);
}

std::vector<size_t> RuleEngine::Candidates(Known& known, Event event)
{
    std::vector<size_t> candidates;
    for (size_t i = 0; i < m_rules.size(); ++i) {
        const RuleTrigger trigger = m_rules[i].rule.trigger;
        if ((event == Event::Shown && trigger != RuleTrigger::Appears) ||
            (event == Event::Minimised && trigger != RuleTrigger::Minimised))
            continue;
        if (Matches(m_rules[i].fixed, known.facts))
            candidates.push_back(i);
    }
    return candidates;
}

// What is remembered is brought up to date first: a window hidden into the menu and visible
// again without its entry was brought back by the user; a remembered window seen hidden
// without an entry was hidden by its program, and the rules may take it again when it appears.
void RuleEngine::Consider(HWND window, Event event, const std::vector<HWND>& held)
{
    Known& known = m_known.find(window)->second;
    Visibility visible(window);
    if (IsHeld(held, window)) {
        if (!visible())
            known.memory = Memory::InMenu;
        return;
    }
    if (known.memory != Memory::None) {
        if (!visible())
            known.memory = Memory::None;
        else if (known.memory == Memory::InMenu)
            known.memory = Memory::LeftAlone;
    }
    const std::vector<size_t> candidates = Candidates(known, event);
    if (candidates.empty() || !visible())
        return;
    bool minimisedNow = false;
    if (std::any_of(candidates.begin(), candidates.end(),
                    [this](size_t i) { return m_rules[i].rule.trigger == RuleTrigger::Minimised; })) {
        const bool iconic = event == Event::Minimised || IsIconic(window);
        minimisedNow = event == Event::Minimised || (iconic && !known.iconic);
        known.iconic = iconic;
    }
    known.facts.ForgetTitle();
    for (size_t i : candidates) {
        const ActingRule& acting = m_rules[i];
        if (acting.rule.trigger == RuleTrigger::Appears ? known.memory == Memory::LeftAlone : !minimisedNow)
            continue;
        if (Matches(acting.full, known.facts)) {
            if (MayActOn(known.facts))
                Act(window, i);
            return;
        }
    }
}

// The hide may wait on the window's program: nothing found before it is used after it without
// being looked up again.
void RuleEngine::Act(HWND window, size_t rule)
{
    const Rule acting = m_rules[rule].rule;
    const HideOutcome result = m_hide(window);
    auto known = m_known.find(window);
    if (known != m_known.end())
        known->second.memory = result == HideOutcome::Hidden ? Memory::InMenu : Memory::LeftAlone;
    if (result == HideOutcome::Hidden)
        ++m_outcome.hidden;
    else if (result == HideOutcome::Refused && m_toldRefused.insert(acting.Describe().Text()).second)
        m_outcome.refusedRules.push_back(acting.Describe());
}
