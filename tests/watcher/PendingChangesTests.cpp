// The window model's queue of changes, in this process alone: what merges,
// what never does, and the order the delivery thread takes them in.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>

#include "watcher/PendingChanges.h"

namespace {

using namespace NLibrary::NWin32::NWindow::NWatcher;

const DWORD Never = 1000000;  // a quiet time no row waits out

HWND Window(int number)
{
    return reinterpret_cast<HWND>(intptr_t(number));
}

// "WindowPosChanged:1x3" for three merged changes of window 1.
std::string Take(CPendingChanges& pending, bool all = true)
{
    std::string taken;
    CPendingChange change;
    while (pending.Take(&change)) {
        taken += std::string(taken.empty() ? "" : " ") + GetWindowEventName(change.kind) + ":"
                 + std::to_string(intptr_t(change.window));
        if (change.merged > 1)
            taken += "x" + std::to_string(change.merged);
        if (!all)
            break;
    }
    return taken;
}

TEST(PendingChanges, MergeOnlyPositionChangesOfOneWindowThatWaitAndKeepTheRestInOrder)
{
    const struct
    {
        const char* label;
        DWORD settle;
        std::function<std::string(CPendingChanges&)> steps;
        const char* taken;
    } rows[] = {
        {"positions of one window merge and take the newest kind",                Never,
         [](CPendingChanges& p) {
             p.Add(WindowEventPosChanged, Window(1));
             p.Add(WindowEventPosChanged, Window(2));
             p.Add(WindowEventPosChanged, Window(1));
             p.Add(WindowEventMoving, Window(1));
             return Take(p);
         }, "Moving:1x3 WindowPosChanged:2"                                           },
        {"a loop's start and end never merge, and Settled follows its end",       Never,
         [](CPendingChanges& p) {
             p.Add(WindowEventPosChanged, Window(1));
             p.Add(WindowEventEnterSizeMove, Window(1));
             p.Add(WindowEventMoving, Window(1));
             p.Add(WindowEventPosChanged, Window(1));
             p.Add(WindowEventExitSizeMove, Window(1));
             p.Add(WindowEventPosChanged, Window(1));
             return Take(p);
         }, "WindowPosChanged:1 EnterSizeMove:1 WindowPosChanged:1x2 ExitSizeMove:1 Settled:1 "
         "WindowPosChanged:1"                                              },
        {"Present goes ahead of what came before it, and nothing merges into it", Never,
         [](CPendingChanges& p) {
             p.Add(WindowEventPosChanged, Window(1));
             p.Add(WindowEventTitleChanged, Window(2));
             p.AddPresent({Window(2), Window(3)});
             p.Add(WindowEventPosChanged, Window(3));
             return Take(p);
         }, "Present:2 Present:3 WindowPosChanged:1 TitleChanged:2 WindowPosChanged:3"},
        {"a change taken is not merged into",                                     Never,
         [](CPendingChanges& p) {
             p.Add(WindowEventPosChanged, Window(1));
             const std::string first = Take(p, false);
             p.Add(WindowEventPosChanged, Window(1));
             return first + " " + Take(p);
         }, "WindowPosChanged:1 WindowPosChanged:1"                                   },
        {"Gone only where no Destroyed waits; neither merges",                    Never,
         [](CPendingChanges& p) {
             p.Add(WindowEventDestroyed, Window(1));
             p.AddGone(Window(1));
             p.AddGone(Window(2));
             p.Add(WindowEventDestroyed, Window(2));
             p.Add(WindowEventActivated, Window(3));
             p.Add(WindowEventActivated, Window(3));
             return Take(p);
         }, "Destroyed:1 Gone:2 Destroyed:2 Activated:3 Activated:3"                  },
        {"Settled once the quiet time has passed, not within a loop",             0,
         [](CPendingChanges& p) {
             p.Add(WindowEventPosChanged, Window(1));
             p.Add(WindowEventEnterSizeMove, Window(2));
             p.Add(WindowEventMoving, Window(2));
             return Take(p);
         }, "WindowPosChanged:1 EnterSizeMove:2 Moving:2 Settled:1"                   },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        CPendingChanges pending(row.settle);
        pending.Release();
        EXPECT_EQ(row.taken, row.steps(pending));
    }
}

TEST(PendingChanges, NothingIsTakenBeforeReleaseAndMemoryFollowsTheWindowsNotTheLoad)
{
    CPendingChanges pending(Never);
    pending.Add(WindowEventPosChanged, Window(1));
    EXPECT_EQ("", Take(pending));
    pending.Release();
    EXPECT_EQ("WindowPosChanged:1", Take(pending));
    for (int i = 0; i < 100000; ++i) {
        pending.Add(i % 7 == 0 ? WindowEventMoving : WindowEventPosChanged, Window(1 + i % 10));
        if (i % 1000 == 999)
            Take(pending);
    }
    Take(pending);
    EXPECT_LE(pending.GetCapacity(), 10u);
    EXPECT_EQ(10u, pending.CountWindows());
    for (int w = 1; w <= 10; ++w)
        pending.Add(WindowEventDestroyed, Window(w));
    Take(pending);
    EXPECT_EQ(0u, pending.CountWindows());
}

// Whether the wake comes before or after the delivery thread has gone to
// sleep, Wait returns: a lost wake-up shows as a Wait that lasts until the
// bound each row gives it.
TEST(PendingChanges, WaitReturnsForEachWayOfBeingWoken)
{
    const ULONGLONG Bound = 5000;
    // Rows with lambdas, which clang-format 14 cannot align: one per line by hand.
    // clang-format off
    const struct
    {
        const char* label;
        DWORD settle;
        ULONGLONG deadline;  // from now; Bound when 0
        void (*wake)(CPendingChanges& pending);  // from another thread
    } rows[] = {
        {"a change added",     Never, 0,  [](CPendingChanges& p) { p.Add(WindowEventPosChanged, Window(1)); }},
        {"a process ended",    Never, 0,  [](CPendingChanges& p) { p.AddProcessEnd(7); }},
        {"interrupted",        Never, 0,  [](CPendingChanges& p) { p.Interrupt(); }},
        {"a Settled is due",   50,    0,  nullptr},
        {"the deadline given", Never, 50, nullptr},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        CPendingChanges pending(row.settle);
        pending.Release();
        pending.Add(WindowEventPosChanged, Window(2));
        Take(pending);  // leaves its quiet time running
        const ULONGLONG began = GetTickCount64();
        std::thread waker;
        if (row.wake != nullptr)
            waker = std::thread([&pending, &row] {
                Sleep(20);
                row.wake(pending);
            });
        pending.Wait(began + (row.deadline != 0 ? row.deadline : Bound));
        EXPECT_LT(GetTickCount64() - began, Bound - 1000);
        if (waker.joinable())
            waker.join();
    }
}

}  // namespace
