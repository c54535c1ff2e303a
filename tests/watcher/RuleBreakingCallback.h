#pragma once

// A callback that breaks the owner-thread rule or throws at its first event,
// for the watcher and the model alike.

#include <windows.h>

#include <gtest/gtest.h>

#include "watcher/WatcherStatus.h"
#include "tests/common/HookSharedSection.h"
#include "tests/common/HookTargetCommands.h"
#include "tests/common/HookTestSupport.h"
#include "tests/common/Wait.h"
#include "tests/watcher/ProcessCounts.h"

#include <atomic>
#include <stdexcept>

namespace NWatcherTest {

enum CallbackAction
{
    DeleteOwner,  // deletes the watcher or model whose callback it is
    Throw,
};

template <typename TOwner>
struct CRuleBreaker
{
    CallbackAction action;
    TOwner* owner;
    HWND window = nullptr;  // breaks at the first event of this window; null: of any
    std::atomic<int> calls {0};

    template <typename TEvent>
    static void OnEvent(const TEvent& event, void* context)
    {
        CRuleBreaker* rules = static_cast<CRuleBreaker*>(context);
        if ((rules->window != nullptr && event.window != rules->window) || ++rules->calls > 1)
            return;
        if (rules->action == DeleteOwner)
            delete rules->owner;
        else
            throw std::runtime_error("callback failed");
    }
};

// The two ways of breaking the rules, as rows of a table.
struct CRuleRow
{
    const char* label;
    CallbackAction action;
};
const CRuleRow RuleRows[] = {
    {"deletes its owner", DeleteOwner},
    {"throws",            Throw      },
};

// After a throw: still started, the status says so until Stop, and the owner
// is deleted here (after a deletion in the callback there is nothing left).
template <typename TOwner>
void ExpectStoppedAfterAThrow(const CRuleBreaker<TOwner>& rules)
{
    if (rules.action != Throw)
        return;
    EXPECT_TRUE(rules.owner->IsStarted());
    using namespace NLibrary::NWin32::NWindow::NWatcher;
    EXPECT_EQ(WatcherCallbackThrew, rules.owner->GetStatus());
    EXPECT_EQ(WatcherSuccess, rules.owner->Stop());
    EXPECT_EQ(WatcherSuccess, rules.owner->GetStatus());
    delete rules.owner;
}

// Each row against a new owner and a target window: start(rules, target)
// starts the owner with the breaking callback and brings its first event.
// That call is the last: the owner's threads end by themselves, the hook is
// removed, and what the target does afterwards reaches nobody.
template <typename TOwner, typename TStart>
void ExpectEachRuleBreakerIsTheLastCall(TStart start, const char* threadLeft)
{
    volatile NTestSupport::CHookSharedValues* shared = NTestSupport::GetHookSharedValues();
    ASSERT_NE(nullptr, shared);
    for (const CRuleRow& row : RuleRows) {
        SCOPED_TRACE(row.label);
        HookTarget target;
        ASSERT_NE(nullptr, target.Window());
        const unsigned int threads = CountThreads();
        CRuleBreaker<TOwner> rules;
        rules.action = row.action;
        rules.owner = new TOwner;
        ASSERT_NO_FATAL_FAILURE(start(rules, target));
        ASSERT_TRUE(NTestSupport::WaitUntil([&] { return rules.calls > 0; }));

        EXPECT_TRUE(NTestSupport::WaitUntil([&] { return CountThreads() == threads; }))
            << threadLeft;
        EXPECT_EQ(nullptr, shared->SharedHookHandle) << "the hook stayed installed";
        // With no thread left to deliver them, these commands settle the count.
        ASSERT_TRUE(target.Run(TargetGetChild));
        for (int i = 0; i < 5; ++i)
            ASSERT_TRUE(target.Run(TargetMove, 60 + i, 50));
        NTestSupport::PumpMessages(300);
        EXPECT_EQ(1, rules.calls);
        ExpectStoppedAfterAThrow(rules);
    }
}

}  // namespace NWatcherTest
