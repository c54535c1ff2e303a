#include "watcher/HookRegistration.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

namespace {

// Statically initialised, so that no start-up order matters. It is held over
// the test of the owner and the calls that follow, so that no watcher of this
// process registers in between. Another process can: the module offers no
// "remove if still mine", so that gap is only kept as short as two reads of
// the shared section.
SRWLOCK OwnerLock = SRWLOCK_INIT;

class COwnerLock
{
public:
    COwnerLock() { AcquireSRWLockExclusive(&OwnerLock); }
    ~COwnerLock() { ReleaseSRWLockExclusive(&OwnerLock); }
    COwnerLock(const COwnerLock&) = delete;
    COwnerLock& operator=(const COwnerLock&) = delete;
};

}  // namespace

uint32_t RegisterAsOwner(const CHookModule& module, HWND notifyWindow)
{
    COwnerLock lock;
    if (module.Register(notifyWindow) != 0)
        return 1;
    module.EnableWindowHook();
    return 0;
}

void UnregisterIfOwner(const CHookModule& module, HWND notifyWindow)
{
    COwnerLock lock;
    if (!module.IsRegisteredTo(notifyWindow))
        return;
    module.DisableWindowHook();
    module.Unregister();
}

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
