#include "library/synchronization/Mutex.h"

namespace NLibrary { namespace NSynchronization { namespace NMutex {

CMutex::CMutex() : locked(false), handle(INVALID_HANDLE_VALUE)
{
    HANDLE created = CreateMutexW(nullptr, FALSE, nullptr);
    if (created != nullptr)
        handle.Reset(created);
}

CMutex::~CMutex() = default;

bool CMutex::IsValid() const
{
    return handle.IsValid();
}

uint32_t CMutex::Lock()
{
    return Lock(INFINITE);
}

uint32_t CMutex::Lock(DWORD milliseconds)
{
    if (!IsValid())
        return 1;
    const DWORD result = WaitForSingleObject(handle.Get(), milliseconds);
    if (result == WAIT_ABANDONED) {
        // The wait made us the owner of what a thread left half done when it
        // ended. Callers treat 1 as "not held" and never unlock, so the
        // ownership goes straight back; otherwise nobody could lock again.
        ReleaseMutex(handle.Get());
        return 1;
    }
    if (result != WAIT_OBJECT_0)
        return 1;
    locked = true;
    return 0;
}

uint32_t CMutex::Unlock()
{
    if (!IsValid() || !ReleaseMutex(handle.Get()))
        return 1;
    locked = false;
    return 0;
}

bool IsUsable(const boost::shared_ptr<CMutex>& mutex)
{
    return mutex && mutex->IsValid();
}

}}}  // namespace NLibrary::NSynchronization::NMutex
