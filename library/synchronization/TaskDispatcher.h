#pragma once

#include <windows.h>

#include <stdint.h>

#include <boost/shared_ptr.hpp>

#include "library/datatype/array/Array.h"
#include "library/synchronization/Event.h"
#include "library/synchronization/Mutex.h"
#include "library/synchronization/Task.h"
#include "library/synchronization/TaskLauncher.h"
#include "library/synchronization/Thread.h"

namespace NLibrary { namespace NSynchronization { namespace NTask {

enum RequestState
{
    RequestStatePending = 0,
    RequestStateDispatched = 1,
    RequestStateCompleted = 2
};

// One queued unit of work. Its fields are guarded by the dispatcher's mutex.
class CTaskRequest
{
public:
    CTaskRequest(const boost::shared_ptr<ITask>& task,
                 const boost::shared_ptr<CEvent>& completionEvent);

    int state;
    boost::shared_ptr<ITask> task;
    boost::shared_ptr<CEvent> completionEvent;  // may be empty
    boost::shared_ptr<CTaskLauncher> launcher;  // empty while pending
};

// A pool of task launchers fed from a queue of requests. Run it as the body of
// a CThread; clients on other threads add requests and wait for them until the
// thread is asked to stop.
class CTaskDispatcher : public IThread
{
public:
    explicit CTaskDispatcher(uint32_t poolSize,
                             const boost::shared_ptr<ITaskLauncherCallback>& callback =
                                 boost::shared_ptr<ITaskLauncherCallback>());
    ~CTaskDispatcher();

    CTaskDispatcher(const CTaskDispatcher&) = delete;
    CTaskDispatcher& operator=(const CTaskDispatcher&) = delete;

    uint32_t Run(CEvent* stopEvent) override;

    // --- client side, any thread ---------------------------------------------
    // Queues a pending request. Fails once the dispatcher has shut down.
    uint32_t AddRequest(const boost::shared_ptr<ITask>& task,
                        const boost::shared_ptr<CEvent>& completionEvent,
                        boost::shared_ptr<CTaskRequest>& request);
    // Takes the request out of the queue; 1 when it was not queued.
    uint32_t RemoveRequest(const boost::shared_ptr<CTaskRequest>& request);
    uint32_t GetRequestState(const boost::shared_ptr<CTaskRequest>& request, int& state);
    // Queues the task, waits for its completion and removes the request.
    // 0 only when the task ran to its end within the time.
    uint32_t ExecuteAndWait(const boost::shared_ptr<ITask>& task, DWORD milliseconds);

protected:
    // One pass under the mutex: refresh, update, dispatch. Only the dispatcher
    // thread calls these.
    void MakePass();
    void RefreshLaunchers();
    void UpdateRequests();
    uint32_t FindIdleLauncher(boost::shared_ptr<CTaskLauncher>& out);
    uint32_t FindPendingRequest(uint32_t& index);
    uint32_t DispatchRequest(uint32_t index, const boost::shared_ptr<CTaskLauncher>& launcher);
    bool IsLauncherReferenced(const boost::shared_ptr<CTaskLauncher>& slot);
    void StopLaunchers();
    void DestroyLaunchers();
    void CloseQueue();

    NDatatype::NArray::CDynamicHeapArrayBuffer<boost::shared_ptr<CTaskLauncher>> launchers;
    NDatatype::NArray::CDynamicHeapArrayBuffer<boost::shared_ptr<CTaskRequest>> requests;
    boost::shared_ptr<CMutex> mutex;
    boost::shared_ptr<ITaskLauncherCallback> callback;

private:
    bool IsSlotStopped(const boost::shared_ptr<CTaskLauncher>& launcher);
    uint32_t RemoveQueued(const boost::shared_ptr<CTaskRequest>& request);
    static void SignalCompletion(const boost::shared_ptr<CTaskRequest>& request);

    bool accepting;  // guarded by mutex
};

}}}  // namespace NLibrary::NSynchronization::NTask
