#pragma once

#include <windows.h>

namespace NLibrary { namespace NWin32 { namespace NCOM {

// COM for the calling thread, in a single-threaded apartment. Hands back the
// HRESULT of CoInitializeEx unchanged (S_FALSE when the thread already has
// COM, RPC_E_CHANGED_MODE when it is in another apartment model); pair every
// successful call with one UninitializeCOM().
HRESULT InitializeCOM();
void UninitializeCOM();

}}}  // namespace NLibrary::NWin32::NCOM
