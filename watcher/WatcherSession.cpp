#include "watcher/WatcherSession.h"

#include "library/window/MessageWindow.h"
#include "watcher/HookRegistration.h"
#include "watcher/WindowWatcher.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

namespace {

// How often the pump looks whether the hook is still registered for its
// window: a takeover posts nothing, so only the shared section tells.
const DWORD RegistrationCheckMilliseconds = 100;
const UINT_PTR RegistrationTimerId = 1;

enum SessionState : long
{
    SessionStarting = 0,     // the thread has not reached the registration
    SessionRegistering = 1,  // the thread is in Register
    SessionRunning = 2,      // registered; the thread pumps
    SessionFailed = 3,       // no window, or Register failed; the thread has ended
    SessionStopped = 4,      // Start gave up, or Stop was asked for
};

void Dispatch(const MSG& message)
{
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

// After Unregister: answers what other threads sent meanwhile and drops the
// notifications, including those that hook procedures already past their
// enable test post late.
void Drain()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsWindowEventMessage(message.message))
            Dispatch(message);
    }
}

}  // namespace

CWatcherSession::CWatcherSession(const boost::shared_ptr<CHookModule>& module,
                                 WindowEventCallback callback, void* context, bool takesSnapshots)
    : module(module), callback(callback), context(context), takesSnapshots(takesSnapshots),
      state(SessionStarting), status(WatcherSuccess), registrationStatus(WatcherFailure),
      registrationError(0), threadId(0)
{
}

bool CWatcherSession::IsUsable() const
{
    return module && callback != nullptr && registered.GetHandle() != nullptr;
}

unsigned __stdcall CWatcherSession::ThreadProc(void* argument)
{
    boost::shared_ptr<CWatcherSession>* owned =
        static_cast<boost::shared_ptr<CWatcherSession>*>(argument);
    const boost::shared_ptr<CWatcherSession> session(*owned);
    delete owned;
    return session->Run();
}

// The thread claims the registration with one compare-exchange before it
// calls Register, and Start cancels with one before it gives up: whichever
// comes first wins, so a thread that starts after Start has given up never
// registers, and thus never takes over, nor then removes, the hook of a
// watcher that runs.
uint32_t CWatcherSession::Run()
{
    threadId = GetCurrentThreadId();
    const NResource::CUniqueWindow window = CreateMessageWindow();
    long expected = SessionStarting;
    if (window.Get() == nullptr) {
        registrationStatus = WatcherFailure;
        if (state.compare_exchange_strong(expected, SessionFailed))
            registered.Set();
        return 1;
    }
    if (!state.compare_exchange_strong(expected, SessionRegistering))
        return 1;
    // Hooked before the registration, so that no activation after it is
    // missed; heard only while the pump runs.
    CPlatformWindowEvents platformEvents(platformCallback != nullptr ? OnPlatformEvent : nullptr,
                                         this);
    const bool isRegistered = RegisterAsOwner(*module, window.Get()) == 0;
    registrationError = GetLastError();
    registrationStatus = isRegistered ? WatcherSuccess : WatcherRegisterFailed;
    expected = SessionRegistering;
    if (!state.compare_exchange_strong(expected, isRegistered ? SessionRunning : SessionFailed)) {
        // Start gave up while Register hung: take back what is ours and only that.
        UnregisterIfOwner(*module, window.Get());
        Drain();
        return 1;
    }
    registered.Set();
    if (!isRegistered)
        return 1;
    Pump(window.Get());
    UnregisterIfOwner(*module, window.Get());
    Drain();
    return 0;
}

uint32_t CWatcherSession::WaitForRegistration(HANDLE thread, DWORD milliseconds)
{
    const HANDLE ends[2] = {registered.GetHandle(), thread};
    DWORD woken = WaitForMultipleObjects(2, ends, FALSE, milliseconds);
    // A thread that is inside Register is under way: its outcome is awaited
    // rather than undone, unless Register itself hangs as long again.
    if (woken != WAIT_OBJECT_0 && state == SessionRegistering)
        woken = WaitForMultipleObjects(2, ends, FALSE, milliseconds);
    if (woken != WAIT_OBJECT_0 && Cancel())
        return WatcherFailure;
    // The outcome is written before the state leaves SessionRegistering.
    if (registrationStatus == WatcherRegisterFailed)
        SetLastError(registrationError);
    return registrationStatus;
}

// True when the thread had not yet finished registering; false when the
// outcome is known after all.
bool CWatcherSession::Cancel()
{
    long current = state;
    while (current == SessionStarting || current == SessionRegistering) {
        if (state.compare_exchange_weak(current, SessionStopped))
            return true;
    }
    return false;
}

// The message wakes a pump that waits for the next one. Should it not be
// posted (on Windows a thread's queue holds a bounded number of messages),
// the queue is full, and the pump sees the state after the message it takes.
void CWatcherSession::RequestStop()
{
    state = SessionStopped;
    PostThreadMessageW(threadId, WM_NULL, 0, 0);
}

void CWatcherSession::OnPlatformEvent(WindowEventKind kind, HWND window, void* context)
{
    CWatcherSession* session = static_cast<CWatcherSession*>(context);
    if (session->state == SessionRunning)
        session->platformCallback(kind, window, session->platformContext);
}

bool CWatcherSession::IsStopRequested() const
{
    return state == SessionStopped;
}

// The pump waits in GetMessage: under Wine every look at the queue is a round
// trip to the server, so a notification costs the watcher's thread one, as it
// does any application that takes it off its queue. Stop is tested after
// every message, so that it waits for at most the callback that is running,
// never for a backlog of notifications. The registration is looked at
// between messages once its time has come; the timer only wakes an idle pump
// for it (WM_TIMER comes only when no posted message waits). Delivery ends
// for good when the callback throws or the hook is taken over.
void CWatcherSession::Pump(HWND window)
{
    SetTimer(window, RegistrationTimerId, RegistrationCheckMilliseconds, nullptr);
    ULONGLONG nextCheck = GetTickCount64() + RegistrationCheckMilliseconds;
    MSG message;
    while (!IsStopRequested()) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == -1)
            return;
        if (got != 0 && message.hwnd == window && IsWindowEventMessage(message.message)) {
            if (!DeliverBatch(window, message))
                return;
        } else if (got != 0) {
            Dispatch(message);
        }
        const ULONGLONG now = GetTickCount64();
        if (now < nextCheck || IsStopRequested())
            continue;
        nextCheck = now + RegistrationCheckMilliseconds;
        if (!module->IsRegisteredTo(window)) {
            status = WatcherTakenOver;
            CWindowEvent takenOver;
            takenOver.kind = WindowEventTakenOver;
            takenOver.arrivalTime = now;
            Deliver(takenOver);
            return;
        }
    }
}

// With snapshots, the notifications that wait behind the first are taken off
// the queue with it, up to a batch, and the snapshots after that, once per
// window of the batch: a thread that has fallen behind then reads each busy
// window once per batch instead of once per change, and catches up. Each
// notification is still delivered, in order, with a snapshot no older than
// itself. Without snapshots there is nothing to share, and each notification
// is delivered as it is taken. False once delivery is to end.
bool CWatcherSession::DeliverBatch(HWND window, const MSG& first)
{
    AddToBatch(first, 0);
    const uint32_t count = takesSnapshots ? TakeMore(window) : 1;
    for (uint32_t i = 0; i < count; ++i) {
        if (IsStopRequested())
            return false;
        if (takesSnapshots)
            TakeSnapshot(i);
        if (!Deliver(batch[i]))
            return false;
        if (takesSnapshots && batch[i].kind == WindowEventDestroyed)
            snapshots.Forget(batch[i].window);
    }
    return true;
}

void CWatcherSession::AddToBatch(const MSG& message, uint32_t index)
{
    CWindowEvent& event = batch[index];
    event.kind = WindowEventKind(message.message);
    event.window = reinterpret_cast<HWND>(message.lParam);
    event.arrivalTime = GetTickCount64();
}

// The batch's size: its first notification and those that waited behind it,
// up to BatchCapacity, in arrival order; whatever else arrives meanwhile is
// answered at once.
uint32_t CWatcherSession::TakeMore(HWND window)
{
    uint32_t count = 1;
    MSG message;
    while (count < BatchCapacity && !IsStopRequested()
           && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.hwnd == window && IsWindowEventMessage(message.message))
            AddToBatch(message, count++);
        else if (message.message != WM_QUIT)
            Dispatch(message);
    }
    return count;
}

// The first notification of its window in the batch gets a new snapshot,
// taken just before it is delivered (so the first notification of a batch
// waits for one snapshot, not for all); the window's later ones get a copy.
// A position change reads only what a move changes.
void CWatcherSession::TakeSnapshot(uint32_t index)
{
    uint32_t first = 0;
    while (batch[first].window != batch[index].window)
        ++first;
    if (first < index)
        batch[index].snapshot = batch[first].snapshot;
    else
        snapshots.Take(batch[index].window, &batch[index].snapshot,
                       IsPositionChange(batch[index].kind) ? SnapshotPlace : SnapshotEverything);
}

bool CWatcherSession::Deliver(const CWindowEvent& event)
{
    return CallApplication(callback, event, context, status);
}

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
