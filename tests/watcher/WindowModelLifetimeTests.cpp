// How a window model ends: by Stop while its callback runs, from its own
// callback (deleted, or throwing), by a takeover, and over many starts.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "watcher/WindowModel.h"
#include "tests/common/HandleCount.h"
#include "tests/common/HookTargetCommands.h"
#include "tests/common/HookTestSupport.h"
#include "tests/common/Wait.h"
#include "tests/watcher/RuleBreakingCallback.h"
#include "tests/watcher/ModelRecorder.h"
#include "tests/watcher/ProcessCounts.h"

namespace {

using namespace NLibrary::NWin32::NWindow::NWatcher;
using NTestSupport::WaitUntil;
using NWatcherTest::CModelRecorder;

const DWORD EndTimeoutMs = 5000;

using CRules = NWatcherTest::CRuleBreaker<CWindowModel>;

TEST(WindowModelLifetime, ACallbackThatDeletesItsModelOrThrowsIsTheLastAndAllEndsUnregistered)
{
    const NWatcherTest::CWaitThreadHold waitThread;
    NWatcherTest::ExpectEachRuleBreakerIsTheLastCall<CWindowModel>(
        [](CRules& rules, const HookTarget& target) {
            rules.window = target.Window();
            ASSERT_EQ(WatcherSuccess,
                      rules.owner->Start(CRules::OnEvent<CWindowModelEvent>, &rules));
        },
        "a thread of the model did not end");
}

TEST(WindowModelLifetime, NothingArrivesAfterStopReturnsWhileTheTargetKeepsMoving)
{
    HookTarget target;
    CModelRecorder recorder;
    recorder.SetDelay(200);
    CWindowModel model;
    ASSERT_EQ(WatcherSuccess, model.Start(CModelRecorder::OnEvent, &recorder));
    std::atomic<bool> churning(true);
    std::thread churn([&] {
        for (int i = 0; churning; ++i)
            target.Run(TargetMove, 100 + i % 50, 100);
    });
    // Stop comes while a slow callback runs and more changes wait behind it.
    NTestSupport::PumpMessages(300);
    EXPECT_EQ(WatcherSuccess, model.Stop());
    const size_t atStop = recorder.All().size();
    NTestSupport::PumpMessages(500);
    churning = false;
    churn.join();
    EXPECT_EQ(atStop, recorder.All().size());
    EXPECT_GT(atStop, 0u);
}

TEST(WindowModelLifetime, ATakeOverIsDeliveredOnceAndEndsDelivery)
{
    HookTarget target;
    CModelRecorder recorder;
    CWindowModel model;
    ASSERT_EQ(WatcherSuccess, model.Start(CModelRecorder::OnEvent, &recorder));
    ASSERT_TRUE(recorder.WaitFor(
        target.Window(), [](const CWindowModelEvent& e) { return e.kind == WindowEventPresent; },
        EndTimeoutMs));
    CModelRecorder newerRecorder;
    CWindowModel newer;
    ASSERT_EQ(WatcherSuccess, newer.Start(CModelRecorder::OnEvent, &newerRecorder));
    ASSERT_TRUE(recorder.WaitFor(
        nullptr, [](const CWindowModelEvent& e) { return e.kind == WindowEventTakenOver; },
        EndTimeoutMs));
    EXPECT_EQ(WatcherTakenOver, model.GetStatus());
    ASSERT_TRUE(target.Run(TargetGetChild));
    ASSERT_TRUE(target.Run(TargetMove, 70, 80));
    ASSERT_TRUE(newerRecorder.WaitFor(
        target.Window(), [](const CWindowModelEvent& e) { return e.kind == WindowEventPosChanged; },
        EndTimeoutMs));
    EXPECT_EQ("TakenOver", NWatcherTest::Names(recorder.About(nullptr)));
    EXPECT_EQ("TakenOver", NWatcherTest::Names({recorder.All().back()}));
    EXPECT_EQ(WatcherSuccess, model.Stop());
    EXPECT_EQ(WatcherSuccess, newer.Stop());
}

void IgnoreEvent(const CWindowModelEvent&, void*)
{
}

TEST(WindowModelLifetime, StartingAndStoppingFiftyTimesLeavesNoThreadHandleOrHeapBlock)
{
    HookTarget target;  // a process to wait for
    const NWatcherTest::CWaitThreadHold waitThread;
    CWindowModel model;
    ASSERT_EQ(WatcherSuccess, model.Start(IgnoreEvent, nullptr));  // what the first start sets up
    ASSERT_EQ(WatcherSuccess, model.Stop());
    const unsigned int threads = NWatcherTest::CountThreads();
    const unsigned int handles = NTestSupport::CountOpenHandlesSettled();
    const unsigned int blocks = NWatcherTest::CountHeapBlocks();
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(WatcherSuccess, model.Start(IgnoreEvent, nullptr)) << i;
        ASSERT_EQ(WatcherSuccess, model.Stop()) << i;
    }
    EXPECT_EQ(threads, NWatcherTest::CountThreads());
    EXPECT_EQ(handles, NTestSupport::CountOpenHandlesSettled());
    // The platform refills caches of its own now and then (the display's, read
    // for a snapshot's monitor), a few blocks at a time; a leak of even one
    // block a cycle would show as fifty.
    EXPECT_LE(NWatcherTest::CountHeapBlocks(), blocks + 8);
}

}  // namespace
