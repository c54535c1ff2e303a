#include <gtest/gtest.h>

#include <windows.h>

#include <thread>

#include "library/synchronization/Event.h"
#include "library/synchronization/Mutex.h"
#include "library/synchronization/Wait.h"

using NLibrary::NSynchronization::NEvent::CEvent;
using NLibrary::NSynchronization::NMutex::CMutex;
namespace NSync = NLibrary::NSynchronization;

TEST(Event, IsAutoResetAndStartsUnsignalled)
{
    CEvent event;
    ASSERT_TRUE(NSync::IsValidHandle(event.GetHandle()));
    EXPECT_FALSE(event.Wait(0));
    EXPECT_EQ(0u, event.Set());
    EXPECT_TRUE(event.Wait(0));
    EXPECT_FALSE(event.Wait(0));
}

TEST(Event, TwoSetsBeforeAWaitCountAsOne)
{
    CEvent event;
    event.Set();
    event.Set();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_FALSE(event.Wait(0));
}

TEST(Event, OneSetReleasesExactlyOneWaiter)
{
    CEvent event;
    LONG released = 0;
    auto waiter = [&] {
        if (event.Wait(2000))
            InterlockedIncrement(&released);
    };
    std::thread a(waiter), b(waiter);
    Sleep(50);
    event.Set();
    a.join();
    b.join();
    EXPECT_EQ(1, released);
}

TEST(Event, DestructorClosesTheHandle)
{
    HANDLE handle;
    {
        CEvent event;
        handle = event.GetHandle();
        DWORD flags;
        ASSERT_TRUE(GetHandleInformation(handle, &flags));
    }
    DWORD flags;
    EXPECT_FALSE(GetHandleInformation(handle, &flags));
}

TEST(Mutex, LockUnlockTracksLockedFlag)
{
    CMutex mutex;
    ASSERT_TRUE(mutex.IsValid());
    EXPECT_FALSE(mutex.IsLocked());
    EXPECT_EQ(0u, mutex.Lock());
    EXPECT_TRUE(mutex.IsLocked());
    EXPECT_EQ(0u, mutex.Lock(0));  // recursive ownership
    EXPECT_EQ(0u, mutex.Unlock());
    EXPECT_EQ(0u, mutex.Unlock());
    EXPECT_FALSE(mutex.IsLocked());
    EXPECT_EQ(1u, mutex.Unlock());  // no longer owned
}

TEST(Mutex, LockFailsWhileAnotherThreadOwnsIt)
{
    CMutex mutex;
    CEvent locked, release;
    std::thread owner([&] {
        mutex.Lock();
        locked.Set();
        release.Wait(5000);
        mutex.Unlock();
    });
    ASSERT_TRUE(locked.Wait(5000));
    EXPECT_EQ(1u, mutex.Lock(0));
    EXPECT_EQ(1u, mutex.Unlock());  // not the owner
    release.Set();
    owner.join();
    EXPECT_EQ(0u, mutex.Lock(1000));
    EXPECT_EQ(0u, mutex.Unlock());
}

// A thread that ends holding the mutex abandons it. The next Lock reports 1
// and, like any failed Lock, leaves the caller without the mutex: another
// thread can take it at once.
TEST(Mutex, AbandonedMutexIsReportedAndLeftFree)
{
    const DWORD timeouts[] = {INFINITE, 1000};
    for (DWORD timeout : timeouts) {
        CMutex mutex;
        std::thread([&] { mutex.Lock(); }).join();
        EXPECT_EQ(1u, mutex.Lock(timeout)) << timeout;
        uint32_t other = 1;
        std::thread([&] {
            other = mutex.Lock(0);
            mutex.Unlock();
        }).join();
        EXPECT_EQ(0u, other) << timeout;
        EXPECT_EQ(1u, mutex.Unlock()) << timeout;  // never ours
    }
}

TEST(HandleHelpers, ValidityAndClose)
{
    HANDLE null = nullptr, invalid = INVALID_HANDLE_VALUE;
    EXPECT_FALSE(NSync::IsValidHandle(null));
    EXPECT_FALSE(NSync::IsValidHandle(invalid));
    NSync::CloseValidHandle(invalid);
    EXPECT_EQ(INVALID_HANDLE_VALUE, invalid);

    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ASSERT_TRUE(NSync::IsValidHandle(event));
    HANDLE copy = event;
    NSync::CloseValidHandle(event);
    EXPECT_EQ(nullptr, event);
    DWORD flags;
    EXPECT_FALSE(GetHandleInformation(copy, &flags));
}
