#include "library/synchronization/WindowIPCManager.h"

#include <new>

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWindowIPC {

CWindowIPCManager::CWindowIPCManager() : active(false), host(nullptr)
{
}

CWindowIPCManager::~CWindowIPCManager()
{
    active = false;
    Shutdown();
}

uint32_t CWindowIPCManager::Start(const boost::shared_ptr<IThread>& body)
{
    if (host != nullptr)
        return 1;
    CThreadHost* created = new (std::nothrow) CThreadHost;
    if (created == nullptr)
        return 1;
    if (created->Start(body) != 0) {
        delete created;
        return 1;
    }
    host = created;
    active = true;
    return 0;
}

uint32_t CWindowIPCManager::AttachHost(CThreadHost* newHost)
{
    if (host != nullptr || newHost == nullptr)
        return 1;
    host = newHost;
    active = true;
    return 0;
}

void CWindowIPCManager::Shutdown()
{
    if (host != nullptr) {
        if (host->IsRunning()) {
            host->SetRunning(false);
            host->Stop(HostStopMilliseconds);
            host->Release();
        }
        delete host;
        host = nullptr;
    }
    resource.reset();
}

}}}}  // namespace NLibrary::NWin32::NWindow::NWindowIPC
