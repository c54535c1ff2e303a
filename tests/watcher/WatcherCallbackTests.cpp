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

namespace {

using namespace NLibrary::NWin32::NWindow::NWatcher;
using NTestSupport::WaitUntil;

const DWORD EndTimeoutMs = 5000;

enum CallbackAction
{
    DeleteWatcher,
    Throw,
};

struct CCallbackContext
{
    CallbackAction action;
    CWindowWatcher* watcher;
    std::atomic<int> calls {0};
};

void BreakTheRules(const CWindowEvent&, void* context)
{
    CCallbackContext* rules = static_cast<CCallbackContext*>(context);
    if (++rules->calls > 1)
        return;
    if (rules->action == DeleteWatcher)
        delete rules->watcher;
    else
        throw std::runtime_error("callback failed");
}

TEST(WatcherCallback, OneThatDeletesItsWatcherOrThrowsIsTheLastAndTheThreadEndsUnregistered)
{
    const struct
    {
        const char* label;
        CallbackAction action;
    } rows[] = {
        {"deletes its watcher", DeleteWatcher},
        {"throws",              Throw        },
    };
    volatile NTestSupport::CHookSharedValues* shared = NTestSupport::GetHookSharedValues();
    ASSERT_NE(nullptr, shared);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        HookTarget target;
        ASSERT_NE(nullptr, target.Window());
        const unsigned int threads = NWatcherTest::CountThreads();
        CCallbackContext context;
        context.action = row.action;
        context.watcher = new CWindowWatcher;
        ASSERT_EQ(WatcherSuccess, context.watcher->Start(BreakTheRules, &context));
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
        if (row.action == Throw) {
            EXPECT_TRUE(context.watcher->IsStarted());
            EXPECT_EQ(WatcherCallbackThrew, context.watcher->GetStatus());
            EXPECT_EQ(WatcherSuccess, context.watcher->Stop());
            EXPECT_EQ(WatcherSuccess, context.watcher->GetStatus());
            delete context.watcher;
        }
    }
}

}  // namespace
