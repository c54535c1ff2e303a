#include "library/synchronization/TaskLauncher.h"

#include <new>

#include "library/synchronization/NewShared.h"
#include "library/synchronization/Wait.h"

namespace NLibrary { namespace NSynchronization { namespace NTask {

namespace {

const DWORD HandOverTimeoutMilliseconds = 1000;

}  // namespace

// --- worker -------------------------------------------------------------------

CTaskLauncher::CTaskLauncherThread::CTaskLauncherThread(
    const boost::shared_ptr<ITaskLauncherCallback>& callback_,
    const boost::shared_ptr<CEvent>& taskEvent_, const boost::shared_ptr<CEvent>& doneEvent_,
    const boost::shared_ptr<CMutex>& mutex_)
    : callback(callback_), taskEvent(taskEvent_), doneEvent(doneEvent_), mutex(mutex_),
      abandoned(false)
{
}

CTaskLauncher::CTaskLauncherThread::~CTaskLauncherThread()
{
    mutex.reset();
    doneEvent.reset();
    taskEvent.reset();
    callback.reset();
    task.reset();
}

uint32_t CTaskLauncher::CTaskLauncherThread::Run(CEvent* stopEvent)
{
    boost::shared_ptr<ITaskLauncherCallback> callbackCopy(callback);
    boost::shared_ptr<CEvent> taskEventCopy(taskEvent);
    boost::shared_ptr<CEvent> doneEventCopy(doneEvent);
    boost::shared_ptr<CMutex> mutexCopy(mutex);
    if (stopEvent == nullptr || !IsUsable(taskEventCopy) || !IsUsable(doneEventCopy)
        || !IsUsable(mutexCopy))
        return 0;

    if (callbackCopy)
        callbackCopy->OnThreadStart();
    const HANDLE handles[2] = {stopEvent->GetHandle(), taskEventCopy->GetHandle()};
    for (;;) {
        if (callbackCopy)
            callbackCopy->OnBeforeWait();
        HANDLE signalled = nullptr;
        const uint32_t result = WaitForObjectsOrMessage(&signalled, handles);
        if (result == WaitResultSignalled) {
            if (signalled == stopEvent->GetHandle())
                break;
            if (signalled == taskEventCopy->GetHandle())
                RunTask(*mutexCopy, *doneEventCopy);
            continue;
        }
        // Input is not idleness: pumping, where wanted, is the callback's business.
        if (result != WaitResultMessage && callbackCopy)
            callbackCopy->OnIdle();
        if (!abandoned)
            continue;
        // A task handed over just before the launcher went still runs.
        if (!taskEventCopy->Wait(0))
            break;
        RunTask(*mutexCopy, *doneEventCopy);
    }
    if (callbackCopy)
        callbackCopy->OnThreadStop();
    return 0;
}

void CTaskLauncher::CTaskLauncherThread::RunTask(CMutex& lock, CEvent& done)
{
    {
        CMutexLock held(&lock);
        if (held.IsHeld())
            ExecuteTask();
    }
    done.Set();
}

void CTaskLauncher::CTaskLauncherThread::ExecuteTask()
{
    boost::shared_ptr<ITask> taskCopy(task);
    if (taskCopy)
        taskCopy->Execute();
}

uint32_t CTaskLauncher::CTaskLauncherThread::SetTask(const boost::shared_ptr<ITask>& newTask)
{
    if (!newTask)
        return 1;
    if (!IsUsable(mutex))
        return 1;
    CMutexLock held(mutex.get(), HandOverTimeoutMilliseconds);
    if (!held.IsHeld())
        return 1;
    task = newTask;
    return 0;
}

// --- owner --------------------------------------------------------------------

CTaskLauncher::CTaskLauncher() : state(LauncherStateNotStarted), currentTask(nullptr)
{
}

// Never waits for the worker. A worker that is still running is told that
// its launcher is gone: it runs its current or waiting task and then ends, as
// nobody else could ever stop it once we are gone.
CTaskLauncher::~CTaskLauncher()
{
    if (launcherThread)
        launcherThread->Abandon();
    launcherThread.reset();
    mutex.reset();
    doneEvent.reset();
    taskEvent.reset();
    // The thread object goes with the launcher, closing the handle of a
    // thread that still runs.
    if (thread != nullptr)
        thread->Close();
}

uint32_t CTaskLauncher::Initialize(const boost::shared_ptr<ITaskLauncherCallback>& callback)
{
    thread.reset(new (std::nothrow) CThread);
    if (thread != nullptr)
        taskEvent = NewShared<CEvent>();
    if (IsUsable(taskEvent))
        doneEvent = NewShared<CEvent>();
    if (IsUsable(doneEvent))
        mutex = NewShared<CMutex>();
    if (IsUsable(mutex))
        launcherThread = NewShared<CTaskLauncherThread>(callback, taskEvent, doneEvent, mutex);
    if (launcherThread)
        return 0;
    ReleaseMembers();
    return 1;
}

void CTaskLauncher::ReleaseMembers()
{
    launcherThread.reset();
    mutex.reset();
    doneEvent.reset();
    taskEvent.reset();
    thread.reset();
}

uint32_t CTaskLauncher::Start(const boost::shared_ptr<ITaskLauncherCallback>& callback)
{
    if (state == LauncherStateIdle)
        return 0;
    if (state != LauncherStateNotStarted)
        return 1;
    if (thread != nullptr)
        Close();  // discard what a failed start left behind
    if (Initialize(callback) != 0)
        return 1;
    boost::shared_ptr<IThread> body(launcherThread);
    if (thread->Start(body) != 0)
        return 1;
    state = LauncherStateIdle;
    return 0;
}

uint32_t CTaskLauncher::Launch(const boost::shared_ptr<ITask>& task)
{
    if (!task)
        return 1;
    if (state != LauncherStateIdle && state != LauncherStateBusy)
        return 1;
    if (!launcherThread || launcherThread->SetTask(task) != 0)
        return 1;
    state = LauncherStateBusy;
    currentTask = task.get();
    if (IsUsable(taskEvent))
        taskEvent->Set();
    return 0;
}

uint32_t CTaskLauncher::PollDone()
{
    if (!IsUsable(doneEvent))
        return 1;
    if (WaitForSingleObject(doneEvent->GetHandle(), 0) != WAIT_OBJECT_0)
        return 1;
    state = LauncherStateIdle;
    return 0;
}

uint32_t CTaskLauncher::PollTask()
{
    if (state != LauncherStateBusy)
        return 0;
    return PollDone();
}

uint32_t CTaskLauncher::IsRunning(const boost::shared_ptr<ITask>& task)
{
    if (!task)
        return 1;
    if (task.get() != currentTask || state != LauncherStateBusy)
        return 0;
    return PollDone();
}

uint32_t CTaskLauncher::RequestStop()
{
    if (state == LauncherStateNotStarted)
        return 1;
    if (state == LauncherStateStopping)
        return 0;
    state = LauncherStateStopping;
    if (thread != nullptr)
        thread->RequestStop();
    return 0;
}

uint32_t CTaskLauncher::PollStopped()
{
    if (state != LauncherStateStopping)
        return state == LauncherStateNotStarted ? 0 : 1;
    if (thread != nullptr && thread->Join(0) != 0)
        return 1;
    state = LauncherStateNotStarted;
    return 0;
}

void CTaskLauncher::Close()
{
    if (state != LauncherStateNotStarted && state != LauncherStateStopping)
        return;
    if (thread != nullptr)
        thread->Close();
    ReleaseMembers();
}

}}}  // namespace NLibrary::NSynchronization::NTask
