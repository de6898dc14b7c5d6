// A probe dialog that uses the tray as the main dialog does (callback message
// 0x8001, a title, an optional tray menu), with settings under a throw-away
// key, and helpers that look at its tray icon through the shell.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <string>

#include "component/WinbaseProbe.h"
#include "settings/SettingsKey.h"
#include "support/TestSupport.h"

namespace winbase_test {

constexpr char kTrayTestKeyName[] = "VeilboxTrayTest";
constexpr char kTrayTestKeyPath[] = "Software\\Quillfen\\VeilboxTrayTest";
constexpr UINT kTestTrayMessage = WM_APP + 1;

class TrayProbe : public ProbeDialog {
public:
    explicit TrayProbe(int templateId = IDD_HIDDEN, const char* keyName = kTrayTestKeyName)
        : ProbeDialog(templateId, nullptr, keyName)
    {
        usesTray = true;
    }

    UINT TrayMessage() const override { return trayMessage; }
    HMENU TrayMenu() const override { return trayMenu; }
    NString Title() const override { return "Veilbox Tray Probe"; }

    UINT trayMessage = kTestTrayMessage;
    HMENU trayMenu = nullptr;

    // Sends the tray callback as the shell would.
    void TrayClick(LPARAM mouseMessage) { SendMessageA(Window(), trayMessage, 0, mouseMessage); }
};

// The settings of the probe's actions, relative to the throw-away key.
inline SettingsKey TestKey(const char* subKey = nullptr)
{
    SettingsKey root(HKEY_CURRENT_USER, kTrayTestKeyPath);
    return subKey ? SettingsKey(root, subKey) : root;
}

// -1 when the value is absent.
inline int32_t ReadTestValue(const char* subKey, const char* name)
{
    int32_t value = -1;
    TestKey(subKey).ReadInt(name, value);
    return value;
}

// Whether the shell holds an icon (window, 0): a modify that changes
// nothing succeeds exactly for an existing icon.
inline bool TrayIconExists(HWND window)
{
    NOTIFYICONDATAW record = {};
    record.cbSize = NOTIFYICONDATAW_V1_SIZE;
    record.hWnd = window;
    return Shell_NotifyIconW(NIM_MODIFY, &record) != FALSE;
}

// A real left click on the first icon of the shell's tray window, as the
// user gives it: the shell reports it only through the icon's callback
// message.
inline bool ClickFirstTrayIcon()
{
    HWND tray = FindWindowA("__winex11_standalone_tray", nullptr);
    HWND icon = tray ? FindWindowExA(tray, nullptr, "__winex11_tray_icon", nullptr) : nullptr;
    if (!icon) {
        return false;
    }
    return vbtest::ClickCentreOf(icon);
}

}  // namespace winbase_test
