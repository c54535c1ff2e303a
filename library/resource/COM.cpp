#include "library/resource/COM.h"

#include <objbase.h>

namespace NLibrary { namespace NWin32 { namespace NCOM {

HRESULT InitializeCOM()
{
    return CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_SPEED_OVER_MEMORY);
}

void UninitializeCOM()
{
    CoUninitialize();
}

}}}  // namespace NLibrary::NWin32::NCOM
