// The maker's addresses shown and opened by the program: one place to change
// them.
#pragma once

// The maker's name, shown as the text of the web-site link.
constexpr wchar_t kMakerName[] = L"Quillfen";
// The maker's web site; "&Visit Quillfen" and the About dialog open it.
constexpr wchar_t kMakerWebSite[] = L"http://www.quillfen.com/";
// Where users write to; the About dialog adds "?subject=<product name>".
constexpr wchar_t kSupportEMail[] = L"support@quillfen.com";
// The project link of the About dialog: its text and its page.
constexpr wchar_t kProjectLinkText[] = L"Stanford University Folding@Home";
constexpr wchar_t kProjectPage[] = L"http://foldingathome.org/";

// The Start-with-Windows shortcut's file name (without ".lnk") and comment.
constexpr char kStartupLinkName[] = "Window Veilbox";
constexpr char kStartupLinkDescription[] = "Manage active windows with grace";
