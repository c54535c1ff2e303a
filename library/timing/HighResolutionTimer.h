#pragma once

#include <windows.h>

namespace NLibrary { namespace NTiming {

// The clocks a timer reads. Every timer uses the system's clocks unless it is
// built with another source, which is how the timer's arithmetic is tested.
struct SClockSource
{
    BOOL(WINAPI* queryFrequency)(LARGE_INTEGER* frequency);
    BOOL(WINAPI* queryCounter)(LARGE_INTEGER* count);
    DWORD(WINAPI* millisecondCount)();
};

const SClockSource& SystemClockSource();

// Measures the time between successive Update() calls: the seconds since the
// previous update, the seconds since the first update and the updates per
// second. Belongs to one thread; the first Update() pins that thread to the
// first processor the process may use, so that every later counter read comes
// from the same processor.
class CHighResolutionTimer
{
public:
    CHighResolutionTimer();
    explicit CHighResolutionTimer(const SClockSource& source);

    void InitFrequency();
    LONGLONG GetCounter() const;
    void Reset(LONGLONG count);
    void Update();
    float GetElapsed() const { return elapsed; }

    float GetDelta() const { return delta; }
    float GetRate() const { return rate; }
    LONGLONG GetFrequency() const { return frequency; }
    LONGLONG GetUpdateCount() const { return updateCount; }
    bool IsStarted() const { return started != 0; }
    bool UsesPerformanceCounter() const { return usesPerformanceCounter != 0; }

    static void PinThreadToFirstProcessor();

private:
    LONGLONG ReadContinuousCount() const;

    BYTE started;
    BYTE usesPerformanceCounter;
    LONGLONG frequency;
    LONGLONG startCount;
    LONGLONG lastCount;
    LONGLONG updateCount;
    float delta;
    float elapsed;
    float rate;
    const SClockSource* clock;
};

}}  // namespace NLibrary::NTiming
