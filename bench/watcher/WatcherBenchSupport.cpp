#include "bench/watcher/WatcherBenchSupport.h"

#include <string>

namespace {

const DWORD StopTimeoutMs = 10000;

}  // namespace

CChurn::CChurn(HWND benchWindow)
{
    const std::wstring name = L"ZarvoWatcherBenchChurn" + std::to_wstring(GetCurrentProcessId());
    mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                 sizeof(ChurnSection), name.c_str());
    if (mapping == nullptr)
        return;
    section = static_cast<ChurnSection*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
    if (section == nullptr)
        return;
    section->stop = 1;
    for (int p = 0; p < ChurnProcesses; ++p) {
        const int firstSlot = p * ChurnThreadsPerProcess;
        const std::wstring mode = L"churn " + std::to_wstring(ChurnThreadsPerProcess) + L" "
                                  + std::to_wstring(firstSlot) + L" " + name;
        workers.emplace_back(new Worker(benchWindow, mode, ChurnThreadsPerProcess));
        const std::vector<HWND>& reported = workers.back()->Windows();
        windows.insert(windows.end(), reported.begin(), reported.end());
    }
}

CChurn::~CChurn()
{
    workers.clear();
    if (section != nullptr)
        UnmapViewOfFile(section);
    if (mapping != nullptr)
        CloseHandle(mapping);
}

int CChurn::SlotOf(HWND window) const
{
    for (size_t slot = 0; slot < windows.size(); ++slot) {
        if (windows[slot] == window)
            return int(slot);
    }
    return -1;
}

LONG64 CChurn::TotalMoves() const
{
    LONG64 total = 0;
    for (int slot = 0; slot < ChurnWindows; ++slot)
        total += Moves(slot);
    return total;
}

void CChurn::Start()
{
    InterlockedExchange(&section->stop, 0);
    for (HWND window : windows)
        PostMessageW(window, WorkerChurn, 0, 0);
}

bool CChurn::Stop()
{
    InterlockedExchange(&section->stop, 1);
    const DWORD deadline = GetTickCount() + StopTimeoutMs;
    for (int slot = 0; slot < ChurnWindows; ++slot) {
        while (section->churning[slot] != 0) {
            if (LONG(deadline - GetTickCount()) <= 0)
                return false;
            Sleep(1);
        }
    }
    return true;
}

CObservations::CObservations(size_t capacity) : sightings(capacity)
{
    for (int slot = 0; slot < ChurnWindows; ++slot) {
        newest[slot] = 0;
        events[slot] = 0;
    }
}

void CObservations::Begin(const CChurn& churn)
{
    size = 0;
    merged = 0;
    for (int slot = 0; slot < ChurnWindows; ++slot) {
        begun[slot] = churn.Moves(slot);
        newest[slot] = begun[slot] - 1;
        events[slot] = 0;
    }
}

void CObservations::AddNotification(int slot)
{
    ++merged;
    Add(slot, begun[slot] + events[slot]);
}

void CObservations::AddSnapshot(int slot, LONG left, LONG top, uint32_t standsFor)
{
    merged += standsFor;
    Add(slot, ChurnMoveAt(left, top, begun[slot]));
}

void CObservations::Add(int slot, LONG64 move)
{
    ++events[slot];
    if (move > newest[slot])
        newest[slot] = move;
    const size_t at = size;
    if (at >= sightings.size())
        return;
    sightings[at] = {slot, Counter(), move};
    size = at + 1;
}

namespace {

bool HasCaughtUp(const CChurn& churn, const CObservations& seen, bool everyChange)
{
    for (int slot = 0; slot < ChurnWindows; ++slot) {
        const LONG64 last = churn.Moves(slot) - 1;
        if (seen.Newest(slot) < last)
            return false;
        if (everyChange && seen.Events(slot) < last - seen.Begun(slot) + 1)
            return false;
    }
    return true;
}

bool WaitToCatchUp(const CChurn& churn, const CObservations& seen, bool everyChange, DWORD drainMs)
{
    const DWORD deadline = GetTickCount() + drainMs;
    while (!HasCaughtUp(churn, seen, everyChange)) {
        if (LONG(deadline - GetTickCount()) <= 0)
            return false;
        Sleep(2);
    }
    return true;
}

}  // namespace

PhaseResult RunPhase(CChurn& churn, CDelivery& delivery, CObservations& seen, DWORD loadMs,
                     DWORD drainMs)
{
    PhaseResult result;
    seen.Begin(churn);
    if (!delivery.Start(&seen))
        return result;
    // A model delivers the windows that exist first; the load starts after.
    Sleep(100);
    const LONGLONG started = Counter();
    churn.Start();
    Sleep(loadMs);
    const bool stopped = churn.Stop();
    const LONGLONG stoppedAt = Counter();
    result.isComplete =
        stopped && WaitToCatchUp(churn, seen, delivery.DeliversEveryChange(), drainMs);
    // Whatever is still under way (a Settled event, say) is counted too.
    Sleep(50);
    delivery.Stop();

    const double msPerTick = SecondsPerTick() * 1000;
    result.loadSeconds = double(stoppedAt - started) * SecondsPerTick();
    LONG64 next[ChurnWindows];  // the first change no sighting has shown yet
    for (int slot = 0; slot < ChurnWindows; ++slot) {
        next[slot] = seen.Begun(slot);
        result.changes += churn.Moves(slot) - seen.Begun(slot);
        result.events += seen.Events(slot);
    }
    result.merged = seen.Merged();
    LONGLONG last = stoppedAt;
    for (size_t i = 0; i < seen.Size(); ++i) {
        const Observation& o = seen.At(i);
        if (o.time >= started && o.time <= stoppedAt)
            ++result.eventsDuringLoad;
        if (o.time > last)
            last = o.time;
        const LONG64 end = churn.Moves(o.slot);
        for (; next[o.slot] <= o.move && next[o.slot] < end; ++next[o.slot])
            result.latencyMs.push_back(double(o.time - churn.MoveTime(o.slot, next[o.slot]))
                                       * msPerTick);
    }
    result.lastAfterStopMs = double(last - stoppedAt) * msPerTick;
    for (int slot = 0; slot < ChurnWindows; ++slot) {
        if (seen.Newest(slot) < churn.Moves(slot) - 1)
            ++result.windowsBehind;
        result.unseen += churn.Moves(slot) - next[slot];
    }
    return result;
}

bool ChurnFor(CChurn& churn, CObservations& seen, bool everyChange, LONG64 changes, DWORD drainMs)
{
    seen.Begin(churn);
    const LONG64 until = churn.TotalMoves() + changes;
    churn.Start();
    while (churn.TotalMoves() < until)
        Sleep(20);
    return churn.Stop() && WaitToCatchUp(churn, seen, everyChange, drainMs);
}

SIZE_T CommittedPrivateBytes()
{
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region = {};
    for (const char* at = nullptr; VirtualQuery(at, &region, sizeof(region)) == sizeof(region);
         at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize;
    }
    return total;
}
