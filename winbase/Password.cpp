// The password asked before a dialog comes back from the tray.
#include "winbase/WinBase.h"

namespace {

// Set while a check runs in this process, including its modal dialog, so a
// restore request that arrives through a nested message loop is refused
// instead of opening a second dialog.
bool g_passwordCheckRunning = false;

class PasswordCheckScope {
public:
    PasswordCheckScope() { g_passwordCheckRunning = true; }
    ~PasswordCheckScope() { g_passwordCheckRunning = false; }
    PasswordCheckScope(const PasswordCheckScope&) = delete;
    PasswordCheckScope& operator=(const PasswordCheckScope&) = delete;
};

}  // namespace

bool QF_WINBASE::CheckRestorePassword()
{
    if (g_passwordCheckRunning) {
        return false;
    }
    PasswordCheckScope scope;
    SettingsKey password(m_settings, "Password");
    int32_t usePassword = 0;
    password.ReadInt("UseSystrayPassword", usePassword);
    if (usePassword == 0) {
        return true;
    }
    NString stored;
    password.ReadText("Password", stored);
    return AskRestorePassword(stored);
}

bool QF_WINBASE::AskRestorePassword(NString&)
{
    return false;
}
