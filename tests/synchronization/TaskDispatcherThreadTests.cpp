#include <gtest/gtest.h>

#include <windows.h>

#include <boost/make_shared.hpp>

#include <memory>
#include <thread>
#include <vector>

#include "library/synchronization/TaskDispatcher.h"
#include "tests/common/HandleCount.h"
#include "tests/synchronization/TaskTestSupport.h"
#include "tests/common/TestAllocator.h"

using namespace NSyncTests;
using NTestSupport::LiveHeapBlocks;
namespace NTask = NLibrary::NSynchronization::NTask;
using NLibrary::NSynchronization::NThread::CThread;
using NTask::CTaskDispatcher;
using NTask::CTaskRequest;

namespace {

using DispatcherPtr = boost::shared_ptr<CTaskDispatcher>;

// A dispatcher running on its own thread for the life of the object.
class CRunningDispatcher
{
public:
    explicit CRunningDispatcher(uint32_t poolSize,
                                const boost::shared_ptr<NTask::ITaskLauncherCallback>& callback =
                                    boost::shared_ptr<NTask::ITaskLauncherCallback>())
        : dispatcher(new CTaskDispatcher(poolSize, callback))
    {
        started = thread.Start(dispatcher) == 0;
    }
    ~CRunningDispatcher() { Stop(); }

    // Milliseconds from the stop request to the dispatcher's end.
    DWORD Stop()
    {
        if (thread.GetState() != NLibrary::NSynchronization::NThread::ThreadStateRunning)
            return 0;
        DWORD before = GetTickCount();
        thread.RequestStop();
        thread.Join(10000);
        DWORD took = GetTickCount() - before;
        thread.Close();
        return took;
    }

    DispatcherPtr dispatcher;
    CThread thread;
    bool started = false;
};

}  // namespace

TEST(TaskDispatcher, ExecuteAndWaitRunsTheTask)
{
    CRunningDispatcher running(2);
    ASSERT_TRUE(running.started);
    auto task = Make<CCountingTask>();
    EXPECT_EQ(0u, running.dispatcher->ExecuteAndWait(task, 5000));
    EXPECT_EQ(0u, running.dispatcher->ExecuteAndWait(task, 5000));
    EXPECT_EQ(2, task->runs);
    EXPECT_EQ(1u, running.dispatcher->ExecuteAndWait(boost::shared_ptr<NTask::ITask>(), 5000));
}

// The dispatcher thread never removes messages: input posted to it stays in
// its queue for good.
TEST(TaskDispatcher, PostedMessagesDoNotStopDispatching)
{
    CRunningDispatcher running(1);
    ASSERT_TRUE(running.started);
    auto task = Make<CCountingTask>();
    ASSERT_EQ(0u, running.dispatcher->ExecuteAndWait(task, 5000));
    const DWORD dispatcherThread = GetThreadId(running.thread.GetHandle());
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(PostThreadMessageW(dispatcherThread, WM_APP, 0, 0));
        EXPECT_EQ(0u, running.dispatcher->ExecuteAndWait(task, 3000)) << i;
    }
    EXPECT_EQ(3, task->runs);
}

TEST(TaskDispatcher, TimedOutClientGetsFailureAndLaterTasksStillRun)
{
    CRunningDispatcher running(1);
    auto slow = boost::shared_ptr<CCountingTask>(new CCountingTask(10000));
    EXPECT_EQ(1u, running.dispatcher->ExecuteAndWait(slow, 200));
    // Its launcher is abandoned and replaced; the pool keeps serving.
    auto quick = Make<CCountingTask>();
    EXPECT_EQ(0u, running.dispatcher->ExecuteAndWait(quick, 5000));
    EXPECT_EQ(1, quick->runs);
    slow->release.Set();
}

TEST(TaskDispatcher, StopWhileTasksRunEndsWithinAboutOneSecond)
{
    auto callback = Make<CRecordingCallback>();
    auto slow = boost::shared_ptr<CCountingTask>(new CCountingTask(3000));
    auto quick = boost::shared_ptr<CCountingTask>(new CCountingTask(100));
    auto waitingCompletion = Make<CEvent>();
    boost::shared_ptr<CTaskRequest> slowRequest, quickRequest;
    DWORD took;
    {
        CRunningDispatcher running(3, callback);
        ASSERT_TRUE(running.started);
        ASSERT_EQ(0u, running.dispatcher->AddRequest(slow, waitingCompletion, slowRequest));
        ASSERT_EQ(0u,
                  running.dispatcher->AddRequest(quick, boost::shared_ptr<CEvent>(), quickRequest));
        ASSERT_TRUE(slow->started.Wait(5000));
        ASSERT_TRUE(quick->started.Wait(5000));
        took = running.Stop();
        // The queue is closed, and the client still waiting was woken.
        boost::shared_ptr<CTaskRequest> late;
        EXPECT_EQ(1u, running.dispatcher->AddRequest(quick, boost::shared_ptr<CEvent>(), late));
        EXPECT_TRUE(waitingCompletion->Wait(0));
        int state = -1;
        EXPECT_EQ(0u, running.dispatcher->GetRequestState(slowRequest, state));
        EXPECT_NE(NTask::RequestStateCompleted, state);
    }
    EXPECT_GE(took, 900u);
    EXPECT_LT(took, 2500u);
    EXPECT_EQ(3, callback->starts);
    EXPECT_EQ(2, callback->stops);  // the slow worker was left running
    slow->release.Set();
    ASSERT_TRUE(callback->stopped.Wait(5000));
    EXPECT_EQ(1, slow->runs);
}

TEST(TaskDispatcher, IdlePoolStopsPromptly)
{
    CRunningDispatcher running(4);
    ASSERT_TRUE(running.started);
    Sleep(100);
    EXPECT_LT(running.Stop(), 900u);
}

namespace {

// Lends out the queue's mutex, so that a thread can end while holding it.
class CExposedDispatcher : public CTaskDispatcher
{
public:
    explicit CExposedDispatcher(const boost::shared_ptr<NTask::ITaskLauncherCallback>& callback)
        : CTaskDispatcher(1, callback)
    {
    }
    using CTaskDispatcher::mutex;
};

}  // namespace

TEST(TaskDispatcher, ClientsGoOnAfterAThreadEndedHoldingTheQueue)
{
    auto callback = Make<CRecordingCallback>();
    boost::shared_ptr<CExposedDispatcher> dispatcher(new CExposedDispatcher(callback));
    std::thread([&] { dispatcher->mutex->Lock(); }).join();
    CThread thread;
    ASSERT_EQ(0u, thread.Start(dispatcher));
    // No client exists yet, so the dispatcher thread is the one that meets
    // the abandoned mutex; its launcher starts in a later pass.
    for (int i = 0; i < 5000 && callback->starts == 0; ++i)
        Sleep(1);
    ASSERT_EQ(1, callback->starts);

    CEvent returned;
    uint32_t result = 1;
    std::thread client([&] {
        result = dispatcher->ExecuteAndWait(Make<CCountingTask>(), 2000);
        returned.Set();
    });
    EXPECT_TRUE(returned.Wait(5000));
    thread.RequestStop();  // also frees a client stuck behind the mutex
    EXPECT_EQ(0u, thread.Join(5000));
    thread.Close();
    client.join();
    EXPECT_EQ(0u, result);
}

namespace {

// Counts its own runs; a second run of the same task is a fault.
class CStressTask : public NTask::ITask
{
public:
    void Execute() override { InterlockedIncrement(&runs); }
    volatile LONG runs = 0;
};

struct CClientResult
{
    uint32_t submitted = 0;
    uint32_t completed = 0;
    uint32_t extraSignals = 0;
    std::vector<boost::shared_ptr<CStressTask>> tasks;
};

// Alternates the one-call client API with the explicit add / wait / remove.
void RunClient(CTaskDispatcher& dispatcher, uint32_t count, CClientResult& result)
{
    for (uint32_t i = 0; i < count; ++i) {
        boost::shared_ptr<CStressTask> task(new CStressTask);
        result.tasks.push_back(task);
        ++result.submitted;
        if (i % 2 == 0) {
            if (dispatcher.ExecuteAndWait(task, 10000) == 0)
                ++result.completed;
            continue;
        }
        boost::shared_ptr<CEvent> completion(new CEvent);
        boost::shared_ptr<CTaskRequest> request;
        if (dispatcher.AddRequest(task, completion, request) != 0)
            continue;
        completion->Wait(10000);
        int state = -1;
        dispatcher.GetRequestState(request, state);
        dispatcher.RemoveRequest(request);
        if (state == NTask::RequestStateCompleted)
            ++result.completed;
        if (completion->Wait(5))
            ++result.extraSignals;
    }
}

}  // namespace

TEST(TaskDispatcher, StressManyClientsEveryRequestCompletesOnce)
{
    const uint32_t clients = 4, perClient = 600;
    uint32_t handlesBefore = NTestSupport::CountOpenHandlesSettled();
    std::vector<CClientResult> results(clients);
    DWORD shutdown;
    {
        CRunningDispatcher running(3);
        ASSERT_TRUE(running.started);
        std::vector<std::unique_ptr<CClientThread>> threads;
        for (uint32_t c = 0; c < clients; ++c)
            threads.emplace_back(new CClientThread(
                [&, c] { RunClient(*running.dispatcher, perClient, results[c]); }));
        threads.clear();
        shutdown = running.Stop();
    }
    uint32_t completed = 0, wrongRuns = 0, extraSignals = 0;
    for (const auto& result : results) {
        EXPECT_EQ(perClient, result.submitted);
        completed += result.completed;
        extraSignals += result.extraSignals;
        for (const auto& task : result.tasks)
            wrongRuns += task->runs != 1;
    }
    EXPECT_EQ(clients * perClient, completed);
    EXPECT_EQ(0u, wrongRuns);
    EXPECT_EQ(0u, extraSignals);
    EXPECT_LT(shutdown, 1500u);
    results.clear();
    EXPECT_EQ(handlesBefore, HandleCountAfterThreadsExit(handlesBefore));
}

namespace {

// Clients give up on tasks that still run (their requests go while running)
// while they leave their completed requests, which name the same launchers, in
// the queue to the end; then a stop comes while many clients wait. Returns the clients served and
// woken.
std::pair<LONG, LONG> RunRemovalsThenAStop(uint32_t clients, uint32_t rounds)
{
    LONG served = 0, woken = 0;
    std::vector<boost::shared_ptr<CCountingTask>> held;
    for (uint32_t c = 0; c < 2 * clients; ++c)
        held.emplace_back(new CCountingTask(20000));
    CRunningDispatcher running(2);
    CTaskDispatcher& dispatcher = *running.dispatcher;
    auto client = [&] {
        std::vector<boost::shared_ptr<CTaskRequest>> kept;
        for (uint32_t i = 0; i < rounds; ++i) {
            auto completion = Make<CEvent>();
            kept.emplace_back();
            if (dispatcher.AddRequest(Make<CCountingTask>(), completion, kept.back()) != 0)
                break;
            completion->Wait(5000);
            dispatcher.ExecuteAndWait(boost::make_shared<CCountingTask>(30), 5);
            if (dispatcher.ExecuteAndWait(Make<CCountingTask>(), 3000) != 0)
                break;
            InterlockedIncrement(&served);
        }
        for (const auto& request : kept)
            dispatcher.RemoveRequest(request);
    };
    std::vector<std::unique_ptr<CClientThread>> threads;
    for (uint32_t c = 0; c < clients; ++c)
        threads.emplace_back(new CClientThread(client));
    threads.clear();

    for (const auto& task : held) {
        threads.emplace_back(new CClientThread([&dispatcher, &woken, task] {
            if (dispatcher.ExecuteAndWait(task, 20000) != 0)
                InterlockedIncrement(&woken);
        }));
    }
    for (int i = 0; i < 5000 && held[0]->runs + held[1]->runs + held.back()->runs == 0; ++i)
        Sleep(1);
    EXPECT_LT(running.Stop(), 2500u);
    threads.clear();
    for (const auto& task : held)
        task->release.Set();
    return {served, woken};
}

}  // namespace

// The first run is a warm-up: what the platform creates once per process for
// threads and their queues is not a leak.
TEST(TaskDispatcher, StressRemovalsWhileRunningThenAStopWhileClientsWait)
{
    const uint32_t clients = 4, rounds = 30;
    const uint32_t threadsBefore = CountThreads();
    RunRemovalsThenAStop(clients, rounds);
    ASSERT_EQ(threadsBefore, CountAfterThreadsExit(CountThreads, threadsBefore));
    const int64_t blocksBefore = LiveHeapBlocks();
    const uint32_t handlesBefore = NTestSupport::CountOpenHandlesSettled();
    const std::pair<LONG, LONG> counts = RunRemovalsThenAStop(clients, rounds);
    EXPECT_EQ(LONG(clients * rounds), counts.first);
    EXPECT_EQ(LONG(2 * clients), counts.second);
    EXPECT_EQ(threadsBefore, CountAfterThreadsExit(CountThreads, threadsBefore));
    EXPECT_EQ(blocksBefore, CountAfterThreadsExit(LiveHeapBlocks, blocksBefore));
    EXPECT_EQ(handlesBefore, HandleCountAfterThreadsExit(handlesBefore));
}
