#pragma once

// The parts of watcher_bench: the churning workers, what an application saw
// of them through one way of delivery, and one phase of load measured.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "bench/hook/HookBenchProtocol.h"
#include "bench/hook/HookBenchSupport.h"

const int ChurnProcesses = 3;
const int ChurnThreadsPerProcess = 3;
const int ChurnWindows = ChurnProcesses * ChurnThreadsPerProcess;

// 3 processes x 3 threads, each thread moving its own shown window as fast as
// it can while a churn runs (hook_bench_worker.exe in churn mode).
class CChurn
{
public:
    explicit CChurn(HWND benchWindow);
    ~CChurn();
    CChurn(const CChurn&) = delete;
    CChurn& operator=(const CChurn&) = delete;

    bool IsReady() const { return windows.size() == size_t(ChurnWindows); }
    HWND Window(int slot) const { return windows[size_t(slot)]; }
    // -1 for a window that is not a churn window.
    int SlotOf(HWND window) const;
    LONG64 Moves(int slot) const { return section->moves[slot]; }
    LONG64 TotalMoves() const;
    LONGLONG MoveTime(int slot, LONG64 move) const
    {
        return section->times[slot][move % ChurnTimeCount];
    }

    // Every thread takes the start off its queue before it moves, so a hook
    // installed before Start is live for all of its moves.
    void Start();
    // Sets the stop flag and waits until every thread has stopped.
    bool Stop();

private:
    HANDLE mapping = nullptr;
    ChurnSection* section = nullptr;
    std::vector<std::unique_ptr<Worker>> workers;
    std::vector<HWND> windows;  // by slot
};

// One sighting: at `time` (performance counter) the application learnt that
// the slot's window had made move `move` (and so all before it).
struct Observation
{
    int slot;
    LONGLONG time;
    LONG64 move;
};

// What one way of delivery handed the application during one phase. Written
// by that way's delivery thread only, read by the bench's thread.
class CObservations
{
public:
    // Keeps at most `capacity` sightings (none: only counts).
    explicit CObservations(size_t capacity);

    // Before a phase: the churn's move counts, by which positions are read.
    void Begin(const CChurn& churn);

    // A notification about the slot's window: its next move (raw delivery).
    void AddNotification(int slot);
    // An event whose snapshot shows the window at (left, top), standing for
    // `merged` changes.
    void AddSnapshot(int slot, LONG left, LONG top, uint32_t merged);

    LONG64 Begun(int slot) const { return begun[slot]; }
    LONG64 Newest(int slot) const { return newest[slot]; }
    LONG64 Events(int slot) const { return events[slot]; }
    LONG64 Merged() const { return merged; }
    size_t Size() const { return size; }
    const Observation& At(size_t i) const { return sightings[i]; }

private:
    void Add(int slot, LONG64 move);

    std::vector<Observation> sightings;
    std::atomic<size_t> size {0};
    LONG64 begun[ChurnWindows] = {};
    std::atomic<LONG64> newest[ChurnWindows];
    std::atomic<LONG64> events[ChurnWindows];
    std::atomic<LONG64> merged {0};
};

// One way an application receives the churn windows' changes.
class CDelivery
{
public:
    virtual ~CDelivery() = default;
    virtual const char* Name() const = 0;
    // True when every change comes as an event of its own; false when only
    // the newest state of a window is promised.
    virtual bool DeliversEveryChange() const = 0;
    virtual bool Start(CObservations* seen) = 0;
    virtual void Stop() = 0;
};

// The hook's notifications taken off a thread's queue and nothing else.
std::unique_ptr<CDelivery> MakeRawDelivery(const CChurn& churn);
// CWindowWatcher: every notification with a snapshot.
std::unique_ptr<CDelivery> MakeWatcherDelivery(const CChurn& churn);
// CWindowModel (WindowModelDelivery.cpp, where the tree has the model).
std::unique_ptr<CDelivery> MakeModelDelivery(const CChurn& churn);

// A row for each way of delivery that the bench compares (the raw path only
// where asked), in the order of the tables.
template <typename TRow>
std::vector<TRow> RowsForEachDelivery(const CChurn& churn, bool withRaw)
{
    std::vector<std::unique_ptr<CDelivery>> deliveries;
    if (withRaw)
        deliveries.push_back(MakeRawDelivery(churn));
    deliveries.push_back(MakeWatcherDelivery(churn));
#ifdef ZARVO_BENCH_WINDOW_MODEL
    deliveries.push_back(MakeModelDelivery(churn));
#endif
    std::vector<TRow> rows(deliveries.size());
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i].delivery = std::move(deliveries[i]);
    return rows;
}

struct PhaseResult
{
    bool isComplete = false;  // every window's last state delivered in time
    double loadSeconds = 0;
    LONG64 changes = 0;
    LONG64 eventsDuringLoad = 0;
    LONG64 events = 0;
    LONG64 merged = 0;              // changes the events stand for
    double lastAfterStopMs = 0;     // the last event, after the load stopped
    int windowsBehind = 0;          // whose last state did not arrive
    LONG64 unseen = 0;              // changes no event showed, not even a later one
    std::vector<double> latencyMs;  // change to the first event showing it or a later one
};

// Starts the delivery, churns for loadMs, waits for it to catch up (at most
// drainMs) and stops it.
PhaseResult RunPhase(CChurn& churn, CDelivery& delivery, CObservations& seen, DWORD loadMs,
                     DWORD drainMs);

// Churns until `changes` more moves have been made, then lets the delivery
// catch up.
bool ChurnFor(CChurn& churn, CObservations& seen, bool everyChange, LONG64 changes, DWORD drainMs);

// Committed private memory of this process (VirtualQuery over its address
// space): Wine's process counters say 0.
SIZE_T CommittedPrivateBytes();

// What the model's start costs with the windows there are: Start's own time
// and the time until the Present event of each window titled `title`
// (expected of them) has been delivered. False without the model.
bool MeasureModelStart(const wchar_t* title, size_t expected, double* startMs, double* presentMs);

// The measurements; each prints its own table.
void MeasureSnapshotParts(CChurn& churn);
void MeasureDelivery(CChurn& churn);
void MeasureMemory(CChurn& churn);
void MeasureEnumeration(HWND benchWindow);
