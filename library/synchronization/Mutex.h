#pragma once

#include <windows.h>

#include <stdint.h>

#include <boost/shared_ptr.hpp>

#include "library/synchronization/UniqueHandle.h"

namespace NLibrary { namespace NSynchronization { namespace NMutex {

// Owner of an unnamed, initially unowned mutex object. Follows the Windows
// ownership rules: the owning thread may lock again and unlocks as often.
class CMutex
{
public:
    CMutex();
    ~CMutex();

    CMutex(const CMutex&) = delete;
    CMutex& operator=(const CMutex&) = delete;

    bool IsValid() const;
    uint32_t Lock();
    uint32_t Lock(DWORD milliseconds);
    uint32_t Unlock();

    // Informational only: written by the last successful Lock or Unlock.
    bool IsLocked() const { return locked; }
    HANDLE GetHandle() const { return handle.Get(); }

private:
    bool locked;
    // INVALID_HANDLE_VALUE when there is no mutex object (null is never
    // stored); the owner treats it as owning nothing, as it does null.
    CUniqueHandle handle;
};

// A mutex that was allocated and holds a mutex object.
bool IsUsable(const boost::shared_ptr<CMutex>& mutex);

// Holds a mutex for the span of a scope. A Lock that fails leaves the guard not
// held, and then nothing is unlocked on the way out.
class CMutexLock
{
public:
    explicit CMutexLock(CMutex* mutex) : CMutexLock(mutex, INFINITE) {}
    CMutexLock(CMutex* mutex, DWORD milliseconds)
        : mutex(mutex != nullptr && mutex->Lock(milliseconds) == 0 ? mutex : nullptr)
    {
    }
    ~CMutexLock() { Release(); }

    CMutexLock(const CMutexLock&) = delete;
    CMutexLock& operator=(const CMutexLock&) = delete;

    bool IsHeld() const { return mutex != nullptr; }

    // Unlocks early, before the scope ends (for example before a listener
    // is called).
    void Release()
    {
        if (mutex != nullptr)
            mutex->Unlock();
        mutex = nullptr;
    }

private:
    CMutex* mutex;
};

}}}  // namespace NLibrary::NSynchronization::NMutex
