#include "library/synchronization/Mutex.h"

namespace NLibrary { namespace NSynchronization { namespace NMutex {

CMutex::CMutex() : locked(false), handle(INVALID_HANDLE_VALUE)
{
    HANDLE created = CreateMutexW(nullptr, FALSE, nullptr);
    if (created != nullptr)
        handle = created;
}

CMutex::~CMutex()
{
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
}

bool CMutex::IsValid() const
{
    return handle != INVALID_HANDLE_VALUE;
}

uint32_t CMutex::Lock()
{
    return Lock(INFINITE);
}

uint32_t CMutex::Lock(DWORD milliseconds)
{
    if (!IsValid())
        return 1;
    if (WaitForSingleObject(handle, milliseconds) != WAIT_OBJECT_0)
        return 1;
    locked = true;
    return 0;
}

uint32_t CMutex::Unlock()
{
    if (!IsValid() || !ReleaseMutex(handle))
        return 1;
    locked = false;
    return 0;
}

bool IsUsable(const boost::shared_ptr<CMutex>& mutex)
{
    return mutex && mutex->IsValid();
}

}}}  // namespace NLibrary::NSynchronization::NMutex
