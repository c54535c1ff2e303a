#pragma once

#include <windows.h>

#include <tlhelp32.h>

#include <functional>
#include <utility>

#include <boost/shared_ptr.hpp>

#include "library/resource/UniqueResource.h"
#include "library/synchronization/Event.h"
#include "library/synchronization/Task.h"
#include "tests/common/HandleCount.h"

namespace NSyncTests {

// A client thread for leak-counting tests, started with CreateThread. The
// runtime's pthreads (behind std::thread) create an event for one of their
// own process-wide locks the first time two threads meet on it, which
// happens at random and stays for the life of the process: it would count as
// a leak of whatever the test measures.
class CClientThread
{
public:
    explicit CClientThread(std::function<void()> body_) : body(std::move(body_))
    {
        handle.Reset(CreateThread(nullptr, 0, &CClientThread::Run, this, 0, nullptr));
    }
    ~CClientThread() { Join(); }
    CClientThread(const CClientThread&) = delete;
    CClientThread& operator=(const CClientThread&) = delete;

    void Join()
    {
        if (!handle.IsValid())
            return;
        WaitForSingleObject(handle.Get(), INFINITE);
        handle.Reset();
    }

private:
    static DWORD WINAPI Run(void* self)
    {
        static_cast<CClientThread*>(self)->body();
        return 0;
    }

    std::function<void()> body;
    NLibrary::NResource::CUniqueThreadHandle handle;
};

using NLibrary::NSynchronization::NEvent::CEvent;
using NLibrary::NSynchronization::NTask::ITask;
using NLibrary::NSynchronization::NTask::ITaskLauncherCallback;

// Counts its runs; optionally announces its start and holds until released.
class CCountingTask : public ITask
{
public:
    explicit CCountingTask(DWORD holdMilliseconds_ = 0) : holdMilliseconds(holdMilliseconds_) {}
    void Execute() override
    {
        InterlockedIncrement(&runs);
        started.Set();
        if (holdMilliseconds != 0)
            release.Wait(holdMilliseconds);
    }
    volatile LONG runs = 0;
    CEvent started, release;

private:
    DWORD holdMilliseconds;
};

// Counts every callback; while gated, OnBeforeWait parks the worker.
class CRecordingCallback : public ITaskLauncherCallback
{
public:
    void OnThreadStart() override { InterlockedIncrement(&starts); }
    void OnThreadStop() override
    {
        InterlockedIncrement(&stops);
        stopped.Set();
    }
    void OnBeforeWait() override
    {
        InterlockedIncrement(&beforeWaits);
        if (gated) {
            parked.Set();
            gate.Wait(10000);
            gated = false;
        }
    }
    void OnIdle() override { InterlockedIncrement(&idles); }

    volatile LONG starts = 0, stops = 0, beforeWaits = 0, idles = 0;
    volatile bool gated = false;
    CEvent parked, gate, stopped;
};

// Threads of this process that exist right now, whatever started them.
inline uint32_t CountThreads()
{
    const NLibrary::NResource::CUniqueHandle snapshot(
        CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot.IsValid())
        return 0;
    uint32_t count = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot.Get(), &entry); more;
         more = Thread32Next(snapshot.Get(), &entry))
        count += entry.th32OwnerProcessID == GetCurrentProcessId();
    return count;
}

// A thread that has signalled its end may still hold handles and memory of
// its own until it has finished exiting: counts are read again for a while
// until they reach the expected value.
template <class T, class Count>
T CountAfterThreadsExit(Count count, T expected)
{
    T value = count();
    for (int attempt = 0; attempt < 20 && value != expected; ++attempt) {
        Sleep(100);
        value = count();
    }
    return value;
}

inline uint32_t HandleCountAfterThreadsExit(uint32_t expected)
{
    return CountAfterThreadsExit(NTestSupport::CountOpenHandlesSettled, expected);
}

template <class T>
boost::shared_ptr<T> Make()
{
    return boost::shared_ptr<T>(new T);
}

}  // namespace NSyncTests
