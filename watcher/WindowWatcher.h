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
// Deleting the watcher from its own callback is allowed: no callback follows,
// and the thread unregisters and ends by itself once that callback returns.
// The callback should not throw; when it does, the exception is caught on the
// watcher's thread, nothing more is delivered, the hook is removed and
// GetStatus reports WatcherCallbackThrew until Stop.
//
// Two watchers: the module keeps one hook per desktop, and the last Register
// anywhere on the desktop takes it over. A newer watcher, in this process or
// another, therefore silences an older one: within a tenth of a second the
// older one delivers one WindowEventTakenOver event (null window), delivers
// nothing after it, and GetStatus reports WatcherTakenOver until Stop; it
// receives nothing until it is started again, even when the newer one stops.
// A watcher that stops removes the hook only while it is still its own.

#include <windows.h>

#include <boost/shared_ptr.hpp>

#include <cstdint>

#include "library/synchronization/UniqueHandle.h"
#include "watcher/PlatformWindowEvents.h"
#include "watcher/WatcherStatus.h"
#include "watcher/WindowEvent.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

class CWatcherSession;

// How long Start waits, unless told otherwise, for the watcher's thread to
// begin and register: long enough for a first start on a loaded machine.
const DWORD DefaultStartTimeoutMilliseconds = 30000;

// Start, Stop and destruction belong to one owner thread; destruction may
// also come from the watcher's own callback.
class CWindowWatcher
{
public:
    CWindowWatcher() = default;
    // Stop; from the watcher's own callback, see above.
    ~CWindowWatcher();
    CWindowWatcher(const CWindowWatcher&) = delete;
    CWindowWatcher& operator=(const CWindowWatcher&) = delete;

    // A null module path means the module beside this process's executable.
    // Returns once the hook is registered and enabled, or with the failure
    // (WatcherStatus). A Start that gives up waiting (WatcherFailure) cancels
    // the thread, which then never registers, and waits up to five seconds
    // more for it to end: a failed Start leaves no thread behind and never
    // touches another watcher's registration.
    uint32_t Start(WindowEventCallback callback, void* context,
                   const wchar_t* modulePath = nullptr);

    // For the Starts that follow; DefaultStartTimeoutMilliseconds until set.
    void SetStartTimeout(DWORD milliseconds) { startTimeout = milliseconds; }

    // For the Starts that follow; true until set. False hands each
    // notification on as soon as it is taken off the queue, with an empty
    // snapshot (gone): for a caller that reads the window later and only
    // once for many notifications (the window model).
    void SetTakesSnapshots(bool take) { takesSnapshots = take; }

    // For the Starts that follow; none until set. The watcher's thread also
    // hooks the platform's activation and title events (PlatformWindowEvents.h)
    // before it registers, and calls this function for them on that thread,
    // between notifications, until Stop.
    void SetPlatformEvents(PlatformWindowEventCallback callback, void* context)
    {
        platformCallback = callback;
        platformContext = context;
    }

    // Disables and removes the hook, drops what has not been delivered yet and
    // ends the thread. No callback runs after Stop has returned 0. Returns 1
    // when called from the callback, or when a callback has not returned
    // within five seconds: the thread is then left to end on its own after
    // that callback, without calling another one.
    uint32_t Stop();

    bool IsStarted() const { return session.get() != nullptr; }

    // WatcherSuccess while started and delivering, and when not started;
    // WatcherTakenOver or WatcherCallbackThrew once delivery has ended for
    // that reason (the watcher stays started until Stop).
    uint32_t GetStatus() const;

private:
    bool IsOnOwnThread() const;
    uint32_t EndThread();

    NSynchronization::CUniqueHandle thread;
    boost::shared_ptr<CWatcherSession> session;
    DWORD startTimeout = DefaultStartTimeoutMilliseconds;
    bool takesSnapshots = true;
    PlatformWindowEventCallback platformCallback = nullptr;
    void* platformContext = nullptr;
};

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
