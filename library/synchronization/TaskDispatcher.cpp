#include "library/synchronization/TaskDispatcher.h"

#include <new>

#include "library/synchronization/NewShared.h"
#include "library/synchronization/Wait.h"
#include "library/timing/HighResolutionTimer.h"

namespace NLibrary { namespace NSynchronization { namespace NTask {

namespace {

const uint32_t ShutdownBudgetMilliseconds = 1000;
const uint32_t ListGrowthStep = 4;

using LauncherPtr = boost::shared_ptr<CTaskLauncher>;
using RequestPtr = boost::shared_ptr<CTaskRequest>;

}  // namespace

CTaskRequest::CTaskRequest(const boost::shared_ptr<ITask>& task_,
                           const boost::shared_ptr<CEvent>& completionEvent_)
    : state(RequestStatePending), task(task_), completionEvent(completionEvent_)
{
}

CTaskDispatcher::CTaskDispatcher(uint32_t poolSize,
                                 const boost::shared_ptr<ITaskLauncherCallback>& callback_)
    : launchers(ListGrowthStep), requests(ListGrowthStep), mutex(NewShared<CMutex>()),
      callback(callback_), accepting(true)
{
    try {
        launchers.Grow(poolSize);
    } catch (const std::bad_alloc&) {
        mutex.reset();  // leaves the dispatcher unusable rather than half built
    }
}

CTaskDispatcher::~CTaskDispatcher()
{
}

// --- dispatcher thread -------------------------------------------------------

uint32_t CTaskDispatcher::Run(CEvent* stopEvent)
{
    boost::shared_ptr<CMutex> mutexCopy(mutex);
    if (!IsUsable(mutexCopy) || stopEvent == nullptr)
        return 0;
    const HANDLE stop = stopEvent->GetHandle();
    for (;;) {
        const uint32_t result = WaitForObjectOrMessage(&stop);
        if (result == WaitResultSignalled)
            break;
        if (result == WaitResultMessage)
            continue;  // input: this thread never removes messages
        MakePass();
    }
    CloseQueue();
    StopLaunchers();
    DestroyLaunchers();
    return 0;
}

void CTaskDispatcher::MakePass()
{
    CMutexLock lock(mutex.get());
    if (!lock.IsHeld())
        return;
    RefreshLaunchers();
    UpdateRequests();
    for (;;) {
        LauncherPtr launcher;
        uint32_t index = 0;
        if (FindIdleLauncher(launcher) != 0 || FindPendingRequest(index) != 0)
            break;
        if (DispatchRequest(index, launcher) != 0)
            break;
    }
}

void CTaskDispatcher::RefreshLaunchers()
{
    for (uint32_t i = 0; i < launchers.GetSize(); ++i) {
        LauncherPtr& slot = launchers.GetAt(i);
        if (slot && (slot->GetState() != LauncherStateBusy || IsLauncherReferenced(slot)))
            continue;
        // A busy launcher that no request names is abandoned to finish its
        // task on its own.
        slot.reset();
        LauncherPtr fresh = NewShared<CTaskLauncher>();
        if (fresh && fresh->Start(callback) == 0)
            slot = fresh;
    }
}

// Only a request still waiting for its task counts: UpdateRequests never looks
// at a completed one again, so a launcher named by nothing else would stay busy
// for good once its later request was removed while running.
bool CTaskDispatcher::IsLauncherReferenced(const LauncherPtr& slot)
{
    for (uint32_t i = 0; i < requests.GetSize(); ++i) {
        const RequestPtr& request = requests.GetAt(i);
        if (request && request->state != RequestStateCompleted && request->launcher
            && request->launcher == slot)
            return true;
    }
    return false;
}

void CTaskDispatcher::SignalCompletion(const RequestPtr& request)
{
    if (request->completionEvent)
        request->completionEvent->Set();
}

void CTaskDispatcher::UpdateRequests()
{
    for (uint32_t i = 0; i < requests.GetSize(); ++i) {
        const RequestPtr& request = requests.GetAt(i);
        if (!request || request->state == RequestStateCompleted || !request->task
            || !request->launcher)
            continue;
        if (request->launcher->IsRunning(request->task) != 0)
            continue;
        request->state = RequestStateCompleted;
        SignalCompletion(request);
    }
}

uint32_t CTaskDispatcher::FindIdleLauncher(LauncherPtr& out)
{
    bool found = false;
    for (uint32_t i = 0; i < launchers.GetSize(); ++i) {
        const LauncherPtr& slot = launchers.GetAt(i);
        if (slot && slot->GetState() == LauncherStateIdle) {
            out = slot;
            found = true;
        }
    }
    return found ? 0 : 1;
}

uint32_t CTaskDispatcher::FindPendingRequest(uint32_t& index)
{
    for (uint32_t i = 0; i < requests.GetSize(); ++i) {
        const RequestPtr& request = requests.GetAt(i);
        if (request && request->state == RequestStatePending) {
            index = i;
            return 0;
        }
    }
    return 1;
}

// A request that cannot be handed over leaves the queue; its completion event
// is still set, so that a waiting client wakes up and finds it not completed.
uint32_t CTaskDispatcher::DispatchRequest(uint32_t index, const LauncherPtr& launcher)
{
    if (!launcher || !requests.IsIndexValid(index))
        return 1;
    RequestPtr request(requests.GetAt(index));
    if (request && launcher->Launch(request->task) == 0) {
        request->state = RequestStateDispatched;
        request->launcher = launcher;
        return 0;
    }
    requests.RemoveAt(index);
    if (request)
        SignalCompletion(request);
    return 1;
}

// Clients still waiting when the dispatcher stops are woken; their requests
// stay in the queue, not completed, and no new ones are taken.
void CTaskDispatcher::CloseQueue()
{
    CMutexLock lock(mutex.get());
    if (!lock.IsHeld())
        return;
    accepting = false;
    for (uint32_t i = 0; i < requests.GetSize(); ++i) {
        const RequestPtr& request = requests.GetAt(i);
        if (request && request->state != RequestStateCompleted)
            SignalCompletion(request);
    }
}

void CTaskDispatcher::StopLaunchers()
{
    for (uint32_t i = 0; i < launchers.GetSize(); ++i) {
        const LauncherPtr& slot = launchers.GetAt(i);
        if (slot
            && (slot->GetState() == LauncherStateIdle || slot->GetState() == LauncherStateBusy))
            slot->RequestStop();
    }
}

bool CTaskDispatcher::IsSlotStopped(const LauncherPtr& launcher)
{
    return launcher->GetState() == LauncherStateStopping && launcher->PollStopped() == 0;
}

// Waits at most one second, counted from the end of the first pass, for the
// stopping launchers. An empty slot counts as done, so a pool with an empty
// slot does not sit out the whole second.
void CTaskDispatcher::DestroyLaunchers()
{
    NTiming::CHighResolutionTimer timer;
    for (;;) {
        uint32_t done = 0;
        for (uint32_t i = 0; i < launchers.GetSize(); ++i) {
            LauncherPtr& slot = launchers.GetAt(i);
            if (slot && IsSlotStopped(slot)) {
                slot->Close();
                slot.reset();
            }
            if (!slot)
                ++done;
        }
        if (done >= launchers.GetSize())
            break;
        timer.Update();
        if (static_cast<uint32_t>(timer.GetElapsed() * 1000.0f) >= ShutdownBudgetMilliseconds)
            break;
        Sleep(1);
    }
    launchers.Release();
}

// --- client side ---------------------------------------------------------------

uint32_t CTaskDispatcher::AddRequest(const boost::shared_ptr<ITask>& task,
                                     const boost::shared_ptr<CEvent>& completionEvent,
                                     RequestPtr& request)
{
    if (!task)
        return 1;
    RequestPtr created = NewShared<CTaskRequest>(task, completionEvent);
    if (!created)
        return 1;
    CMutexLock lock(mutex.get());
    if (!lock.IsHeld() || !accepting)
        return 1;
    try {
        if (requests.Grow(1) != 0)
            return 1;
    } catch (const std::bad_alloc&) {
        return 1;
    }
    requests.GetAt(requests.GetSize() - 1) = created;
    request = created;
    return 0;
}

uint32_t CTaskDispatcher::RemoveRequest(const RequestPtr& request)
{
    if (!request)
        return 1;
    CMutexLock lock(mutex.get());
    if (!lock.IsHeld())
        return 1;
    return RemoveQueued(request);
}

uint32_t CTaskDispatcher::RemoveQueued(const RequestPtr& request)
{
    for (uint32_t i = 0; i < requests.GetSize(); ++i) {
        if (requests.GetAt(i) == request)
            return requests.RemoveAt(i);
    }
    return 1;
}

uint32_t CTaskDispatcher::GetRequestState(const RequestPtr& request, int& state)
{
    if (!request)
        return 1;
    CMutexLock lock(mutex.get());
    if (!lock.IsHeld())
        return 1;
    state = request->state;
    return 0;
}

uint32_t CTaskDispatcher::ExecuteAndWait(const boost::shared_ptr<ITask>& task, DWORD milliseconds)
{
    boost::shared_ptr<CEvent> completion = NewShared<CEvent>();
    if (!IsUsable(completion))
        return 1;
    RequestPtr request;
    if (AddRequest(task, completion, request) != 0)
        return 1;
    completion->Wait(milliseconds);
    CMutexLock lock(mutex.get());
    if (!lock.IsHeld())
        return 1;
    RemoveQueued(request);
    return request->state == RequestStateCompleted ? 0 : 1;
}

}}}  // namespace NLibrary::NSynchronization::NTask
