// The command's own process: it reads the command line, finds the running copy (starting one in
// the notification area for hide and launch when none runs), hands it the request, waits for the
// answer on a message-only window of its own (ReplyWindow), prints it and ends with the exit
// code. Every wait is bounded, so a script never hangs on it, and a request the command stopped
// waiting for is not carried out. A launched program runs from the start: nothing the command
// leaves undone can keep it suspended.
#pragma once

// Runs the command in arguments (the command line without the program's name) and returns its
// exit code (see CommandLine.h).
int RunCommandLine(const wchar_t* arguments);
