#pragma once

#include <windows.h>

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
    unsigned int Lock();
    unsigned int Lock(DWORD milliseconds);
    unsigned int Unlock();

    // Informational only: written by the last successful Lock or Unlock.
    bool IsLocked() const { return locked; }
    HANDLE GetHandle() const { return handle; }

private:
    bool locked;
    HANDLE handle;
};

}}}  // namespace NLibrary::NSynchronization::NMutex
