// The rules at work: which windows to hide, and when. The engine looks at the top-level windows
// in a pass over all of them (the once-a-second scan) or at one window the system reported shown
// or minimised, and hides a window through its owner's hide function when an acting rule says so.
//
// It keeps what it learnt of each top-level window between passes (class, process and program
// file name, which never change while a window lives), so a pass asks a window only what the
// rules need: a window whose class or program matches no rule is not asked anything else, and no
// window is ever sent a message here. What it remembers of the windows it hid keeps it from
// fighting the user: a window brought back from the menu is left alone by the "appears" rules
// until its program hides it (or it is closed); a "minimised" rule hides it again at its next
// minimise.
#pragma once

#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "app/rules/Rules.h"
#include "app/rules/WindowMatch.h"

enum class RuleHideResult { Hidden, Refused, NotHidden };
// Hides the window into the menu as a double click would.
using RuleHider = std::function<RuleHideResult(HWND window)>;

// What passes did since the owner last asked.
struct RuleOutcome {
    int hidden = 0;
    // A line for each rule whose hide a window refused, each rule told once while the program runs.
    std::vector<NString> refusedRules;
};

class RuleEngine {
public:
    explicit RuleEngine(RuleHider hide) : m_hide(std::move(hide)) {}

    // Keeps the rules that act, in order; what is known of the windows stays.
    void SetRules(const std::vector<Rule>& rules);
    bool HasRules() const { return !m_rules.empty(); }

    // One pass over every top-level window. held: the windows the menu holds, sorted.
    void Scan(const std::vector<HWND>& held);
    // The system reported the window shown (Appears) or being minimised (Minimised); only the
    // rules of that trigger are asked.
    void Notice(HWND window, RuleTrigger event, const std::vector<HWND>& held);
    // The menu holds these windows now (sorted): whoever hid them, they count as hidden into the
    // menu, so the user who brings one back is not fought by an "appears" rule.
    void NoteHeld(const std::vector<HWND>& held);

    // What the passes did since the last call; starts afresh.
    RuleOutcome TakeOutcome();

private:
    enum class Memory { None, InMenu, LeftAlone };
    enum class Event { Scan, Shown, Minimised };
    struct Known {
        explicit Known(HWND window) : facts(window) {}
        WindowFacts facts;
        Memory memory = Memory::None;
        bool iconic = false;       // as last seen while a minimised rule matched it
        bool seenVisible = false;  // at the last look at its visibility
        unsigned pass = 0;    // the last scan that listed it
        // What the rules of generation say of the window: the rules its class and program match
        // (facts that never change), and the rules it matches entirely with matchedTitle.
        unsigned generation = 0;
        std::vector<size_t> fixedMatches;
        bool titleChecked = false;
        NString matchedTitle;
        std::vector<size_t> matching;
    };
    struct ActingRule {
        Rule rule;
        WindowCriteria fixed;  // class and program: facts that never change
        WindowCriteria title;  // the title pattern alone
    };

    void Consider(HWND window, Event event, const std::vector<HWND>& held);
    // The rules the window matches now, in order; titleDue says whether its title must be read
    // again.
    const std::vector<size_t>& MatchingRules(Known& known, const std::function<bool()>& titleDue);
    void Act(HWND window, size_t rule);
    void ForgetGoneWindows();

    RuleHider m_hide;
    std::vector<ActingRule> m_rules;
    unsigned m_generation = 1;
    std::unordered_map<HWND, Known> m_known;
    unsigned m_pass = 0;
    bool m_busy = false;
    RuleOutcome m_outcome;
    std::set<std::string> m_toldRefused;
};
