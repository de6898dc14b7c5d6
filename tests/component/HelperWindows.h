// Windows of another program for the tests: starts the vb_testwin helper
// (next to the test program) with a description of its windows, waits until
// they exist and ends the helper again when the object goes.
#pragma once

#include <windows.h>

#include <string>

#include "support/TargetWindows.h"
#include "support/TestSupport.h"
#include "text/NString.h"

class HelperWindows {
public:
    // windowArgs: the helper's window description (UTF-8), e.g.
    // "--window --title \"T\" --popup". With hangAfterMs >= 0 the helper stops
    // answering messages that long after it is ready.
    explicit HelperWindows(const std::string& windowArgs, int hangAfterMs = -1)
        : m_targets((hangAfterMs >= 0 ? "--hang-after-ms " + std::to_string(hangAfterMs) + " " : std::string()) +
                    windowArgs)
    {
    }

    // True when the helper started and reported its windows; Error() says why not.
    bool Ready() const { return m_targets.Ready(); }
    const std::string& Error() const { return m_targets.Error(); }

    size_t Count() const { return m_targets.Count(); }
    HWND Window(size_t index) const { return m_targets[index]; }

private:
    vbtest::TargetWindows m_targets;
};

// A tag unique to this test process, to keep window titles apart from
// anybody else's.
std::string UniqueTag();

// Polls condition every few milliseconds, pumping this thread's messages,
// until it holds or timeoutMs passes; the condition's last value.
template <typename Condition>
bool WaitFor(Condition condition, DWORD timeoutMs = 3000)
{
    return vbtest::WaitFor(condition, timeoutMs) || condition();
}
