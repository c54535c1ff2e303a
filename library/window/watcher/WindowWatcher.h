#pragma once

// Window events of the whole desktop for an application, through the hook
// module:
//
//   CWindowWatcher watcher;
//   watcher.Start(OnWindowEvent, context);  // calls OnWindowEvent(event, context)
//   ...
//   watcher.Stop();
//
// The watcher loads the module, creates its notification window on a thread
// of its own that only pumps messages, registers and enables the hook, and
// hands every notification to the callback with a snapshot of the window.
//
// The callback runs on that thread and must be quick: while it runs, the
// thread does not pump, and Windows serves the hook of 32-bit processes
// through that thread, so those processes wait for it. Queue slow work to a
// thread of your own. Do not call Stop from the callback (it fails there).
//
// Two watchers: the module keeps one hook per desktop, and the last Register
// anywhere on the desktop takes it over. A newer watcher therefore silences an
// older one, which receives nothing until it is started again. Within one
// process an older watcher that stops leaves the newer one's hook in place; a
// watcher in another process that stops removes the hook for everyone.

#include <windows.h>

#include <boost/shared_ptr.hpp>

#include <cstdint>

#include "library/synchronization/Thread.h"
#include "library/window/watcher/WindowEvent.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

class CWatcherSession;

enum WatcherStatus : uint32_t
{
    WatcherSuccess = 0,
    // Already started, no callback, no thread or window, Stop called from the
    // callback, or the thread did not end in time.
    WatcherFailure = 1,
    WatcherModuleNotLoaded =
        2,                   // the module could not be loaded (last-error as LoadLibraryW left it)
    WatcherWrongModule = 3,  // the file loaded, but it is not the hook module
    WatcherRegisterFailed = 4,  // Register failed (last-error as Register left it)
};

// Start, Stop and destruction belong to one owner thread.
class CWindowWatcher
{
public:
    CWindowWatcher() = default;
    ~CWindowWatcher();  // Stop
    CWindowWatcher(const CWindowWatcher&) = delete;
    CWindowWatcher& operator=(const CWindowWatcher&) = delete;

    // A null module path means the module beside this process's executable.
    // Returns once the hook is registered and enabled, or with the failure
    // (WatcherStatus); a failed Start leaves no thread behind.
    uint32_t Start(WindowEventCallback callback, void* context,
                   const wchar_t* modulePath = nullptr);

    // Disables and removes the hook, drops what has not been delivered yet and
    // ends the thread. No callback runs after Stop has returned 0. Returns 1
    // when called from the callback, or when a callback has not returned
    // within five seconds: the thread is then left to end on its own after
    // that callback, without calling another one.
    uint32_t Stop();

    bool IsStarted() const { return session.get() != nullptr; }

private:
    uint32_t EndThread();

    NSynchronization::NThread::CThread thread;
    boost::shared_ptr<CWatcherSession> session;
};

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
