#include <gtest/gtest.h>

#include <objbase.h>
#include <oleauto.h>

#include <thread>

#include "library/resource/COM.h"
#include "library/resource/UniqueResource.h"
#include "library/resource/WMIManager.h"

using NLibrary::NResource::CUniqueComReference;
using NLibrary::NWin32::NCOM::InitializeCOM;
using NLibrary::NWin32::NCOM::UninitializeCOM;
using NLibrary::NWin32::NWMI::CWMIManager;

namespace {

// COM state belongs to a thread; every case runs on a fresh one.
template <typename F>
void OnOwnThread(F body)
{
    std::thread worker(body);
    worker.join();
}

// True when the thread holds no COM initialisation: it may then enter the
// multithreaded apartment afresh (given back at once).
bool ThreadIsFreeOfCOM()
{
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(hr))
        CoUninitialize();
    return hr == S_OK;
}

ULONG CountOperatingSystems(IWbemServices* services)
{
    BSTR language = SysAllocString(L"WQL");
    BSTR query = SysAllocString(L"SELECT * FROM Win32_OperatingSystem");
    CUniqueComReference<IEnumWbemClassObject> rows;
    ULONG count = 0;
    if (SUCCEEDED(
            services->ExecQuery(language, query, WBEM_FLAG_FORWARD_ONLY, nullptr, rows.Put()))) {
        CUniqueComReference<IWbemClassObject> row;
        ULONG returned = 0;
        while (rows.Get()->Next(5000, 1, row.Put(), &returned) == S_OK && returned == 1)
            ++count;
    }
    SysFreeString(query);
    SysFreeString(language);
    return count;
}

}  // namespace

TEST(COMHelpers, InitializeReportsTheThreadsStateAndPairsWithUninitialize)
{
    OnOwnThread([] {
        EXPECT_EQ(S_OK, InitializeCOM());
        EXPECT_EQ(S_FALSE, InitializeCOM());
        UninitializeCOM();
        EXPECT_FALSE(ThreadIsFreeOfCOM());
        UninitializeCOM();
        EXPECT_TRUE(ThreadIsFreeOfCOM());
    });
    OnOwnThread([] {
        ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        EXPECT_EQ(RPC_E_CHANGED_MODE, InitializeCOM());
        CoUninitialize();
    });
}

TEST(WMIManager, ConnectsToWMIAndBalancesItsCOMInitialisation)
{
    OnOwnThread([] {
        {
            CWMIManager manager;
            EXPECT_TRUE(manager.IsInitialised());
            ASSERT_TRUE(manager.IsConnected());
            CUniqueComReference<IWbemServices> services;
            ASSERT_EQ(0u, manager.GetServices(services.Put()));
            EXPECT_EQ(1u, CountOperatingSystems(services.Get()));
            CUniqueComReference<IWbemLocator> locator;
            ASSERT_EQ(0u, manager.GetLocator(locator.Put()));
        }
        EXPECT_TRUE(ThreadIsFreeOfCOM());
    });
}

TEST(WMIManager, UnknownNamespaceLeavesOnlyTheLocatorAndStillBalances)
{
    OnOwnThread([] {
        {
            CWMIManager manager(L"ROOT\\NoSuchNamespace");
            EXPECT_TRUE(manager.IsInitialised());
            EXPECT_FALSE(manager.IsConnected());
            IWbemServices* services = nullptr;
            EXPECT_EQ(1u, manager.GetServices(&services));
            EXPECT_EQ(nullptr, services);
        }
        EXPECT_TRUE(ThreadIsFreeOfCOM());
    });
}

// A thread already in the multithreaded apartment keeps its own COM: the
// manager joins it and gives back only its own share.
TEST(WMIManager, JoinsAThreadInTheOtherApartmentModelWithoutUndoingIt)
{
    OnOwnThread([] {
        ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        {
            CWMIManager manager;
            EXPECT_TRUE(manager.IsInitialised());
            EXPECT_TRUE(manager.IsConnected());
        }
        EXPECT_EQ(S_FALSE, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        CoUninitialize();
        CoUninitialize();
        EXPECT_TRUE(ThreadIsFreeOfCOM());
    });
}
