#include <gtest/gtest.h>

#include <windows.h>

#include "library/synchronization/TaskLauncher.h"
#include "tests/common/HandleCount.h"
#include "tests/synchronization/TaskTestSupport.h"

using namespace NSyncTests;
using NLibrary::NSynchronization::NTask::CTaskLauncher;
namespace NTask = NLibrary::NSynchronization::NTask;
namespace NThread = NLibrary::NSynchronization::NThread;

namespace {

uint32_t PollUntilDone(CTaskLauncher& launcher, DWORD limitMilliseconds = 5000)
{
    DWORD start = GetTickCount();
    while (launcher.PollTask() != 0) {
        if (GetTickCount() - start > limitMilliseconds)
            return 1;
        Sleep(1);
    }
    return 0;
}

uint32_t PollUntilStopped(CTaskLauncher& launcher, DWORD limitMilliseconds = 5000)
{
    DWORD start = GetTickCount();
    while (launcher.PollStopped() != 0) {
        if (GetTickCount() - start > limitMilliseconds)
            return 1;
        Sleep(1);
    }
    return 0;
}

void StopAndClose(CTaskLauncher& launcher)
{
    launcher.RequestStop();
    PollUntilStopped(launcher);
    launcher.Close();
}

}  // namespace

TEST(TaskLauncher, StartStatesAndRefusals)
{
    CTaskLauncher launcher;
    auto callback = Make<CRecordingCallback>();
    EXPECT_EQ(1u, launcher.Launch(Make<CCountingTask>()));  // not started
    EXPECT_EQ(1u, launcher.RequestStop());
    EXPECT_EQ(0u, launcher.PollStopped());
    ASSERT_EQ(0u, launcher.Start(callback));
    EXPECT_EQ(NTask::LauncherStateIdle, launcher.GetState());
    const NThread::CThread* thread = launcher.GetThread();
    EXPECT_EQ(0u, launcher.Start(callback));  // already idle: no change
    EXPECT_EQ(thread, launcher.GetThread());
    EXPECT_EQ(1u, launcher.Launch(boost::shared_ptr<NTask::ITask>()));

    auto task = boost::shared_ptr<CCountingTask>(new CCountingTask(10000));
    ASSERT_EQ(0u, launcher.Launch(task));
    EXPECT_EQ(NTask::LauncherStateBusy, launcher.GetState());
    EXPECT_EQ(1u, launcher.Start(callback));  // busy
    launcher.Close();                         // busy: nothing happens
    EXPECT_EQ(thread, launcher.GetThread());
    launcher.RequestStop();
    EXPECT_EQ(1u, launcher.Start(callback));  // stopping
    task->release.Set();
    EXPECT_EQ(0u, PollUntilStopped(launcher));
    launcher.Close();
    EXPECT_EQ(1, callback->starts);
    EXPECT_EQ(1, callback->stops);
}

TEST(TaskLauncher, LaunchRunsTheTaskOnceAndPollingAcknowledges)
{
    CTaskLauncher launcher;
    auto callback = Make<CRecordingCallback>();
    ASSERT_EQ(0u, launcher.Start(callback));
    auto task = Make<CCountingTask>();
    ASSERT_EQ(0u, launcher.Launch(task));
    ASSERT_EQ(0u, PollUntilDone(launcher));
    EXPECT_EQ(NTask::LauncherStateIdle, launcher.GetState());
    EXPECT_EQ(0u, launcher.PollTask());
    EXPECT_EQ(1, task->runs);
    // The same launcher takes the next task.
    ASSERT_EQ(0u, launcher.Launch(task));
    ASSERT_EQ(0u, PollUntilDone(launcher));
    EXPECT_EQ(2, task->runs);
    Sleep(20);
    EXPECT_GT(callback->beforeWaits, 0);
    EXPECT_GT(callback->idles, 0);
    StopAndClose(launcher);
}

TEST(TaskLauncher, IsRunningTracksOnlyTheLastLaunchedTask)
{
    CTaskLauncher launcher;
    ASSERT_EQ(0u, launcher.Start(Make<CRecordingCallback>()));
    auto task = boost::shared_ptr<CCountingTask>(new CCountingTask(10000));
    auto other = Make<CCountingTask>();
    ASSERT_EQ(0u, launcher.Launch(task));
    ASSERT_TRUE(task->started.Wait(5000));
    EXPECT_EQ(1u, launcher.IsRunning(task));
    EXPECT_EQ(1u, launcher.IsRunning(boost::shared_ptr<NTask::ITask>()));
    task->release.Set();
    Sleep(50);
    EXPECT_EQ(0u, launcher.IsRunning(other));  // does not consume the done signal
    EXPECT_EQ(NTask::LauncherStateBusy, launcher.GetState());
    EXPECT_EQ(0u, launcher.IsRunning(task));
    EXPECT_EQ(NTask::LauncherStateIdle, launcher.GetState());
    StopAndClose(launcher);
}

TEST(TaskLauncher, LaunchFailsWhileATaskHoldsTheWorkerOverOneSecond)
{
    CTaskLauncher launcher;
    ASSERT_EQ(0u, launcher.Start(Make<CRecordingCallback>()));
    auto longTask = boost::shared_ptr<CCountingTask>(new CCountingTask(10000));
    ASSERT_EQ(0u, launcher.Launch(longTask));
    ASSERT_TRUE(longTask->started.Wait(5000));
    auto next = Make<CCountingTask>();
    DWORD before = GetTickCount();
    EXPECT_EQ(1u, launcher.Launch(next));
    EXPECT_GE(GetTickCount() - before, 900u);
    EXPECT_EQ(1u, launcher.IsRunning(longTask));  // nothing changed
    longTask->release.Set();
    ASSERT_EQ(0u, PollUntilDone(launcher));
    EXPECT_EQ(0, next->runs);
    StopAndClose(launcher);
}

TEST(TaskLauncher, StopOfABusyLauncherLetsTheTaskFinish)
{
    auto callback = Make<CRecordingCallback>();
    auto task = boost::shared_ptr<CCountingTask>(new CCountingTask(10000));
    uint32_t handlesBefore = NTestSupport::CountOpenHandlesSettled();
    {
        CTaskLauncher launcher;
        ASSERT_EQ(0u, launcher.Start(callback));
        ASSERT_EQ(0u, launcher.Launch(task));
        ASSERT_TRUE(task->started.Wait(5000));
        EXPECT_EQ(0u, launcher.RequestStop());
        EXPECT_EQ(0u, launcher.RequestStop());
        EXPECT_EQ(NTask::LauncherStateStopping, launcher.GetState());
        Sleep(30);
        EXPECT_EQ(1u, launcher.PollStopped());
        EXPECT_EQ(0, callback->stops);
        task->release.Set();
        ASSERT_EQ(0u, PollUntilStopped(launcher));
        EXPECT_EQ(NTask::LauncherStateNotStarted, launcher.GetState());
        EXPECT_EQ(1, callback->stops);
        EXPECT_EQ(1, task->runs);
        launcher.Close();
        EXPECT_EQ(nullptr, launcher.GetThread());
        // A closed launcher starts again.
        ASSERT_EQ(0u, launcher.Start(callback));
        StopAndClose(launcher);
    }
    EXPECT_EQ(handlesBefore, NTestSupport::CountOpenHandlesSettled());
}

TEST(TaskLauncher, StopWinsOverATaskSignalledAtTheSamePoll)
{
    auto callback = Make<CRecordingCallback>();
    CTaskLauncher launcher;
    callback->gated = true;
    ASSERT_EQ(0u, launcher.Start(callback));
    ASSERT_TRUE(callback->parked.Wait(5000));  // worker held before its poll
    auto task = Make<CCountingTask>();
    ASSERT_EQ(0u, launcher.Launch(task));
    launcher.RequestStop();
    callback->gate.Set();
    ASSERT_EQ(0u, PollUntilStopped(launcher));
    EXPECT_EQ(0, task->runs);
    EXPECT_EQ(1, callback->stops);
    launcher.Close();
}

// Input posted to the worker is never removed. It may cost one poll without an
// idle call, not a spin of polls, nor the worker's tasks.
TEST(TaskLauncher, PostedMessageNeitherSpinsTheWorkerNorStopsIt)
{
    auto callback = Make<CRecordingCallback>();
    CTaskLauncher launcher;
    ASSERT_EQ(0u, launcher.Start(callback));
    while (callback->idles == 0)
        Sleep(1);
    const LONG idlesBefore = callback->idles, pollsBefore = callback->beforeWaits;
    ASSERT_TRUE(PostThreadMessageW(GetThreadId(launcher.GetThread()->GetHandle()), WM_APP, 0, 0));
    Sleep(300);  // a window for counting polls, not for lining anything up
    const LONG idles = callback->idles - idlesBefore;
    const LONG polls = callback->beforeWaits - pollsBefore;
    EXPECT_GT(idles, 0);
    EXPECT_LE(polls - idles, 3);
    auto task = Make<CCountingTask>();
    ASSERT_EQ(0u, launcher.Launch(task));
    EXPECT_EQ(0u, PollUntilDone(launcher));
    EXPECT_EQ(1, task->runs);
    StopAndClose(launcher);
}

TEST(TaskLauncher, RunsTasksWithoutACallback)
{
    CTaskLauncher launcher;
    ASSERT_EQ(0u, launcher.Start(boost::shared_ptr<NTask::ITaskLauncherCallback>()));
    auto task = Make<CCountingTask>();
    ASSERT_EQ(0u, launcher.Launch(task));
    ASSERT_EQ(0u, PollUntilDone(launcher));
    EXPECT_EQ(1, task->runs);
    StopAndClose(launcher);
}

TEST(TaskLauncher, DroppingABusyLauncherLeavesItsTaskToFinish)
{
    auto callback = Make<CRecordingCallback>();
    auto task = boost::shared_ptr<CCountingTask>(new CCountingTask(10000));
    uint32_t handlesBefore = NTestSupport::CountOpenHandlesSettled();
    {
        boost::shared_ptr<CTaskLauncher> launcher(new CTaskLauncher);
        ASSERT_EQ(0u, launcher->Start(callback));
        ASSERT_EQ(0u, launcher->Launch(task));
        ASSERT_TRUE(task->started.Wait(5000));
    }
    EXPECT_EQ(0, callback->stops);
    task->release.Set();
    // The orphaned worker finishes the task and then ends instead of polling on.
    ASSERT_TRUE(callback->stopped.Wait(5000));
    EXPECT_EQ(1, task->runs);
    Sleep(50);
    EXPECT_EQ(handlesBefore, NTestSupport::CountOpenHandlesSettled());
}

TEST(TaskLauncher, DroppingALauncherRightAfterLaunchStillRunsTheTask)
{
    auto callback = Make<CRecordingCallback>();
    auto task = Make<CCountingTask>();
    {
        boost::shared_ptr<CTaskLauncher> launcher(new CTaskLauncher);
        ASSERT_EQ(0u, launcher->Start(callback));
        // The worker is parked before its next poll, so it finds the task
        // waiting only after the launcher is gone.
        callback->gated = true;
        ASSERT_TRUE(callback->parked.Wait(5000));
        ASSERT_EQ(0u, launcher->Launch(task));
    }
    callback->gate.Set();
    ASSERT_TRUE(callback->stopped.Wait(5000));
    EXPECT_EQ(1, task->runs);
}
