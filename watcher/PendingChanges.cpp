#include "watcher/PendingChanges.h"

#include <algorithm>
#include <new>

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

CPendingChanges::CPendingChanges(DWORD settleMilliseconds) : settleMilliseconds(settleMilliseconds)
{
}

// The time is read under the lock, so that deadlines enter their list in the
// order of their times whichever thread adds them.
void CPendingChanges::Add(WindowEventKind kind, HWND window)
{
    CExclusiveLock held(lock);
    try {
        AddLocked(kind, window, GetTickCount64());
    } catch (const std::bad_alloc&) {
        // Dropped: the watcher's thread must go on taking notifications off
        // its queue whatever happens here.
    }
    Wake();
}

void CPendingChanges::AddProcessEnd(DWORD processId)
{
    CExclusiveLock held(lock);
    try {
        endedProcesses.push_back(processId);
    } catch (const std::bad_alloc&) {
    }
    Wake();
}

void CPendingChanges::AddPresent(const std::vector<HWND>& windows)
{
    CExclusiveLock held(lock);
    const ULONGLONG now = GetTickCount64();
    uint32_t first = NoSlot;
    uint32_t last = NoSlot;
    try {
        for (HWND window : windows) {
            CWindowRecord* record = FindOrAddRecord(window);
            const uint32_t slot = NewSlot(WindowEventPresent, window, now);
            (last == NoSlot ? first : slots[last].next) = slot;
            last = slot;
            ++record->waiting;
            if (record->newestSlot == NoSlot)
                record->newestSlot = slot;
        }
    } catch (const std::bad_alloc&) {
    }
    if (last == NoSlot)
        return;
    slots[last].next = head;
    head = first;
    if (tail == NoSlot)
        tail = last;
}

void CPendingChanges::AddGone(HWND window)
{
    CExclusiveLock held(lock);
    const auto found = records.find(window);
    if (found != records.end() && found->second.destroyedWaiting > 0)
        return;
    try {
        AddLocked(WindowEventGone, window, GetTickCount64());
    } catch (const std::bad_alloc&) {
    }
}

void CPendingChanges::Forget(HWND window)
{
    CExclusiveLock held(lock);
    const auto found = records.find(window);
    if (found == records.end())
        return;
    found->second.inLoop = false;
    ClearDeadline(&found->second);
    DropRecordIfIdle(&found->second);
}

void CPendingChanges::AddLocked(WindowEventKind kind, HWND window, ULONGLONG now)
{
    if (window == nullptr) {
        Append(NewSlot(kind, window, now), nullptr);
        return;
    }
    CWindowRecord* record = FindOrAddRecord(window);
    if (IsPositionChange(kind)) {
        if (!record->inLoop)
            SetDeadline(record, now + settleMilliseconds);
        if (record->newestSlot != NoSlot
            && IsPositionChange(slots[record->newestSlot].change.kind)) {
            CPendingChange& newest = slots[record->newestSlot].change;
            newest.kind = kind;
            newest.arrivalTime = now;
            ++newest.merged;
            return;
        }
        Append(NewSlot(kind, window, now), record);
        return;
    }
    switch (kind) {
    case WindowEventEnterSizeMove:
        record->inLoop = true;
        ClearDeadline(record);
        break;
    case WindowEventExitSizeMove:
        record->inLoop = false;
        ClearDeadline(record);
        break;
    case WindowEventDestroyed:
    case WindowEventGone:
        record->inLoop = false;
        ClearDeadline(record);
        break;
    default:
        break;
    }
    // The Settled of a loop comes with its end; both slots are taken first,
    // so that a failure leaves neither.
    if (kind == WindowEventExitSizeMove) {
        const uint32_t exit = NewSlot(kind, window, now);
        uint32_t settled = NoSlot;
        try {
            settled = NewSlot(WindowEventSettled, window, now);
        } catch (const std::bad_alloc&) {
            slots[exit].next = freeSlots;
            freeSlots = exit;
            throw;
        }
        Append(exit, record);
        Append(settled, record);
        return;
    }
    Append(NewSlot(kind, window, now), record);
}

uint32_t CPendingChanges::NewSlot(WindowEventKind kind, HWND window, ULONGLONG now)
{
    uint32_t slot = freeSlots;
    if (slot == NoSlot) {
        slots.emplace_back();
        slot = uint32_t(slots.size() - 1);
    } else {
        freeSlots = slots[slot].next;
    }
    CSlot& taken = slots[slot];
    taken.change = CPendingChange();
    taken.change.kind = kind;
    taken.change.window = window;
    taken.change.arrivalTime = now;
    taken.change.inferred = kind == WindowEventGone;
    taken.next = NoSlot;
    return slot;
}

void CPendingChanges::Append(uint32_t slot, CWindowRecord* record)
{
    (tail == NoSlot ? head : slots[tail].next) = slot;
    tail = slot;
    if (record == nullptr)
        return;
    record->newestSlot = slot;
    ++record->waiting;
    if (slots[slot].change.kind == WindowEventDestroyed)
        ++record->destroyedWaiting;
}

CPendingChanges::CWindowRecord* CPendingChanges::FindOrAddRecord(HWND window)
{
    CWindowRecord& record = records[window];
    record.window = window;
    return &record;
}

// Every deadline is the time of its change plus the same quiet time, so a
// window whose deadline moves goes to the end of the list, which stays
// sorted.
void CPendingChanges::SetDeadline(CWindowRecord* record, ULONGLONG deadline)
{
    ClearDeadline(record);
    record->settleDeadline = deadline;
    record->earlier = latestDeadline;
    (latestDeadline == nullptr ? earliestDeadline : latestDeadline->later) = record;
    latestDeadline = record;
}

void CPendingChanges::ClearDeadline(CWindowRecord* record)
{
    if (record->settleDeadline == 0)
        return;
    (record->earlier == nullptr ? earliestDeadline : record->earlier->later) = record->later;
    (record->later == nullptr ? latestDeadline : record->later->earlier) = record->earlier;
    record->earlier = record->later = nullptr;
    record->settleDeadline = 0;
}

void CPendingChanges::QueueDueSettled(ULONGLONG now)
{
    while (earliestDeadline != nullptr && earliestDeadline->settleDeadline <= now) {
        CWindowRecord* record = earliestDeadline;
        ClearDeadline(record);
        try {
            Append(NewSlot(WindowEventSettled, record->window, now), record);
        } catch (const std::bad_alloc&) {
        }
    }
}

void CPendingChanges::DropRecordIfIdle(CWindowRecord* record)
{
    if (record->waiting == 0 && !record->inLoop && record->settleDeadline == 0)
        records.erase(record->window);
}

void CPendingChanges::Release()
{
    CExclusiveLock held(lock);
    released = true;
    Wake();
}

bool CPendingChanges::Take(CPendingChange* change)
{
    CExclusiveLock held(lock);
    if (!released)
        return false;
    QueueDueSettled(GetTickCount64());
    if (head == NoSlot)
        return false;
    const uint32_t slot = head;
    *change = slots[slot].change;
    head = slots[slot].next;
    if (head == NoSlot)
        tail = NoSlot;
    slots[slot].next = freeSlots;
    freeSlots = slot;
    if (change->window == nullptr)
        return true;
    const auto found = records.find(change->window);
    if (found == records.end())
        return true;
    CWindowRecord& record = found->second;
    --record.waiting;
    if (record.newestSlot == slot)
        record.newestSlot = NoSlot;
    if (change->kind == WindowEventDestroyed)
        --record.destroyedWaiting;
    if (change->kind == WindowEventDestroyed || change->kind == WindowEventGone)
        DropRecordIfIdle(&record);
    return true;
}

bool CPendingChanges::TakeProcessEnd(DWORD* processId)
{
    CExclusiveLock held(lock);
    if (endedProcesses.empty())
        return false;
    *processId = endedProcesses.back();
    endedProcesses.pop_back();
    return true;
}

bool CPendingChanges::IsReady(ULONGLONG now) const
{
    return !endedProcesses.empty()
           || (released
               && (head != NoSlot
                   || (earliestDeadline != nullptr && earliestDeadline->settleDeadline <= now)));
}

void CPendingChanges::Wait(ULONGLONG deadline)
{
    CExclusiveLock held(lock);
    const ULONGLONG now = GetTickCount64();
    if (interrupted || IsReady(now))
        return;
    if (released && earliestDeadline != nullptr
        && (deadline == 0 || earliestDeadline->settleDeadline < deadline))
        deadline = earliestDeadline->settleDeadline;
    DWORD timeout = INFINITE;
    if (deadline != 0)
        timeout = deadline > now ? DWORD(std::min<ULONGLONG>(deadline - now, 60000)) : 0;
    waiting = true;
    lock.SleepExclusive(&changed, timeout);
    waiting = false;
}

void CPendingChanges::Interrupt()
{
    CExclusiveLock held(lock);
    interrupted = true;
    WakeAllConditionVariable(&changed);
}

// Under the lock; only a thread that sleeps is woken.
void CPendingChanges::Wake()
{
    if (waiting)
        WakeConditionVariable(&changed);
}

size_t CPendingChanges::GetCapacity() const
{
    CSharedLock held(lock);
    return slots.size();
}

size_t CPendingChanges::CountWindows() const
{
    CSharedLock held(lock);
    return records.size();
}

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
