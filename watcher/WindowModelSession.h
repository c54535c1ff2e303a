#pragma once

// The window model's working parts from Start to Stop, shared between the
// model and its delivery thread, so that a thread that outlives Stop's
// time-out, or the model itself (deleted from its callback), still has all
// it uses.
//
// Three kinds of threads meet here. The watcher's thread only notes each
// notification, and each of the platform's window events, in the pending
// changes. The system's wait threads note the end of a process there. The
// delivery thread does the rest: it takes the pending changes in order,
// reads the window once for each, updates the table, numbers the event and
// calls the application, outside every lock; when nothing waits it sleeps on
// the pending changes until one comes or the next deadline (Settled, Gone).

#include <windows.h>

#include <boost/shared_ptr.hpp>

#include <atomic>
#include <cstdint>
#include <deque>
#include <string>

#include "library/synchronization/Event.h"
#include "library/synchronization/UniqueHandle.h"
#include "watcher/PendingChanges.h"
#include "watcher/ProcessEndWatch.h"
#include "watcher/WindowModel.h"
#include "watcher/WindowTable.h"
#include "watcher/WindowWatcher.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

class CWindowModelSession final
{
public:
    CWindowModelSession(WindowModelCallback callback, void* context,
                        const CWindowModelSettings& settings);
    CWindowModelSession(const CWindowModelSession&) = delete;
    CWindowModelSession& operator=(const CWindowModelSession&) = delete;

    bool IsUsable() const;

    // On the owner thread: starts the delivery thread, the watcher and the
    // Present changes (WatcherStatus). A failed start leaves no thread
    // behind unless one did not even begin within the time-outs; that one
    // ends as soon as it runs.
    uint32_t Start(const boost::shared_ptr<CWindowModelSession>& self);

    // No callback begins after this; the delivery thread then stops the
    // watcher and the waits and ends.
    void RequestStop();
    // RequestStop, and true once the delivery thread has ended in time.
    bool Stop();
    bool IsOnDeliveryThread() const { return threadId == GetCurrentThreadId(); }

    uint32_t GetStatus() const { return status; }
    const CWindowTable& GetTable() const { return table; }

private:
    class CGoneCheck
    {
    public:
        HWND window;
        ULONGLONG deadline;
    };

    static unsigned __stdcall ThreadProc(void* argument);
    static void OnNotification(const CWindowEvent& event, void* context);
    static void OnPlatformEvent(WindowEventKind kind, HWND window, void* context);
    static void OnProcessEnded(DWORD processId, void* context);

    void Run();
    bool IsStopRequested() const { return stopRequested; }
    void HandleEndedProcesses(ULONGLONG now);
    void RunDueGoneChecks(ULONGLONG now);
    void ScheduleGoneCheck(HWND window, ULONGLONG now);
    void WatchProcess(HWND window, DWORD processId, ULONGLONG now);
    bool Deliver(const CPendingChange& change);
    bool Call(CWindowModelEvent& event);

    const WindowModelCallback callback;
    void* const context;
    const std::wstring modulePath;
    const bool hasModulePath;
    const DWORD startTimeout;

    NSynchronization::NEvent::CEvent ready;
    std::atomic<bool> stopRequested;
    std::atomic<uint32_t> status;
    std::atomic<DWORD> threadId;
    NSynchronization::CUniqueHandle thread;

    // The delivery thread's own.
    uint64_t sequence;
    std::deque<CGoneCheck> goneChecks;
    CWindowSnapshotCache snapshots;  // what never changes of a window, read once

    // Declared so that what calls back into the pending changes (the waits,
    // the watcher's thread) is ended first.
    CPendingChanges pending;
    CWindowTable table;
    CProcessEndWatch processes;
    CWindowWatcher watcher;
};

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
