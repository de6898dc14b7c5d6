// The running copy's side of the texts a request and its answer carry: the request's selectors
// in the program's own code page, and the reports of the windows acted on, in UTF-8.
#pragma once

#include <windows.h>

#include <vector>

#include "app/command/CommandWire.h"
#include "app/rules/WindowMatch.h"
#include "text/NString.h"

// The window as an answer names it; heldTitle stands in for a title the window no longer has.
WindowReport Report(HWND window, const NString& heldTitle = NString());
std::vector<WindowReport> Reports(const std::vector<HWND>& windows);

// The request's selectors in the program's code page, with --active standing for the window
// that was in front when the command began. False when nothing can match.
bool CriteriaOf(const WireRequest& request, WindowCriteria& criteria);
