#include <gtest/gtest.h>

#include <windows.h>

#include <new>

#include <boost/shared_ptr.hpp>

#include "library/synchronization/Thread.h"
#include "tests/common/HandleCount.h"
#include "tests/synchronization/TaskTestSupport.h"
#include "tests/common/TestAllocator.h"

using NLibrary::NSynchronization::NEvent::CEvent;
using NLibrary::NSynchronization::NThread::CThread;
using NLibrary::NSynchronization::NThread::IThread;
namespace NThread = NLibrary::NSynchronization::NThread;

namespace {

// Waits for its stop event (or ignores it) and returns a chosen exit code.
class CBody : public IThread
{
public:
    CBody(uint32_t exitCode_, bool ignoreStop_) : exitCode(exitCode_), ignoreStop(ignoreStop_) {}
    ~CBody() { InterlockedIncrement(destroyed); }

    uint32_t Run(CEvent* stopEvent) override
    {
        entered.Set();
        if (ignoreStop)
            release.Wait(10000);
        else
            stopEvent->Wait(10000);
        stopSeenAtEntry = false;
        finishedRun = true;
        return exitCode;
    }

    CEvent entered, release;
    volatile bool finishedRun = false;
    volatile bool stopSeenAtEntry = false;
    static LONG* destroyed;

private:
    uint32_t exitCode;
    bool ignoreStop;
};

LONG* CBody::destroyed = nullptr;
LONG DestroyedCount = 0;

boost::shared_ptr<CBody> MakeBody(uint32_t exitCode = 0, bool ignoreStop = false)
{
    CBody::destroyed = &DestroyedCount;
    return boost::shared_ptr<CBody>(new CBody(exitCode, ignoreStop));
}

DWORD ExitCodeAfterEnd(HANDLE thread)
{
    WaitForSingleObject(thread, 5000);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    return code;
}

}  // namespace

TEST(Thread, FullHandshakeCarriesTheExitCode)
{
    uint32_t handlesBefore = NTestSupport::CountOpenHandlesSettled();
    {
        CThread thread;
        auto body = MakeBody(5);
        ASSERT_EQ(0u, thread.Start(body));
        EXPECT_EQ(NThread::ThreadStateRunning, thread.GetState());
        EXPECT_TRUE(body->entered.Wait(5000));
        EXPECT_EQ(1u, thread.Join(0));  // no stop requested yet
        thread.RequestStop();
        EXPECT_EQ(NThread::ThreadStateStopRequested, thread.GetState());
        ASSERT_EQ(0u, thread.Join(1000));
        EXPECT_EQ(NThread::ThreadStateFinished, thread.GetState());
        EXPECT_EQ(5u, ExitCodeAfterEnd(thread.GetHandle()));
        EXPECT_EQ(1u, thread.Join(0));  // already joined
        thread.Close();
        EXPECT_EQ(NThread::ThreadStateIdle, thread.GetState());
        EXPECT_EQ(nullptr, thread.GetHandle());
    }
    EXPECT_EQ(handlesBefore, NTestSupport::CountOpenHandlesSettled());
}

TEST(Thread, RefusesEmptyBodyAndSecondStart)
{
    CThread thread;
    EXPECT_EQ(0u, thread.Join(0));  // never started
    EXPECT_EQ(1u, thread.Start(boost::shared_ptr<IThread>()));
    auto body = MakeBody();
    ASSERT_EQ(0u, thread.Start(body));
    HANDLE handle = thread.GetHandle();
    EXPECT_EQ(1u, thread.Start(MakeBody()));
    EXPECT_EQ(handle, thread.GetHandle());
    EXPECT_EQ(NThread::ThreadStateRunning, thread.GetState());
    thread.Close();  // running: nothing happens
    EXPECT_EQ(handle, thread.GetHandle());
    thread.RequestStop();
    EXPECT_EQ(0u, thread.Join(5000));
    thread.Close();
}

TEST(Thread, CloseWithoutJoinDetachesAThreadThatIgnoresStop)
{
    uint32_t handlesBefore = NTestSupport::CountOpenHandlesSettled();
    LONG destroyedBefore = DestroyedCount;
    CThread thread;
    auto body = MakeBody(0, true);
    CBody* raw = body.get();
    ASSERT_EQ(0u, thread.Start(body));
    ASSERT_TRUE(raw->entered.Wait(5000));
    thread.RequestStop();
    EXPECT_EQ(1u, thread.Join(50));
    thread.Close();
    EXPECT_EQ(NThread::ThreadStateIdle, thread.GetState());
    body.reset();  // the detached thread alone keeps its body alive
    EXPECT_EQ(destroyedBefore, DestroyedCount);
    EXPECT_FALSE(raw->finishedRun);

    // The same object starts a fresh thread while the old one still runs.
    auto second = MakeBody(7);
    ASSERT_EQ(0u, thread.Start(second));
    thread.RequestStop();
    EXPECT_EQ(0u, thread.Join(5000));
    EXPECT_EQ(7u, ExitCodeAfterEnd(thread.GetHandle()));
    thread.Close();
    second.reset();

    raw->release.Set();
    for (int i = 0; i < 500 && DestroyedCount == destroyedBefore + 1; ++i)
        Sleep(10);
    EXPECT_EQ(destroyedBefore + 2, DestroyedCount);  // both bodies gone
    EXPECT_EQ(handlesBefore, NTestSupport::CountOpenHandlesSettled());
}

namespace {

// A new thread runs its attach notifications under the loader lock before it
// reaches its start routine; holding that lock delays it past any time-out.
class CLoaderLockHold
{
public:
    CLoaderLockHold()
    {
        HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        lockFn = reinterpret_cast<LockFn>(GetProcAddress(ntdll, "LdrLockLoaderLock"));
        unlockFn = reinterpret_cast<UnlockFn>(GetProcAddress(ntdll, "LdrUnlockLoaderLock"));
        if (lockFn && unlockFn)
            held = lockFn(0, nullptr, &cookie) == 0;
    }
    ~CLoaderLockHold() { Release(); }
    void Release()
    {
        if (held)
            unlockFn(0, cookie);
        held = false;
    }
    bool held = false;

private:
    using LockFn = LONG(NTAPI*)(ULONG, ULONG*, ULONG_PTR*);
    using UnlockFn = LONG(NTAPI*)(ULONG, ULONG_PTR);
    LockFn lockFn = nullptr;
    UnlockFn unlockFn = nullptr;
    ULONG_PTR cookie = 0;
};

class CStopProbe : public IThread
{
public:
    uint32_t Run(CEvent* stopEvent) override
    {
        stopAlreadySet = stopEvent->Wait(0);
        ran.Set();
        return 0;
    }
    CEvent ran;
    volatile bool stopAlreadySet = false;
};

}  // namespace

TEST(Thread, StartTimeoutLeavesObjectIdleAndLateThreadEndsAtOnce)
{
    auto body = boost::shared_ptr<CStopProbe>(new CStopProbe);
    uint32_t handlesBefore = NTestSupport::CountOpenHandlesSettled();
    {
        CThread thread;
        CLoaderLockHold hold;
        if (!hold.held)
            GTEST_SKIP() << "loader lock not available";
        DWORD before = GetTickCount();
        EXPECT_EQ(1u, thread.Start(body));
        EXPECT_GE(GetTickCount() - before, 900u);
        EXPECT_EQ(NThread::ThreadStateIdle, thread.GetState());
        EXPECT_EQ(nullptr, thread.GetHandle());
        hold.Release();
        // The late thread copied its resources for itself: destroying the
        // object does not pull them from under it.
    }
    ASSERT_TRUE(body->ran.Wait(5000));
    EXPECT_TRUE(body->stopAlreadySet);
    Sleep(100);
    EXPECT_EQ(handlesBefore, NTestSupport::CountOpenHandlesSettled());
}

TEST(Thread, FailedAllocationsAfterATimedOutStartFailCleanly)
{
    auto late = boost::shared_ptr<CStopProbe>(new CStopProbe);
    auto body = MakeBody(5);
    // The first exception thrown on a thread makes the runtime set up a record
    // for that thread, with handles that live as long as the thread.
    try {
        throw std::bad_alloc();
    } catch (const std::bad_alloc&) {
    }
    const int64_t blocksBefore = NTestSupport::LiveHeapBlocks();
    const uint32_t handlesBefore = NTestSupport::CountOpenHandlesSettled();
    {
        CThread thread;
        {
            CLoaderLockHold hold;
            if (!hold.held)
                GTEST_SKIP() << "loader lock not available";
            ASSERT_EQ(1u, thread.Start(late));
        }
        // The late thread has run and gone; the object still holds what that
        // start built.
        ASSERT_TRUE(late->ran.Wait(5000));
        uint32_t failAt = 1;
        for (;; ++failAt) {
            NTestSupport::CFailAllocation failure(failAt);
            uint32_t result = thread.Start(body);
            if (!failure.Reached()) {
                EXPECT_EQ(0u, result);
                break;
            }
            EXPECT_EQ(1u, result) << "allocation " << failAt;
            EXPECT_EQ(NThread::ThreadStateIdle, thread.GetState());
            EXPECT_EQ(nullptr, thread.GetHandle());
        }
        EXPECT_GT(failAt, 4u);  // every event and the shared record were reached
        thread.RequestStop();
        EXPECT_EQ(0u, thread.Join(5000));
        thread.Close();
    }
    EXPECT_EQ(blocksBefore, NTestSupport::LiveHeapBlocks());
    EXPECT_EQ(handlesBefore, NSyncTests::HandleCountAfterThreadsExit(handlesBefore));
}

// A thread cannot finish exiting while another thread holds the loader lock,
// although it has already signalled that its body returned.
TEST(Thread, JoinSucceedsOnlyOnceTheThreadHasEnded)
{
    CThread thread;
    auto body = MakeBody(5);
    ASSERT_EQ(0u, thread.Start(body));
    ASSERT_TRUE(body->entered.Wait(5000));
    {
        CLoaderLockHold hold;
        if (!hold.held)
            GTEST_SKIP() << "loader lock not available";
        thread.RequestStop();
        EXPECT_EQ(1u, thread.Join(300));
        EXPECT_TRUE(body->finishedRun);
    }
    ASSERT_EQ(0u, thread.Join(1000));
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread.GetHandle(), &code));
    EXPECT_EQ(5u, code);
    thread.Close();
}

TEST(Thread, StartStopCyclesReportTheExitCodeAndLeaveNothingBehind)
{
    const uint32_t cycles = 100;
    const uint32_t threadsBefore = NSyncTests::CountThreads();
    const int64_t blocksBefore = NTestSupport::LiveHeapBlocks();
    const uint32_t handlesBefore = NTestSupport::CountOpenHandlesSettled();
    uint32_t wrongCodes = 0;
    for (uint32_t i = 0; i < cycles; ++i) {
        CThread thread;
        ASSERT_EQ(0u, thread.Start(MakeBody(5)));
        thread.RequestStop();
        ASSERT_EQ(0u, thread.Join(1000));
        DWORD code = 0;
        GetExitCodeThread(thread.GetHandle(), &code);
        wrongCodes += code != 5;
        thread.Close();
    }
    EXPECT_EQ(0u, wrongCodes);
    EXPECT_EQ(threadsBefore, NSyncTests::CountThreads());
    EXPECT_EQ(blocksBefore, NTestSupport::LiveHeapBlocks());
    EXPECT_EQ(handlesBefore, NTestSupport::CountOpenHandlesSettled());
}
