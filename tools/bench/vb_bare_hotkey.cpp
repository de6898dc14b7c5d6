// vb_bare_hotkey.exe: the floor of Hide Active. It holds Ctrl+Shift+H, as Veilbox does, and
// hides the foreground window with ShowWindow when the hotkey arrives; nothing else.
//
//   vb_bare_hotkey.exe EVENT [FILE]   sets the named event once the hotkey is held (FILE: the rest
//                                     of the command line)
//
// With FILE, each hide is preceded by the least a settings file's record costs when it must be in
// the file before the hide: the file's text (a few hundred bytes) is written to a temporary file
// beside it, flushed, and moved over it with MoveFileExW(MOVEFILE_REPLACE_EXISTING |
// MOVEFILE_WRITE_THROUGH). That is the floor of a hide in portable mode.
// Ends with exit code 2 when another program holds the hotkey.
#include <windows.h>

#include <string>

namespace {

// A held-window record and the settings around it, about the size Veilbox writes.
std::string FileText(unsigned count)
{
    std::string text = "\xEF\xBB\xBF[Interface]\r\nLanguage=\"en-US\"\r\n[Held]\r\nOwnerProcessId=4242\r\n";
    text += "OwnerCreated=\"133790000000000000\"\r\n";
    text += "000=\"Window=0x" + std::to_string(0x10000 + count) +
            "|ProcessId=4242|Title=Veilbox bench target|Class=VbBenchWindow|Path=C:\\\\bench\\\\vb_testwin.exe\"\r\n";
    return text;
}

// Not named ReplaceFile: the SDK's macro of that name would turn it into an overload of ReplaceFileA.
bool ReplaceWithText(const std::string& path, unsigned count)
{
    const std::string temp = path + ".tmp";
    const HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const std::string text = FileText(count);
    DWORD written = 0;
    const bool flushed = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                         written == text.size() && FlushFileBuffers(file);
    CloseHandle(file);
    return flushed && MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    constexpr int kHotkeyId = 1;
    const std::string arguments = commandLine ? commandLine : "";
    const size_t space = arguments.find(' ');
    const std::string event = arguments.substr(0, space);
    const std::string file = space == std::string::npos ? "" : arguments.substr(space + 1);
    if (!RegisterHotKey(nullptr, kHotkeyId, MOD_CONTROL | MOD_SHIFT, 'H'))
        return 2;
    if (HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, event.c_str())) {
        SetEvent(ready);
        CloseHandle(ready);
    }
    unsigned count = 0;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_HOTKEY && msg.wParam == kHotkeyId) {
            if (!file.empty() && !ReplaceWithText(file, ++count))
                return 3;
            if (HWND window = GetForegroundWindow())
                ShowWindow(window, SW_HIDE);
        }
    }
    return 0;
}
