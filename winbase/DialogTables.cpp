#include "winbase/DialogTables.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "winbase/WinBase.h"

namespace {

// The dialog objects that exist, from construction to destruction.
std::mutex g_liveLock;
std::vector<const QF_WINBASE*>& LiveDialogs()
{
    static std::vector<const QF_WINBASE*> live;
    return live;
}

bool IsLiveDialog(const QF_WINBASE* object)
{
    std::lock_guard<std::mutex> lock(g_liveLock);
    const std::vector<const QF_WINBASE*>& live = LiveDialogs();
    return std::find(live.begin(), live.end(), object) != live.end();
}

}  // namespace

// The dialogs of the process by window, from WM_INITDIALOG to WM_NCDESTROY.
WindowTable<QF_WINBASE>& BoundDialogs()
{
    static WindowTable<QF_WINBASE> dialogs;
    return dialogs;
}

// WM_INITDIALOG's parameter is the object only when it is one of the objects that exist: any
// program can post the message with a number of its choosing. A window is bound once: a second
// WM_INITDIALOG, even one carrying the bound object's own address, runs no set-up again. (Whether
// the message came from this thread cannot be told: a dialog shown while another program's send
// is answered gets its WM_INITDIALOG inside that send.)
QF_WINBASE* ObjectToBind(HWND window, LPARAM lParam)
{
    auto* object = reinterpret_cast<QF_WINBASE*>(lParam);
    if (BoundDialogs().Find(window) || !IsLiveDialog(object)) {
        return nullptr;
    }
    return object;
}

namespace {

thread_local QF_WINBASE* t_inMaking = nullptr;

}  // namespace

DialogInMaking::DialogInMaking(QF_WINBASE* object) : m_before(t_inMaking)
{
    t_inMaking = object;
}

DialogInMaking::~DialogInMaking()
{
    t_inMaking = m_before;
}

QF_WINBASE* TakeDialogInMaking()
{
    QF_WINBASE* object = t_inMaking;
    t_inMaking = nullptr;
    return IsLiveDialog(object) ? object : nullptr;
}

void QF_WINBASE::Enlist(const QF_WINBASE* self)
{
    std::lock_guard<std::mutex> lock(g_liveLock);
    LiveDialogs().push_back(self);
}

void QF_WINBASE::Unbind(const QF_WINBASE* self)
{
    BoundDialogs().Forget(self);
    std::lock_guard<std::mutex> lock(g_liveLock);
    std::vector<const QF_WINBASE*>& live = LiveDialogs();
    live.erase(std::remove(live.begin(), live.end(), self), live.end());
}

