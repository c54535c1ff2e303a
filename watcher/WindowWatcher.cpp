#include "watcher/WindowWatcher.h"

#include <process.h>

#include <new>
#include <utility>

#include "library/synchronization/NewShared.h"
#include "watcher/WatcherSession.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

namespace {

// Generous: after a cancelled start the thread only has to leave its
// start-up; at Stop it has to finish at most one callback that should be
// quick.
const DWORD EndTimeoutMilliseconds = 5000;

using SessionPtr = boost::shared_ptr<CWatcherSession>;

}  // namespace

// From the callback, Stop would wait for the very thread that runs it: the
// thread is told to stop instead, and left to unregister and end by itself
// once the callback has returned.
CWindowWatcher::~CWindowWatcher()
{
    if (IsStarted() && IsOnOwnThread()) {
        session->RequestStop();
        thread.Reset();
        session.reset();
        return;
    }
    Stop();
}

// The thread is the watcher's own rather than a CThread, whose Start gives up
// after a fixed second and forgets the thread: a Start here must be able to
// wait longer for a thread that begins late, and to wait for it to end when
// it gives up.
uint32_t CWindowWatcher::Start(WindowEventCallback callback, void* context,
                               const wchar_t* modulePath)
{
    if (IsStarted() || callback == nullptr)
        return WatcherFailure;
    wchar_t defaultPath[MAX_PATH];
    if (modulePath == nullptr) {
        if (GetDefaultHookModulePath(defaultPath, MAX_PATH) != 0)
            return WatcherModuleNotLoaded;
        modulePath = defaultPath;
    }
    const boost::shared_ptr<CHookModule> module = NSynchronization::NewShared<CHookModule>();
    if (!module)
        return WatcherFailure;
    const uint32_t loaded = module->Load(modulePath);
    if (loaded != WatcherSuccess)
        return loaded;
    const SessionPtr created =
        NSynchronization::NewShared<CWatcherSession>(module, callback, context, takesSnapshots);
    if (created)
        created->SetPlatformEvents(platformCallback, platformContext);
    if (!created || !created->IsUsable())
        return WatcherFailure;
    SessionPtr* argument = new (std::nothrow) SessionPtr(created);
    if (argument == nullptr)
        return WatcherFailure;
    const uintptr_t began =
        _beginthreadex(nullptr, 0, &CWatcherSession::ThreadProc, argument, 0, nullptr);
    if (began == 0) {
        delete argument;
        return WatcherFailure;
    }
    NSynchronization::CUniqueHandle started(reinterpret_cast<HANDLE>(began));
    const uint32_t status = created->WaitForRegistration(started.Get(), startTimeout);
    if (status != WatcherSuccess) {
        const DWORD error = GetLastError();
        WaitForSingleObject(started.Get(), EndTimeoutMilliseconds);
        SetLastError(error);
        return status;
    }
    thread = std::move(started);
    session = created;
    return WatcherSuccess;
}

uint32_t CWindowWatcher::Stop()
{
    if (!IsStarted())
        return WatcherSuccess;
    if (IsOnOwnThread())
        return WatcherFailure;
    return EndThread();
}

uint32_t CWindowWatcher::GetStatus() const
{
    return IsStarted() ? session->GetStatus() : WatcherSuccess;
}

bool CWindowWatcher::IsOnOwnThread() const
{
    return session->GetThreadId() == GetCurrentThreadId();
}

// A thread that has not ended in time goes on alone with its own reference
// to the session and calls no further callback.
uint32_t CWindowWatcher::EndThread()
{
    session->RequestStop();
    const uint32_t status =
        WaitForSingleObject(thread.Get(), EndTimeoutMilliseconds) == WAIT_OBJECT_0 ? WatcherSuccess
                                                                                   : WatcherFailure;
    thread.Reset();
    session.reset();
    return status;
}

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
