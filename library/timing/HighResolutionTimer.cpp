#include "library/timing/HighResolutionTimer.h"

#include <mmsystem.h>

namespace NLibrary { namespace NTiming {

const SClockSource& SystemClockSource()
{
    static const SClockSource source = {&QueryPerformanceFrequency, &QueryPerformanceCounter,
                                        &timeGetTime};
    return source;
}

CHighResolutionTimer::CHighResolutionTimer() : CHighResolutionTimer(SystemClockSource())
{
}

CHighResolutionTimer::CHighResolutionTimer(const SClockSource& source)
    : started(0), usesPerformanceCounter(0), frequency(0), startCount(0), lastCount(0),
      updateCount(0), delta(0.0f), elapsed(0.0f), rate(0.0f), clock(&source)
{
}

void CHighResolutionTimer::InitFrequency()
{
    LARGE_INTEGER f = {};
    LARGE_INTEGER probe = {};
    if (clock->queryFrequency(&f) && f.QuadPart > 0 && clock->queryCounter(&probe)) {
        usesPerformanceCounter = 1;
        frequency = f.QuadPart;
    }
    if (usesPerformanceCounter == 0)
        frequency = 1000;
}

LONGLONG CHighResolutionTimer::GetCounter() const
{
    if (usesPerformanceCounter == 1) {
        LARGE_INTEGER count = {};
        clock->queryCounter(&count);
        return count.QuadPart;
    }
    return static_cast<LONGLONG>(clock->millisecondCount());
}

// The millisecond clock wraps every 2^32 ms (about 49.7 days). Counting on
// from the previous count keeps differences across the wrap positive, so that
// a caller waiting for the elapsed time to pass a limit is not stuck.
LONGLONG CHighResolutionTimer::ReadContinuousCount() const
{
    const LONGLONG now = GetCounter();
    if (usesPerformanceCounter == 1 || started == 0)
        return now;
    const DWORD step = static_cast<DWORD>(now) - static_cast<DWORD>(lastCount);
    return lastCount + step;
}

void CHighResolutionTimer::Reset(LONGLONG count)
{
    startCount = count;
    lastCount = count;
    updateCount = 0;
}

void CHighResolutionTimer::Update()
{
    if (started == 0) {
        PinThreadToFirstProcessor();
        InitFrequency();
    }
    const LONGLONG now = ReadContinuousCount();
    if (started == 0) {
        Reset(now);
        started = 1;
    }
    delta = static_cast<float>(static_cast<double>(now - lastCount) / frequency);
    elapsed = static_cast<float>(static_cast<double>(now - startCount) / frequency);
    rate = elapsed > 0.0f ? static_cast<float>(updateCount) / elapsed : 0.0f;
    ++updateCount;
    lastCount = now;
}

void CHighResolutionTimer::PinThreadToFirstProcessor()
{
    DWORD_PTR processMask = 0;
    DWORD_PTR systemMask = 0;
    if (!GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask) || processMask == 0)
        return;
    SetThreadAffinityMask(GetCurrentThread(), processMask & (0 - processMask));
}

}}  // namespace NLibrary::NTiming
