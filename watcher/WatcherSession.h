#pragma once

// The body of a watcher's thread: the notification window, the registration
// and the pump, from Start to Stop. Shared between the watcher and its thread
// so that a thread that outlives Start's or Stop's time-out, or the watcher
// itself, still has all it uses.

#include <windows.h>

#include <boost/shared_ptr.hpp>

#include <atomic>
#include <cstdint>

#include "library/synchronization/Event.h"
#include "watcher/HookModule.h"
#include "watcher/PlatformWindowEvents.h"
#include "watcher/WindowEvent.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

using NSynchronization::NEvent::CEvent;

class CWatcherSession final
{
public:
    CWatcherSession(const boost::shared_ptr<CHookModule>& module, WindowEventCallback callback,
                    void* context, bool takesSnapshots);
    CWatcherSession(const CWatcherSession&) = delete;
    CWatcherSession& operator=(const CWatcherSession&) = delete;

    bool IsUsable() const;

    // Before the thread starts: as CWindowWatcher::SetPlatformEvents.
    void SetPlatformEvents(PlatformWindowEventCallback callback, void* context)
    {
        platformCallback = callback;
        platformContext = context;
    }

    // The thread procedure, for _beginthreadex; its argument is a heap copy of
    // the shared_ptr to the session, which it deletes.
    static unsigned __stdcall ThreadProc(void* argument);

    // The outcome of the registration on the thread (WatcherStatus). When the
    // thread has not begun to register within the time given, or ended
    // without an outcome, the session is cancelled and WatcherFailure
    // returned: from then on the thread never registers, and it ends as soon
    // as it runs. A thread that is inside Register gets the time once more. For
    // WatcherRegisterFailed the calling thread's last-error value becomes the
    // one Register left on the watcher's thread.
    uint32_t WaitForRegistration(HANDLE thread, DWORD milliseconds);

    // No callback begins after this; the thread unregisters and ends once the
    // callback that runs (if any) has returned.
    void RequestStop();

    // WatcherSuccess while events are delivered; WatcherTakenOver or
    // WatcherCallbackThrew once delivery has ended for that reason.
    uint32_t GetStatus() const { return status; }
    DWORD GetThreadId() const { return threadId; }

private:
    static void OnPlatformEvent(WindowEventKind kind, HWND window, void* context);
    uint32_t Run();
    bool Cancel();
    bool IsStopRequested() const;
    void Pump(HWND window);
    bool DeliverBatch(HWND window, const MSG& first);
    void AddToBatch(const MSG& message, uint32_t index);
    uint32_t TakeMore(HWND window);
    void TakeSnapshot(uint32_t index);
    bool Deliver(const CWindowEvent& event);

    boost::shared_ptr<CHookModule> module;
    WindowEventCallback callback;
    void* context;
    bool takesSnapshots;
    PlatformWindowEventCallback platformCallback = nullptr;
    void* platformContext = nullptr;
    CEvent registered;
    // SessionState: the one word through which Start and the thread agree
    // whether the thread may register at all.
    std::atomic<long> state;
    std::atomic<uint32_t> status;
    uint32_t registrationStatus;
    DWORD registrationError;
    std::atomic<DWORD> threadId;

    // The watcher's thread only: the notifications taken off the queue at
    // once, and what never changes about their windows.
    static const uint32_t BatchCapacity = 64;
    CWindowEvent batch[BatchCapacity];
    CWindowSnapshotCache snapshots;
};

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
