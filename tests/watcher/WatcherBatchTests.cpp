// A watcher that has fallen behind takes its notifications off the queue a
// batch at a time and one snapshot per window of a batch: every notification
// still arrives, in order, with a snapshot no older than itself, and what it
// keeps of a window goes with the window.

#include <gtest/gtest.h>

#include <atomic>
#include <cwchar>
#include <vector>

#include "watcher/WindowWatcher.h"
#include "tests/common/HookTargetCommands.h"
#include "tests/common/HookTestSupport.h"
#include "tests/common/Wait.h"
#include "tests/watcher/EventRecorder.h"
#include "tests/watcher/ProcessCounts.h"

namespace {

using namespace NLibrary::NWin32::NWindow::NWatcher;
using NWatcherTest::CEventRecorder;

const DWORD ArrivalTimeoutMs = 10000;

struct CExpected
{
    HWND window;
    WindowEventKind kind;
    LONG left;  // the newest position given to the window before it
    LONG top;
};

// The callback holds the first move while three processes post well over two
// batches of moves and move/size messages behind it.
TEST(WatcherBatch, EveryNotificationArrivesInOrderWithASnapshotNoOlderThanItself)
{
    const int Rounds = 40;
    HookTarget targets[3];
    std::vector<HWND> windows;
    for (const HookTarget& target : targets) {
        ASSERT_NE(nullptr, target.Window());
        windows.push_back(target.Window());
    }
    CEventRecorder recorder;
    CWindowWatcher watcher;
    ASSERT_EQ(WatcherSuccess, watcher.Start(CEventRecorder::OnEvent, &recorder));
    for (const HookTarget& target : targets)
        ASSERT_TRUE(target.Run(TargetGetChild));  // takes up the new hook

    std::vector<CExpected> expected;
    recorder.HoldNext();
    ASSERT_TRUE(targets[0].Run(TargetMove, 100, 200));
    expected.push_back({windows[0], WindowEventPosChanged, 100, 200});
    ASSERT_TRUE(recorder.WaitUntilHeld(ArrivalTimeoutMs));
    for (int round = 1; round <= Rounds; ++round) {
        for (int t = 0; t < 3; ++t) {
            const LONG left = 100 + round;
            const LONG top = 200 + t;
            ASSERT_TRUE(targets[t].Run(TargetMove, left, top));
            expected.push_back({windows[t], WindowEventPosChanged, left, top});
            if (round % 10 != t)
                continue;
            ASSERT_TRUE(targets[t].Run(TargetSizeMoveMessages));
            for (WindowEventKind kind :
                 {WindowEventEnterSizeMove, WindowEventMoving, WindowEventExitSizeMove})
                expected.push_back({windows[t], kind, left, top});
        }
    }
    recorder.Release();
    ASSERT_TRUE(NTestSupport::WaitUntil(
        [&] { return recorder.About(windows).size() >= expected.size(); }, ArrivalTimeoutMs));
    watcher.Stop();

    const std::vector<CWindowEvent> events = recorder.About(windows);
    ASSERT_EQ(expected.size(), events.size());
    for (size_t i = 0; i < events.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(expected[i].window, events[i].window);
        EXPECT_EQ(expected[i].kind, events[i].kind);
        EXPECT_FALSE(events[i].snapshot.gone);
        EXPECT_EQ(expected[i].top, events[i].snapshot.bounds.top) << "another window's snapshot";
        EXPECT_GE(events[i].snapshot.bounds.left, expected[i].left) << "an older snapshot";
    }
}

const wchar_t KeptTitle[] = L"kept";
HANDLE DestroyedSeen = nullptr;
std::atomic<int> DestroyedCount(0);

// Snapshots that read the window still alive, as on Windows, where the
// watcher's thread runs beside the destruction.
void CountDestroyedAlive(const CWindowEvent& event, void*)
{
    if (event.kind != WindowEventDestroyed || event.snapshot.gone
        || wcscmp(event.snapshot.title, KeptTitle) != 0)
        return;
    ++DestroyedCount;
    SetEvent(DestroyedSeen);
}

// The window's thread waits in its last message until the watcher has
// delivered the destruction: the watcher has then read the window alive.
LRESULT CALLBACK HoldInLastMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCDESTROY)
        WaitForSingleObject(DestroyedSeen, ArrivalTimeoutMs);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// Windows of this process: the watcher keeps nothing of them once their
// destruction has been delivered. The first round sets up what the watcher
// and the platform keep for good.
TEST(WatcherBatch, WhatItKeepsOfAWindowGoesWithTheWindow)
{
    const int Windows = 100;
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = HoldInLastMessage;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ZarvoHeldInLastMessage";
    RegisterClassW(&windowClass);
    DestroyedSeen = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    CWindowWatcher watcher;
    ASSERT_EQ(WatcherSuccess, watcher.Start(CountDestroyedAlive, nullptr));
    // The thread takes up the new hook once it takes a message off its queue.
    PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
    NTestSupport::PumpMessages();
    unsigned int blocks = 0;
    for (int round = 0; round < 2; ++round) {
        DestroyedCount = 0;
        for (int i = 0; i < Windows; ++i) {
            const HWND window =
                CreateWindowExW(0, windowClass.lpszClassName, KeptTitle, WS_OVERLAPPED, 0, 0, 50,
                                50, nullptr, nullptr, windowClass.hInstance, nullptr);
            ASSERT_NE(nullptr, window);
            DestroyWindow(window);
            ASSERT_EQ(i + 1, DestroyedCount);
        }
        if (round == 0)
            blocks = NWatcherTest::CountHeapBlocks();
    }
    EXPECT_LE(NWatcherTest::CountHeapBlocks(), blocks + Windows / 10);
    EXPECT_EQ(WatcherSuccess, watcher.Stop());
    CloseHandle(DestroyedSeen);
}

}  // namespace
