// The command line of a script or a shortcut: "Veilbox.exe VERB [OPTIONS]" acts through the
// running copy and ends with an exit code. This part splits and reads the words; it asks the
// system nothing, so every rule is checked by plain tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/SingleInstance.h"
#include "app/rules/WindowMatch.h"
#include "text/NString.h"

enum class CommandVerb { None, Hide, Show, ShowAll, List, Launch, Help, Toggle };

// Exit codes of a command, besides kExitNoAnswer (3): the running copy did not answer in time.
constexpr int kExitActed = 0;         // acted on a window (list: printed, even nothing)
constexpr int kExitNoMatch = 1;       // nothing matched, nothing held, or no copy runs
constexpr int kExitUsage = 2;         // wrong usage: a reason and the usage on standard error
constexpr int kExitLaunchFailed = 4;  // launch: not started, or no window before the timeout

// --timeout: launch waits this long for the program's window, every other verb this long for
// the running copy to take up its request.
constexpr uint32_t kDefaultLaunchTimeoutSeconds = 30;
constexpr uint32_t kDefaultAnswerTimeoutSeconds = 10;
constexpr uint32_t kMaxLaunchTimeoutSeconds = 86400;

// What a command line asks for. criteria.active stands for the foreground window as the command
// found it when it started.
struct CommandRequest {
    CommandVerb verb = CommandVerb::None;
    WindowCriteria criteria;
    bool json = false;
    uint32_t timeoutSeconds = 0;  // --timeout, or the verb's default
    std::wstring program;  // launch: the program's command line, exactly as it was typed
    NString error;         // set for wrong usage: a one-line reason
};

// One word of a command line and where it starts in the text it was split from.
struct CommandWord {
    std::wstring text;
    size_t start = 0;
};

// The arguments of a whole command line: what follows the program's name (quoted or not) and
// the blanks after it.
const wchar_t* SkipProgramName(const wchar_t* commandLine);

// Splits arguments as the C runtime does: blanks separate words, double quotes group (a doubled
// quote inside quotes is a quote), and backslashes are literal except before a quote (2n
// backslashes and a quote: n backslashes, the quote groups; 2n+1: n backslashes and a quote).
std::vector<CommandWord> SplitWords(const wchar_t* arguments);

// True when the first word is one of the verbs (or --help, /?); any other command line is an
// ordinary start. Verbs are not case-sensitive.
bool IsCommandLine(const wchar_t* arguments);

// Reads the verb and its options. Selectors (hide, show, toggle): --title, --title-like, --class, --exe,
// --pid N, --hwnd 0xHEX, --active, at least one, each once; --timeout SECONDS for every verb.
// Texts are UTF-8.
CommandRequest ParseCommand(const wchar_t* arguments);

// The usage text printed by --help and after a wrong usage.
const char* CommandUsage();
