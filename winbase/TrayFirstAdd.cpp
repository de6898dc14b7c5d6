#include "winbase/TrayFirstAdd.h"

#include "winbase/LateLibraries.h"
#include "winbase/ThreadStack.h"

TrayFirstAdd::~TrayFirstAdd()
{
    Finish();
}

// job: a heap-allocated reference to the Job, released here as the thread ends.
DWORD WINAPI TrayFirstAdd::Run(void* job)
{
    const std::unique_ptr<std::shared_ptr<Job>> own(static_cast<std::shared_ptr<Job>*>(job));
    Job& add = **own;
    add.shown = LateShellNotifyIconW(NIM_MODIFY, &add.record) || LateShellNotifyIconW(NIM_ADD, &add.record);
    // The system may keep an ended thread's stack until another thread ends.
    ReleaseUnusedStack();
    return 0;
}

bool TrayFirstAdd::Begin(const NOTIFYICONDATAW& record)
{
    Finish();
    m_job = std::make_shared<Job>();
    m_job->record = record;
    auto threadsReference = std::make_unique<std::shared_ptr<Job>>(m_job);
    m_thread.reset(CreateThread(nullptr, 0, &TrayFirstAdd::Run, threadsReference.get(), 0, nullptr));
    if (m_thread)
        static_cast<void>(threadsReference.release());  // the thread's own now, freed as it ends
    else
        m_job.reset();
    return Pending();
}

TrayFirstAdd::Outcome TrayFirstAdd::Finish(DWORD waitMs)
{
    if (!m_thread)
        return Outcome::kNone;
    const ULONGLONG deadline = GetTickCount64() + waitMs;
    // A message handled here may finish the add itself: the thread is looked up again each round.
    while (m_thread) {
        const HANDLE thread = m_thread.get();
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
        if (MsgWaitForMultipleObjects(1, &thread, FALSE, left, QS_SENDMESSAGE) != WAIT_OBJECT_0 + 1)
            break;
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    if (!m_thread)
        return Outcome::kNone;
    // The job's answer is read only once its thread has ended.
    Outcome outcome = Outcome::kNoAnswer;
    if (WaitForSingleObject(m_thread.get(), 0) == WAIT_OBJECT_0)
        outcome = m_job->shown ? Outcome::kShown : Outcome::kRefused;
    m_thread.reset();
    m_job.reset();
    return outcome;
}
