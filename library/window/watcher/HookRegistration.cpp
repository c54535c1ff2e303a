#include "library/window/watcher/HookRegistration.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

namespace {

// Statically initialised, so that no start-up order matters. It is held over
// the test of the owner and the call that follows, since a Register between
// the two would otherwise be undone.
SRWLOCK OwnerLock = SRWLOCK_INIT;
const void* CurrentOwner = nullptr;

class COwnerLock
{
public:
    COwnerLock() { AcquireSRWLockExclusive(&OwnerLock); }
    ~COwnerLock() { ReleaseSRWLockExclusive(&OwnerLock); }
    COwnerLock(const COwnerLock&) = delete;
    COwnerLock& operator=(const COwnerLock&) = delete;
};

}  // namespace

uint32_t RegisterAsOwner(const CHookModule& module, HWND notifyWindow, const void* owner)
{
    COwnerLock lock;
    if (module.registerWindow(notifyWindow) != 0)
        return 1;
    CurrentOwner = owner;
    module.enable();
    return 0;
}

void UnregisterIfOwner(const CHookModule& module, const void* owner)
{
    COwnerLock lock;
    if (CurrentOwner != owner)
        return;
    module.disable();
    module.unregister();
    CurrentOwner = nullptr;
}

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
