#include <gtest/gtest.h>

#include <windows.h>

#include <boost/shared_ptr.hpp>

#include "library/synchronization/WindowIPCManager.h"
#include "tests/common/HandleCount.h"

using NLibrary::NSynchronization::NEvent::CEvent;
using NLibrary::NSynchronization::NThread::IThread;
using NLibrary::NWin32::NWindow::NWindowIPC::CThreadHost;
using NLibrary::NWin32::NWindow::NWindowIPC::CWindowIPCManager;

namespace {

class CTracked
{
public:
    explicit CTracked(volatile LONG* destroyed_) : destroyed(destroyed_) {}
    ~CTracked() { InterlockedIncrement(destroyed); }

private:
    volatile LONG* destroyed;
};

boost::shared_ptr<void> Tracked(volatile LONG* destroyed)
{
    return boost::shared_ptr<CTracked>(new CTracked(destroyed));
}

class CIpcBody : public IThread
{
public:
    explicit CIpcBody(bool ignoreStop_) : ignoreStop(ignoreStop_) {}
    uint32_t Run(CEvent* stopEvent) override
    {
        if (ignoreStop)
            release.Wait(20000);
        else
            stopEvent->Wait(20000);
        ended.Set();
        return 0;
    }
    CEvent release, ended;

private:
    bool ignoreStop;
};

DWORD TimeDestruction(CWindowIPCManager* manager)
{
    DWORD before = GetTickCount();
    delete manager;
    return GetTickCount() - before;
}

}  // namespace

TEST(WindowIPCManager, WithoutHostOnlyReleasesItsResource)
{
    volatile LONG destroyed = 0;
    CWindowIPCManager* manager = new CWindowIPCManager;
    manager->SetResource(Tracked(&destroyed));
    EXPECT_FALSE(manager->HasHost());
    EXPECT_LT(TimeDestruction(manager), 100u);
    EXPECT_EQ(1, destroyed);
}

TEST(WindowIPCManager, HostNotRunningIsDeletedWithoutWaiting)
{
    volatile LONG destroyed = 0;
    CThreadHost* host = new CThreadHost;
    host->SetResources(Tracked(&destroyed), Tracked(&destroyed), Tracked(&destroyed));
    CWindowIPCManager* manager = new CWindowIPCManager;
    ASSERT_EQ(0u, manager->AttachHost(host));
    EXPECT_EQ(1u, manager->AttachHost(host));
    EXPECT_LT(TimeDestruction(manager), 100u);
    EXPECT_EQ(3, destroyed);
}

TEST(WindowIPCManager, StopsAPoliteThreadAsSoonAsItFinishes)
{
    boost::shared_ptr<CIpcBody> body(new CIpcBody(false));
    uint32_t handlesBefore = NTestSupport::CountOpenHandlesSettled();
    volatile LONG destroyed = 0;
    CWindowIPCManager* manager = new CWindowIPCManager;
    ASSERT_EQ(0u, manager->Start(body));
    EXPECT_TRUE(manager->IsActive());
    EXPECT_EQ(1u, manager->Start(body));
    manager->SetResource(Tracked(&destroyed));
    EXPECT_LT(TimeDestruction(manager), 1000u);
    EXPECT_TRUE(body->ended.Wait(0));
    EXPECT_EQ(1, destroyed);
    EXPECT_EQ(handlesBefore, NTestSupport::CountOpenHandlesSettled());
}

TEST(WindowIPCManager, DetachesAThreadThatIgnoresItsStopAfterThreeSeconds)
{
    boost::shared_ptr<CIpcBody> body(new CIpcBody(true));
    uint32_t handlesBefore = NTestSupport::CountOpenHandlesSettled();
    CWindowIPCManager* manager = new CWindowIPCManager;
    ASSERT_EQ(0u, manager->Start(body));
    DWORD took = TimeDestruction(manager);
    EXPECT_GE(took, 2900u);
    EXPECT_LT(took, 5000u);
    EXPECT_FALSE(body->ended.Wait(0));  // still running on its own
    body->release.Set();
    EXPECT_TRUE(body->ended.Wait(5000));
    Sleep(50);
    EXPECT_EQ(handlesBefore, NTestSupport::CountOpenHandlesSettled());
}

TEST(ThreadHost, ShutdownRunsOnceAndAlwaysReportsOne)
{
    volatile LONG destroyed = 0;
    boost::shared_ptr<CIpcBody> body(new CIpcBody(false));
    CThreadHost host;
    host.SetResources(Tracked(&destroyed), Tracked(&destroyed), Tracked(&destroyed));
    EXPECT_EQ(1u, host.Shutdown());  // not running: nothing released
    EXPECT_EQ(0, destroyed);
    ASSERT_EQ(0u, host.Start(body));
    EXPECT_TRUE(host.IsRunning());
    EXPECT_EQ(1u, host.Shutdown());
    EXPECT_FALSE(host.IsRunning());
    EXPECT_EQ(nullptr, host.GetThread());
    EXPECT_EQ(2, destroyed);  // the third goes with the host
    EXPECT_TRUE(body->ended.Wait(0));
}
