#include <gtest/gtest.h>

#include <windows.h>

#include <initializer_list>

#include "library/synchronization/TaskLauncher.h"
#include "tests/common/HandleCount.h"
#include "tests/common/Wait.h"
#include "tests/synchronization/TaskTestSupport.h"

using namespace NSyncTests;
using NLibrary::NSynchronization::NTask::CTaskLauncher;
namespace NTask = NLibrary::NSynchronization::NTask;
using NTestSupport::WaitUntil;

namespace {

const int Any = -1;
const int NotStarted = NTask::LauncherStateNotStarted, Idle = NTask::LauncherStateIdle,
          Busy = NTask::LauncherStateBusy, Stopping = NTask::LauncherStateStopping;

// What a step does; waits report 0 once the awaited state is reached.
enum Action
{
    Start,
    StartWithoutCallback,
    Launch,      // the short task
    LaunchHeld,  // the task that holds the worker until released
    LaunchNothing,
    LaunchWhileHeld,  // the short task; must give up only after a second
    WaitHeldStarted,
    ReleaseHeld,
    WaitWorkerBack,  // the worker polls again after the released task
    WaitPollsAndIdles,
    HoldWorker,  // the worker parks at its next poll
    WaitWorkerHeld,
    LetWorkerGo,
    PollTask,
    PollUntilDone,
    IsRunningHeld,
    IsRunningOther,  // a task never launched
    IsRunningNothing,
    RequestStop,
    PollStopped,
    PollUntilStopped,
    Close,
    StopAndClose,
    Drop,             // the launcher goes; its worker is left to itself
    WaitWorkerEnded,  // its stop callback ran and its thread ended
};

enum ThreadCheck
{
    AnyThread,
    SomeThread,  // and remember it
    SameThread,
    NoThread
};

// A step and what holds after it; runs counts the runs of every task.
struct CStep
{
    const char* what;
    Action action;
    int result = Any;
    int state = Any;
    int runs = Any, starts = Any, stops = Any;
    ThreadCheck thread = AnyThread;
};

class TaskLauncher : public testing::Test
{
protected:
    // A failed walk must not leave the worker held.
    void TearDown() override
    {
        held->release.Set();
        callback->gate.Set();
    }

    void Walk(std::initializer_list<CStep> steps)
    {
        for (const CStep& step : steps) {
            SCOPED_TRACE(step.what);
            const long result = Do(step.action);
            const long state = launcher ? launcher->GetState() : Any;
            const long runs = quick->runs + held->runs + other->runs;
            EXPECT_EQ(Want(step.result, result), result);
            EXPECT_EQ(Want(step.state, state), state);
            EXPECT_EQ(Want(step.runs, runs), runs);
            EXPECT_EQ(Want(step.starts, callback->starts), callback->starts);
            EXPECT_EQ(Want(step.stops, callback->stops), callback->stops);
            if (step.thread == SomeThread)
                thread = launcher->GetThread();
            if (step.thread != AnyThread) {
                EXPECT_EQ(step.thread == NoThread ? nullptr : thread, launcher->GetThread());
            }
        }
    }

    // What a column expects: the value itself where the column does not care.
    static long Want(int expected, long actual) { return expected == Any ? actual : expected; }

    uint32_t Do(Action action)
    {
        switch (action) {
        case Start:
            return launcher->Start(callback);
        case StartWithoutCallback:
            return launcher->Start(boost::shared_ptr<NTask::ITaskLauncherCallback>());
        case Launch:
            return launcher->Launch(quick);
        case LaunchHeld:
            return launcher->Launch(held);
        case LaunchNothing:
            return launcher->Launch(boost::shared_ptr<NTask::ITask>());
        case LaunchWhileHeld: {
            const DWORD before = GetTickCount();
            const uint32_t result = launcher->Launch(quick);
            EXPECT_GE(GetTickCount() - before, 900u);
            return result;
        }
        case WaitHeldStarted:
            return !held->started.Wait(5000);
        case ReleaseHeld:
            pollsAtRelease = callback->beforeWaits;
            held->release.Set();
            return 0;
        case WaitWorkerBack:
            return !WaitUntil([&] { return callback->beforeWaits > pollsAtRelease; });
        case WaitPollsAndIdles:
            return !WaitUntil([&] { return callback->beforeWaits > 0 && callback->idles > 0; });
        case HoldWorker:
            callback->gated = true;
            return 0;
        case WaitWorkerHeld:
            return !callback->parked.Wait(5000);
        case LetWorkerGo:
            callback->gate.Set();
            return 0;
        case PollTask:
            return launcher->PollTask();
        case PollUntilDone:
            return !WaitUntil([&] { return launcher->PollTask() == 0; });
        case IsRunningHeld:
            return launcher->IsRunning(held);
        case IsRunningOther:
            return launcher->IsRunning(other);
        case IsRunningNothing:
            return launcher->IsRunning(boost::shared_ptr<NTask::ITask>());
        case RequestStop:
            return launcher->RequestStop();
        case PollStopped:
            return launcher->PollStopped();
        case PollUntilStopped:
            return !WaitUntil([&] { return launcher->PollStopped() == 0; });
        case Close:
            launcher->Close();
            return 0;
        case StopAndClose: {
            launcher->RequestStop();
            const uint32_t result = !WaitUntil([&] { return launcher->PollStopped() == 0; });
            launcher->Close();
            return result;
        }
        case Drop:
            if (launcher->GetThread() != nullptr)
                DuplicateHandle(GetCurrentProcess(), launcher->GetThread()->GetHandle(),
                                GetCurrentProcess(), worker.Put(), SYNCHRONIZE, FALSE, 0);
            launcher.reset();
            return 0;
        case WaitWorkerEnded:
            return !callback->stopped.Wait(5000)
                   || WaitForSingleObject(worker.Get(), 5000) != WAIT_OBJECT_0;
        }
        return 1;
    }

    boost::shared_ptr<CTaskLauncher> launcher {new CTaskLauncher};
    boost::shared_ptr<CRecordingCallback> callback = Make<CRecordingCallback>();
    boost::shared_ptr<CCountingTask> quick = Make<CCountingTask>(), other = Make<CCountingTask>();
    boost::shared_ptr<CCountingTask> held {new CCountingTask(10000)};
    const NLibrary::NSynchronization::NThread::CThread* thread = nullptr;
    LONG pollsAtRelease = 0;
    NLibrary::NResource::CUniqueThreadHandle worker;
};

}  // namespace

TEST_F(TaskLauncher, StartStatesAndRefusals)
{
    // The rows differ in length, which clang-format 14 cannot align (it
    // crashes): these tables keep one row per line by hand.
    // clang-format off
    Walk({
        {"launch before start", Launch, 1, NotStarted},
        {"stop before start", RequestStop, 1, NotStarted},
        {"poll for a stop before start", PollStopped, 0, NotStarted},
        {"start", Start, 0, Idle, Any, Any, Any, SomeThread},
        {"start while idle: no change", Start, 0, Idle, Any, Any, Any, SameThread},
        {"launch nothing", LaunchNothing, 1, Idle},
        {"launch", LaunchHeld, 0, Busy},
        {"start while busy", Start, 1, Busy},
        {"close while busy: nothing happens", Close, Any, Busy, Any, Any, Any, SameThread},
        {"stop", RequestStop, 0, Stopping},
        {"start while stopping", Start, 1, Stopping},
        {"release the task", ReleaseHeld},
        {"stopped", PollUntilStopped, 0, NotStarted, Any, 1, 1},
        {"close", Close, Any, NotStarted, Any, 1, 1, NoThread},
    });
    // clang-format on
}

TEST_F(TaskLauncher, LaunchRunsTheTaskOnceAndPollingAcknowledges)
{
    // clang-format off
    Walk({
        {"start", Start, 0, Idle},
        {"launch", Launch, 0, Busy},
        {"done", PollUntilDone, 0, Idle, 1},
        {"poll again", PollTask, 0, Idle, 1},
        {"the same launcher takes the next task", Launch, 0, Busy},
        {"done again", PollUntilDone, 0, Idle, 2},
        {"the worker polls and idles", WaitPollsAndIdles, 0},
        {"stop and close", StopAndClose, 0, NotStarted},
    });
    // clang-format on
}

TEST_F(TaskLauncher, IsRunningTracksOnlyTheLastLaunchedTask)
{
    // clang-format off
    Walk({
        {"start", Start, 0, Idle},
        {"launch", LaunchHeld, 0, Busy},
        {"the task runs", WaitHeldStarted, 0, Busy, 1},
        {"the launched task is running", IsRunningHeld, 1, Busy},
        {"nothing counts as running", IsRunningNothing, 1, Busy},
        {"release the task", ReleaseHeld},
        {"the worker is back at its poll", WaitWorkerBack, 0, Busy, 1},
        {"another task does not consume the done signal", IsRunningOther, 0, Busy},
        {"the launched task is done", IsRunningHeld, 0, Idle},
        {"stop and close", StopAndClose, 0, NotStarted},
    });
    // clang-format on
}

TEST_F(TaskLauncher, LaunchFailsWhileATaskHoldsTheWorkerOverOneSecond)
{
    // clang-format off
    Walk({
        {"start", Start, 0, Idle},
        {"launch", LaunchHeld, 0, Busy},
        {"the task runs", WaitHeldStarted, 0, Busy, 1},
        {"launch another", LaunchWhileHeld, 1, Busy, 1},
        {"nothing changed", IsRunningHeld, 1, Busy},
        {"release the task", ReleaseHeld},
        {"done; the other task never ran", PollUntilDone, 0, Idle, 1},
        {"stop and close", StopAndClose, 0, NotStarted},
    });
    // clang-format on
}

// The first cycle is also the warm-up: what the platform and the runtime set
// up once per process for a thread that waits is not a leak; a second cycle
// must give back everything it takes.
TEST_F(TaskLauncher, StopOfABusyLauncherLetsTheTaskFinish)
{
    // clang-format off
    Walk({
        {"start", Start, 0, Idle},
        {"launch", LaunchHeld, 0, Busy},
        {"the task runs", WaitHeldStarted, 0, Busy, 1},
        {"stop", RequestStop, 0, Stopping},
        {"stop again", RequestStop, 0, Stopping},
        // The test holds the task, so the worker cannot have stopped.
        {"stopping while the task runs", PollStopped, 1, Stopping, 1, 1, 0},
        {"release the task", ReleaseHeld},
        {"the task finished, then the worker stopped", PollUntilStopped, 0, NotStarted, 1, 1, 1},
        {"close", Close, Any, NotStarted, Any, Any, Any, NoThread},
    });
    // clang-format on
    const uint32_t handlesBefore = NTestSupport::CountOpenHandlesSettled();
    // clang-format off
    Walk({
        {"a closed launcher starts again", Start, 0, Idle},
        {"stop and close", StopAndClose, 0, NotStarted},
        {"drop", Drop},
    });
    // clang-format on
    worker.Reset();
    EXPECT_EQ(handlesBefore, HandleCountAfterThreadsExit(handlesBefore));
}

TEST_F(TaskLauncher, StopWinsOverATaskSignalledAtTheSamePoll)
{
    // clang-format off
    Walk({
        {"hold the worker before its first poll", HoldWorker},
        {"start", Start, 0, Idle},
        {"the worker is held", WaitWorkerHeld, 0},
        {"launch", Launch, 0, Busy},
        {"stop", RequestStop, 0, Stopping},
        {"let the worker poll", LetWorkerGo},
        {"stopped without running the task", PollUntilStopped, 0, NotStarted, 0, 1, 1},
        {"close", Close},
    });
    // clang-format on
}

// Input posted to the worker is never removed. It may cost one poll without an
// idle call, not a spin of polls, nor the worker's tasks.
TEST_F(TaskLauncher, PostedMessageNeitherSpinsTheWorkerNorStopsIt)
{
    Walk({
        {"start", Start,       0,                       Idle},
        {"the worker idles",       WaitPollsAndIdles, 0}
    });
    const LONG idlesBefore = callback->idles, pollsBefore = callback->beforeWaits;
    ASSERT_TRUE(PostThreadMessageW(GetThreadId(launcher->GetThread()->GetHandle()), WM_APP, 0, 0));
    Sleep(300);  // a window for counting polls, not for lining anything up
    const LONG idles = callback->idles - idlesBefore;
    const LONG polls = callback->beforeWaits - pollsBefore;
    EXPECT_GT(idles, 0);
    EXPECT_LE(polls - idles, 3);
    // clang-format off
    Walk({
        {"launch", Launch, 0, Busy},
        {"done", PollUntilDone, 0, Idle, 1},
        {"stop and close", StopAndClose, 0, NotStarted},
    });
    // clang-format on
}

TEST_F(TaskLauncher, RunsTasksWithoutACallback)
{
    // clang-format off
    Walk({
        {"start", StartWithoutCallback, 0, Idle},
        {"launch", Launch, 0, Busy},
        {"done", PollUntilDone, 0, Idle, 1},
        {"stop and close", StopAndClose, 0, NotStarted, 1, 0, 0},
    });
    // clang-format on
}

TEST_F(TaskLauncher, DroppingABusyLauncherLeavesItsTaskToFinish)
{
    const uint32_t handlesBefore = NTestSupport::CountOpenHandlesSettled();
    // clang-format off
    Walk({
        {"start", Start, 0, Idle},
        {"launch", LaunchHeld, 0, Busy},
        {"the task runs", WaitHeldStarted, 0, Busy, 1},
        {"drop the launcher", Drop, Any, Any, 1, 1, 0},
        {"release the task", ReleaseHeld},
        // The orphaned worker finishes the task and then ends instead of polling on.
        {"the worker ended", WaitWorkerEnded, 0, Any, 1, 1, 1},
    });
    // clang-format on
    worker.Reset();
    EXPECT_EQ(handlesBefore, HandleCountAfterThreadsExit(handlesBefore));
}

TEST_F(TaskLauncher, DroppingALauncherRightAfterLaunchStillRunsTheTask)
{
    // The worker is parked before its next poll, so it finds the task waiting
    // only after the launcher is gone.
    // clang-format off
    Walk({
        {"start", Start, 0, Idle},
        {"hold the worker before its next poll", HoldWorker},
        {"the worker is held", WaitWorkerHeld, 0},
        {"launch", Launch, 0, Busy},
        {"drop the launcher", Drop},
        {"let the worker poll", LetWorkerGo},
        {"the task ran, then the worker ended", WaitWorkerEnded, 0, Any, 1, 1, 1},
    });
    // clang-format on
}
