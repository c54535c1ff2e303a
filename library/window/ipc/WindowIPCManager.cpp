#include "library/window/ipc/WindowIPCManager.h"

#include <new>

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWindowIPC {

namespace {

const DWORD HostStopMilliseconds = 3000;

}  // namespace

CWindowIPCManager::CWindowIPCManager() : active(false), host(NULL)
{
}

CWindowIPCManager::~CWindowIPCManager()
{
    active = false;
    Shutdown();
}

unsigned int CWindowIPCManager::Start(const boost::shared_ptr<IThread>& body)
{
    if (host != NULL)
        return 1;
    CThreadHost* created = new (std::nothrow) CThreadHost;
    if (created == NULL)
        return 1;
    if (created->Start(body) != 0)
    {
        delete created;
        return 1;
    }
    host = created;
    active = true;
    return 0;
}

unsigned int CWindowIPCManager::AttachHost(CThreadHost* newHost)
{
    if (host != NULL || newHost == NULL)
        return 1;
    host = newHost;
    active = true;
    return 0;
}

void CWindowIPCManager::Shutdown()
{
    if (host != NULL)
    {
        if (host->IsRunning())
        {
            host->SetRunning(false);
            host->Stop(HostStopMilliseconds);
            host->Release();
        }
        delete host;
        host = NULL;
    }
    resource.reset();
}

}}}}  // namespace NLibrary::NWin32::NWindow::NWindowIPC
