#pragma once

#include <boost/shared_ptr.hpp>

#include "library/synchronization/ThreadHost.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWindowIPC {

// Owner of the IPC worker thread's host. Shutting down stops the host's thread
// within three seconds, or detaches it.
class CWindowIPCManager
{
public:
    CWindowIPCManager();
    virtual ~CWindowIPCManager();

    CWindowIPCManager(const CWindowIPCManager&) = delete;
    CWindowIPCManager& operator=(const CWindowIPCManager&) = delete;

    // Creates the host and starts the body on its thread. Fails if there is a
    // host already.
    uint32_t Start(const boost::shared_ptr<IThread>& body);
    // Takes ownership of a host built elsewhere. Fails (and deletes nothing)
    // if there is a host already.
    uint32_t AttachHost(CThreadHost* newHost);
    void SetResource(const boost::shared_ptr<void>& value) { resource = value; }

    void Shutdown();

    bool IsActive() const { return active; }
    bool HasHost() const { return host != nullptr; }

private:
    bool active;
    CThreadHost* host;
    boost::shared_ptr<void> resource;
};

}}}}  // namespace NLibrary::NWin32::NWindow::NWindowIPC
