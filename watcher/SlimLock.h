#pragma once

// A slim reader/writer lock for the window model's short sections: no kernel
// object, nothing allocated, no wait unless another thread holds it. Not
// recursive: a thread that holds it must not take it again.

#include <windows.h>

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

class CSlimLock
{
public:
    CSlimLock() { InitializeSRWLock(&lock); }
    CSlimLock(const CSlimLock&) = delete;
    CSlimLock& operator=(const CSlimLock&) = delete;

    void LockExclusive() { AcquireSRWLockExclusive(&lock); }
    void UnlockExclusive() { ReleaseSRWLockExclusive(&lock); }
    void LockShared() { AcquireSRWLockShared(&lock); }
    void UnlockShared() { ReleaseSRWLockShared(&lock); }
    // Held exclusively: lets it go while asleep on the condition, and takes it
    // again before returning.
    void SleepExclusive(CONDITION_VARIABLE* condition, DWORD milliseconds)
    {
        SleepConditionVariableSRW(condition, &lock, milliseconds, 0);
    }

private:
    SRWLOCK lock;
};

// Holds the lock for writing for the span of a scope.
class CExclusiveLock
{
public:
    explicit CExclusiveLock(CSlimLock& lock) : lock(lock) { lock.LockExclusive(); }
    ~CExclusiveLock() { lock.UnlockExclusive(); }
    CExclusiveLock(const CExclusiveLock&) = delete;
    CExclusiveLock& operator=(const CExclusiveLock&) = delete;

private:
    CSlimLock& lock;
};

// Holds the lock for reading for the span of a scope.
class CSharedLock
{
public:
    explicit CSharedLock(CSlimLock& lock) : lock(lock) { lock.LockShared(); }
    ~CSharedLock() { lock.UnlockShared(); }
    CSharedLock(const CSharedLock&) = delete;
    CSharedLock& operator=(const CSharedLock&) = delete;

private:
    CSlimLock& lock;
};

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
