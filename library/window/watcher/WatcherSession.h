#pragma once

// The body of a watcher's thread: the notification window, the registration
// and the pump, from Start to Stop. Shared between the watcher and its thread
// so that a thread that outlives Stop's time-out still has all it uses.

#include <windows.h>

#include <boost/shared_ptr.hpp>

#include <cstdint>

#include "library/synchronization/Event.h"
#include "library/synchronization/Thread.h"
#include "library/window/watcher/HookModule.h"
#include "library/window/watcher/WindowEvent.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

using NSynchronization::NEvent::CEvent;
using NSynchronization::NThread::IThread;

class CWatcherSession final : public IThread
{
public:
    CWatcherSession(const boost::shared_ptr<CHookModule>& module, WindowEventCallback callback,
                    void* context);
    ~CWatcherSession();
    CWatcherSession(const CWatcherSession&) = delete;
    CWatcherSession& operator=(const CWatcherSession&) = delete;

    bool IsUsable() const;
    uint32_t Run(CEvent* stopEvent) override;

    // The outcome of the registration on the thread (WatcherStatus), once
    // known; WatcherFailure when it is not known in time. For
    // WatcherRegisterFailed the calling thread's last-error value becomes the
    // one Register left on the watcher's thread.
    uint32_t WaitForRegistration(DWORD milliseconds);
    DWORD GetThreadId() const { return threadId; }

private:
    void ReportRegistration(uint32_t status);
    void Pump(HWND window, HANDLE stop);
    void Deliver(const MSG& message) const;

    boost::shared_ptr<CHookModule> module;
    WindowEventCallback callback;
    void* context;
    CEvent registered;
    volatile uint32_t registrationStatus;
    volatile DWORD registrationError;
    volatile DWORD threadId;
};

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
