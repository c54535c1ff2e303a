#pragma once

// The benchmarks' one clock: the performance counter, in its own ticks and in
// seconds. Every figure of a run is read off it, in every process of the run.

#include <windows.h>

inline LONGLONG Counter()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

inline double SecondsPerTick()
{
    static const double seconds = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return 1.0 / double(frequency.QuadPart);
    }();
    return seconds;
}

inline double NowSeconds()
{
    return double(Counter()) * SecondsPerTick();
}
