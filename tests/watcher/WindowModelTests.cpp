// The window model against windows of second processes
// (hook_target_fixture.exe, driven by commands that return once the window
// has done what they ask).

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

#include "watcher/WindowModel.h"
#include "tests/common/HookTargetCommands.h"
#include "tests/common/HookTestSupport.h"
#include "tests/common/Wait.h"
#include "tests/watcher/ModelRecorder.h"

namespace {

using namespace NLibrary::NWin32::NWindow::NWatcher;
using NWatcherTest::CModelRecorder;
using NWatcherTest::CountPositionChanges;
using NWatcherTest::CRecordedEvent;
using NWatcherTest::Names;

const DWORD ArrivalTimeoutMs = 5000;

bool IsAt(const CWindowModelEvent& event, LONG left, LONG top)
{
    return !event.snapshot.gone && event.snapshot.bounds.left == left
           && event.snapshot.bounds.top == top;
}

std::function<bool(const CWindowModelEvent&)> Kind(WindowEventKind kind)
{
    return [kind](const CWindowModelEvent& event) { return event.kind == kind; };
}

size_t PlaceOf(const std::vector<CWindowState>& windows, HWND window)
{
    for (size_t i = 0; i < windows.size(); ++i) {
        if (windows[i].window == window)
            return i;
    }
    return windows.size();
}

TEST(WindowModel, WindowsThatExistAtStartArePresentFirstAndTheCopyFollowsTheZOrder)
{
    HookTarget lower, upper;
    ASSERT_TRUE(lower.Run(TargetShow));
    ASSERT_TRUE(upper.Run(TargetShow));
    ASSERT_TRUE(upper.Run(TargetZOrderOnly));
    CModelRecorder recorder;
    CWindowModel model;
    ASSERT_EQ(WatcherSuccess, model.Start(CModelRecorder::OnEvent, &recorder));
    ASSERT_TRUE(lower.Run(TargetGetChild));
    ASSERT_TRUE(lower.Run(TargetMove, 130, 140));
    // Every snapshot is of the newest state: Present may show the move already.
    ASSERT_TRUE(recorder.WaitFor(
        lower.Window(),
        [](const CWindowModelEvent& e) {
            return e.kind == WindowEventPosChanged && IsAt(e, 130, 140);
        },
        ArrivalTimeoutMs));

    const std::vector<CRecordedEvent> events = recorder.About(lower.Window());
    EXPECT_EQ("Present WindowPosChanged", Names(events));
    EXPECT_STREQ(L"ZarvoHookTarget", events.front().event.snapshot.className);
    EXPECT_EQ(lower.Title(), events.front().event.snapshot.title);
    EXPECT_EQ("Present", Names(recorder.About(upper.Window())));

    std::vector<CWindowState> windows;
    ASSERT_EQ(0u, model.CopyWindows(windows));
    EXPECT_LT(PlaceOf(windows, upper.Window()), PlaceOf(windows, lower.Window()));
    EXPECT_LT(PlaceOf(windows, lower.Window()), windows.size());
    EXPECT_EQ(130, windows[PlaceOf(windows, lower.Window())].snapshot.bounds.left);
    EXPECT_EQ(events.back().event.sequence, windows[PlaceOf(windows, lower.Window())].sequence);
    ASSERT_TRUE(lower.Run(TargetZOrderOnly));
    ASSERT_EQ(0u, model.CopyWindows(windows));
    EXPECT_LT(PlaceOf(windows, lower.Window()), PlaceOf(windows, upper.Window()));

    EXPECT_TRUE(recorder.AreSequencesConsecutive());
    EXPECT_EQ(WatcherSuccess, model.Stop());
    EXPECT_EQ(1u, model.CopyWindows(windows));
    EXPECT_TRUE(windows.empty());
}

TEST(WindowModel, AWindowWhoseProcessIsKilledIsGoneInferredAndOneClosedIsDestroyed)
{
    const struct
    {
        const char* label;
        bool kill;
        const char* names;
    } rows[] = {
        {"killed", true,  "Present Gone"     },
        {"closed", false, "Present Destroyed"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        HookTarget target;
        CModelRecorder recorder;
        CWindowModel model;
        ASSERT_EQ(WatcherSuccess, model.Start(CModelRecorder::OnEvent, &recorder));
        ASSERT_TRUE(recorder.WaitFor(target.Window(), Kind(WindowEventPresent), ArrivalTimeoutMs));
        ASSERT_TRUE(target.Run(TargetGetChild));
        // Past the check the model makes once of a window it first sees.
        NTestSupport::PumpMessages(200);
        const WindowEventKind end = row.kill ? WindowEventGone : WindowEventDestroyed;
        const ULONGLONG ended = GetTickCount64();
        ASSERT_TRUE(row.kill ? target.Kill() : target.Run(TargetDestroy));
        ASSERT_TRUE(recorder.WaitFor(target.Window(), Kind(end), ArrivalTimeoutMs));
        ASSERT_TRUE(target.WaitForExit(ArrivalTimeoutMs));
        // Long enough for a wrong inference after the process's end.
        NTestSupport::PumpMessages(300);

        const std::vector<CRecordedEvent> events = recorder.About(target.Window());
        EXPECT_EQ(row.names, Names(events));
        const CRecordedEvent& last = events.back();
        EXPECT_EQ(row.kill, last.event.inferred);
        if (row.kill) {
            EXPECT_LE(last.deliveredAt - ended, 100u) << "Gone came late";
        }
        EXPECT_TRUE(last.event.snapshot.gone);
        EXPECT_STREQ(L"ZarvoHookTarget", last.event.snapshot.className) << "the last state known";
        CWindowState state;
        EXPECT_EQ(1u, model.GetWindow(target.Window(), state));
    }
}

INPUT MouseInput(int x, int y, DWORD flags)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = MulDiv(y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return input;
}

// The mouse takes the window by its caption and moves it, as a user would.
bool DragByCaption(const HookTarget& target, int dx, int dy)
{
    if (!target.Run(TargetActivate))
        return false;
    RECT bounds = {};
    GetWindowRect(target.Window(), &bounds);
    const int x = (bounds.left + bounds.right) / 2;
    const int y = bounds.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
    const INPUT steps[] = {
        MouseInput(x, y, 0),
        MouseInput(x, y, MOUSEEVENTF_LEFTDOWN),
        MouseInput(x + dx / 3, y + dy / 3, 0),
        MouseInput(x + 2 * dx / 3, y + 2 * dy / 3, 0),
        MouseInput(x + dx, y + dy, 0),
        MouseInput(x + dx, y + dy, MOUSEEVENTF_LEFTUP),
    };
    for (INPUT step : steps) {
        if (SendInput(1, &step, sizeof(INPUT)) != 1)
            return false;
        NTestSupport::PumpMessages(50);
    }
    return true;
}

TEST(WindowModel, PositionsSettleOnceAfterAQuietTimeOrAtOnceAfterAMoveSizeLoopOrADrag)
{
    const struct
    {
        const char* label;
        UINT command;       // 0: a drag by the mouse
        int count;          // of commands, and of the position changes they make
        const char* names;  // after Present, position changes left out
        bool waitsQuietTime;
    } rows[] = {
        {"programmatic burst", TargetMove,             20, "Settled",                            true },
        {"move/size loop",     TargetSizeMoveMessages, 1,  "EnterSizeMove ExitSizeMove Settled", false},
        {"drag",               0,                      1,  "EnterSizeMove ExitSizeMove Settled", false}, // changes: as the loop goes
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        HookTarget target;
        ASSERT_TRUE(target.Run(TargetShow));
        CModelRecorder recorder;
        CWindowModel model;
        ASSERT_EQ(WatcherSuccess, model.Start(CModelRecorder::OnEvent, &recorder));
        ASSERT_TRUE(target.Run(TargetGetChild));
        for (int i = 0; i < row.count; ++i)
            ASSERT_TRUE(row.command != 0 ? target.Run(row.command, 150 + i, 160)
                                         : DragByCaption(target, 150, 160));
        ASSERT_TRUE(recorder.WaitFor(target.Window(), Kind(WindowEventSettled), ArrivalTimeoutMs))
            << Names(recorder.About(target.Window()));
        // Any second Settled would come within this.
        NTestSupport::PumpMessages(400);

        std::vector<CRecordedEvent> events = recorder.About(target.Window());
        const uint32_t positions = CountPositionChanges(events);
        ULONGLONG lastChange = 0;
        for (const CRecordedEvent& recorded : events) {
            if (recorded.event.kind != WindowEventSettled)
                lastChange = recorded.event.arrivalTime;
        }
        const CWindowModelEvent settled = events.back().event;
        events.erase(std::remove_if(events.begin(), events.end(),
                                    [](const CRecordedEvent& e) {
                                        return e.event.kind == WindowEventPresent
                                               || e.event.kind == WindowEventPosChanged
                                               || e.event.kind == WindowEventMoving;
                                    }),
                     events.end());
        EXPECT_EQ(row.names, Names(events));
        if (row.command != 0) {
            EXPECT_EQ(uint32_t(row.count), positions);
        }
        EXPECT_EQ(WindowEventSettled, settled.kind);
        RECT bounds = {};
        GetWindowRect(target.Window(), &bounds);
        EXPECT_EQ(bounds.left, settled.snapshot.bounds.left);
        EXPECT_EQ(bounds.top, settled.snapshot.bounds.top);
        if (row.waitsQuietTime) {
            EXPECT_GE(settled.arrivalTime - lastChange, 150u);
        } else {
            EXPECT_LE(settled.arrivalTime - lastChange, 10u);
        }
    }
}

// Wine raises no foreground event, and a focus event only when the focus
// moves from one window of a thread to another; Windows raises both. Wine
// raises no name-change event by itself either: the target raises it as
// Windows does for SetWindowText.
TEST(WindowModel, ActivationAndATitleChangeArriveFromThePlatformsWindowEvents)
{
    HookTarget target;
    ASSERT_TRUE(target.Run(TargetShow));
    ASSERT_TRUE(target.Run(TargetActivate));
    LRESULT created = 0;  // shown, it takes the focus
    ASSERT_TRUE(target.Run(TargetCreateWindow, 0, 0, &created));
    const HWND other = reinterpret_cast<HWND>(created);
    CModelRecorder recorder;
    CWindowModel model;
    ASSERT_EQ(WatcherSuccess, model.Start(CModelRecorder::OnEvent, &recorder));
    ASSERT_TRUE(recorder.WaitFor(target.Window(), Kind(WindowEventPresent), ArrivalTimeoutMs));

    const struct
    {
        HWND window;
        UINT command;
        WindowEventKind kind;
        const wchar_t* title;
    } steps[] = {
        {target.Window(), TargetActivate, WindowEventActivated,    target.Title().c_str()},
        {other,           TargetActivate, WindowEventActivated,    L"extra"              },
        {target.Window(), TargetRetitle,  WindowEventTitleChanged, L"title 7"            },
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(GetWindowEventName(step.kind));
        const size_t before = recorder.All().size();
        ASSERT_TRUE(SendMessageTimeoutW(step.window, step.command, 7, 0, SMTO_NORMAL,
                                        ArrivalTimeoutMs, nullptr));
        ASSERT_TRUE(NTestSupport::WaitUntil(
            [&] {
                const std::vector<CRecordedEvent> all = recorder.All();
                return std::any_of(all.begin() + before, all.end(), [&](const CRecordedEvent& e) {
                    return e.event.kind == step.kind && e.event.window == step.window;
                });
            },
            ArrivalTimeoutMs));
        CWindowState state;
        ASSERT_EQ(0u, model.GetWindow(step.window, state));
        EXPECT_EQ(std::wstring(step.title), state.snapshot.title);
    }
}

// Three processes move their windows as fast as they can while the
// application takes 50 ms per event: without merging it would fall behind
// by the whole load (minutes); merged, it ends a few events after the load.
TEST(WindowModel, ASlowCallbackUnderChurnSeesEveryWindowsFinalStateSoonAfterTheLoadEnds)
{
    const int moves = 150;
    HookTarget targets[3];
    CModelRecorder recorder;
    recorder.SetDelay(50);
    CWindowModel model;
    ASSERT_EQ(WatcherSuccess, model.Start(CModelRecorder::OnEvent, &recorder));
    std::vector<std::thread> churns;
    for (int t = 0; t < 3; ++t) {
        ASSERT_TRUE(targets[t].Run(TargetGetChild));
        churns.emplace_back([&targets, t] {
            for (int i = 1; i <= moves; ++i)
                targets[t].Run(TargetMove, 200 + i, 300 + 10 * t);
        });
    }
    for (std::thread& churn : churns)
        churn.join();
    const ULONGLONG loadEnded = GetTickCount64();

    for (int t = 0; t < 3; ++t) {
        SCOPED_TRACE(t);
        const HWND window = targets[t].Window();
        ASSERT_TRUE(recorder.WaitFor(
            window,
            [&](const CWindowModelEvent& e) {
                return e.kind == WindowEventSettled && IsAt(e, 200 + moves, 300 + 10 * t);
            },
            ArrivalTimeoutMs));
        const std::vector<CRecordedEvent> events = recorder.About(window);
        EXPECT_LE(events.back().deliveredAt - loadEnded, 1500u) << "fell behind";
        EXPECT_EQ(uint32_t(moves), CountPositionChanges(events));
        CWindowState state;
        ASSERT_EQ(0u, model.GetWindow(window, state));
        EXPECT_EQ(200 + moves, state.snapshot.bounds.left);
    }
    EXPECT_TRUE(recorder.AreSequencesConsecutive());
}

// The target creates windows without pause while the model starts: those
// that existed before Start are Present, those created after it returned
// are not, and none is Present twice or after another event of it.
TEST(WindowModel, WindowsCreatedWhileItStartsArePresentAtMostOnceAndFirst)
{
    HookTarget target;
    std::mutex mutex;
    std::vector<HWND> created;
    std::atomic<bool> creating(true);
    std::thread creator([&] {
        while (creating) {
            LRESULT window = 0;
            if (!target.Run(TargetCreateWindow, 0, 0, &window) || window == 0)
                return;
            std::lock_guard<std::mutex> lock(mutex);
            created.push_back(reinterpret_cast<HWND>(window));
        }
    });
    ASSERT_TRUE(NTestSupport::WaitUntil([&] {
        std::lock_guard<std::mutex> lock(mutex);
        return created.size() >= 5;
    }));
    size_t createdBefore = 0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        createdBefore = created.size();
    }
    CModelRecorder recorder;
    CWindowModel model;
    ASSERT_EQ(WatcherSuccess, model.Start(CModelRecorder::OnEvent, &recorder));
    size_t createdAfter = 0;
    {
        std::lock_guard<std::mutex> lock(mutex);
        createdAfter = created.size() + 1;  // one may be under way
    }
    NTestSupport::PumpMessages(100);
    creating = false;
    creator.join();
    ASSERT_GT(created.size(), createdAfter);
    // A thread takes up the hook only once it has taken a message: each
    // window is moved once more so that every one has been seen by then.
    for (HWND window : created)
        ASSERT_TRUE(SendMessageTimeoutW(window, TargetMove, 33, 44, SMTO_NORMAL, ArrivalTimeoutMs,
                                        nullptr));
    for (size_t i = 0; i < created.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(recorder.WaitFor(
            created[i], [](const CWindowModelEvent& e) { return IsAt(e, 33, 44); },
            ArrivalTimeoutMs));
        const std::vector<CRecordedEvent> events = recorder.About(created[i]);
        const size_t presents =
            std::count_if(events.begin(), events.end(), [](const CRecordedEvent& e) {
                return e.event.kind == WindowEventPresent;
            });
        EXPECT_LE(presents, 1u) << Names(events);
        if (presents == 1) {
            EXPECT_EQ(WindowEventPresent, events.front().event.kind) << Names(events);
        }
        if (i < createdBefore) {
            EXPECT_EQ(1u, presents) << Names(events);
        }
        if (i >= createdAfter) {
            EXPECT_EQ(0u, presents) << Names(events);
        }
    }
    EXPECT_TRUE(recorder.AreSequencesConsecutive());
}

}  // namespace
