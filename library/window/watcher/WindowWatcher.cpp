#include "library/window/watcher/WindowWatcher.h"

#include <new>

#include "library/window/watcher/WatcherSession.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

namespace {

// Generous: both only wait for a handful of system calls on the watcher's
// thread, or for one callback that should be quick.
const DWORD RegistrationTimeoutMilliseconds = 5000;
const DWORD StopTimeoutMilliseconds = 5000;

}  // namespace

CWindowWatcher::~CWindowWatcher()
{
    Stop();
}

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
    boost::shared_ptr<CHookModule> module(new (std::nothrow) CHookModule);
    if (!module)
        return WatcherFailure;
    switch (module->Load(modulePath)) {
    case HookModuleLoaded:
        break;
    case HookModuleWrong:
        return WatcherWrongModule;
    default:
        return WatcherModuleNotLoaded;
    }
    boost::shared_ptr<CWatcherSession> created(new (std::nothrow)
                                                   CWatcherSession(module, callback, context));
    if (!created || !created->IsUsable() || thread.Start(created) != 0)
        return WatcherFailure;
    session = created;
    const uint32_t status = session->WaitForRegistration(RegistrationTimeoutMilliseconds);
    if (status != WatcherSuccess) {
        const DWORD error = GetLastError();
        EndThread();
        SetLastError(error);
    }
    return status;
}

uint32_t CWindowWatcher::Stop()
{
    if (!IsStarted())
        return WatcherSuccess;
    if (session->GetThreadId() == GetCurrentThreadId())
        return WatcherFailure;
    return EndThread();
}

// Join only sees the thread's finished signal; waiting for the thread object
// as well means that the thread no longer exists once Stop has returned.
uint32_t CWindowWatcher::EndThread()
{
    const ULONGLONG deadline = GetTickCount64() + StopTimeoutMilliseconds;
    thread.RequestStop();
    uint32_t status = thread.Join(StopTimeoutMilliseconds) == 0 ? WatcherSuccess : WatcherFailure;
    if (status == WatcherSuccess) {
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now < deadline ? DWORD(deadline - now) : 0;
        if (WaitForSingleObject(thread.GetHandle(), left) != WAIT_OBJECT_0)
            status = WatcherFailure;
    }
    thread.Close();
    session.reset();
    return status;
}

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
