#pragma once

// The state of every top-level window of the desktop, kept up to date from the
// hook module's notifications, for applications that need to know where each
// window is rather than what just happened to one:
//
//   CWindowModel model;
//   model.Start(OnChange, context);  // every window once as Present, then changes
//   ...
//   std::vector<CWindowState> windows;
//   model.CopyWindows(windows);      // from any thread, topmost first
//   model.Stop();
//
// The model never falls behind: the watcher's thread only takes the
// notifications off its queue and notes, per window, what changed. Snapshots
// are taken on the model's own thread, once per delivered event, of the
// window's newest state. Position changes (WindowEventPosChanged,
// WindowEventMoving) of one window that have not been delivered yet merge
// into one event, which counts how many it stands for; every other kind is
// delivered one by one, in order. Memory grows with the number of windows,
// not with the rate of changes.
//
// Events:
//   Present        each window that exists when the model starts, once, before
//                  any other event of it
//   WindowPosChanged, Moving
//                  shown, hidden, moved or sized (merged: `merged` counts them)
//   EnterSizeMove, ExitSizeMove
//                  an interactive move/size loop begins and ends
//   Settled        the position is final: right after ExitSizeMove, or once
//                  position changes outside a loop have been quiet for
//                  settleMilliseconds
//   Activated, TitleChanged
//                  from the platform's own window events, where it raises them
//                  (Activated: the foreground window changed, read when
//                  EVENT_SYSTEM_FOREGROUND or EVENT_OBJECT_FOCUS arrives;
//                  TitleChanged: EVENT_OBJECT_NAMECHANGE of the window itself)
//   Destroyed      the window's WM_DESTROY reached the hook
//   Gone           its process ended without that (killed, crashed): `inferred`
//   TakenOver      another Register on the desktop took the hook (null window);
//                  nothing follows
//
// The model holds a window from its first event that finds it alive to its
// Destroyed or Gone, and exactly one of those two ends every window it
// reported. A window that no longer exists when its first event is taken
// (created and destroyed in between) is not reported at all. An event of a
// held window that finds it gone already (snapshot.gone) is delivered, and
// its Destroyed or Gone follows. Destroyed and Gone carry the last state the
// model held, with snapshot.gone set, so that the application still knows
// what ended.
//
// Threads: the callback runs on the model's delivery thread, one event at a
// time, in `sequence` order. It may be slow: nothing but the merging waits
// for it. CopyWindows and GetWindow may be called from any thread, the
// callback's included, but not while Stop or the destructor runs on another.
// Start, Stop and destruction belong to one owner thread; the callback may
// delete the model (it is then the last), and one that throws ends delivery,
// both as for CWindowWatcher.

#include <windows.h>

#include <boost/shared_ptr.hpp>

#include <cstdint>
#include <vector>

#include "watcher/WindowEvent.h"
#include "watcher/WindowWatcher.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

class CWindowModelEvent
{
public:
    uint64_t sequence = 0;  // 1, 2, 3, ... over every event of one Start: no number is skipped
    WindowEventKind kind = WindowEventPresent;
    HWND window = nullptr;
    ULONGLONG arrivalTime = 0;  // of the newest notification it stands for (GetTickCount64)
    uint32_t merged = 1;        // how many notifications it stands for
    bool inferred = false;      // Gone: concluded from the end of the window's process
    CWindowSnapshot snapshot;   // the window's state when the event was delivered (Destroyed,
                                // Gone: the last state held, with gone set)
};

// Called on the model's delivery thread, one event at a time, in sequence order.
using WindowModelCallback = void (*)(const CWindowModelEvent& event, void* context);

// One window as the model holds it.
class CWindowState
{
public:
    HWND window = nullptr;
    CWindowSnapshot snapshot;  // as of the last event delivered that found the window alive
    uint64_t sequence = 0;     // of the last event delivered for the window
};

class CWindowModelSettings
{
public:
    const wchar_t* modulePath = nullptr;  // null: the module beside the executable
    DWORD settleMilliseconds = 150;       // quiet time before Settled outside a loop
    DWORD startTimeout = DefaultStartTimeoutMilliseconds;
};

class CWindowModelSession;

class CWindowModel
{
public:
    CWindowModel() = default;
    ~CWindowModel();  // Stop
    CWindowModel(const CWindowModel&) = delete;
    CWindowModel& operator=(const CWindowModel&) = delete;

    // As CWindowWatcher::Start (WatcherStatus). Returns once the hook is live
    // and the windows that exist are known; their Present events follow.
    uint32_t Start(WindowModelCallback callback, void* context,
                   const CWindowModelSettings& settings = CWindowModelSettings());

    // Removes the hook and ends both threads; no callback runs after Stop has
    // returned 0, and the model is empty.
    uint32_t Stop();

    bool IsStarted() const;
    uint32_t GetStatus() const;  // as CWindowWatcher::GetStatus

    // A consistent copy of every window the model holds, topmost first (the
    // platform's z-order when it is called; a window already gone whose end
    // is not yet delivered comes last). 0 on success, 1 when not started (or
    // memory is short).
    uint32_t CopyWindows(std::vector<CWindowState>& windows) const;

    // 0 with the window's state, 1 when the model does not hold it.
    uint32_t GetWindow(HWND window, CWindowState& state) const;

private:
    boost::shared_ptr<CWindowModelSession> session;
};

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
