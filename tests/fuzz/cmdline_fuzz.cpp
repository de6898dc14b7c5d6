// The command line a script or a shortcut gives. The input is UTF-16 units, two bytes each. The
// splitter and the parser must not fault, and: every word starts where the splitter says; words
// quoted back the way a careful caller quotes them split into the same words; the parse of that
// re-joined line reads the same request; a line is a command exactly when its parse has a verb;
// a parse without error has what its verb needs.
#include "app/command/CommandLine.h"
#include "FuzzSupport.h"

namespace {

// Quotes one word so that the C runtime's rules give it back unchanged: inside quotes, a quote
// is a backslash and the quote, and the backslashes before a quote (or before the closing one)
// are doubled.
std::wstring Quoted(const std::wstring& word)
{
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : word) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

std::wstring Joined(const std::vector<CommandWord>& words, size_t from = 0)
{
    std::wstring line;
    for (size_t i = from; i < words.size(); ++i)
        line += (line.empty() ? L"" : L" ") + Quoted(words[i].text);
    return line;
}

std::vector<std::wstring> Texts(const std::vector<CommandWord>& words)
{
    std::vector<std::wstring> texts;
    for (const CommandWord& word : words)
        texts.push_back(word.text);
    return texts;
}

bool SameCriteria(const WindowCriteria& x, const WindowCriteria& y)
{
    return x.active == y.active && x.window == y.window && x.processId == y.processId && SameText(x.title, y.title) &&
           SameText(x.titleLike, y.titleLike) && SameText(x.className, y.className) && SameText(x.exe, y.exe);
}

void CheckSplit(const std::wstring& line, const std::vector<CommandWord>& words)
{
    size_t last = 0;
    for (size_t i = 0; i < words.size(); ++i) {
        Check(words[i].start < line.size(), "a word starts inside the line");
        Check(i == 0 || words[i].start > last, "words start in order");
        Check(line[words[i].start] != L' ' && line[words[i].start] != L'\t', "a word starts at no blank");
        last = words[i].start;
    }
    Check(Texts(SplitWords(Joined(words).c_str())) == Texts(words), "quoted words split back into themselves");
}

void CheckParse(const std::wstring& line, const std::vector<CommandWord>& words)
{
    const CommandRequest request = ParseCommand(line.c_str());
    Check(IsCommandLine(line.c_str()) == (request.verb != CommandVerb::None), "a command line is one with a verb");
    if (request.error.IsEmpty()) {
        const bool selectors = request.verb == CommandVerb::Hide || request.verb == CommandVerb::Show;
        Check(request.verb != CommandVerb::None, "a parse without a verb says why");
        Check(!selectors || !request.criteria.IsEmpty(), "hide and show have a selector");
        Check(selectors || request.criteria.IsEmpty(), "only hide and show take selectors");
        Check(request.timeoutSeconds > 0 && request.timeoutSeconds <= kMaxLaunchTimeoutSeconds, "a wait in range");
        Check(request.verb != CommandVerb::Launch || !request.program.empty(), "launch has a program");
    }
    const CommandRequest again = ParseCommand(Joined(words).c_str());
    Check(again.verb == request.verb, "the re-joined line has the same verb");
    Check(again.error.IsEmpty() == request.error.IsEmpty(), "the re-joined line is as right or wrong");
    if (!request.error.IsEmpty())
        return;
    Check(SameCriteria(again.criteria, request.criteria), "the re-joined line selects the same windows");
    Check(again.json == request.json && again.timeoutSeconds == request.timeoutSeconds, "the same options");
    if (request.verb == CommandVerb::Launch) {
        const std::vector<std::wstring> program = Texts(SplitWords(request.program.c_str()));
        Check(program == Texts(SplitWords(again.program.c_str())), "launch starts the same program and arguments");
        Check(!program.empty() && words.size() >= program.size() &&
                  std::equal(program.begin(), program.end(), Texts(words).end() - program.size()),
              "launch's program is the line's last words, exactly as typed");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::wstring line;
    for (size_t i = 0; i + 1 < size; i += 2) {
        const wchar_t unit = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
        if (unit == 0)
            break;
        line += unit;
    }
    const wchar_t* arguments = SkipProgramName(line.c_str());
    Check(arguments >= line.c_str() && arguments <= line.c_str() + line.size(), "the arguments lie in the line");
    const std::wstring rest(arguments);
    const std::vector<CommandWord> words = SplitWords(rest.c_str());
    CheckSplit(rest, words);
    CheckParse(rest, words);
    return 0;
}
