#pragma once

// Waits for the end of the processes whose windows the window model holds,
// on the system's wait threads, so that the windows of a process that was
// killed or crashed (whose WM_DESTROY never ran) are still reported. Nothing
// polls: each process's handle is waited for once.
//
// Threads: Watch, Forget and ForgetAll belong to one thread (the model's
// delivery thread). The ended callback runs on a wait thread, once for each
// process watched, and must be quick; it must not call into this object.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <unordered_map>

#include "library/synchronization/UniqueHandle.h"

namespace NLibrary { namespace NWin32 { namespace NWindow { namespace NWatcher {

using ProcessEndedCallback = void (*)(DWORD processId, void* context);

class CProcessEndWatch
{
public:
    CProcessEndWatch(ProcessEndedCallback ended, void* context);
    ~CProcessEndWatch();  // ForgetAll
    CProcessEndWatch(const CProcessEndWatch&) = delete;
    CProcessEndWatch& operator=(const CProcessEndWatch&) = delete;

    // 0 when the process is waited for (already, or from now on), 1 when it
    // cannot be: it has ended and is gone, access is denied, or memory is
    // short. A process that has ended but is still open somewhere is waited
    // for, and reported at once.
    uint32_t Watch(DWORD processId);

    // Releases the wait of a process, once its end was reported or it is of
    // no interest; returns once its callback, if it runs, has returned.
    void Forget(DWORD processId);
    void ForgetAll();

    size_t CountWatched() const { return processes.size(); }

private:
    class CWatchedProcess
    {
    public:
        CProcessEndWatch* owner = nullptr;
        DWORD processId = 0;
        NSynchronization::CUniqueHandle process;
        HANDLE wait = nullptr;
    };

    static void CALLBACK OnEnded(void* parameter, BOOLEAN timedOut);
    static void Release(CWatchedProcess* watched);

    ProcessEndedCallback ended;
    void* context;
    std::unordered_map<DWORD, std::unique_ptr<CWatchedProcess>> processes;
};

}}}}  // namespace NLibrary::NWin32::NWindow::NWatcher
