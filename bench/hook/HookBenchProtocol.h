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
    // Posted: hides and destroys the window, which ends the worker.
    WorkerQuit,
};

enum HookBenchReport : UINT
{
    BenchWorkerReady = WM_APP + 20,  // lParam: the worker's top-level window
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
