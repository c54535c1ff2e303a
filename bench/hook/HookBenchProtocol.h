#pragma once

#include <windows.h>

// Messages between hook_bench.exe and its hooked worker processes.
enum HookBenchCommand : UINT
{
    // Sent: times lParam SendMessageW calls of MessageKind wParam to the
    // worker's own windows; returns the performance-counter ticks they took.
    WorkerMeasure = WM_APP + 1,
    // Posted: moves the worker's window to (wParam, lParam), then posts
    // BenchMoveStarted.
    WorkerMove,
    // Posted: hides and destroys the window, which ends the worker (a churn
    // window: ends its thread; the first of many windows: all of them).
    WorkerQuit,
    // Posted to a churn window: it moves itself as fast as it can until the
    // churn section's stop flag is set.
    WorkerChurn,
};

enum HookBenchReport : UINT
{
    // lParam: the worker's top-level window (a churn window: wParam its slot;
    // many windows: the first of them, once all exist).
    BenchWorkerReady = WM_APP + 20,
    BenchMoveStarted,  // wParam: that window; lParam: the counter just before SetWindowPos
};

// What the hook does with each: nothing, filter it out, or post a notification.
enum MessageKind
{
    UnwatchedMessage,      // WM_USER + 1 to the top-level window
    ZOrderPositionChange,  // WM_WINDOWPOSCHANGED with SWP_NOMOVE | SWP_NOSIZE
    MovingChild,           // WM_MOVING to a child window
    MovingTopLevel,        // WM_MOVING to the top-level window: posts
    MessageKindCount
};

inline const wchar_t* HookBenchWorkerClassName()
{
    return L"ZarvoHookBenchWorker";
}

// Churn workers (hook_bench_worker.exe BENCH churn THREADS FIRSTSLOT SECTION):
// each thread owns one shown top-level window, its slot, and moves it through
// positions that encode the number of the move, so that a snapshot of the
// window tells which move it shows. The bench creates the section.
const int ChurnSlotCount = 16;
const int ChurnTimeCount = 1 << 16;  // move times kept per slot (a ring)
const int ChurnPositionSide = 400;   // positions per axis
const int ChurnPositionOrigin = 40;
const int ChurnPositionCount = ChurnPositionSide * ChurnPositionSide;

struct ChurnSection
{
    volatile LONG stop;  // set by the bench: every churn ends
    volatile LONG churning[ChurnSlotCount];
    volatile LONG64 moves[ChurnSlotCount];  // moves made so far, over every churn
    // The performance counter just before move n, at [slot][n % ChurnTimeCount].
    LONGLONG times[ChurnSlotCount][ChurnTimeCount];
};

inline POINT ChurnPosition(LONG64 move)
{
    const LONG64 at = ((move % ChurnPositionCount) + ChurnPositionCount) % ChurnPositionCount;
    return {LONG(ChurnPositionOrigin + at % ChurnPositionSide),
            LONG(ChurnPositionOrigin + at / ChurnPositionSide)};
}

// The move a window at (left, top) shows, as the one nearest to `around`.
inline LONG64 ChurnMoveAt(LONG left, LONG top, LONG64 around)
{
    const LONG64 at =
        LONG64(top - ChurnPositionOrigin) * ChurnPositionSide + (left - ChurnPositionOrigin);
    LONG64 offset = ((at - around) % ChurnPositionCount + ChurnPositionCount) % ChurnPositionCount;
    if (offset > ChurnPositionCount / 2)
        offset -= ChurnPositionCount;
    return around + offset;
}
