#include "app/rules/RuleEngine.h"

#include <algorithm>
#include <string>

#include "app/rules/RuleKeys.h"
#include "winbase/ProgramEnd.h"

namespace {

// Windows remembered at most between scans (when only events arrive, nothing else forgets).
constexpr size_t kMaxKnownWindows = 8192;
// A visible window whose title matched no rule has its title read again in one scan of this many
// (each window in its own), so a title that changes to match is noticed within as many seconds;
// new windows, windows that show and windows that match are read every time.
constexpr unsigned kTitleRounds = 3;

bool IsHeld(const std::vector<HWND>& held, HWND window)
{
    return std::binary_search(held.begin(), held.end(), window);
}

// The window's visibility, asked once per look and kept in seen.
class Visibility {
public:
    Visibility(HWND window, bool& seen) : m_window(window), m_seen(seen) {}
    bool operator()()
    {
        if (!m_known) {
            m_seen = IsWindowVisible(m_window) != FALSE;
            m_known = true;
        }
        return m_seen;
    }

private:
    HWND m_window;
    bool& m_seen;
    bool m_known = false;
};

// The rule's fields, not its description: a rule is told once whatever the language in use.
std::string RefusalKey(const Rule& rule)
{
    const auto text = [](const NString& field) { return std::string(field.Text() ? field.Text() : "") + '\n'; };
    return text(rule.exe) + text(rule.className) + text(rule.title) + std::to_string(static_cast<int>(rule.trigger));
}

} // namespace

void RuleEngine::SetRules(const std::vector<Rule>& rules)
{
    m_rules.clear();
    ++m_generation;
    for (const Rule& rule : rules) {
        // Close-box rules act through the title-bar hook, hotkey-only rules through their key.
        if (!rule.Acts() || rule.trigger == RuleTrigger::CloseBox || rule.trigger == RuleTrigger::HotkeyOnly)
            continue;
        ActingRule acting{rule, {}, {}};
        acting.fixed.className = rule.className;
        acting.fixed.exe = rule.exe;
        acting.title.titleLike = rule.title;
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

// Fixed facts are matched once per window and set of rules. The title is read again when the
// caller says so, and the patterns are matched again only when it changed.
const std::vector<size_t>& RuleEngine::MatchingRules(Known& known, const std::function<bool()>& titleDue)
{
    if (known.generation != m_generation) {
        known.generation = m_generation;
        known.fixedMatches.clear();
        for (size_t i = 0; i < m_rules.size(); ++i)
            if (Matches(m_rules[i].fixed, known.facts))
                known.fixedMatches.push_back(i);
        known.titleChecked = false;
        known.matching = known.fixedMatches;
    }
    const bool titled = std::any_of(known.fixedMatches.begin(), known.fixedMatches.end(),
                                    [this](size_t i) { return !m_rules[i].rule.title.IsEmpty(); });
    if (!titled || (known.titleChecked && !titleDue()))
        return known.matching;
    known.facts.ForgetTitle();
    if (known.titleChecked && known.facts.Title().Equals(known.matchedTitle))
        return known.matching;
    known.titleChecked = true;
    known.matchedTitle = known.facts.Title();
    known.matching.clear();
    for (size_t i : known.fixedMatches)
        if (Matches(m_rules[i].title, known.facts))
            known.matching.push_back(i);
    return known.matching;
}

// What is remembered is brought up to date first: a window hidden into the menu and visible
// again without its entry was brought back by the user; a remembered window seen hidden
// without an entry was hidden by its program, and the rules may take it again when it appears.
// Then the rules the window matches are asked in order; the window's visibility and state are
// only read once a rule matches it.
void RuleEngine::Consider(HWND window, Event event, const std::vector<HWND>& held)
{
    Known& known = m_known.find(window)->second;
    Visibility visible(window, known.seenVisible);
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
    const bool wasVisible = known.seenVisible;
    const std::vector<size_t>& matching = MatchingRules(known, [&] {
        if (event != Event::Scan || !known.matching.empty())
            return true;
        if (!wasVisible)
            return visible();
        return (m_pass + (reinterpret_cast<UINT_PTR>(window) >> 4)) % kTitleRounds == 0;
    });
    bool iconicKnown = false, minimisedNow = false;
    for (size_t i : matching) {
        const RuleTrigger trigger = m_rules[i].rule.trigger;
        if ((event == Event::Shown && trigger != RuleTrigger::Appears) ||
            (event == Event::Minimised && trigger != RuleTrigger::Minimised) || !visible())
            continue;
        if (trigger == RuleTrigger::Appears) {
            if (known.memory == Memory::LeftAlone)
                continue;
        } else {
            if (!iconicKnown) {
                const bool iconic = event == Event::Minimised || IsIconic(window);
                minimisedNow = event == Event::Minimised || (iconic && !known.iconic);
                known.iconic = iconic;
                iconicKnown = true;
            }
            if (!minimisedNow)
                continue;
        }
        if (MayActOn(known.facts))
            Act(window, i);
        return;
    }
}

// The hide may wait on the window's program: nothing found before it is used after it without
// being looked up again. Once the program is ending nothing is hidden any more: the held windows
// have been shown, and a window hidden now could outlive the process.
void RuleEngine::Act(HWND window, size_t rule)
{
    if (ProgramEnding())
        return;
    const Rule acting = m_rules[rule].rule;
    const RuleHideResult result = m_hide(window);
    auto known = m_known.find(window);
    if (known != m_known.end())
        known->second.memory = result == RuleHideResult::Hidden ? Memory::InMenu : Memory::LeftAlone;
    if (result == RuleHideResult::Hidden)
        ++m_outcome.hidden;
    else if (result == RuleHideResult::Refused && m_toldRefused.insert(RefusalKey(acting)).second)
        m_outcome.refusedRules.push_back(DescribeWithHotkey(acting));
}
