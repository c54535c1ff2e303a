#pragma once

#include <windows.h>

#include <stdint.h>

#include <atomic>
#include <memory>

#include <boost/shared_ptr.hpp>

#include "library/synchronization/Event.h"
#include "library/synchronization/Mutex.h"
#include "library/synchronization/Task.h"
#include "library/synchronization/Thread.h"

namespace NLibrary { namespace NSynchronization { namespace NTask {

using NEvent::CEvent;
using NMutex::CMutex;
using NMutex::CMutexLock;
using NThread::CThread;
using NThread::IThread;

enum LauncherState
{
    LauncherStateNotStarted = 0,
    LauncherStateIdle = 1,
    LauncherStateBusy = 2,
    LauncherStateStopping = 3
};

// One worker thread running one task at a time. All operations belong to one
// owner thread; tasks and callbacks run on the worker.
class CTaskLauncher
{
public:
    class CTaskLauncherThread final : public IThread
    {
    public:
        CTaskLauncherThread(const boost::shared_ptr<ITaskLauncherCallback>& callback,
                            const boost::shared_ptr<CEvent>& taskEvent,
                            const boost::shared_ptr<CEvent>& doneEvent,
                            const boost::shared_ptr<CMutex>& mutex);
        ~CTaskLauncherThread();

        uint32_t Run(CEvent* stopEvent) override;
        uint32_t SetTask(const boost::shared_ptr<ITask>& task);
        // The launcher is gone: end once no task is waiting any more.
        void Abandon() { abandoned = true; }

    private:
        void ExecuteTask();
        void RunTask(CMutex& lock, CEvent& done);

        boost::shared_ptr<ITask> task;
        boost::shared_ptr<ITaskLauncherCallback> callback;
        boost::shared_ptr<CEvent> taskEvent;
        boost::shared_ptr<CEvent> doneEvent;
        boost::shared_ptr<CMutex> mutex;
        std::atomic<bool> abandoned;
    };

    CTaskLauncher();
    ~CTaskLauncher();

    CTaskLauncher(const CTaskLauncher&) = delete;
    CTaskLauncher& operator=(const CTaskLauncher&) = delete;

    uint32_t Start(const boost::shared_ptr<ITaskLauncherCallback>& callback);
    uint32_t Launch(const boost::shared_ptr<ITask>& task);
    uint32_t PollTask();
    uint32_t IsRunning(const boost::shared_ptr<ITask>& task);
    uint32_t RequestStop();
    uint32_t PollStopped();
    void Close();
    int GetState() const { return state; }

    // The worker's thread object, or null; for inspection only.
    const CThread* GetThread() const { return thread.get(); }

private:
    uint32_t Initialize(const boost::shared_ptr<ITaskLauncherCallback>& callback);
    void ReleaseMembers();
    uint32_t PollDone();

    std::unique_ptr<CThread> thread;
    boost::shared_ptr<CEvent> taskEvent;
    boost::shared_ptr<CEvent> doneEvent;
    boost::shared_ptr<CMutex> mutex;
    boost::shared_ptr<CTaskLauncherThread> launcherThread;
    int state;
    const void* currentTask;
};

}}}  // namespace NLibrary::NSynchronization::NTask
