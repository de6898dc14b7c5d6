#include "app/rules/WindowMatch.h"

#include "app/TitleAndIcon.h"
#include "text/WString.h"
#include "text/Wildcard.h"
#include "winbase/ScopedHandles.h"

namespace {

constexpr const char kTaskbarClass[] = "Shell_TrayWnd";

bool GivenAndDiffers(const NString& wanted, const NString& actual)
{
    return !wanted.IsEmpty() && !TextEqualsNoCase(wanted, actual);
}

} // namespace

DWORD WindowFacts::ProcessId()
{
    if (!m_haveProcess) {
        GetWindowThreadProcessId(m_window, &m_processId);
        m_haveProcess = true;
    }
    return m_processId;
}

const NString& WindowFacts::Title()
{
    if (!m_haveTitle) {
        m_title = StoredTitle(m_window);
        if (m_title.IsNull())
            m_title = "";
        m_haveTitle = true;
    }
    return m_title;
}

const NString& WindowFacts::ClassName()
{
    if (!m_haveClass) {
        m_className = NString::FromClassName(m_window);
        if (m_className.IsNull())
            m_className = "";
        m_haveClass = true;
    }
    return m_className;
}

const NString& WindowFacts::ExeName()
{
    if (!m_haveExe) {
        m_exe = ProgramFileName(ProcessId());
        m_haveExe = true;
    }
    return m_exe;
}

// Cheapest fields first: the handle and process id are plain reads, the title and class are the
// system's copies, and the program's file name opens the process.
bool Matches(const WindowCriteria& criteria, WindowFacts& window)
{
    if (criteria.window && criteria.window != window.Window())
        return false;
    if (criteria.active && GetForegroundWindow() != window.Window())
        return false;
    if (criteria.processId && criteria.processId != window.ProcessId())
        return false;
    if (GivenAndDiffers(criteria.className, window.ClassName()))
        return false;
    if (GivenAndDiffers(criteria.title, window.Title()))
        return false;
    if (!criteria.titleLike.IsEmpty() && !WildcardMatchNoCase(criteria.titleLike, window.Title()))
        return false;
    return !GivenAndDiffers(criteria.exe, window.ExeName());
}

bool MayActOn(WindowFacts& window)
{
    HWND handle = window.Window();
    if (!IsWindow(handle) || GetParent(handle) || window.ProcessId() == GetCurrentProcessId())
        return false;
    if (window.Title().IsEmpty() || window.Title().Equals(kDesktopTitle))
        return false;
    return !window.ClassName().EqualsNoCase(kTaskbarClass);
}

std::vector<HWND> VisibleMatchingWindows(const WindowCriteria& criteria)
{
    struct Pass {
        const WindowCriteria* criteria;
        std::vector<HWND> found;
    } pass{&criteria, {}};
    EnumWindows(
        [](HWND handle, LPARAM param) -> BOOL {
            auto* p = reinterpret_cast<Pass*>(param);
            if (!IsWindowVisible(handle))
                return TRUE;
            WindowFacts window(handle);
            if (MayActOn(window) && Matches(*p->criteria, window))
                p->found.push_back(handle);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&pass));
    return pass.found;
}

namespace {

constexpr DWORD kMaxPath = MAX_PATH * 2;

// The program's full path in UTF-16, split there: under a legacy code page a path separator's
// byte can be the second byte of a character. False when the process cannot be asked.
bool WideProgramPath(DWORD processId, wchar_t (&path)[kMaxPath])
{
    const OwnedHandle process(processId ? OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId)
                                        : nullptr);
    if (!process)
        return false;
    DWORD length = kMaxPath;
    const bool read = QueryFullProcessImageNameW(process.get(), 0, path, &length) && length > 0 && length < kMaxPath;
    if (read)
        path[length] = L'\0';
    return read;
}

} // namespace

std::wstring ProgramPath(DWORD processId)
{
    wchar_t path[kMaxPath] = {};
    return WideProgramPath(processId, path) ? std::wstring(path) : std::wstring();
}

bool SameProgramPath(const std::wstring& one, const std::wstring& other)
{
    return !one.empty() && one.size() == other.size() &&
           CompareStringOrdinal(one.c_str(), static_cast<int>(one.size()), other.c_str(),
                                static_cast<int>(other.size()), TRUE) == CSTR_EQUAL;
}

NString ProgramFileName(DWORD processId)
{
    wchar_t path[kMaxPath] = {};
    if (!WideProgramPath(processId, path))
        return NString("");
    const wchar_t* file = path;
    for (const wchar_t* p = path; *p; ++p)
        if (*p == L'\\' || *p == L'/')
            file = p + 1;
    const NString name = NString::FromWide(file);
    return name.IsNull() ? NString("") : name;
}

namespace {

uint64_t FileTimeCount(const FILETIME& time)
{
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// The process's creation and exit times (exit 0 while it runs); false when it cannot be asked.
bool ProcessTimes(DWORD processId, uint64_t& created, uint64_t& exited)
{
    const OwnedHandle process(processId ? OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId)
                                        : nullptr);
    if (!process)
        return false;
    FILETIME creation = {}, exit = {}, kernel = {}, user = {};
    const bool known = GetProcessTimes(process.get(), &creation, &exit, &kernel, &user) != FALSE;
    created = FileTimeCount(creation);
    exited = FileTimeCount(exit);
    return known;
}

} // namespace

uint64_t ProcessCreationTime(DWORD processId)
{
    uint64_t created = 0, exited = 0;
    return ProcessTimes(processId, created, exited) ? created : 0;
}

bool ProcessRunning(DWORD processId, uint64_t created)
{
    uint64_t actual = 0, exited = 0;
    return created != 0 && ProcessTimes(processId, actual, exited) && actual == created && exited == 0;
}
