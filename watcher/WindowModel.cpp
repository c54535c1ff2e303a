#include "watcher/WindowModel.h"

#include <new>

#include "library/synchronization/NewShared.h"
#include "watcher/WindowModelSession.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

// From the callback, Stop would wait for the very thread that runs it: the
// thread is told to stop instead, and ends by itself once the callback has
// returned, with its own reference to everything it uses.
CWindowModel::~CWindowModel()
{
    if (IsStarted() && session->IsOnDeliveryThread()) {
        session->RequestStop();
        session.reset();
        return;
    }
    Stop();
}

uint32_t CWindowModel::Start(WindowModelCallback callback, void* context,
                             const CWindowModelSettings& settings)
{
    if (IsStarted() || callback == nullptr)
        return WatcherFailure;
    const boost::shared_ptr<CWindowModelSession> created =
        NSynchronization::NewShared<CWindowModelSession>(callback, context, settings);
    if (!created || !created->IsUsable())
        return WatcherFailure;
    const uint32_t status = created->Start(created);
    if (status == WatcherSuccess)
        session = created;
    return status;
}

// A thread that has not ended in time goes on alone with its own reference
// to the session and calls no further callback.
uint32_t CWindowModel::Stop()
{
    if (!IsStarted())
        return WatcherSuccess;
    if (session->IsOnDeliveryThread())
        return WatcherFailure;
    const bool ended = session->Stop();
    session.reset();
    return ended ? WatcherSuccess : WatcherFailure;
}

bool CWindowModel::IsStarted() const
{
    return session.get() != nullptr;
}

uint32_t CWindowModel::GetStatus() const
{
    return IsStarted() ? session->GetStatus() : WatcherSuccess;
}

uint32_t CWindowModel::CopyWindows(std::vector<CWindowState>& windows) const
{
    windows.clear();
    if (!IsStarted())
        return 1;
    try {
        session->GetTable().Copy(windows);
    } catch (const std::bad_alloc&) {
        windows.clear();
        return 1;
    }
    return 0;
}

uint32_t CWindowModel::GetWindow(HWND window, CWindowState& state) const
{
    if (!IsStarted() || !session->GetTable().Get(window, &state))
        return 1;
    return 0;
}

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
