// A watcher whose thread begins late, while another watcher of the process
// runs: slow_thread_start.dll holds every new thread of this process in its
// start-up for a chosen time.

#include <gtest/gtest.h>

#include "watcher/WindowWatcher.h"
#include "tests/common/HookSharedSection.h"
#include "tests/common/HookTargetCommands.h"
#include "tests/common/HookTestSupport.h"
#include "tests/watcher/EventRecorder.h"
#include "tests/watcher/ProcessCounts.h"

namespace {

using namespace NLibrary::NWin32::NWindow::NWatcher;
using NWatcherTest::CEventRecorder;

const DWORD ArrivalTimeoutMs = 5000;

using SetThreadStartDelayProc = void(WINAPI*)(DWORD);

bool IsMoveTo(const CWindowEvent& event, LONG left)
{
    return event.kind == WindowEventPosChanged && event.snapshot.bounds.left == left;
}

TEST(WatcherStart, ALateThreadRegistersWithinTheBoundOrNeverAndLeavesNothing)
{
    const HMODULE slowStart = LoadLibraryW(L"slow_thread_start.dll");
    ASSERT_NE(nullptr, slowStart);
    const auto setDelay =
        reinterpret_cast<SetThreadStartDelayProc>(GetProcAddress(slowStart, "SetThreadStartDelay"));
    ASSERT_NE(nullptr, setDelay);
    const struct
    {
        const char* label;
        DWORD startTimeout;
        uint32_t status;
    } rows[] = {
  // Later than any fixed second, as a first start on a busy machine can be.
        {"begins late, within the bound", DefaultStartTimeoutMilliseconds, WatcherSuccess},
        {"begins after Start gave up",    500,                             WatcherFailure},
    };
    LONG left = 200;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        HookTarget target;
        ASSERT_NE(nullptr, target.Window());
        CEventRecorder runningEvents, lateEvents;
        CWindowWatcher running, late;
        ASSERT_EQ(WatcherSuccess, running.Start(CEventRecorder::OnEvent, &runningEvents));
        volatile NTestSupport::CHookSharedValues* shared = NTestSupport::GetHookSharedValues();
        ASSERT_NE(nullptr, shared);
        const HWND runningWindow = shared->SharedNotifyWindow;
        const unsigned int threads = NWatcherTest::CountThreads();

        late.SetStartTimeout(row.startTimeout);
        setDelay(2500);
        const uint32_t status = late.Start(CEventRecorder::OnEvent, &lateEvents);
        setDelay(0);

        EXPECT_EQ(row.status, status);
        EXPECT_EQ(row.status == WatcherSuccess, late.IsStarted());
        if (row.status == WatcherSuccess) {
            ASSERT_TRUE(target.Run(TargetGetChild));
            ASSERT_TRUE(target.Run(TargetMove, ++left, 10));
            EXPECT_TRUE(lateEvents.WaitFor(
                target.Window(), [&](const CWindowEvent& e) { return IsMoveTo(e, left); },
                ArrivalTimeoutMs));
            continue;
        }
        EXPECT_EQ(threads, NWatcherTest::CountThreads()) << "the late thread outlived Start";
        EXPECT_EQ(runningWindow, shared->SharedNotifyWindow);
        EXPECT_NE(nullptr, shared->SharedHookHandle);
        EXPECT_EQ(1, shared->SharedHookEnabled);
        ASSERT_TRUE(target.Run(TargetGetChild));
        ASSERT_TRUE(target.Run(TargetMove, ++left, 10));
        EXPECT_TRUE(runningEvents.WaitFor(
            target.Window(), [&](const CWindowEvent& e) { return IsMoveTo(e, left); },
            ArrivalTimeoutMs))
            << "the running watcher went deaf";
        EXPECT_EQ(WatcherSuccess, running.GetStatus());
    }
}

}  // namespace
