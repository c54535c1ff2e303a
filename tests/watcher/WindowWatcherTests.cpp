// The watcher as an application uses it, against the window of a second
// process (hook_target_fixture.exe, driven by commands that return once the
// window has done what they ask).

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "watcher/WindowWatcher.h"
#include "tests/common/HandleCount.h"
#include "tests/common/HookTargetCommands.h"
#include "tests/common/HookTestSupport.h"
#include "tests/common/Wait.h"
#include "tests/watcher/EventRecorder.h"
#include "tests/watcher/ProcessCounts.h"

namespace {

using namespace NLibrary::NWin32::NWindow::NWatcher;
using NWatcherTest::CEventRecorder;
using NWatcherTest::Names;

const DWORD ArrivalTimeoutMs = 5000;

bool IsAt(const CWindowEvent& event, LONG left, LONG top)
{
    return event.kind == WindowEventPosChanged && !event.snapshot.gone
           && event.snapshot.bounds.left == left && event.snapshot.bounds.top == top;
}

class WindowWatcherTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, target.Window());
        ASSERT_EQ(WatcherSuccess, watcher.Start(CEventRecorder::OnEvent, &recorder));
        // The target's thread takes up a new hook only once it retrieves a message.
        ASSERT_TRUE(target.Run(TargetGetChild));
    }

    HookTarget target;
    CEventRecorder recorder;
    CWindowWatcher watcher;
};

TEST_F(WindowWatcherTest, EachKindArrivesOnceInOrderWithASnapshotOfTheWindow)
{
    const struct
    {
        UINT command;
        WPARAM wParam;
        LPARAM lParam;
    } steps[] = {
        {TargetShow,             0,   0 },
        {TargetSizeMoveMessages, 0,   0 },
        {TargetMove,             123, 45},
    };
    for (const auto& step : steps)
        ASSERT_TRUE(target.Run(step.command, step.wParam, step.lParam));
    // Every snapshot may already show the last move (the watcher reads the
    // window after taking its notifications), so the count tells when all
    // have arrived.
    ASSERT_TRUE(NTestSupport::WaitUntil([&] { return recorder.About(target.Window()).size() >= 5; },
                                        ArrivalTimeoutMs));

    const std::vector<CWindowEvent> events = recorder.About(target.Window());
    EXPECT_EQ("WindowPosChanged EnterSizeMove Moving ExitSizeMove WindowPosChanged", Names(events));
    DWORD processId = 0;
    GetWindowThreadProcessId(target.Window(), &processId);
    for (const CWindowEvent& event : events) {
        SCOPED_TRACE(GetWindowEventName(event.kind));
        EXPECT_FALSE(event.snapshot.gone);
        EXPECT_STREQ(L"ZarvoHookTarget", event.snapshot.className);
        EXPECT_EQ(target.Title(), event.snapshot.title);
        EXPECT_EQ(processId, event.snapshot.processId);
        EXPECT_STREQ(L"hook_target_fixture.exe", event.snapshot.imageName);
        EXPECT_EQ(NLibrary::NWin32::NWindow::Normal, event.snapshot.showState);
        EXPECT_TRUE(event.snapshot.hasBounds);
        EXPECT_NE(0u, event.arrivalTime);
    }
    RECT bounds = {};
    GetWindowRect(target.Window(), &bounds);
    EXPECT_EQ(bounds.right, events.back().snapshot.bounds.right);
    EXPECT_EQ(bounds.bottom, events.back().snapshot.bounds.bottom);
}

TEST_F(WindowWatcherTest, ADestroyedWindowIsReportedGone)
{
    // Held in the callback of the move, the watcher reads the destruction
    // only after the window has certainly gone.
    recorder.HoldNext();
    ASSERT_TRUE(target.Run(TargetMove, 60, 70));
    ASSERT_TRUE(recorder.WaitUntilHeld(ArrivalTimeoutMs));
    ASSERT_TRUE(target.Run(TargetDestroy));
    ASSERT_TRUE(target.WaitForExit(ArrivalTimeoutMs));
    recorder.Release();
    ASSERT_TRUE(recorder.WaitFor(
        target.Window(), [](const CWindowEvent& e) { return e.kind == WindowEventDestroyed; },
        ArrivalTimeoutMs));

    const std::vector<CWindowEvent> events = recorder.About(target.Window());
    EXPECT_EQ("WindowPosChanged Destroyed", Names(events));
    EXPECT_FALSE(events.front().snapshot.gone);
    EXPECT_TRUE(events.back().snapshot.gone);
    EXPECT_STREQ(L"", events.back().snapshot.className);
}

TEST_F(WindowWatcherTest, NothingArrivesAfterStopReturnsWhileTheTargetKeepsMoving)
{
    std::atomic<bool> churning(true);
    std::thread churn([&] {
        for (int i = 0; churning; ++i)
            target.Run(TargetMove, 100 + i % 50, 100);
    });
    // The callback of one move is held while Stop runs on another thread and
    // more moves queue up behind it.
    recorder.HoldNext();
    ASSERT_TRUE(recorder.WaitUntilHeld(ArrivalTimeoutMs));
    std::atomic<bool> stopped(false);
    std::thread stopper([&] {
        EXPECT_EQ(WatcherSuccess, watcher.Stop());
        recorder.AddMarker();
        stopped = true;
    });
    // A Stop that returned while a callback runs shows up here at once;
    // otherwise it is still waiting for the held callback.
    for (int i = 0; i < 20 && !stopped; ++i)
        Sleep(10);
    recorder.Release();
    stopper.join();
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(target.Run(TargetMove, 300 + i, 300));
    churning = false;
    churn.join();

    EXPECT_EQ(0u, recorder.CountAfterMarker(target.Window()));
    EXPECT_FALSE(recorder.About(target.Window()).empty())
        << "the held event is recorded before Stop returns";
}

TEST_F(WindowWatcherTest, ANewerWatcherKeepsItsHookWhenAnOlderOneStops)
{
    CEventRecorder newerRecorder;
    CWindowWatcher newer;
    ASSERT_EQ(WatcherSuccess, newer.Start(CEventRecorder::OnEvent, &newerRecorder));
    ASSERT_TRUE(target.Run(TargetGetChild));
    ASSERT_EQ(WatcherSuccess, watcher.Stop());

    ASSERT_TRUE(target.Run(TargetMove, 77, 88));
    EXPECT_TRUE(newerRecorder.WaitFor(
        target.Window(), [](const CWindowEvent& e) { return IsAt(e, 77, 88); }, ArrivalTimeoutMs));
    EXPECT_EQ(WatcherSuccess, newer.Stop());
}

void IgnoreEvent(const CWindowEvent&, void*)
{
}

TEST(WindowWatcher, StartingAndStoppingTwoHundredTimesLeavesNoThreadHandleOrHeapBlock)
{
    CWindowWatcher watcher;
    ASSERT_EQ(WatcherSuccess,
              watcher.Start(IgnoreEvent, nullptr));  // what the first start sets up once
    ASSERT_EQ(WatcherSuccess, watcher.Stop());
    const unsigned int threads = NWatcherTest::CountThreads();
    const unsigned int handles = NTestSupport::CountOpenHandlesSettled();
    const unsigned int blocks = NWatcherTest::CountHeapBlocks();
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(WatcherSuccess, watcher.Start(IgnoreEvent, nullptr)) << i;
        ASSERT_EQ(WatcherSuccess, watcher.Stop()) << i;
    }
    EXPECT_EQ(threads, NWatcherTest::CountThreads());
    EXPECT_EQ(handles, NTestSupport::CountOpenHandlesSettled());
    EXPECT_EQ(blocks, NWatcherTest::CountHeapBlocks());
}

TEST(WindowWatcher, AModuleThatCannotBeUsedGivesItsStatusAndNoThread)
{
    const struct
    {
        const wchar_t* path;
        uint32_t status;
    } cases[] = {
        {L"no-such-module.dll", WatcherModuleNotLoaded},
        {L"kernel32.dll",       WatcherWrongModule    },
    };
    for (const auto& c : cases) {
        const unsigned int threads = NWatcherTest::CountThreads();
        CWindowWatcher watcher;
        EXPECT_EQ(c.status, watcher.Start(IgnoreEvent, nullptr, c.path)) << c.path;
        EXPECT_FALSE(watcher.IsStarted());
        EXPECT_EQ(threads, NWatcherTest::CountThreads()) << c.path;
    }
}

}  // namespace
