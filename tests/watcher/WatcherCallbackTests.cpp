// Callbacks that break the rules: one that deletes its own watcher and one
// that throws. Either way that callback is the last, and the watcher's thread
// removes the hook and ends by itself.

#include <gtest/gtest.h>

#include "watcher/WindowWatcher.h"
#include "tests/common/HookTargetCommands.h"
#include "tests/common/HookTestSupport.h"
#include "tests/watcher/RuleBreakingCallback.h"

namespace {

using namespace NLibrary::NWin32::NWindow::NWatcher;
using CRules = NWatcherTest::CRuleBreaker<CWindowWatcher>;

TEST(WatcherCallback, OneThatDeletesItsWatcherOrThrowsIsTheLastAndTheThreadEndsUnregistered)
{
    NWatcherTest::ExpectEachRuleBreakerIsTheLastCall<CWindowWatcher>(
        [](CRules& rules, const HookTarget& target) {
            ASSERT_EQ(WatcherSuccess, rules.owner->Start(CRules::OnEvent<CWindowEvent>, &rules));
            ASSERT_TRUE(target.Run(TargetGetChild));
            ASSERT_TRUE(target.Run(TargetMove, 40, 50));
        },
        "the watcher's thread did not end");
}

}  // namespace
