// Callbacks that break the rules: one that deletes its own watcher and one
// that throws. Either way that callback is the last, and the watcher's thread
// removes the hook and ends by itself.

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include "watcher/WindowWatcher.h"
#include "tests/common/HookSharedSection.h"
#include "tests/common/Wait.h"
#include "tests/common/HookTargetCommands.h"
#include "tests/common/HookTestSupport.h"
#include "tests/watcher/ProcessCounts.h"
#include "tests/watcher/RuleBreakingCallback.h"

namespace {

using namespace NLibrary::NWin32::NWindow::NWatcher;
using NTestSupport::WaitUntil;

const DWORD EndTimeoutMs = 5000;

using CRules = NWatcherTest::CRuleBreaker<CWindowWatcher>;

TEST(WatcherCallback, OneThatDeletesItsWatcherOrThrowsIsTheLastAndTheThreadEndsUnregistered)
{
    volatile NTestSupport::CHookSharedValues* shared = NTestSupport::GetHookSharedValues();
    ASSERT_NE(nullptr, shared);
    for (const NWatcherTest::CRuleRow& row : NWatcherTest::RuleRows) {
        SCOPED_TRACE(row.label);
        HookTarget target;
        ASSERT_NE(nullptr, target.Window());
        const unsigned int threads = NWatcherTest::CountThreads();
        CRules context;
        context.action = row.action;
        context.owner = new CWindowWatcher;
        ASSERT_EQ(WatcherSuccess, context.owner->Start(CRules::OnEvent<CWindowEvent>, &context));
        ASSERT_TRUE(target.Run(TargetGetChild));
        ASSERT_TRUE(target.Run(TargetMove, 40, 50));
        ASSERT_TRUE(WaitUntil([&] { return context.calls > 0; }, EndTimeoutMs));

        EXPECT_TRUE(
            WaitUntil([&] { return NWatcherTest::CountThreads() == threads; }, EndTimeoutMs))
            << "the watcher's thread did not end";
        EXPECT_EQ(nullptr, shared->SharedHookHandle) << "the hook stayed installed";
        // With no thread left to deliver them, these moves settle the count.
        for (int i = 0; i < 5; ++i)
            ASSERT_TRUE(target.Run(TargetMove, 60 + i, 50));
        EXPECT_EQ(1, context.calls);
        NWatcherTest::ExpectStoppedAfterAThrow(context);
    }
}

}  // namespace
