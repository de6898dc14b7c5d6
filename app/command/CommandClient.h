// The command's own process: it reads the command line, finds the running copy (starting one in
// the notification area for hide and launch when none runs), hands it the request, waits for the
// answer on a message-only window of its own, prints it and ends with the exit code. Every wait
// is bounded, so a script never hangs on it.
#pragma once

// Runs the command in arguments (the command line without the program's name) and returns its
// exit code (see CommandLine.h).
int RunCommandLine(const wchar_t* arguments);
