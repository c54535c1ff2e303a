#include "library/synchronization/ThreadHost.h"

#include <new>

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWindowIPC {

CThreadHost::CThreadHost() : running(false)
{
}

// The members go in reverse order: thirdResource, secondResource,
// firstResource, then the thread object, which a host deleted without Release
// still frees; the thread itself, if any, is left alone.
CThreadHost::~CThreadHost() = default;

uint32_t CThreadHost::Start(const boost::shared_ptr<IThread>& body)
{
    if (running || thread != nullptr || !body)
        return 1;
    thread.reset(new (std::nothrow) CThread);
    if (thread == nullptr)
        return 1;
    if (thread->Start(body) != 0) {
        thread.reset();
        return 1;
    }
    running = true;
    return 0;
}

void CThreadHost::SetResources(const boost::shared_ptr<void>& first,
                               const boost::shared_ptr<void>& second,
                               const boost::shared_ptr<void>& third)
{
    firstResource = first;
    secondResource = second;
    thirdResource = third;
}

// Request, wait, close. A thread that does not finish in time is detached and
// runs on its own references.
void CThreadHost::Stop(DWORD milliseconds)
{
    if (thread == nullptr)
        return;
    thread->RequestStop();
    thread->Join(milliseconds);
    thread->Close();
}

void CThreadHost::Release()
{
    secondResource.reset();
    firstResource.reset();
    thread.reset();
}

uint32_t CThreadHost::Shutdown()
{
    if (running) {
        running = false;
        Stop(HostStopMilliseconds);
        Release();
    }
    return 1;
}

}}}}  // namespace NLibrary::NWin32::NWindow::NWindowIPC
