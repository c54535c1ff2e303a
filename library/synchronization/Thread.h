#pragma once

#include <windows.h>

#include <stdint.h>

#include <boost/shared_ptr.hpp>

#include "library/resource/UniqueResource.h"
#include "library/synchronization/Event.h"

namespace NLibrary { namespace NSynchronization { namespace NThread {

using NEvent::CEvent;

// Body of a thread. Run's result becomes the thread's exit code. Destroyed
// only through the shared_ptr made for its concrete type.
class IThread
{
public:
    virtual uint32_t Run(CEvent* stopEvent) = 0;

protected:
    ~IThread() {}
};

// What the running thread keeps alive on its own, whatever becomes of the
// CThread that started it.
class CThreadSharedResources
{
public:
    CThreadSharedResources(const boost::shared_ptr<IThread>& thread,
                           const boost::shared_ptr<CEvent>& startedEvent,
                           const boost::shared_ptr<CEvent>& finishedEvent,
                           const boost::shared_ptr<CEvent>& stopEvent);
    ~CThreadSharedResources();

    boost::shared_ptr<IThread> thread;
    boost::shared_ptr<CEvent> startedEvent;
    boost::shared_ptr<CEvent> finishedEvent;
    boost::shared_ptr<CEvent> stopEvent;
};

enum ThreadState
{
    ThreadStateIdle = 0,
    ThreadStateRunning = 1,
    ThreadStateStopRequested = 2,
    ThreadStateFinished = 3
};

// One operating-system thread running an IThread body, with a started / stop /
// finished handshake. All operations belong to one owner thread.
class CThread
{
public:
    CThread();
    ~CThread();

    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;

    uint32_t Start(const boost::shared_ptr<IThread>& thread);
    void RequestStop();
    uint32_t Join(DWORD milliseconds);
    void Close();

    int GetState() const { return state; }
    HANDLE GetHandle() const { return handle.Get(); }

    static unsigned __stdcall ThreadProc(void* argument);

private:
    uint32_t CreateResources(const boost::shared_ptr<IThread>& thread);
    void ReleaseResources();

    boost::shared_ptr<CEvent> startedEvent;
    boost::shared_ptr<CEvent> finishedEvent;
    boost::shared_ptr<CEvent> stopEvent;
    boost::shared_ptr<CThreadSharedResources> sharedResources;
    // Closed with the object: a thread that still runs then goes on alone.
    NResource::CUniqueThreadHandle handle;
    int state;
};

}}}  // namespace NLibrary::NSynchronization::NThread
