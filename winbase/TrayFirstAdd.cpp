#include "winbase/TrayFirstAdd.h"

#include "winbase/ThreadStack.h"

TrayFirstAdd::~TrayFirstAdd()
{
    Finish();
}

DWORD WINAPI TrayFirstAdd::Run(void* job)
{
    auto* own = static_cast<Job*>(job);
    own->shown = Shell_NotifyIconW(NIM_MODIFY, &own->record) || Shell_NotifyIconW(NIM_ADD, &own->record);
    // The system may keep an ended thread's stack until another thread ends.
    ReleaseUnusedStack();
    return 0;
}

bool TrayFirstAdd::Begin(const NOTIFYICONDATAW& record)
{
    Finish();
    m_job = std::make_unique<Job>();
    m_job->record = record;
    m_thread.reset(CreateThread(nullptr, 0, &TrayFirstAdd::Run, m_job.get(), 0, nullptr));
    if (!m_thread)
        m_job.reset();
    return Pending();
}

bool TrayFirstAdd::Finish()
{
    if (!m_thread)
        return false;
    const HANDLE thread = m_thread.get();
    DWORD woke;
    while ((woke = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE)) == WAIT_OBJECT_0 + 1) {
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    if (woke != WAIT_OBJECT_0)
        WaitForSingleObject(thread, INFINITE);
    m_thread.reset();
    const bool shown = m_job->shown;
    m_job.reset();
    return shown;
}
