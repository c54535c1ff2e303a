#include <gtest/gtest.h>

#include <windows.h>

#include "library/synchronization/TaskDispatcher.h"
#include "tests/synchronization/TaskTestSupport.h"

using namespace NSyncTests;
namespace NTask = NLibrary::NSynchronization::NTask;
using NTask::CTaskDispatcher;
using NTask::CTaskLauncher;
using NTask::CTaskRequest;

namespace {

using LauncherPtr = boost::shared_ptr<CTaskLauncher>;
using RequestPtr = boost::shared_ptr<CTaskRequest>;

// Drives the dispatcher's passes on the test thread, one at a time, instead of
// on a dispatcher thread.
class CManualDispatcher : public CTaskDispatcher
{
public:
    explicit CManualDispatcher(uint32_t poolSize)
        : CTaskDispatcher(poolSize,
                          boost::shared_ptr<NTask::ITaskLauncherCallback>(new CRecordingCallback))
    {
    }
    ~CManualDispatcher() { Shutdown(); }

    using CTaskDispatcher::DestroyLaunchers;
    using CTaskDispatcher::DispatchRequest;
    using CTaskDispatcher::MakePass;
    using CTaskDispatcher::StopLaunchers;

    LauncherPtr& Slot(uint32_t i) { return launchers.GetAt(i); }
    uint32_t SlotCount() const { return launchers.GetSize(); }
    uint32_t QueueLength() const { return requests.GetSize(); }

    void Shutdown()
    {
        StopLaunchers();
        DestroyLaunchers();
    }
};

boost::shared_ptr<CCountingTask> HeldTask()
{
    return boost::shared_ptr<CCountingTask>(new CCountingTask(10000));
}

RequestPtr Add(CTaskDispatcher& dispatcher, const boost::shared_ptr<NTask::ITask>& task,
               const boost::shared_ptr<CEvent>& completion = boost::shared_ptr<CEvent>())
{
    RequestPtr request;
    EXPECT_EQ(0u, dispatcher.AddRequest(task, completion, request));
    return request;
}

// A held task handed to a launcher by one pass and running there; the test
// stops on a task that does not start.
RequestPtr AddRunning(CManualDispatcher& dispatcher, const boost::shared_ptr<CCountingTask>& task)
{
    RequestPtr request = Add(dispatcher, task);
    dispatcher.MakePass();
    EXPECT_TRUE(task->started.Wait(5000));
    return request;
}

// Makes passes until the request completes (or a few seconds pass).
bool PassUntilCompleted(CManualDispatcher& dispatcher, const RequestPtr& request)
{
    for (int i = 0; i < 5000 && request->state != NTask::RequestStateCompleted; ++i) {
        Sleep(1);
        dispatcher.MakePass();
    }
    return request->state == NTask::RequestStateCompleted;
}

}  // namespace

TEST(TaskDispatcherPass, DispatchesInListOrderToTheLastIdleSlotFirst)
{
    CManualDispatcher dispatcher(2);
    auto first = HeldTask(), second = HeldTask(), third = Make<CCountingTask>();
    auto firstDone = Make<CEvent>();
    RequestPtr r1 = Add(dispatcher, first, firstDone);
    RequestPtr r2 = Add(dispatcher, second);
    RequestPtr r3 = Add(dispatcher, third);

    dispatcher.MakePass();
    ASSERT_TRUE(dispatcher.Slot(0) && dispatcher.Slot(1));
    EXPECT_EQ(NTask::RequestStateDispatched, r1->state);
    EXPECT_EQ(dispatcher.Slot(1), r1->launcher);
    EXPECT_EQ(NTask::RequestStateDispatched, r2->state);
    EXPECT_EQ(dispatcher.Slot(0), r2->launcher);
    EXPECT_EQ(NTask::RequestStatePending, r3->state);
    EXPECT_FALSE(r3->launcher);

    // The finished task completes its request and frees its launcher for the
    // third request in the same pass.
    ASSERT_TRUE(first->started.Wait(5000));
    first->release.Set();
    Sleep(100);
    dispatcher.MakePass();
    EXPECT_EQ(NTask::RequestStateCompleted, r1->state);
    EXPECT_TRUE(firstDone->Wait(0));
    EXPECT_FALSE(firstDone->Wait(0));
    EXPECT_EQ(NTask::RequestStateDispatched, r3->state);
    EXPECT_EQ(dispatcher.Slot(1), r3->launcher);
    EXPECT_EQ(3u, dispatcher.QueueLength());  // completed entries stay for the client

    ASSERT_TRUE(second->started.Wait(5000));
    second->release.Set();
    EXPECT_TRUE(PassUntilCompleted(dispatcher, r2));  // no completion event: silent
    EXPECT_TRUE(PassUntilCompleted(dispatcher, r3));
    EXPECT_EQ(1, first->runs);
    EXPECT_EQ(1, second->runs);
    EXPECT_EQ(1, third->runs);
}

TEST(TaskDispatcherPass, RemovingARunningRequestReplacesItsLauncher)
{
    CManualDispatcher dispatcher(1);
    auto task = HeldTask();
    RequestPtr request = AddRunning(dispatcher, task);
    ASSERT_FALSE(HasFailure()) << "the held task did not start";
    LauncherPtr abandoned = dispatcher.Slot(0);
    ASSERT_EQ(abandoned, request->launcher);

    EXPECT_EQ(0u, dispatcher.RemoveRequest(request));
    EXPECT_EQ(1u, dispatcher.RemoveRequest(request));
    request.reset();
    dispatcher.MakePass();
    ASSERT_TRUE(dispatcher.Slot(0));
    EXPECT_NE(abandoned, dispatcher.Slot(0));
    EXPECT_EQ(NTask::LauncherStateIdle, dispatcher.Slot(0)->GetState());
    EXPECT_EQ(NTask::LauncherStateBusy, abandoned->GetState());

    // The fresh launcher serves the queue while the old task still runs.
    auto next = Make<CCountingTask>();
    RequestPtr nextRequest = Add(dispatcher, next);
    EXPECT_TRUE(PassUntilCompleted(dispatcher, nextRequest));
    EXPECT_EQ(1, task->runs);
    task->release.Set();
}

// A client that has not yet removed its completed request must not keep the
// launcher from being replaced when a later request on it goes while running.
TEST(TaskDispatcherPass, CompletedRequestLeftInTheQueueDoesNotPinItsLauncher)
{
    CManualDispatcher dispatcher(1);
    RequestPtr done = Add(dispatcher, Make<CCountingTask>());
    ASSERT_TRUE(PassUntilCompleted(dispatcher, done));
    auto task = HeldTask();
    RequestPtr running = AddRunning(dispatcher, task);
    ASSERT_FALSE(HasFailure()) << "the held task did not start";
    ASSERT_EQ(done->launcher, running->launcher);
    ASSERT_EQ(0u, dispatcher.RemoveRequest(running));

    RequestPtr next = Add(dispatcher, Make<CCountingTask>());
    EXPECT_TRUE(PassUntilCompleted(dispatcher, next));
    EXPECT_NE(done->launcher, dispatcher.Slot(0));
    task->release.Set();
}

TEST(TaskDispatcherPass, FailedHandOverRemovesTheRequestAndWakesItsClient)
{
    CManualDispatcher dispatcher(1);
    LauncherPtr busy(new CTaskLauncher);
    ASSERT_EQ(0u, busy->Start(boost::shared_ptr<NTask::ITaskLauncherCallback>()));
    auto blocker = HeldTask();
    ASSERT_EQ(0u, busy->Launch(blocker));
    ASSERT_TRUE(blocker->started.Wait(5000));

    auto completion = Make<CEvent>();
    RequestPtr request = Add(dispatcher, Make<CCountingTask>(), completion);
    EXPECT_EQ(1u, dispatcher.DispatchRequest(0, busy));  // launcher mutex held > 1 s
    EXPECT_EQ(0u, dispatcher.QueueLength());
    EXPECT_TRUE(completion->Wait(0));
    EXPECT_EQ(NTask::RequestStatePending, request->state);
    EXPECT_EQ(1u, dispatcher.DispatchRequest(0, busy));  // index no longer valid
    EXPECT_EQ(1u, dispatcher.DispatchRequest(0, LauncherPtr()));

    blocker->release.Set();
    busy->RequestStop();
    while (busy->PollStopped() != 0)
        Sleep(1);
    busy->Close();
}

TEST(TaskDispatcherPass, ShutdownDoesNotWaitForAnEmptySlot)
{
    CManualDispatcher dispatcher(3);
    dispatcher.MakePass();
    ASSERT_TRUE(dispatcher.Slot(0) && dispatcher.Slot(1) && dispatcher.Slot(2));
    dispatcher.Slot(1).reset();
    DWORD before = GetTickCount();
    dispatcher.Shutdown();
    EXPECT_LT(GetTickCount() - before, 800u);
    EXPECT_EQ(0u, dispatcher.SlotCount());
}

TEST(TaskDispatcherPass, ShutdownGivesUpOnAWorkerAfterOneSecond)
{
    CManualDispatcher dispatcher(2);
    auto task = HeldTask();
    RequestPtr request = AddRunning(dispatcher, task);
    ASSERT_FALSE(HasFailure()) << "the held task did not start";
    DWORD before = GetTickCount();
    dispatcher.Shutdown();
    DWORD took = GetTickCount() - before;
    EXPECT_GE(took, 950u);
    EXPECT_LT(took, 2500u);
    EXPECT_EQ(0u, dispatcher.SlotCount());
    // The dropped worker still finishes its task.
    task->release.Set();
    Sleep(50);
    EXPECT_EQ(1, task->runs);
}
