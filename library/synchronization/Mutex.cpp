#include "library/synchronization/Mutex.h"

namespace NLibrary { namespace NSynchronization { namespace NMutex {

CMutex::CMutex() : locked(false), handle(INVALID_HANDLE_VALUE)
{
    HANDLE created = CreateMutexW(NULL, FALSE, NULL);
    if (created != NULL)
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

unsigned int CMutex::Lock()
{
    return Lock(INFINITE);
}

unsigned int CMutex::Lock(DWORD milliseconds)
{
    if (!IsValid())
        return 1;
    if (WaitForSingleObject(handle, milliseconds) != WAIT_OBJECT_0)
        return 1;
    locked = true;
    return 0;
}

unsigned int CMutex::Unlock()
{
    if (!IsValid() || !ReleaseMutex(handle))
        return 1;
    locked = false;
    return 0;
}

}}}  // namespace NLibrary::NSynchronization::NMutex
