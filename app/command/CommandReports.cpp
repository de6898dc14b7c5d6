#include "app/command/CommandReports.h"

#include "text/WString.h"

namespace {

NString Convert(const NString& text, UINT from, UINT to)
{
    if (text.IsEmpty() || from == to)
        return text.IsNull() ? NString("") : text;
    const WString wide = WString::FromNarrow(text.Text(), from);
    const NString converted = wide.IsNull() ? NString() : NString::FromWide(wide.Text(), 0, to);
    return converted.IsNull() ? NString("") : converted;
}

// The program's texts are in its code page (UTF-8 under its manifest, not on older systems);
// messages carry UTF-8.
NString FromWire(const NString& text) { return Convert(text, CP_UTF8, GetACP()); }
NString ToWire(const NString& text) { return Convert(text, GetACP(), CP_UTF8); }

} // namespace

WindowReport Report(HWND window, const NString& heldTitle)
{
    WindowFacts facts(window);
    WindowReport report;
    report.window = window;
    report.processId = facts.ProcessId();
    report.exe = ToWire(facts.ExeName());
    report.className = ToWire(facts.ClassName());
    report.title = ToWire(facts.Title().IsEmpty() && !heldTitle.IsNull() ? heldTitle : facts.Title());
    return report;
}

std::vector<WindowReport> Reports(const std::vector<HWND>& windows)
{
    std::vector<WindowReport> reports;
    for (HWND window : windows)
        reports.push_back(Report(window));
    return reports;
}

bool CriteriaOf(const WireRequest& request, WindowCriteria& criteria)
{
    criteria = request.criteria;
    for (NString* text : {&criteria.title, &criteria.titleLike, &criteria.className, &criteria.exe})
        *text = FromWire(*text);
    if (!criteria.active)
        return true;
    criteria.active = false;
    if (!request.foreground || (criteria.window && criteria.window != request.foreground))
        return false;
    criteria.window = request.foreground;
    return true;
}
