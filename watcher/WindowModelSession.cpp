#include "watcher/WindowModelSession.h"

#include <process.h>

#include <algorithm>
#include <new>
#include <utility>

#include "library/window/WindowStyle.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

namespace {

// How long the end of a window is awaited after its process ended or it was
// found gone: a WM_DESTROY posted just before may still wait in the
// watcher's queue, and a window destroyed properly is not to be reported as
// Gone. The watcher's thread takes a notification off its queue in far less.
const DWORD GoneGraceMilliseconds = 15;

// Generous: the delivery thread has to finish at most the callback that
// runs, then stop the watcher, which waits as long again for its thread.
const DWORD EndTimeoutMilliseconds = 10000;

using SessionPtr = boost::shared_ptr<CWindowModelSession>;

}  // namespace

CWindowModelSession::CWindowModelSession(WindowModelCallback callback, void* context,
                                         const CWindowModelSettings& settings)
    : callback(callback), context(context),
      modulePath(settings.modulePath != nullptr ? settings.modulePath : L""),
      hasModulePath(settings.modulePath != nullptr), startTimeout(settings.startTimeout),
      stopRequested(false), status(WatcherSuccess), threadId(0), sequence(0),
      pending(settings.settleMilliseconds), processes(OnProcessEnded, this)
{
}

bool CWindowModelSession::IsUsable() const
{
    return callback != nullptr && ready.GetHandle() != nullptr;
}

// The watcher's thread hooks the platform's window events before the hook,
// so that an activation during the start is not missed. The windows are
// enumerated once the hook is live: a window created before that is found, one created
// after is reported by the hook, and one created in between both ways, as
// Present first. The Present changes go ahead of everything noted so far,
// and delivery begins only then.
uint32_t CWindowModelSession::Start(const SessionPtr& self)
{
    SessionPtr* argument = new (std::nothrow) SessionPtr(self);
    if (argument == nullptr)
        return WatcherFailure;
    const uintptr_t began = _beginthreadex(nullptr, 0, &ThreadProc, argument, 0, nullptr);
    if (began == 0) {
        delete argument;
        return WatcherFailure;
    }
    thread.Reset(reinterpret_cast<HANDLE>(began));
    const HANDLE readyOrEnded[2] = {ready.GetHandle(), thread.Get()};
    if (WaitForMultipleObjects(2, readyOrEnded, FALSE, startTimeout) != WAIT_OBJECT_0) {
        Stop();
        return WatcherFailure;
    }
    watcher.SetStartTimeout(startTimeout);
    watcher.SetTakesSnapshots(false);
    watcher.SetPlatformEvents(OnPlatformEvent, this);
    const uint32_t started =
        watcher.Start(OnNotification, this, hasModulePath ? modulePath.c_str() : nullptr);
    if (started != WatcherSuccess) {
        const DWORD error = GetLastError();
        Stop();
        SetLastError(error);
        return started;
    }
    pending.AddPresent(EnumerateTopLevelWindows());
    pending.Release();
    return WatcherSuccess;
}

void CWindowModelSession::RequestStop()
{
    stopRequested = true;
    pending.Interrupt();
}

bool CWindowModelSession::Stop()
{
    RequestStop();
    return WaitForSingleObject(thread.Get(), EndTimeoutMilliseconds) == WAIT_OBJECT_0;
}

unsigned __stdcall CWindowModelSession::ThreadProc(void* argument)
{
    SessionPtr* owned = static_cast<SessionPtr*>(argument);
    const SessionPtr session(*owned);
    delete owned;
    session->Run();
    return 0;
}

// A thread that begins after Start gave up does nothing at all. The thread
// has no window and takes no messages: it sleeps on the pending changes.
void CWindowModelSession::Run()
{
    threadId = GetCurrentThreadId();
    if (IsStopRequested())
        return;
    ready.Set();
    while (!IsStopRequested()) {
        const ULONGLONG now = GetTickCount64();
        HandleEndedProcesses(now);
        RunDueGoneChecks(now);
        CPendingChange change;
        if (!pending.Take(&change)) {
            pending.Wait(goneChecks.empty() ? 0 : goneChecks.front().deadline);
            continue;
        }
        if (!Deliver(change))
            break;
    }
    watcher.Stop();
    processes.ForgetAll();
}

void CWindowModelSession::HandleEndedProcesses(ULONGLONG now)
{
    DWORD processId = 0;
    while (pending.TakeProcessEnd(&processId)) {
        processes.Forget(processId);
        try {
            for (HWND window : table.WindowsOfProcess(processId))
                ScheduleGoneCheck(window, now);
        } catch (const std::bad_alloc&) {
        }
    }
}

void CWindowModelSession::ScheduleGoneCheck(HWND window, ULONGLONG now)
{
    try {
        goneChecks.push_back({window, now + GoneGraceMilliseconds});
    } catch (const std::bad_alloc&) {
    }
}

// A window that still exists is not gone, whatever its process did: its
// handle may even belong to a new process by now, which is then watched.
void CWindowModelSession::RunDueGoneChecks(ULONGLONG now)
{
    while (!goneChecks.empty() && goneChecks.front().deadline <= now) {
        const HWND window = goneChecks.front().window;
        goneChecks.pop_front();
        if (!table.Contains(window))
            continue;
        if (!IsValidWindow(window)) {
            pending.AddGone(window);
            continue;
        }
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        if (processId != 0 && processId != GetCurrentProcessId())
            processes.Watch(processId);
    }
}

// A process that cannot be waited for may have ended already: its window is
// checked once. This process never ends while the model runs.
void CWindowModelSession::WatchProcess(HWND window, DWORD processId, ULONGLONG now)
{
    if (processId == 0 || processId == GetCurrentProcessId())
        return;
    if (processes.Watch(processId) != 0)
        ScheduleGoneCheck(window, now);
}

// The table is updated before the callback, so that a callback that copies
// the windows sees its own event in them. A window is held from its first
// event that finds it alive to its Destroyed or Gone; the events of a window
// not held that is gone already are dropped, so that every window the
// application hears of ends with exactly one of those two.
bool CWindowModelSession::Deliver(const CPendingChange& change)
{
    CWindowModelEvent event;
    event.kind = change.kind;
    event.window = change.window;
    event.arrivalTime = change.arrivalTime;
    event.merged = change.merged;
    event.inferred = change.inferred;
    if (change.kind == WindowEventTakenOver) {
        status = WatcherTakenOver;
        event.sequence = ++sequence;
        Call(event);
        return false;
    }
    if (change.kind == WindowEventDestroyed || change.kind == WindowEventGone) {
        snapshots.Forget(change.window);
        if (!table.Remove(change.window, &event.snapshot))
            return true;
        event.snapshot.gone = true;
        event.sequence = ++sequence;
        return Call(event);
    }
    const bool held = table.Contains(change.window);
    // A position change reads only what a move changes; every other event,
    // Settled among them, reads the window whole.
    snapshots.Take(change.window, &event.snapshot,
                   IsPositionChange(change.kind) ? SnapshotPlace : SnapshotEverything);
    if (event.snapshot.gone) {
        if (!held) {
            pending.Forget(change.window);
            return true;
        }
        // What the model last held of it, as for Destroyed and Gone.
        CWindowState last;
        if (table.Get(change.window, &last))
            event.snapshot = last.snapshot;
        event.snapshot.gone = true;
        ScheduleGoneCheck(change.window, GetTickCount64());
        event.sequence = ++sequence;
        table.SetSequence(change.window, event.sequence);
        return Call(event);
    }
    event.sequence = ++sequence;
    if (!held)
        WatchProcess(change.window, event.snapshot.processId, GetTickCount64());
    table.Put(change.window, event.snapshot, event.sequence);
    return Call(event);
}

bool CWindowModelSession::Call(CWindowModelEvent& event)
{
    return CallApplication(callback, event, context, status);
}

void CWindowModelSession::OnNotification(const CWindowEvent& event, void* context)
{
    static_cast<CWindowModelSession*>(context)->pending.Add(event.kind, event.window);
}

void CWindowModelSession::OnPlatformEvent(WindowEventKind kind, HWND window, void* context)
{
    static_cast<CWindowModelSession*>(context)->pending.Add(kind, window);
}

void CWindowModelSession::OnProcessEnded(DWORD processId, void* context)
{
    static_cast<CWindowModelSession*>(context)->pending.AddProcessEnd(processId);
}

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
