#include <gtest/gtest.h>

#include <thread>

#include "library/timing/HighResolutionTimer.h"

using NLibrary::NTiming::CHighResolutionTimer;
using NLibrary::NTiming::SClockSource;

namespace {

// A clock the test moves by hand. The timer sees it only through SClockSource,
// the same seam through which it reads the system's clocks.
struct ManualClock
{
    static BOOL frequencyResult;
    static LONGLONG frequency;
    static BOOL counterResult;
    static LONGLONG counter;
    static DWORD milliseconds;

    static void Reset(LONGLONG counts_per_second)
    {
        frequencyResult = TRUE;
        frequency = counts_per_second;
        counterResult = TRUE;
        counter = 0;
        milliseconds = 0;
    }
    static BOOL WINAPI QueryFrequency(LARGE_INTEGER* f)
    {
        f->QuadPart = frequency;
        return frequencyResult;
    }
    static BOOL WINAPI QueryCounter(LARGE_INTEGER* c)
    {
        c->QuadPart = counter;
        return counterResult;
    }
    static DWORD WINAPI Milliseconds() { return milliseconds; }
};
BOOL ManualClock::frequencyResult;
LONGLONG ManualClock::frequency;
BOOL ManualClock::counterResult;
LONGLONG ManualClock::counter;
DWORD ManualClock::milliseconds;

const SClockSource kManualSource = {&ManualClock::QueryFrequency, &ManualClock::QueryCounter,
                                    &ManualClock::Milliseconds};

// The first update pins its thread; keep that off the test runner's thread.
template <typename F>
void OnOwnThread(F body)
{
    std::thread worker(body);
    worker.join();
}

DWORD_PTR AffinityOfCurrentThread()
{
    DWORD_PTR processMask = 0, systemMask = 0;
    GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask);
    // SetThreadAffinityMask hands back the mask it replaces; put it back.
    const DWORD_PTR previous = SetThreadAffinityMask(GetCurrentThread(), processMask);
    SetThreadAffinityMask(GetCurrentThread(), previous);
    return previous;
}

}  // namespace

class TimerArithmetic : public testing::Test
{
protected:
    void SetUp() override { ManualClock::Reset(1000000); }
};

TEST_F(TimerArithmetic, NewTimerIsAllZero)
{
    CHighResolutionTimer timer(kManualSource);
    EXPECT_FALSE(timer.IsStarted());
    EXPECT_FALSE(timer.UsesPerformanceCounter());
    EXPECT_EQ(0, timer.GetFrequency());
    EXPECT_EQ(0, timer.GetUpdateCount());
    EXPECT_EQ(0.0f, timer.GetDelta());
    EXPECT_EQ(0.0f, timer.GetElapsed());
    EXPECT_EQ(0.0f, timer.GetRate());
}

TEST_F(TimerArithmetic, FirstUpdateIsZeroAndCountsOne)
{
    OnOwnThread([] {
        ManualClock::counter = 123456789;
        CHighResolutionTimer timer(kManualSource);
        timer.Update();
        EXPECT_TRUE(timer.IsStarted());
        EXPECT_TRUE(timer.UsesPerformanceCounter());
        EXPECT_EQ(1000000, timer.GetFrequency());
        EXPECT_EQ(0.0f, timer.GetDelta());
        EXPECT_EQ(0.0f, timer.GetElapsed());
        EXPECT_EQ(0.0f, timer.GetRate());
        EXPECT_EQ(1, timer.GetUpdateCount());
    });
}

TEST_F(TimerArithmetic, UpdatesAtZeroHalfAndOneSecond)
{
    OnOwnThread([] {
        CHighResolutionTimer timer(kManualSource);
        ManualClock::counter = 5000000;
        timer.Update();
        ManualClock::counter += 500000;
        timer.Update();
        EXPECT_FLOAT_EQ(0.5f, timer.GetDelta());
        EXPECT_FLOAT_EQ(0.5f, timer.GetElapsed());
        EXPECT_FLOAT_EQ(2.0f, timer.GetRate());
        ManualClock::counter += 500000;
        timer.Update();
        EXPECT_FLOAT_EQ(0.5f, timer.GetDelta());
        EXPECT_FLOAT_EQ(1.0f, timer.GetElapsed());
        EXPECT_FLOAT_EQ(2.0f, timer.GetRate());
        EXPECT_EQ(3, timer.GetUpdateCount());
    });
}

TEST_F(TimerArithmetic, ResetStartsANewMeasurementWhileStarted)
{
    OnOwnThread([] {
        CHighResolutionTimer timer(kManualSource);
        timer.Update();
        ManualClock::counter = 3000000;
        timer.Update();
        timer.Reset(2000000);
        EXPECT_TRUE(timer.IsStarted());
        EXPECT_EQ(0, timer.GetUpdateCount());
        timer.Update();
        EXPECT_FLOAT_EQ(1.0f, timer.GetDelta());
        EXPECT_FLOAT_EQ(1.0f, timer.GetElapsed());
        EXPECT_FLOAT_EQ(0.0f, timer.GetRate());
        ManualClock::counter = 4000000;
        timer.Update();
        EXPECT_FLOAT_EQ(2.0f, timer.GetElapsed());
        EXPECT_FLOAT_EQ(0.5f, timer.GetRate());
    });
}

TEST_F(TimerArithmetic, FrequencyOfZeroSelectsMilliseconds)
{
    OnOwnThread([] {
        ManualClock::frequency = 0;
        ManualClock::counter = 777;
        ManualClock::milliseconds = 4000;
        CHighResolutionTimer timer(kManualSource);
        timer.Update();
        EXPECT_FALSE(timer.UsesPerformanceCounter());
        EXPECT_EQ(1000, timer.GetFrequency());
        EXPECT_EQ(4000, timer.GetCounter());
        ManualClock::milliseconds = 4250;
        timer.Update();
        EXPECT_FLOAT_EQ(0.25f, timer.GetElapsed());
        EXPECT_FLOAT_EQ(4.0f, timer.GetRate());
    });
}

TEST_F(TimerArithmetic, FailingFrequencyOrProbeSelectsMilliseconds)
{
    ManualClock::frequencyResult = FALSE;
    CHighResolutionTimer noFrequency(kManualSource);
    noFrequency.InitFrequency();
    EXPECT_FALSE(noFrequency.UsesPerformanceCounter());
    EXPECT_EQ(1000, noFrequency.GetFrequency());

    ManualClock::Reset(1000000);
    ManualClock::counterResult = FALSE;
    CHighResolutionTimer noCounter(kManualSource);
    noCounter.InitFrequency();
    EXPECT_FALSE(noCounter.UsesPerformanceCounter());
    EXPECT_EQ(1000, noCounter.GetFrequency());
}

TEST_F(TimerArithmetic, MillisecondCountIsWidenedWithoutSign)
{
    ManualClock::frequency = 0;
    ManualClock::milliseconds = 0xFFFFFFF0u;
    CHighResolutionTimer timer(kManualSource);
    timer.InitFrequency();
    EXPECT_EQ(0xFFFFFFF0LL, timer.GetCounter());
}

// The millisecond clock wraps every 2^32 ms. Times measured across the wrap
// stay positive, so a caller waiting for elapsed time to pass a limit ends.
TEST_F(TimerArithmetic, MillisecondModeCountsOnAcrossTheWrap)
{
    OnOwnThread([] {
        ManualClock::frequency = 0;
        ManualClock::milliseconds = 0xFFFFFFFFu - 499;  // 500 ms before the wrap
        CHighResolutionTimer timer(kManualSource);
        timer.Update();
        ManualClock::milliseconds = 500;
        timer.Update();
        EXPECT_FLOAT_EQ(1.0f, timer.GetDelta());
        EXPECT_FLOAT_EQ(1.0f, timer.GetElapsed());
        EXPECT_FLOAT_EQ(1.0f, timer.GetRate());
        ManualClock::milliseconds = 1500;
        timer.Update();
        EXPECT_FLOAT_EQ(1.0f, timer.GetDelta());
        EXPECT_FLOAT_EQ(2.0f, timer.GetElapsed());
        EXPECT_EQ(1500, timer.GetCounter());  // the raw clock, not the carried count
    });
}

TEST(TimerOnSystemClock, MeasuresASleepWithThePerformanceCounter)
{
    OnOwnThread([] {
        CHighResolutionTimer timer;
        timer.Update();
        EXPECT_TRUE(timer.UsesPerformanceCounter());
        EXPECT_GT(timer.GetFrequency(), 0);
        Sleep(50);
        timer.Update();
        EXPECT_GE(timer.GetElapsed(), 0.040f);
        EXPECT_LT(timer.GetElapsed(), 10.0f);
        EXPECT_FLOAT_EQ(timer.GetElapsed(), timer.GetDelta());
    });
}

TEST(TimerProcessorPin, FirstUpdatePinsTheThreadToTheLowestAllowedProcessor)
{
    DWORD_PTR processMask = 0, systemMask = 0;
    ASSERT_TRUE(GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask));
    ASSERT_NE(0u, processMask);
    OnOwnThread([processMask] {
        CHighResolutionTimer timer;
        timer.Update();
        EXPECT_EQ(processMask & (0 - processMask), AffinityOfCurrentThread());
        timer.Update();
        EXPECT_EQ(processMask & (0 - processMask), AffinityOfCurrentThread());
    });
}

TEST(TimerProcessorPin, PinFollowsTheProcessMask)
{
    DWORD_PTR processMask = 0, systemMask = 0;
    ASSERT_TRUE(GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask));
    if ((systemMask & 0x2) == 0)
        GTEST_SKIP() << "needs a second processor";
    ASSERT_TRUE(SetProcessAffinityMask(GetCurrentProcess(), 0x2));
    DWORD_PTR pinned = 0;
    OnOwnThread([&pinned] {
        CHighResolutionTimer::PinThreadToFirstProcessor();
        pinned = AffinityOfCurrentThread();
    });
    SetProcessAffinityMask(GetCurrentProcess(), processMask);
    EXPECT_EQ(0x2u, pinned);
}
