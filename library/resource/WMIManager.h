#pragma once

#include <wbemcli.h>
#include <windows.h>

#include <cstdint>

#include "library/resource/UniqueResource.h"

namespace NLibrary { namespace NWin32 { namespace NWMI {

// A WMI locator and the services of one namespace connected through it, with
// the COM initialisation of the thread that made the manager. Bound to that
// thread: destroy it there.
class CWMIManager
{
public:
    // Connects to namespaceName (for example L"ROOT\\CIMV2"). A thread that
    // already has COM in another apartment model keeps it; the manager then
    // joins that model.
    explicit CWMIManager(const wchar_t* namespaceName = L"ROOT\\CIMV2");
    virtual ~CWMIManager();

    CWMIManager(const CWMIManager&) = delete;
    CWMIManager& operator=(const CWMIManager&) = delete;

    bool IsInitialised() const { return initialised != 0; }
    bool IsConnected() const { return secondInterface.IsValid(); }
    // One more reference to each interface for the caller; 1 when absent.
    uint32_t GetLocator(IWbemLocator** out) const;
    uint32_t GetServices(IWbemServices** out) const;

private:
    BYTE initialised;
    NResource::CUniqueComReference<IWbemLocator> firstInterface;
    NResource::CUniqueComReference<IWbemServices> secondInterface;
};

}}}  // namespace NLibrary::NWin32::NWMI
