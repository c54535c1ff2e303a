#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "library/timing/HighResolutionTimer.h"

using NLibrary::NTiming::CHighResolutionTimer;
using NLibrary::NTiming::SClockSource;

namespace {

// A clock the test moves by hand. The timer sees it only through SClockSource,
// the same seam through which it reads the system's clocks.
struct CManualClock
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
BOOL CManualClock::frequencyResult;
LONGLONG CManualClock::frequency;
BOOL CManualClock::counterResult;
LONGLONG CManualClock::counter;
DWORD CManualClock::milliseconds;

const SClockSource kManualSource = {&CManualClock::QueryFrequency, &CManualClock::QueryCounter,
                                    &CManualClock::Milliseconds};

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

const float Unchecked = -1.0f;
const int64_t UncheckedCount = -1;

// One clock reading followed by Update(), or by Reset(count) when reset is
// set; then the timer's figures, where checked.
struct CTick
{
    LONGLONG counter;
    DWORD milliseconds;
    float delta;
    float elapsed;
    float rate;
    int64_t updateCount = UncheckedCount;
    LONGLONG rawCounter = UncheckedCount;  // GetCounter()
    bool reset = false;
};

// The manual clock's frequency, and the mode and frequency it makes the
// timer choose.
struct CClockMode
{
    LONGLONG clockFrequency;
    bool usesPerformanceCounter;
    LONGLONG timerFrequency;
};
const CClockMode PerformanceCounter = {1000000, true, 1000000};
const CClockMode Milliseconds = {0, false, 1000};

struct CTimerCase
{
    const char* name;
    CClockMode mode;
    std::vector<CTick> ticks;
};

void ExpectFigure(float expected, float actual)
{
    if (expected != Unchecked) {
        EXPECT_FLOAT_EQ(expected, actual);
    }
}

void RunTicks(const CTimerCase& c)
{
    SCOPED_TRACE(c.name);
    CManualClock::Reset(c.mode.clockFrequency);
    OnOwnThread([&c] {
        CHighResolutionTimer timer(kManualSource);
        for (const CTick& tick : c.ticks) {
            CManualClock::counter = tick.counter;
            CManualClock::milliseconds = tick.milliseconds;
            if (tick.reset)
                timer.Reset(tick.counter);
            else
                timer.Update();
            EXPECT_TRUE(timer.IsStarted());
            EXPECT_EQ(c.mode.usesPerformanceCounter, timer.UsesPerformanceCounter());
            EXPECT_EQ(c.mode.timerFrequency, timer.GetFrequency());
            ExpectFigure(tick.delta, timer.GetDelta());
            ExpectFigure(tick.elapsed, timer.GetElapsed());
            ExpectFigure(tick.rate, timer.GetRate());
            if (tick.updateCount != UncheckedCount) {
                EXPECT_EQ(tick.updateCount, timer.GetUpdateCount());
            }
            if (tick.rawCounter != UncheckedCount) {
                EXPECT_EQ(tick.rawCounter, timer.GetCounter());
            }
        }
    });
}

}  // namespace

class TimerArithmetic : public testing::Test
{
protected:
    void SetUp() override { CManualClock::Reset(1000000); }
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

TEST_F(TimerArithmetic, UpdatesComputeDeltaElapsedAndRate)
{
    const CTimerCase cases[] = {
        {"the first update is zero and counts one",
         PerformanceCounter, {{123456789, 0, 0.0f, 0.0f, 0.0f, 1}}                     },
        {"updates at 0, 0.5 and 1 s",
         PerformanceCounter, {{5000000, 0, Unchecked, Unchecked, Unchecked},
          {5500000, 0, 0.5f, 0.5f, 2.0f},
          {6000000, 0, 0.5f, 1.0f, 2.0f, 3}}               },
        {"Reset starts a new measurement while started",
         PerformanceCounter, {{0, 0, Unchecked, Unchecked, Unchecked},
          {3000000, 0, Unchecked, Unchecked, Unchecked},
          {2000000, 0, Unchecked, Unchecked, Unchecked, 0, UncheckedCount, true},
          {3000000, 0, 1.0f, 1.0f, 0.0f},
          {4000000, 0, Unchecked, 2.0f, 0.5f}}             },
        {"a frequency of 0 selects milliseconds",
         Milliseconds,       {{777, 4000, Unchecked, Unchecked, Unchecked, UncheckedCount, 4000},
          {777, 4250, Unchecked, 0.25f, 4.0f}}                   },
 // The millisecond clock wraps every 2^32 ms. Times measured across the
  // wrap stay positive, so a caller waiting for elapsed time to pass a
  // limit ends; GetCounter is the raw clock, not the carried count.
        {"millisecond mode counts on across the wrap",
         Milliseconds,       {{0, 0xFFFFFFFFu - 499, Unchecked, Unchecked, Unchecked},
          {0, 500, 1.0f, 1.0f, 1.0f},
          {0, 1500, 1.0f, 2.0f, Unchecked, UncheckedCount, 1500}}},
    };
    for (const CTimerCase& c : cases)
        RunTicks(c);
}

TEST_F(TimerArithmetic, FailingFrequencyOrProbeSelectsMilliseconds)
{
    const struct
    {
        const char* name;
        BOOL frequencyResult;
        BOOL counterResult;
    } cases[] = {
        {"frequency fails",            FALSE, TRUE },
        {"probing counter read fails", TRUE,  FALSE}
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CManualClock::Reset(1000000);
        CManualClock::frequencyResult = c.frequencyResult;
        CManualClock::counterResult = c.counterResult;
        CHighResolutionTimer timer(kManualSource);
        timer.InitFrequency();
        EXPECT_FALSE(timer.UsesPerformanceCounter());
        EXPECT_EQ(1000, timer.GetFrequency());
    }
}

TEST_F(TimerArithmetic, MillisecondCountIsWidenedWithoutSign)
{
    CManualClock::frequency = 0;
    CManualClock::milliseconds = 0xFFFFFFF0u;
    CHighResolutionTimer timer(kManualSource);
    timer.InitFrequency();
    EXPECT_EQ(0xFFFFFFF0LL, timer.GetCounter());
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
