#include "app/command/CommandLine.h"

#include <cwchar>

namespace {

struct VerbName {
    const wchar_t* name;
    CommandVerb verb;
};

constexpr VerbName kVerbs[] = {
    {L"hide", CommandVerb::Hide},       {L"show", CommandVerb::Show},
    {L"show-all", CommandVerb::ShowAll}, {L"list", CommandVerb::List},
    {L"launch", CommandVerb::Launch},   {L"toggle", CommandVerb::Toggle},
    {L"--help", CommandVerb::Help},
    {L"/?", CommandVerb::Help},
};

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

CommandVerb VerbOf(const std::wstring& word)
{
    for (const VerbName& verb : kVerbs)
        if (_wcsicmp(word.c_str(), verb.name) == 0)
            return verb.verb;
    return CommandVerb::None;
}

// Option names are ASCII; they ignore case as the verbs do.
std::wstring AsciiLower(std::wstring text)
{
    for (wchar_t& c : text)
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    return text;
}

NString Utf8(const std::wstring& text)
{
    NString converted = NString::FromWide(text.c_str(), 0, CP_UTF8);
    return converted.IsNull() ? NString("") : converted;
}

bool ParseUnsigned(const std::wstring& text, int base, uint64_t limit, uint64_t& value)
{
    if (text.empty() || text.size() > 20)
        return false;
    value = 0;
    for (wchar_t c : text) {
        int digit = c >= L'0' && c <= L'9' ? c - L'0'
                  : base == 16 && c >= L'a' && c <= L'f' ? c - L'a' + 10
                  : base == 16 && c >= L'A' && c <= L'F' ? c - L'A' + 10 : -1;
        if (digit < 0 || value > (limit - digit) / base)
            return false;
        value = value * base + digit;
    }
    return true;
}

// Reads the selectors and the other options of words[from...]; stops at the end, at "--" or at
// the first word that is not an option (left in next). Sets request.error on wrong usage.
class OptionReader {
public:
    OptionReader(const std::vector<CommandWord>& words, size_t from, CommandRequest& request)
        : m_words(words), m_next(from), m_request(request)
    {
    }

    // Reads every option the verb allows; false (error set) on the first wrong one.
    bool Read(bool selectors, bool json, bool timeout)
    {
        while (m_next < m_words.size() && m_request.error.IsEmpty()) {
            const std::wstring option = AsciiLower(m_words[m_next].text);
            if (option == L"--" || option.compare(0, 2, L"--") != 0)
                break;
            ++m_next;
            if (!(selectors && ReadSelector(option)) && !(json && ReadJson(option)) &&
                !(timeout && ReadTimeout(option)) && m_request.error.IsEmpty())
                m_request.error = NString("unknown option ") + Utf8(option);
        }
        return m_request.error.IsEmpty();
    }

    size_t Next() const { return m_next; }

private:
    bool ReadSelector(const std::wstring& option)
    {
        WindowCriteria& c = m_request.criteria;
        if (option == L"--active") {
            if (Once(c.active, option))
                c.active = true;
            return true;
        }
        NString* text = option == L"--title" ? &c.title : option == L"--title-like" ? &c.titleLike
                      : option == L"--class" ? &c.className : option == L"--exe" ? &c.exe : nullptr;
        if (text) {
            std::wstring value;
            if (Once(!text->IsEmpty(), option) && Value(option, value))
                *text = Utf8(value);
            return true;
        }
        if (option == L"--pid")
            return ReadNumber(option, c.processId != 0, [&](uint64_t n) { c.processId = static_cast<DWORD>(n); },
                              10, 0xFFFFFFFFull);
        if (option == L"--hwnd")
            return ReadNumber(option, c.window != nullptr,
                              [&](uint64_t n) { c.window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(n)); },
                              16, static_cast<uint64_t>(UINTPTR_MAX));
        return false;
    }

    bool ReadJson(const std::wstring& option)
    {
        if (option != L"--json")
            return false;
        if (Once(m_request.json, option))
            m_request.json = true;
        return true;
    }

    bool ReadTimeout(const std::wstring& option)
    {
        if (option != L"--timeout")
            return false;
        return ReadNumber(option, m_timeoutSeen, [&](uint64_t n) {
            m_request.timeoutSeconds = static_cast<uint32_t>(n);
            m_timeoutSeen = true;
        }, 10, kMaxLaunchTimeoutSeconds);
    }

    template <class Store>
    bool ReadNumber(const std::wstring& option, bool seen, Store store, int base, uint64_t limit)
    {
        std::wstring value;
        uint64_t number = 0;
        if (!Once(seen, option) || !Value(option, value))
            return true;
        std::wstring digits = value;
        if (base == 16) {
            if (digits.size() < 3 || digits[0] != L'0' || (digits[1] != L'x' && digits[1] != L'X'))
                digits.clear();
            else
                digits = digits.substr(2);
        }
        if (!ParseUnsigned(digits, base, limit, number) || number == 0)
            m_request.error = Utf8(option) + " needs " + (base == 16 ? "a handle such as 0x1A2B" : "a positive number") +
                              ", not " + Utf8(value);
        else
            store(number);
        return true;
    }

    bool Once(bool seen, const std::wstring& option)
    {
        if (seen)
            m_request.error = Utf8(option) + " is given twice";
        return !seen;
    }

    bool Value(const std::wstring& option, std::wstring& value)
    {
        if (m_next >= m_words.size() || m_words[m_next].text.empty()) {
            m_request.error = Utf8(option) + " needs a value";
            return false;
        }
        value = m_words[m_next++].text;
        return true;
    }

    const std::vector<CommandWord>& m_words;
    size_t m_next;
    CommandRequest& m_request;
    bool m_timeoutSeen = false;
};

void ReadLaunch(const wchar_t* arguments, const std::vector<CommandWord>& words, OptionReader& reader,
                CommandRequest& request)
{
    size_t first = reader.Next();
    if (first < words.size() && words[first].text == L"--")
        ++first;
    if (first >= words.size()) {
        request.error = "launch needs a program";
        return;
    }
    request.program = arguments + words[first].start;
    size_t end = request.program.size();
    while (end > 0 && IsBlank(request.program[end - 1]))
        --end;
    // Blanks after a quote that is never closed belong to the last argument: they stay.
    const std::vector<CommandWord> trimmed = SplitWords(request.program.substr(0, end).c_str());
    if (!trimmed.empty() && trimmed.back().text == words.back().text)
        request.program.resize(end);
}

} // namespace

const wchar_t* SkipProgramName(const wchar_t* commandLine)
{
    const wchar_t* p = commandLine ? commandLine : L"";
    if (*p == L'"') {
        for (++p; *p && *p != L'"'; ++p) {
        }
        if (*p)
            ++p;
    } else {
        while (*p && !IsBlank(*p))
            ++p;
    }
    while (IsBlank(*p))
        ++p;
    return p;
}

std::vector<CommandWord> SplitWords(const wchar_t* arguments)
{
    std::vector<CommandWord> words;
    const wchar_t* p = arguments ? arguments : L"";
    const wchar_t* begin = p;
    for (;;) {
        while (IsBlank(*p))
            ++p;
        if (!*p)
            return words;
        CommandWord word;
        word.start = static_cast<size_t>(p - begin);
        bool quoted = false;
        while (*p && (quoted || !IsBlank(*p))) {
            size_t backslashes = 0;
            while (*p == L'\\') {
                ++backslashes;
                ++p;
            }
            if (*p == L'"') {
                word.text.append(backslashes / 2, L'\\');
                if (backslashes % 2) {
                    word.text += L'"';
                } else if (quoted && p[1] == L'"') {
                    word.text += L'"';
                    ++p;
                } else {
                    quoted = !quoted;
                }
                ++p;
            } else {
                word.text.append(backslashes, L'\\');
                if (*p && (quoted || !IsBlank(*p)))
                    word.text += *p++;
            }
        }
        words.push_back(word);
    }
}

bool IsCommandLine(const wchar_t* arguments)
{
    const std::vector<CommandWord> words = SplitWords(arguments);
    return !words.empty() && VerbOf(words[0].text) != CommandVerb::None;
}

CommandRequest ParseCommand(const wchar_t* arguments)
{
    CommandRequest request;
    const std::vector<CommandWord> words = SplitWords(arguments);
    request.verb = words.empty() ? CommandVerb::None : VerbOf(words[0].text);
    const CommandVerb verb = request.verb;
    OptionReader reader(words, 1, request);
    const bool selectors = verb == CommandVerb::Hide || verb == CommandVerb::Show || verb == CommandVerb::Toggle;
    if (verb == CommandVerb::None) {
        request.error = "no command given";
    } else if (!reader.Read(selectors, verb == CommandVerb::List, verb != CommandVerb::Help)) {
    } else if (verb == CommandVerb::Launch) {
        ReadLaunch(arguments, words, reader, request);
    } else if (reader.Next() < words.size()) {
        request.error = NString("unexpected ") + Utf8(words[reader.Next()].text);
    } else if (selectors && request.criteria.IsEmpty()) {
        request.error = "give at least one selector";
    }
    if (request.timeoutSeconds == 0)
        request.timeoutSeconds = verb == CommandVerb::Launch ? kDefaultLaunchTimeoutSeconds : kDefaultAnswerTimeoutSeconds;
    return request;
}

const char* CommandUsage()
{
    return "Usage: Veilbox.exe VERB [OPTIONS]\n"
           "  hide SELECTOR...   hide every visible window that matches all selectors into the menu\n"
           "  show SELECTOR...   show every held window that matches, the last one in front\n"
           "  toggle SELECTOR... hide the matching windows when one is in front or none is held,\n"
           "                     else show the held ones that match, the last one in front\n"
           "  show-all           show every held window (Veilbox keeps running)\n"
           "  list [--json]      print the held windows, newest first: handle, process id, program, title\n"
           "  launch [--timeout SECONDS] [--] PROGRAM [ARGS...]\n"
           "                     start a program and hide its first titled window (default 30 s)\n"
           "  --help             print this text\n"
           "Selectors: --title TEXT, --title-like PATTERN (* and ?), --class NAME, --exe NAME,\n"
           "           --pid N, --hwnd 0xHEX, --active (the foreground window); texts ignore case.\n"
           "--timeout SECONDS: how long hide, show, toggle, show-all and list wait for Window Veilbox\n"
           "           to take up the request (default 10 s); a request not taken up by then is dropped.\n"
           "Exit codes: 0 acted (list: printed), 1 nothing matched, 2 wrong usage,\n"
           "            3 Window Veilbox did not answer in time (standard error says what was done),\n"
           "            4 launch failed or timed out.\n";
}
