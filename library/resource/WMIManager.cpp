#include "library/resource/WMIManager.h"

#include <objbase.h>
#include <oleauto.h>

#include "library/resource/COM.h"

namespace NLibrary { namespace NWin32 { namespace NWMI {

namespace {

// The manager must hold one successful initialisation to balance. A thread
// already in the multithreaded apartment refuses the single-threaded one;
// joining its own model still counts once.
bool InitializeForThread()
{
    HRESULT hr = NCOM::InitializeCOM();
    if (hr == RPC_E_CHANGED_MODE)
        hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    return SUCCEEDED(hr);
}

template <typename T>
uint32_t ShareInterface(T* held, T** out)
{
    if (out == nullptr || held == nullptr)
        return 1;
    held->AddRef();
    *out = held;
    return 0;
}

}  // namespace

CWMIManager::CWMIManager(const wchar_t* namespaceName) : initialised(0)
{
    if (!InitializeForThread())
        return;
    initialised = 1;
    // A call that fails owns nothing, whatever it left in its out-parameter:
    // that value is dropped, never released.
    if (FAILED(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                reinterpret_cast<void**>(firstInterface.Put())))) {
        static_cast<void>(firstInterface.Release());
        return;
    }
    BSTR name = SysAllocString(namespaceName != nullptr ? namespaceName : L"ROOT\\CIMV2");
    if (name == nullptr)
        return;
    if (FAILED(firstInterface.Get()->ConnectServer(name, nullptr, nullptr, nullptr, 0, nullptr,
                                                   nullptr, secondInterface.Put())))
        static_cast<void>(secondInterface.Release());
    SysFreeString(name);
}

// The second interface goes first, then the first, then COM; COM is left
// alone when the constructor could not initialise it, so that a thread's
// own initialisation is not undone.
CWMIManager::~CWMIManager()
{
    const bool balance = initialised != 0;
    initialised = 0;
    secondInterface.Reset();
    firstInterface.Reset();
    if (balance)
        CoUninitialize();
}

uint32_t CWMIManager::GetLocator(IWbemLocator** out) const
{
    return ShareInterface(firstInterface.Get(), out);
}

uint32_t CWMIManager::GetServices(IWbemServices** out) const
{
    return ShareInterface(secondInterface.Get(), out);
}

}}}  // namespace NLibrary::NWin32::NWMI
