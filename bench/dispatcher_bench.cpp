// Submit-to-completion latency and closed-loop throughput of the task
// dispatcher against the system thread pool doing the same empty work.
#include <windows.h>

#include <stdio.h>

#include <algorithm>
#include <thread>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "bench/BenchClock.h"
#include "library/synchronization/TaskDispatcher.h"

using NLibrary::NSynchronization::NEvent::CEvent;
using NLibrary::NSynchronization::NTask::CTaskDispatcher;
using NLibrary::NSynchronization::NTask::CTaskRequest;
using NLibrary::NSynchronization::NTask::ITask;
using NLibrary::NSynchronization::NThread::CThread;

namespace {

const int LatencySamples = 400;
const int ThroughputClients = 4;
const int ThroughputPerClient = 500;

class CEmptyTask : public ITask
{
public:
    void Execute() override {}
};

struct CLatency
{
    double median, p99, mean;
};

CLatency Summarise(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    double sum = 0;
    for (double s : samples)
        sum += s;
    return {samples[samples.size() / 2], samples[samples.size() * 99 / 100], sum / samples.size()};
}

// --- the dispatcher ------------------------------------------------------------

struct CRunningDispatcher
{
    explicit CRunningDispatcher(uint32_t pool) : dispatcher(new CTaskDispatcher(pool))
    {
        thread.Start(dispatcher);
        Sleep(100);  // let the first pass start the launchers
    }
    ~CRunningDispatcher()
    {
        thread.RequestStop();
        thread.Join(5000);
        thread.Close();
    }
    boost::shared_ptr<CTaskDispatcher> dispatcher;
    CThread thread;
};

double DispatcherRoundTrip(CTaskDispatcher& dispatcher, const boost::shared_ptr<ITask>& task,
                           const boost::shared_ptr<CEvent>& done)
{
    boost::shared_ptr<CTaskRequest> request;
    double start = NowSeconds();
    if (dispatcher.AddRequest(task, done, request) != 0)
        return -1;
    done->Wait(10000);
    double took = NowSeconds() - start;
    dispatcher.RemoveRequest(request);
    return took;
}

CLatency DispatcherLatency(uint32_t pool)
{
    CRunningDispatcher running(pool);
    boost::shared_ptr<ITask> task(new CEmptyTask);
    boost::shared_ptr<CEvent> done(new CEvent);
    std::vector<double> samples;
    for (int i = 0; i < LatencySamples; ++i)
        samples.push_back(DispatcherRoundTrip(*running.dispatcher, task, done) * 1000.0);
    return Summarise(samples);
}

double DispatcherThroughput(uint32_t pool)
{
    CRunningDispatcher running(pool);
    double start = NowSeconds();
    std::vector<std::thread> clients;
    for (int c = 0; c < ThroughputClients; ++c)
        clients.emplace_back([&] {
            boost::shared_ptr<ITask> task(new CEmptyTask);
            boost::shared_ptr<CEvent> done(new CEvent);
            for (int i = 0; i < ThroughputPerClient; ++i)
                DispatcherRoundTrip(*running.dispatcher, task, done);
        });
    for (auto& c : clients)
        c.join();
    return ThroughputClients * ThroughputPerClient / (NowSeconds() - start);
}

// --- the system thread pool ----------------------------------------------------

VOID CALLBACK SignalDone(PTP_CALLBACK_INSTANCE, PVOID context)
{
    SetEvent(static_cast<HANDLE>(context));
}

double PoolRoundTrip(HANDLE done)
{
    double start = NowSeconds();
    if (!TrySubmitThreadpoolCallback(SignalDone, done, NULL))
        return -1;
    WaitForSingleObject(done, 10000);
    return NowSeconds() - start;
}

CLatency PoolLatency()
{
    HANDLE done = CreateEventW(NULL, FALSE, FALSE, NULL);
    std::vector<double> samples;
    for (int i = 0; i < LatencySamples; ++i)
        samples.push_back(PoolRoundTrip(done) * 1000.0);
    CloseHandle(done);
    return Summarise(samples);
}

double PoolThroughput()
{
    double start = NowSeconds();
    std::vector<std::thread> clients;
    for (int c = 0; c < ThroughputClients; ++c)
        clients.emplace_back([] {
            HANDLE done = CreateEventW(NULL, FALSE, FALSE, NULL);
            for (int i = 0; i < ThroughputPerClient; ++i)
                PoolRoundTrip(done);
            CloseHandle(done);
        });
    for (auto& c : clients)
        c.join();
    return ThroughputClients * ThroughputPerClient / (NowSeconds() - start);
}

void PrintLatency(const char* name, const CLatency& l)
{
    printf("  %-24s median %7.3f ms   p99 %7.3f ms   mean %7.3f ms\n", name, l.median, l.p99,
           l.mean);
}

}  // namespace

int main()
{
    printf("dispatcher_bench: empty tasks, %d latency samples; throughput with %d clients x %d "
           "requests, each client waiting for its request before the next\n",
           LatencySamples, ThroughputClients, ThroughputPerClient);
    CLatency pool = PoolLatency();
    CLatency d2 = DispatcherLatency(2);
    CLatency d4 = DispatcherLatency(4);
    printf("latency, submit to completion event:\n");
    PrintLatency("thread pool", pool);
    PrintLatency("dispatcher, 2 launchers", d2);
    PrintLatency("dispatcher, 4 launchers", d4);

    double poolRate = PoolThroughput();
    double rate2 = DispatcherThroughput(2);
    double rate4 = DispatcherThroughput(4);
    printf("throughput, tasks completed per second:\n");
    printf("  %-24s %10.0f\n", "thread pool", poolRate);
    printf("  %-24s %10.0f   (%.3f of the pool)\n", "dispatcher, 2 launchers", rate2,
           rate2 / poolRate);
    printf("  %-24s %10.0f   (%.3f of the pool)\n", "dispatcher, 4 launchers", rate4,
           rate4 / poolRate);
    printf("median latency ratio dispatcher/pool: %.1fx (2 launchers), %.1fx (4 launchers)\n",
           d2.median / pool.median, d4.median / pool.median);
    return 0;
}
