#pragma once

// What the window model has learned and not yet delivered: the hand-over
// from the threads that learn of changes (the watcher's thread, which must
// never fall behind the hook, the process waits and the model's own thread)
// to the model's delivery thread. One short lock guards it; nothing here
// reads a window, and nothing is allocated for a window already known
// unless more of its changes wait than ever before.
//
// Changes wait in one queue, in arrival order. A position change
// (WindowEventPosChanged, WindowEventMoving) merges into the window's newest
// waiting change when that is a position change too: it counts one more and
// takes the newer kind and time. Every other change waits in a slot of its
// own. Slots are recycled, and a window's record lives from its first change
// to its Destroyed or Gone (or until the delivery thread forgets a window that
// was gone before it was delivered), so memory follows the number of windows,
// not the rate of changes.
//
// Settled: a position change outside a move/size loop sets the window's quiet
// deadline, settleMilliseconds later; when it passes without another one,
// Take queues a Settled. ExitSizeMove queues its Settled right behind it.
//
// Threads: Add and AddProcessEnd from any thread; everything else belongs to
// the delivery thread.

#include <windows.h>

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "watcher/SlimLock.h"
#include "watcher/WindowEventKind.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

class CPendingChange
{
public:
    WindowEventKind kind = WindowEventPosChanged;
    HWND window = nullptr;
    ULONGLONG arrivalTime = 0;  // of the newest notification merged into it
    uint32_t merged = 1;
    bool inferred = false;
};

class CPendingChanges
{
public:
    explicit CPendingChanges(DWORD settleMilliseconds);
    CPendingChanges(const CPendingChanges&) = delete;
    CPendingChanges& operator=(const CPendingChanges&) = delete;

    // Each wakes the delivery thread when it waits. A change that cannot be
    // stored for lack of memory is dropped.
    void Add(WindowEventKind kind, HWND window);
    void AddProcessEnd(DWORD processId);

    // Present for each window given, in that order, ahead of everything that
    // waits: the windows that existed when the hook went live.
    void AddPresent(const std::vector<HWND>& windows);
    // Gone (inferred) for a window, unless its Destroyed waits already.
    void AddGone(HWND window);
    // Drops the record of a window that no longer exists, unless more of it
    // waits.
    void Forget(HWND window);

    // Take hands out nothing before Release: the Present changes go in first.
    void Release();
    // The oldest change, after queueing the Settled changes that are due.
    bool Take(CPendingChange* change);
    bool TakeProcessEnd(DWORD* processId);

    // Sleeps until a change is ready, or the earliest Settled or the deadline
    // given (0: none) is due, or Interrupt is called; at times for no reason.
    // The wait is on a condition variable, not on a kernel object: waking
    // the delivery thread then costs the thread that adds no system call
    // when none waits, and under Wine no round trip to the server when one does.
    void Wait(ULONGLONG deadline);
    // Every Wait from now on returns at once.
    void Interrupt();

    // How many changes the queue can hold without allocating (its high-water
    // mark), and how many windows have a record.
    size_t GetCapacity() const;
    size_t CountWindows() const;

private:
    static const uint32_t NoSlot = UINT32_MAX;

    class CSlot
    {
    public:
        CPendingChange change;
        uint32_t next = NoSlot;
    };

    class CWindowRecord
    {
    public:
        uint32_t newestSlot = NoSlot;  // the window's newest waiting change
        uint32_t waiting = 0;          // its changes in the queue
        uint32_t destroyedWaiting = 0;
        bool inLoop = false;               // between EnterSizeMove and ExitSizeMove
        ULONGLONG settleDeadline = 0;      // 0: not in the deadline list
        CWindowRecord* earlier = nullptr;  // the deadline list, earliest first
        CWindowRecord* later = nullptr;
        HWND window = nullptr;
    };

    uint32_t NewSlot(WindowEventKind kind, HWND window, ULONGLONG now);
    void Append(uint32_t slot, CWindowRecord* record);
    void AddLocked(WindowEventKind kind, HWND window, ULONGLONG now);
    CWindowRecord* FindOrAddRecord(HWND window);
    void SetDeadline(CWindowRecord* record, ULONGLONG deadline);
    void ClearDeadline(CWindowRecord* record);
    void QueueDueSettled(ULONGLONG now);
    void DropRecordIfIdle(CWindowRecord* record);
    bool IsReady(ULONGLONG now) const;
    void Wake();

    mutable CSlimLock lock;
    const DWORD settleMilliseconds;
    std::vector<CSlot> slots;
    uint32_t head = NoSlot;
    uint32_t tail = NoSlot;
    uint32_t freeSlots = NoSlot;
    std::unordered_map<HWND, CWindowRecord> records;
    CWindowRecord* earliestDeadline = nullptr;
    CWindowRecord* latestDeadline = nullptr;
    std::vector<DWORD> endedProcesses;
    bool released = false;
    bool waiting = false;
    bool interrupted = false;
    CONDITION_VARIABLE changed = CONDITION_VARIABLE_INIT;
};

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
