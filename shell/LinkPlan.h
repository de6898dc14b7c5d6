// How a link text is opened: the decision between an e-mail address, a local
// path and a web address, and the text handed to the shell for each. Pure
// functions, so that the choice can be checked without launching anything.
#pragma once

#include "text/NString.h"
#include "text/WString.h"

enum class LinkKind {
    None,      // nothing to open (null or empty text)
    EMail,     // ShellExecute of "mailto:" + text
    LocalPath, // ShellExecute of the text unchanged
    Web,       // the shell's explorer started with the address
};

// What to do with a link text. For EMail and LocalPath, shellText is the text
// given to ShellExecute; for Web it is the whole command line to start.
struct WideLinkPlan {
    LinkKind kind = LinkKind::None;
    WString shellText;
};

struct NarrowLinkPlan {
    LinkKind kind = LinkKind::None;
    NString shellText;
};

// Wide rule (NT family): an e-mail address holds "@" and no "/"; a local path
// is longer than two characters with ":" second; everything else is a web
// address, "http://" being put in front unless the text holds "://". The web
// command line is windowsDirectory + explorer "address"; windowsDirectory ends
// in a backslash or is empty (the search path then finds the explorer). A
// double quote inside the address is written as %22 so that the address
// cannot end the quoted argument early.
WideLinkPlan PlanLinkWide(const wchar_t* text, const wchar_t* windowsDirectory);

// Narrow rule (older platforms): the same, except that an e-mail address is a
// text with "@" and no ":".
NarrowLinkPlan PlanLinkNarrow(const char* text, const char* windowsDirectory);
