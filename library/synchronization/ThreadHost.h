#pragma once

#include <windows.h>

#include <stdint.h>

#include <memory>

#include <boost/shared_ptr.hpp>

#include "library/synchronization/Thread.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWindowIPC {

using NSynchronization::NThread::CThread;
using NSynchronization::NThread::IThread;

// How long shutting down waits for the host's thread before detaching it.
const DWORD HostStopMilliseconds = 3000;

// Runs the IPC worker thread and keeps alive what that thread works with.
class CThreadHost
{
public:
    CThreadHost();
    ~CThreadHost();

    CThreadHost(const CThreadHost&) = delete;
    CThreadHost& operator=(const CThreadHost&) = delete;

    // Starts the body on a new thread; afterwards the host is running.
    uint32_t Start(const boost::shared_ptr<IThread>& body);
    void SetResources(const boost::shared_ptr<void>& first, const boost::shared_ptr<void>& second,
                      const boost::shared_ptr<void>& third);

    // Waits for the thread for the given time (shutdown passes
    // HostStopMilliseconds), then detaches it if it has not finished.
    void Stop(DWORD milliseconds);
    void Release();
    uint32_t Shutdown();  // always 1

    bool IsRunning() const { return running; }
    void SetRunning(bool value) { running = value; }
    const CThread* GetThread() const { return thread.get(); }

private:
    bool running;
    std::unique_ptr<CThread> thread;
    boost::shared_ptr<void> firstResource;
    boost::shared_ptr<void> secondResource;
    boost::shared_ptr<void> thirdResource;
};

}}}}  // namespace NLibrary::NWin32::NWindow::NWindowIPC
