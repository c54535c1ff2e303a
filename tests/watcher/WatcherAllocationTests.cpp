// A Start whose allocations fail one after another reports a failure and
// leaves nothing behind; none of them escapes as an exception.

#include <gtest/gtest.h>

#include "tests/common/TestAllocator.h"
#include "tests/watcher/EventRecorder.h"
#include "tests/watcher/ProcessCounts.h"
#include "watcher/WindowWatcher.h"

namespace {

using namespace NLibrary::NWin32::NWindow::NWatcher;

TEST(WatcherAllocation, EachFailedAllocationOfStartFailsItCleanly)
{
    NWatcherTest::CEventRecorder recorder;
    {
        CWindowWatcher warmUp;  // the module loaded and pinned once
        ASSERT_EQ(0u, warmUp.Start(NWatcherTest::CEventRecorder::OnEvent, &recorder));
    }
    const unsigned int threadsBefore = NWatcherTest::CountThreads();
    uint32_t failAt = 1;
    for (;; ++failAt) {
        ASSERT_LT(failAt, 40u);
        CWindowWatcher watcher;
        uint32_t status = WatcherSuccess;
        bool reached = false;
        {
            NTestSupport::CFailAllocation failure(failAt);
            try {
                status = watcher.Start(NWatcherTest::CEventRecorder::OnEvent, &recorder);
            } catch (...) {
                ADD_FAILURE() << "allocation " << failAt << " escaped Start";
            }
            reached = failure.Reached();
        }
        if (!reached) {
            EXPECT_EQ(WatcherSuccess, status);
            break;
        }
        EXPECT_EQ(WatcherFailure, status) << "allocation " << failAt;
        EXPECT_FALSE(watcher.IsStarted());
        EXPECT_EQ(threadsBefore, NWatcherTest::CountThreads()) << "allocation " << failAt;
    }
    EXPECT_GT(failAt, 2u);
}

}  // namespace
