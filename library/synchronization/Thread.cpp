#include "library/synchronization/Thread.h"

#include <process.h>

#include <new>
#include <utility>

#include "library/synchronization/NewShared.h"
#include "library/synchronization/Wait.h"

namespace NLibrary { namespace NSynchronization { namespace NThread {

namespace {

const DWORD StartedTimeoutMilliseconds = 1000;

using SharedResourcesPtr = boost::shared_ptr<CThreadSharedResources>;

}  // namespace

CThreadSharedResources::CThreadSharedResources(const boost::shared_ptr<IThread>& thread_,
                                               const boost::shared_ptr<CEvent>& startedEvent_,
                                               const boost::shared_ptr<CEvent>& finishedEvent_,
                                               const boost::shared_ptr<CEvent>& stopEvent_)
    : thread(thread_), startedEvent(startedEvent_), finishedEvent(finishedEvent_),
      stopEvent(stopEvent_)
{
}

CThreadSharedResources::~CThreadSharedResources()
{
    stopEvent.reset();
    finishedEvent.reset();
    startedEvent.reset();
    thread.reset();
}

CThread::CThread() : state(ThreadStateIdle)
{
}

CThread::~CThread()
{
    sharedResources.reset();
    stopEvent.reset();
    finishedEvent.reset();
    startedEvent.reset();
}

// Whatever a timed-out start left here belongs to its late thread now; each
// step tests only what it has just built, never a leftover of that start.
uint32_t CThread::CreateResources(const boost::shared_ptr<IThread>& thread)
{
    ReleaseResources();
    boost::shared_ptr<CEvent>* events[] = {&startedEvent, &finishedEvent, &stopEvent};
    for (boost::shared_ptr<CEvent>* event : events) {
        *event = NewShared<CEvent>();
        if (!IsUsable(*event)) {
            ReleaseResources();
            return 1;
        }
    }
    sharedResources =
        NewShared<CThreadSharedResources>(thread, startedEvent, finishedEvent, stopEvent);
    if (sharedResources)
        return 0;
    ReleaseResources();
    return 1;
}

void CThread::ReleaseResources()
{
    startedEvent.reset();
    finishedEvent.reset();
    stopEvent.reset();
    sharedResources.reset();
}

// The new thread gets its own heap copy of the shared resources rather than
// the address of our member: a thread that starts after the time-out must not
// read a member that a later Start or our destruction has changed.
uint32_t CThread::Start(const boost::shared_ptr<IThread>& thread)
{
    if (!thread || state != ThreadStateIdle)
        return 1;
    if (CreateResources(thread) != 0)
        return 1;
    SharedResourcesPtr* argument = new (std::nothrow) SharedResourcesPtr(sharedResources);
    uintptr_t created = 0;
    if (argument != nullptr)
        created = _beginthreadex(nullptr, 0, &CThread::ThreadProc, argument, 0, nullptr);
    if (created == 0) {
        delete argument;
        ReleaseResources();
        return 1;
    }
    NResource::CUniqueThreadHandle newThread(reinterpret_cast<HANDLE>(created));
    if (!startedEvent->Wait(StartedTimeoutMilliseconds)) {
        // Nobody could ever stop a thread that starts after the time-out, so it
        // finds its stop event already set. Its handle is of no use to us.
        stopEvent->Set();
        return 1;
    }
    handle = std::move(newThread);
    state = ThreadStateRunning;
    return 0;
}

unsigned __stdcall CThread::ThreadProc(void* argument)
{
    if (argument == nullptr)
        return 0;
    SharedResourcesPtr* owned = static_cast<SharedResourcesPtr*>(argument);
    SharedResourcesPtr resources(*owned);
    delete owned;
    if (!resources)
        return 0;

    boost::shared_ptr<CEvent> started(resources->startedEvent);
    if (started)
        started->Set();

    uint32_t result = 0;
    boost::shared_ptr<CEvent> stop(resources->stopEvent);
    if (stop) {
        boost::shared_ptr<IThread> body(resources->thread);
        if (body)
            result = body->Run(stop.get());
    }

    boost::shared_ptr<CEvent> finished(resources->finishedEvent);
    if (finished)
        finished->Set();
    return result;
}

void CThread::RequestStop()
{
    if (state != ThreadStateRunning)
        return;
    if (stopEvent)
        stopEvent->Set();
    state = ThreadStateStopRequested;
}

// The finished signal comes just before the thread procedure returns, so the
// thread's end is waited for too: a 0 means that the thread is gone and its
// exit code final. Both in one wait, so that the auto-reset signal is consumed
// only together with the end and a later Join still finds it.
uint32_t CThread::Join(DWORD milliseconds)
{
    if (state == ThreadStateIdle)
        return 0;
    if (state != ThreadStateStopRequested)
        return 1;
    if (!IsUsable(finishedEvent))
        return 1;
    const HANDLE ends[2] = {finishedEvent->GetHandle(), handle.Get()};
    const DWORD count = handle.IsValid() ? 2 : 1;
    if (WaitForMultipleObjects(count, ends, TRUE, milliseconds) >= WAIT_OBJECT_0 + count)
        return 1;
    state = ThreadStateFinished;
    return 0;
}

// A thread that was asked to stop but has not finished is detached: it runs on
// its own references. Its handle is closed all the same, since nobody can use
// it any more once we forget it.
void CThread::Close()
{
    if (state != ThreadStateStopRequested && state != ThreadStateFinished)
        return;
    handle.Reset();
    ReleaseResources();
    state = ThreadStateIdle;
}

}}}  // namespace NLibrary::NSynchronization::NThread
