#include "shell/LinkPlan.h"

namespace {

template <class Ch>
bool HasChar(const Ch* text, char c)
{
    for (; *text; ++text) {
        if (*text == static_cast<Ch>(c)) {
            return true;
        }
    }
    return false;
}

// ASCII pattern search in text of either width.
template <class Ch>
bool HasAscii(const Ch* text, const char* pattern)
{
    for (; *text; ++text) {
        const Ch* t = text;
        const char* p = pattern;
        while (*p && *t == static_cast<Ch>(*p)) {
            ++t;
            ++p;
        }
        if (!*p) {
            return true;
        }
    }
    return false;
}

template <class Ch, class Str>
void AppendAscii(Str& target, const char* ascii)
{
    for (; *ascii; ++ascii) {
        target.Append(static_cast<Ch>(*ascii));
    }
}

// mailExclusion is the character that, with "@", rules out an e-mail address.
template <class Ch>
LinkKind Classify(const Ch* text, char mailExclusion)
{
    if (!text || !*text) {
        return LinkKind::None;
    }
    if (HasChar(text, '@') && !HasChar(text, mailExclusion)) {
        return LinkKind::EMail;
    }
    if (text[1] == static_cast<Ch>(':') && text[2]) {
        return LinkKind::LocalPath;
    }
    return LinkKind::Web;
}

template <class Str, class Ch>
Str BuildShellText(LinkKind kind, const Ch* text, const Ch* windowsDirectory)
{
    Str result;
    switch (kind) {
    case LinkKind::EMail:
        AppendAscii<Ch>(result, "mailto:");
        result.Append(text);
        break;
    case LinkKind::LocalPath:
        result.Append(text);
        break;
    case LinkKind::Web:
        if (windowsDirectory) {
            result.Append(windowsDirectory);
        }
        AppendAscii<Ch>(result, "explorer \"");
        if (!HasAscii(text, "://")) {
            AppendAscii<Ch>(result, "http://");
        }
        for (const Ch* p = text; *p; ++p) {
            if (*p == static_cast<Ch>('"')) {
                AppendAscii<Ch>(result, "%22");
            } else {
                result.Append(*p);
            }
        }
        AppendAscii<Ch>(result, "\"");
        break;
    case LinkKind::None:
        break;
    }
    return result;
}

}  // namespace

WideLinkPlan PlanLinkWide(const wchar_t* text, const wchar_t* windowsDirectory)
{
    WideLinkPlan plan;
    plan.kind = Classify(text, '/');
    plan.shellText = BuildShellText<WString>(plan.kind, text, windowsDirectory);
    return plan;
}

NarrowLinkPlan PlanLinkNarrow(const char* text, const char* windowsDirectory)
{
    NarrowLinkPlan plan;
    plan.kind = Classify(text, ':');
    plan.shellText = BuildShellText<NString>(plan.kind, text, windowsDirectory);
    return plan;
}
